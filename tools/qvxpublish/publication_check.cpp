#include "qvxpublish/publication_check.h"

#include <algorithm>
#include <map>

#include "base/ascii_case.h"
#include "base/errors.h"
#include "common/date_time.h"
#include "common/integer_rule.h"
#include "common/list_bounds.h"
#include "common/list_release_rules.h"
#include "common/list_removals.h"
#include "common/name_index.h"
#include "common/path_names.h"
#include "common/string_list.h"
#include "common/text_utils.h"
#include "common/utc_stamp.h"
#include "net/body_unpack.h"
#include "platform/crypto.h"
#include "platform/profile_reader.h"
#include "qvxpublish/entry_rules.h"
#include "qvxpublish/file_bytes.h"
#include "qvxpublish/list_dates.h"
#include "qvxpublish/list_signing.h"
#include "qvxpublish/native_names.h"
#include "qvxpublish/publication_source.h"
#include "qvxpublish/removal_plan.h"

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
void CheckNamedHash(TPublicationSource& source, const TNameIndex& index, const std::string& key,
                    const std::string& fileName, std::vector<std::string>& problems) {
  const std::string hash = LowerHex(index.ValueOf(key));
  if (hash.empty()) return;
  std::string bytes, why;
  if (!source.Read(fileName, bytes, why)) {
    problems.push_back(key + ": " + fileName + " " + why);
  } else if (Sha256HexOf(bytes) != hash) {
    problems.push_back(key + ": " + fileName + " does not match it; updaters refuse the download");
  }
}

// A size line against the bytes it describes; empty when it holds, or when there is none.
std::string WhySizeDiffers(const TNameIndex& index, const std::string& key, const std::string& bytes) {
  uint64_t size = 0;
  switch (ReadListedSize(index, key, size)) {
    case TListedSize::None:
      return std::string();
    case TListedSize::Unreadable:
      return key + " \"" + DisplayText(index.ValueOf(key)) + "\" is no size in bytes; updaters refuse the file";
    case TListedSize::Given:
      break;
  }
  if (size == bytes.size()) return std::string();
  return key + " says " + std::to_string(size) + " bytes, the file has " + std::to_string(bytes.size()) +
         "; updaters refuse the download";
}

void CheckToolSize(TPublicationSource& source, const TNameIndex& index, std::vector<std::string>& problems) {
  uint64_t size = 0;
  if (ReadListedSize(index, "toolsize", size) == TListedSize::None) return;
  std::string bytes, why;
  if (!source.Read("qvxtool.exe", bytes, why)) {
    problems.push_back("toolsize: qvxtool.exe " + why);
  } else if (const std::string differs = WhySizeDiffers(index, "toolsize", bytes); !differs.empty()) {
    problems.push_back(differs);
  }
}

// The setup ids ask installations below them for files by name: the tool's executable below
// "softid", the installer below "last_setupid". A publication without them fails those
// installations on every run.
void WarnOfMissingRoads(TPublicationSource& source, const TNameIndex& index,
                        std::vector<std::string>& warnings) {
  std::string bytes, why;
  for (const char* key : {"softid", "softidlite"}) {
    int32_t id = 0;
    if (TryTextToInt32(TrimBlanks(index.ValueOf(key)), id) && !source.Read("qvxtool.exe", bytes, why))
      warnings.push_back(std::string(key) + "=" + std::to_string(id) + ": installations below it close the tool and fetch qvxtool.exe, which " + why);
  }
  for (const char* key : {"last_setupid", "last_setupidlite"}) {
    int32_t id = 0;
    if (TryTextToInt32(TrimBlanks(index.ValueOf(key)), id) && id > 0 && !source.Read("setup.exe", bytes, why))
      warnings.push_back(std::string(key) + "=" + std::to_string(id) + ": installations below it fetch and start setup.exe, which " + why);
  }
}

void CheckSignature(TPublicationSource& source, const std::string& listBytes,
                    const std::vector<std::string>& keys, std::vector<std::string>& problems) {
  uint64_t serial = 0;
  if (!ReadListSerial(listBytes, serial))
    problems.push_back("listserial: missing or no decimal number; installations that used a list with one refuse this list");
  std::string signatures, why;
  if (!source.Read("up.txt.sig", signatures, why)) {
    problems.push_back("up.txt.sig: " + (why == "is missing" ? std::string("missing") : why) +
                       "; installations with an UpdateKey refuse the list");
    return;
  }
  const size_t lines = static_cast<size_t>(std::count(signatures.begin(), signatures.end(), '\n')) +
                       (!signatures.empty() && signatures.back() != '\n' ? 1 : 0);
  if (signatures.size() > kMaxSignatureFileBytes || lines > kMaxSignatureLines)
    problems.push_back("up.txt.sig: " + std::to_string(signatures.size()) + " bytes in " +
                       std::to_string(lines) + " lines; installations with an UpdateKey refuse a "
                       "signature file over " + std::to_string(kMaxSignatureFileBytes >> 10) +
                       " KiB or " + std::to_string(kMaxSignatureLines) + " lines");
  if (VerifyingLine(listBytes, signatures, keys) == 0)
    problems.push_back("up.txt.sig: no line verifies up.txt with the given key; installations with that key refuse the list");
  if (const std::string packed = source.WhyPackedDiffers("up.txt.sig", signatures); !packed.empty())
    problems.push_back("up.txt.sig: " + packed);
}

// The removal lines: a removal of a file the list installs would undo the install on the next
// run, and a hash line that holds no hash matches no content, so the file would stay for good.
void CheckRemovals(const TStringList& list, int32_t count, const TNameIndex& index,
                   TCheckResult& result) {
  std::map<std::string, std::string> listed;  // folded path -> its key
  for (int32_t i = 0; i < count; ++i) {
    std::string entry = TrimBlanks(index.ValueOf("filename" + std::to_string(i)));
    std::replace(entry.begin(), entry.end(), '/', '\\');
    if (!entry.empty()) listed.emplace(FoldedName(entry), "filename" + std::to_string(i));
  }
  for (const TListedRemoval& r : ListedRemovals(list)) {
    const std::string n = std::to_string(r.Number);
    const std::string label = "removed" + n + "=" + DisplayText(r.Path) + ": ";
    std::string path = r.Path;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (const auto same = listed.find(FoldedName(path)); same != listed.end())
      result.Problems.push_back(label + "the list names the file as well (" + same->second +
                                "); drop the removal, or the file");
    for (const std::string& hash : r.Hashes) {
      if (!IsSha256Text(hash))
        result.Problems.push_back("removedhash" + n + ": \"" + DisplayText(hash) +
                                  "\" is not 64 hexadecimal digits, so it matches no content");
    }
    if (r.Hashes.empty())
      result.Warnings.push_back(label + "no removedhash" + n + ", so installations never delete it");
    if (const std::string why = WhyNeverRemoved(r.Path); !why.empty())
      result.Warnings.push_back(label + why + ", which the updater never deletes");
  }
}

// An expiry the updater cannot read, or one that has passed, makes installations with a key
// refuse the list.
void CheckExpiry(const TNameIndex& index, std::vector<std::string>& problems) {
  const std::string expires = TrimBlanks(index.ValueOf("listexpires"));
  if (expires.empty()) return;
  int64_t until = 0;
  if (!ParseUtcStamp(expires, until)) {
    problems.push_back("listexpires: \"" + DisplayText(expires) +
                       "\" is no moment of the form YYYY-MM-DDTHH:MM:SSZ; installations with an "
                       "UpdateKey refuse the list");
  } else if (UtcNowSeconds() > until) {
    problems.push_back("listexpires: " + expires +
                       " has passed; installations with an UpdateKey refuse the list (sign it "
                       "again with --resign)");
  }
}

// The release's own data\Product.ini is what fresh installations start from: a key without a
// floor lets them take any list ever signed with it, an old one that brings back a retired key
// included.
void WarnOfKeyWithoutFloor(TPublicationSource& source, const TNameIndex& index, int32_t count,
                           std::vector<std::string>& warnings) {
  for (int32_t i = 0; i < count; ++i) {
    std::string entry = TrimBlanks(index.ValueOf("filename" + std::to_string(i)));
    std::replace(entry.begin(), entry.end(), '/', '\\');
    if (FoldedName(entry) != "DATA\\PRODUCT.INI") continue;
    std::string bytes, why;
    if (!source.Read(NameOfPath(entry), bytes, why)) return;
    const TProfileText ini(bytes);
    char value[64];
    const bool hasKey = ini.GetStringA("Product", "UpdateKey", "", value, sizeof value) > 0;
    const bool hasFloor = ini.GetStringA("Product", "MinListSerial", "", value, sizeof value) > 0;
    if (hasKey && !hasFloor)
      warnings.push_back("data\\Product.ini has an UpdateKey but no MinListSerial: fresh "
                         "installations of this release take any older list signed with that key "
                         "(ship MinListSerial=<the listserial of this release's list>)");
    return;
  }
}

}  // namespace

TCheckResult CheckPublication(const fs::path& outDir, const std::vector<std::string>& keys) {
  TFolderSource source(outDir);
  return CheckPublication(source, keys);
}

TCheckResult CheckPublication(TPublicationSource& source, const std::vector<std::string>& keys) {
  std::string listBytes, listWhy;
  if (!source.Read("up.txt", listBytes, listWhy))
    throw Exception("\"" + source.Where() + "\" holds no up.txt: it " + listWhy);
  TStringList list;
  list.SetText(listBytes);

  TCheckResult result;
  auto& problems = result.Problems;
  if (const std::string why = source.WhyPackedDiffers("up.txt", listBytes); !why.empty())
    problems.push_back("up.txt: " + why);
  if (listBytes.size() > kMaxListBytes)
    problems.push_back("up.txt: " + std::to_string(listBytes.size()) +
                       " bytes; installations refuse a list over " +
                       std::to_string(kMaxListBytes >> 20) + " MiB");
  for (const char* key : {"softid", "last_setupid", "softidlite", "last_setupidlite"})
    CheckIdKey(list, key, problems);

  const TNameIndex index(list);
  if (!keys.empty()) CheckSignature(source, listBytes, keys, problems);
  CheckNamedHash(source, index, "setuphash", "setup.exe", problems);
  CheckNamedHash(source, index, "toolhash", "qvxtool.exe", problems);
  CheckToolSize(source, index, problems);
  const bool whole = IsWholeRelease(index);
  if (const std::string value = index.ValueOf("wholerelease"); !value.empty() && !whole)
    problems.push_back("wholerelease: \"" + DisplayText(value) +
                       "\" is not 1, so updaters apply the list file by file");
  int32_t unsized = 0;
  WarnOfMissingRoads(source, index, result.Warnings);
  // Every fresh list date lies 4 min 59 s ahead; more than that is a clock or a hand gone wrong.
  const TDateTime latest = LocalNow() + 6.0 / (24 * 60);
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
    uint64_t listedSize = 0;
    if (ReadListedSize(index, "filesize" + std::to_string(i), listedSize) == TListedSize::None) ++unsized;
    if (const std::string why = WhyEntryRefused(entry); !why.empty()) {
      problems.push_back(label + why);
      continue;
    }
    const std::string name = NameOfPath(entry);
    if (const std::string why = WhyUpdaterSkips(entry); !why.empty()) problems.push_back(label + why);
    if (const std::string why = WhyDateUnreadable(index.ValueOf(dateKey)); !why.empty())
      problems.push_back(label + dateKey + " " + why);
    TDateTime moment = 0;
    if (ListMoment(index.ValueOf(dateKey), moment) && moment > latest)
      result.Warnings.push_back(label + dateKey + " " + DisplayText(index.ValueOf(dateKey)) +
                                " lies in the future; installations fetch the file again on every "
                                "run until their clocks pass it");
    const auto [first, fresh] = seenNames.emplace(FoldedName(name), nameKey);
    if (!fresh)
      problems.push_back(label + "the same file name as " + first->second +
                         "; the server holds only one file of that name");

    std::string plain, why;
    if (!source.Read(name, plain, why)) {
      problems.push_back(label + "the file " + DisplayText(name) + " " + why);
      continue;
    }
    if (plain.empty()) problems.push_back(label + "the file is empty; the updater cannot fetch an empty body");
    const std::string hashKey = "filehash" + std::to_string(i);
    const std::string hash = LowerHex(index.ValueOf(hashKey));
    if (const std::string differs = WhySizeDiffers(index, "filesize" + std::to_string(i), plain);
        !differs.empty())
      problems.push_back(label + differs);
    if (hash.empty()) {
      if (!keys.empty())
        problems.push_back(label + hashKey + " missing; installations with an UpdateKey do not fetch the file");
      else if (EqualTextIgnoreCase(entry, kUpdaterFileName))
        problems.push_back(label + hashKey + " missing; the updater replaces itself only with a hash");
    } else if (Sha256HexOf(plain) != hash) {
      problems.push_back(label + "the file does not match " + hashKey + "; updaters refuse the download");
    }
    if (const std::string packed = source.WhyPackedDiffers(name, plain); !packed.empty())
      problems.push_back(label + packed);
  }
  if (whole && unsized > 0)
    result.Warnings.push_back("wholerelease=1, but " + std::to_string(unsized) + " of the files listed " +
                              (unsized == 1 ? "has" : "have") + " no filesize line: updaters cannot "
                              "check the free space first, and show each file's progress instead of "
                              "the release's");
  CheckRemovals(list, count, index, result);
  CheckExpiry(index, problems);
  WarnOfKeyWithoutFloor(source, index, count, result.Warnings);
  if (!TrimBlanks(index.ValueOf("filename" + std::to_string(count))).empty())
    problems.push_back("filename" + std::to_string(count) + ": listed beyond filecount, so never fetched");
  return result;
}

}  // namespace qvx
