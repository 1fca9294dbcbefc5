#include "update/list_trust.h"

#include <algorithm>
#include <exception>

#include "common/base64.h"
#include "common/file_utils.h"
#include "common/ini_file.h"
#include "common/name_index.h"
#include "common/string_list.h"
#include "common/text_utils.h"
#include "common/utc_stamp.h"
#include "platform/crypto.h"
#include "platform/file_pieces.h"
#include "startup/globals.h"

namespace qvx {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Plain decimal digits only: a serial has no sign, no blanks inside, no hexadecimal form.
bool ReadDecimal(const std::string& text, uint64_t& value) {
  const std::string digits = TrimBlanks(text);
  if (digits.empty() || digits.size() > 19 ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  value = std::stoull(digits);
  return true;
}

}  // namespace

std::vector<std::string> ParseUpdateKeys(const std::string& value) {
  std::vector<std::string> keys;
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find(',', start);
    if (end == std::string::npos) end = value.size();
    const std::string piece = TrimBlanks(value.substr(start, end - start));
    if (!piece.empty()) keys.push_back(Base64ToText(piece));
    start = end + 1;
  }
  return keys;
}

TUpdateKeys ReadUpdateKeys(const std::string& value) {
  TUpdateKeys keys;
  keys.Present = !TrimBlanks(value).empty();
  for (const std::string& point : ParseUpdateKeys(value)) {
    TP256PublicKey key(point);
    if (key.IsValid()) keys.Keys.push_back(std::move(key));
  }
  return keys;
}

TUpdateKeys ProductUpdateKeys() {
  TIniFile ini(AppPath + "data\\Product.ini");
  return ReadUpdateKeys(ini.ReadText("Product", "UpdateKey", std::string()));
}

TSignatureCheck CheckSignatureFile(const std::string& listBytes, const std::string& signatureFile,
                                   const std::vector<TP256PublicKey>& keys,
                                   const std::function<bool()>& stop) {
  // A last line without its line break counts as well.
  size_t lines = static_cast<size_t>(std::count(signatureFile.begin(), signatureFile.end(), '\n'));
  if (!signatureFile.empty() && signatureFile.back() != '\n') ++lines;
  if (lines > kMaxSignatureLines) return TSignatureCheck::TooManyLines;
  const TSha256Digest digest = Sha256Of(listBytes);
  size_t start = 0;
  while (start < signatureFile.size()) {
    if (stop && stop()) return TSignatureCheck::Stopped;
    size_t end = signatureFile.find('\n', start);
    if (end == std::string::npos) end = signatureFile.size();
    std::string line = signatureFile.substr(start, end - start);
    start = end + 1;
    line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
    line = TrimBlanks(line);
    if (line.empty()) continue;
    const std::string signature = Base64ToText(line);
    if (signature.size() != kP256SignatureSize) continue;
    for (const TP256PublicKey& key : keys) {
      if (key.Verifies(digest, signature)) return TSignatureCheck::Valid;
    }
  }
  return TSignatureCheck::NotValid;
}

bool SignatureFileVerifies(const std::string& listBytes, const std::string& signatureFile,
                           const std::vector<std::string>& keys) {
  std::vector<TP256PublicKey> imported;
  for (const std::string& point : keys) imported.emplace_back(point);
  return CheckSignatureFile(listBytes, signatureFile, imported) == TSignatureCheck::Valid;
}

std::string ListHash(const TNameIndex& list, const std::string& key) {
  return Lower(TrimBlanks(list.ValueOf(key)));
}

bool IsMatchingHash(const std::string& listHash, const std::string& hexDigest) {
  return listHash.size() == 64 && listHash == hexDigest;
}

bool ListSerial(const TNameIndex& list, uint64_t& serial) {
  return ReadDecimal(list.ValueOf("listserial"), serial);
}

uint64_t RecordedListSerial() {
  const std::string path = AppPath + "data\\App.info";
  if (!FileIsPresent(path)) return 0;
  TStringList info;
  info.LoadFile(path);
  uint64_t serial = 0;
  return ReadDecimal(info.ValueOf("ListSerial"), serial) ? serial : 0;
}

TSerialFloor InstalledSerialFloor() {
  TSerialFloor floor;
  floor.Recorded = RecordedListSerial();
  TIniFile ini(AppPath + "data\\Product.ini");
  const std::string shipped = TrimBlanks(ini.ReadText("Product", "MinListSerial", std::string()));
  if (!shipped.empty() && !ReadDecimal(shipped, floor.Shipped)) floor.ShippedDamaged = true;
  return floor;
}

std::string SerialOrExpiryRefusal(const TNameIndex& list, const TSerialFloor& floor,
                                  int64_t nowUtc) {
  if (floor.ShippedDamaged) {
    return "this installation's MinListSerial (in data\\Product.ini) is damaged: it is no number";
  }
  const uint64_t least = floor.Serial();
  const std::string floorText =
      floor.Recorded >= floor.Shipped
          ? "the list used before (number " + std::to_string(least) + ")"
          : "the oldest list this installation takes (number " + std::to_string(least) +
                ", MinListSerial in data\\Product.ini)";
  uint64_t serial = 0;
  const bool hasSerial = ListSerial(list, serial);
  if (!hasSerial && least > 0) {
    return "it has no listserial, and it may not be older than " + floorText;
  }
  if (serial < least) {
    return "it is older (number " + std::to_string(serial) + ") than " + floorText;
  }
  if (serial - least > kMaxListSerialStep) {
    return "its number " + std::to_string(serial) + " lies more than " +
           std::to_string(kMaxListSerialStep) + " beyond " + floorText +
           ", further than any publication goes";
  }
  const std::string expires = TrimBlanks(list.ValueOf("listexpires"));
  if (!expires.empty()) {
    int64_t until = 0;
    if (!ParseUtcStamp(expires, until)) {
      return "its listexpires \"" + expires + "\" is no moment of the form YYYY-MM-DDTHH:MM:SSZ";
    }
    if (nowUtc > until) return "it expired at " + expires + " (listexpires)";
  }
  return std::string();
}

bool InstalledFileMatches(const std::string& path, const std::string& listHash) {
  if (listHash.size() != 64) return false;
  TSha256 hash;
  try {
    if (!ReadFileInPieces(path, [&hash](const char* data, size_t size) { hash.Update(data, size); })) {
      return false;
    }
  } catch (const std::exception&) {
    // A file that cannot be read through is no proof of the content: fetch it again.
    return false;
  }
  return IsMatchingHash(listHash, hash.FinishHex());
}

}  // namespace qvx
