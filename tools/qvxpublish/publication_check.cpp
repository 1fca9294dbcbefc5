#include "qvxpublish/publication_check.h"

#include <map>

#include "common/errors.h"
#include "common/name_index.h"
#include "common/string_list.h"
#include "common/text_utils.h"
#include "net/body_unpack.h"
#include "platform/crypto.h"
#include "qvxpublish/entry_rules.h"
#include "qvxpublish/file_bytes.h"
#include "qvxpublish/list_signing.h"
#include "qvxpublish/native_names.h"

namespace qvx {

namespace fs = std::filesystem;

namespace {

// What the updater's date rule makes of a "filedate" value when the local copy exists; empty
// when it reads a valid moment.
std::string WhyDateUnreadable(const std::string& dateText) {
  if (dateText.empty()) return "is missing, so the updater never fetches the file";
  bool ok = false;
  TIRIntegerArr v;
  ParseIntList(dateText, '-', ok, v);
  if (!ok || v.size() != 6)
    return "\"" + dateText + "\" is no date of six numbers, so the updater never replaces an existing copy";
  try {
    ComposeDateTime(static_cast<uint16_t>(v[0]), static_cast<uint16_t>(v[1]), static_cast<uint16_t>(v[2]),
                    static_cast<uint16_t>(v[3]), static_cast<uint16_t>(v[4]), static_cast<uint16_t>(v[5]), 0);
  } catch (const EConvertError&) {
    return "\"" + dateText + "\" is no valid date and time: it would end the update run on every "
           "installation that has the file";
  }
  return std::string();
}

// The packed form, when present, is what a web server with packed bodies sends in place of the
// plain file, so it must unpack to exactly the plain bytes.
std::string WhyPackedDiffers(const fs::path& plainPath, const std::string& plain) {
  fs::path packedPath = plainPath;
  packedPath += ".gz";
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(packedPath, ec))) return std::string();
  try {
    const std::string unpacked = UnCompressBody(ReadFileBytes(packedPath));
    if (unpacked.empty()) return "its packed form does not unpack (checksum or length wrong)";
    if (unpacked != plain) return "its packed form unpacks to other bytes than the file";
  } catch (const Exception& e) {
    return "its packed form does not unpack: " + e.Message();
  }
  return std::string();
}

void CheckIdKey(const TStringList& list, const std::string& key, std::vector<std::string>& problems) {
  const int index = list.FindName(key);
  if (index < 0) return;
  int32_t value;
  if (!TryTextToInt32(TrimBlanks(list.ValueAt(index)), value))
    problems.push_back(key + ": \"" + DisplayText(list.ValueAt(index)) +
                       "\" is no integer; the updater reads it as if it were missing");
}

std::string LowerHex(std::string text) {
  text = TrimBlanks(text);
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// A hash line of the installer or the tool, whose files the updater fetches by name.
void CheckNamedHash(const fs::path& outDir, const TNameIndex& index, const std::string& key,
                    const std::string& fileName, std::vector<std::string>& problems) {
  const std::string hash = LowerHex(index.ValueOf(key));
  if (hash.empty()) return;
  std::error_code ec;
  if (!fs::is_regular_file(outDir / fileName, ec)) {
    problems.push_back(key + ": " + fileName + " is missing");
  } else if (Sha256HexOf(ReadFileBytes(outDir / fileName)) != hash) {
    problems.push_back(key + ": " + fileName + " does not match it; updaters refuse the download");
  }
}

void CheckSignature(const fs::path& outDir, const std::string& listBytes,
                    const std::vector<std::string>& keys, std::vector<std::string>& problems) {
  const fs::path sigPath = outDir / "up.txt.sig";
  std::error_code ec;
  uint64_t serial = 0;
  if (!ReadListSerial(listBytes, serial))
    problems.push_back("listserial: missing or no decimal number; installations that used a list with one refuse this list");
  if (!fs::is_regular_file(sigPath, ec)) {
    problems.push_back("up.txt.sig: missing; installations with an UpdateKey refuse the list");
    return;
  }
  const std::string signatures = ReadFileBytes(sigPath);
  if (VerifyingLine(listBytes, signatures, keys) == 0)
    problems.push_back("up.txt.sig: no line verifies up.txt with the given key; installations with that key refuse the list");
  if (const std::string why = WhyPackedDiffers(sigPath, signatures); !why.empty())
    problems.push_back("up.txt.sig: " + why);
}

}  // namespace

TCheckResult CheckPublication(const fs::path& outDir, const std::vector<std::string>& keys) {
  const fs::path listPath = outDir / "up.txt";
  std::error_code ec;
  if (!fs::is_regular_file(listPath, ec))
    throw Exception("\"" + outDir.u8string() + "\" holds no up.txt");
  const std::string listBytes = ReadFileBytes(listPath);
  TStringList list;
  list.SetText(listBytes);

  TCheckResult result;
  auto& problems = result.Problems;
  if (const std::string why = WhyPackedDiffers(listPath, listBytes); !why.empty())
    problems.push_back("up.txt: " + why);
  for (const char* key : {"softid", "last_setupid", "softidlite", "last_setupidlite"})
    CheckIdKey(list, key, problems);

  const TNameIndex index(list);
  if (!keys.empty()) CheckSignature(outDir, listBytes, keys, problems);
  CheckNamedHash(outDir, index, "setuphash", "setup.exe", problems);
  CheckNamedHash(outDir, index, "toolhash", "qvxtool.exe", problems);
  int32_t count = 0;
  if (!TryTextToInt32(TrimBlanks(index.ValueOf("filecount")), count) || count < 0) {
    problems.push_back("filecount: missing, negative or no integer; the updater fetches no file");
    count = 0;
  }
  // Every entry takes a line of its own, so a count beyond the lines names entries that are not
  // there; checking them one by one would only repeat that.
  if (count > list.Count()) {
    problems.push_back("filecount: " + std::to_string(count) + " is more than the list has lines");
    count = list.Count();
  }
  std::map<std::string, std::string> seenNames;  // folded file name -> key that named it first
  for (int32_t i = 0; i < count; ++i) {
    const std::string nameKey = "filename" + std::to_string(i);
    const std::string dateKey = "filedate" + std::to_string(i);
    const std::string entry = TrimBlanks(index.ValueOf(nameKey));
    const std::string label = nameKey + "=" + DisplayText(entry) + ": ";
    if (entry.empty()) {
      problems.push_back(nameKey + ": missing");
      continue;
    }
    ++result.FilesChecked;
    if (const std::string why = WhyEntryRefused(entry); !why.empty()) {
      problems.push_back(label + why);
      continue;
    }
    const std::string name = NameOfPath(entry);
    if (const std::string why = WhyUpdaterSkips(name); !why.empty()) problems.push_back(label + why);
    if (const std::string why = WhyDateUnreadable(index.ValueOf(dateKey)); !why.empty())
      problems.push_back(label + dateKey + " " + why);
    const auto [first, fresh] = seenNames.emplace(FoldedName(name), nameKey);
    if (!fresh)
      problems.push_back(label + "the same file name as " + first->second +
                         "; the server holds only one file of that name");

    const fs::path plainPath = outDir / PathFromText(name);
    if (!fs::is_regular_file(plainPath, ec)) {
      problems.push_back(label + "the file " + DisplayText(name) + " is missing");
      continue;
    }
    const std::string plain = ReadFileBytes(plainPath);
    if (plain.empty()) problems.push_back(label + "the file is empty; the updater cannot fetch an empty body");
    const std::string hashKey = "filehash" + std::to_string(i);
    const std::string hash = LowerHex(index.ValueOf(hashKey));
    if (hash.empty()) {
      if (!keys.empty())
        problems.push_back(label + hashKey + " missing; installations with an UpdateKey do not fetch the file");
    } else if (Sha256HexOf(plain) != hash) {
      problems.push_back(label + "the file does not match " + hashKey + "; updaters refuse the download");
    }
    if (const std::string why = WhyPackedDiffers(plainPath, plain); !why.empty())
      problems.push_back(label + why);
  }
  if (!TrimBlanks(index.ValueOf("filename" + std::to_string(count))).empty())
    problems.push_back("filename" + std::to_string(count) + ": listed beyond filecount, so never fetched");
  return result;
}

}  // namespace qvx
