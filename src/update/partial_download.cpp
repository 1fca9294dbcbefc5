#include "update/partial_download.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "base/ascii_case.h"
#include "base/errors.h"
#include "common/path_names.h"
#include "common/string_list.h"
#include "common/text_utils.h"
#include "net/http_client.h"
#include "platform/file_append.h"
#include "platform/file_pieces.h"
#include "platform/file_search.h"
#include "platform/file_system.h"

namespace qvx {
namespace {

const std::string kDataSuffix = ".qvxpart";
const std::string kRecordSuffix = ".qvxpartinfo";
// Bytes gathered before they are appended to the partial file.
constexpr size_t kAppendBlock = 1 << 20;

int64_t NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The folder (with its delimiter) and the name of target, split as the leftover sweep splits it.
void SplitTarget(const std::string& target, std::string& folder, std::string& name) {
  folder = FolderOfPath(target);
  const size_t slash = target.rfind('/');
  if (slash != std::string::npos && slash >= folder.size()) folder = target.substr(0, slash + 1);
  name = target.substr(folder.size());
}

std::string BesideTarget(const std::string& target, const std::string& suffix) {
  std::string folder, name;
  SplitTarget(target, folder, name);
  return folder + "." + name + suffix;
}

// A decimal number of at most 18 digits, or -1.
int64_t ReadNumber(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stoll(text);
}

struct TRecord {
  std::string Url, Hash, Validator;
  int64_t Begun = -1;
};

bool ReadRecord(const std::string& path, TRecord& record) {
  std::string bytes;
  try {
    if (!FileExists(path)) return false;
    bytes = ReadWholeFile(path);
  } catch (const std::exception&) {
    return false;
  }
  TStringList lines;
  lines.SetText(bytes);
  record.Url = lines.ValueOf("url");
  record.Hash = lines.ValueOf("hash");
  record.Validator = lines.ValueOf("validator");
  record.Begun = ReadNumber(lines.ValueOf("begun"));
  return !record.Url.empty() && !record.Validator.empty() && record.Begun >= 0;
}

void DeleteQuietly(const std::string& path) {
  try {
    if (FileExists(path)) DeleteFileAt(path);
  } catch (const std::exception&) {
    // Held open elsewhere: the next sweep tries again.
  }
}

// The value of the response header name (without the colon), trimmed; empty when absent.
std::string HeaderValue(const THttpClient& client, const std::string& name) {
  const std::string prefix = UpperAscii(name) + ":";
  for (int i = 0; i < client.Headers.Count(); ++i) {
    const std::string& line = client.Headers.LineAt(i);
    if (UpperAscii(line.substr(0, prefix.size())) == prefix) return TrimBlanks(line.substr(prefix.size()));
  }
  return std::string();
}

// "bytes <first>-<last>/<total or *>" for a body that runs from offset to its end.
bool ContinuesAt(const std::string& contentRange, int64_t offset) {
  const std::string lower = LowerAscii(contentRange);
  if (lower.compare(0, 6, "bytes ") != 0) return false;
  const std::string span = TrimBlanks(lower.substr(6));
  const size_t dash = span.find('-');
  const size_t slash = span.find('/');
  if (dash == std::string::npos || slash == std::string::npos || slash < dash) return false;
  const int64_t first = ReadNumber(span.substr(0, dash));
  const int64_t last = ReadNumber(span.substr(dash + 1, slash - dash - 1));
  const std::string totalText = span.substr(slash + 1);
  const int64_t total = totalText == "*" ? -2 : ReadNumber(totalText);
  return first == offset && last >= first && total != -1 && (total == -2 || total == last + 1);
}

}  // namespace

std::string PartialDataPath(const std::string& target) { return BesideTarget(target, kDataSuffix); }

std::string PartialRecordPath(const std::string& target) { return BesideTarget(target, kRecordSuffix); }

void DropPartial(const std::string& target) {
  // The record goes first: data without a record is never resumed.
  DeleteQuietly(PartialRecordPath(target));
  DeleteQuietly(PartialDataPath(target));
}

size_t RemovePartialLeftovers(const std::string& folder) {
  size_t removed = 0;
  const int64_t oldest = NowSeconds() - kPartialKeepDays * 24 * 60 * 60;
  auto ours = [](const std::string& name, const std::string& suffix) {
    return name.size() > suffix.size() + 1 && name[0] == '.' &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  auto remove = [&](const std::string& path) {
    try {
      DeleteFileAt(path);
      ++removed;
    } catch (const std::exception&) {
      // Held open elsewhere: the next sweep tries again.
    }
  };
  for (const TFolderEntry& entry : SearchFolder(folder + "*" + kDataSuffix)) {
    if ((entry.Attributes & kFileAttrDirectory) || !ours(entry.Name, kDataSuffix)) continue;
    const std::string stem = entry.Name.substr(0, entry.Name.size() - kDataSuffix.size());
    TRecord record;
    if (ReadRecord(folder + stem + kRecordSuffix, record) && record.Begun >= oldest) continue;
    if (FileExists(folder + stem + kRecordSuffix)) remove(folder + stem + kRecordSuffix);
    remove(folder + entry.Name);
  }
  for (const TFolderEntry& entry : SearchFolder(folder + "*" + kRecordSuffix)) {
    if ((entry.Attributes & kFileAttrDirectory) || !ours(entry.Name, kRecordSuffix)) continue;
    const std::string stem = entry.Name.substr(0, entry.Name.size() - kRecordSuffix.size());
    if (!FileExists(folder + stem + kDataSuffix)) remove(folder + entry.Name);
  }
  return removed;
}

TResumableBody::TResumableBody(const std::string& target, const std::string& url, const std::string& hash,
                               TBodySink& inner)
    : FTarget(target), FUrl(url), FHash(hash), FInner(inner) {}

TResumableBody::~TResumableBody() {
  // Not finished: an error ended the download, which is no break to resume.
  if (FKeeping && FOnDisk) DropPartial(FTarget);
}

void TResumableBody::PrepareRequest(THttpClient& http) {
  TRecord record;
  if (!ReadRecord(PartialRecordPath(FTarget), record)) {
    DropPartial(FTarget);
    return;
  }
  const int64_t kept = FileSizeAt(PartialDataPath(FTarget));
  // Another file's bytes, or nothing worth asking the rest of; the client's range is 32-bit.
  if (record.Url != FUrl || record.Hash != FHash || kept <= 0 || kept > INT32_MAX) {
    DropPartial(FTarget);
    return;
  }
  FOffset = kept;
  FValidator = record.Validator;
  http.RangeStart = static_cast<int32_t>(kept);
  http.RangeEnd = 0;
  http.Headers.Add("If-Range: " + FValidator);
}

void TResumableBody::BodyStarts(const THttpClient& client) {
  // A weak ETag never matches in If-Range: the date serves then.
  std::string validator = HeaderValue(client, "ETag");
  if (validator.empty() || validator.compare(0, 2, "W/") == 0) validator = HeaderValue(client, "Last-Modified");
  FResumable = !validator.empty() && client.TransferMode == TTransferMode::ByLength;
  if (client.ResultCode == 200) {
    FMode = TMode::Whole;
    if (FOffset > 0) DropPartial(FTarget);
    FOffset = 0;
    FValidator = validator;
    // The partial file and its record are written once the first block of bytes is kept (or
    // the transfer breaks): a small file that arrives whole costs no file of its own.
    FKeeping = FResumable;
  } else if (client.ResultCode == 206 && FOffset > 0) {
    if (FResumable && validator == FValidator && ContinuesAt(HeaderValue(client, "Content-Range"), FOffset)) {
      FMode = TMode::Rest;
      FKeeping = true;
      FOnDisk = true;
    } else {
      FMode = TMode::Refused;
      DropPartial(FTarget);
    }
  } else if (client.ResultCode == 416 && FOffset > 0) {
    // The kept bytes are no beginning of what the server has now.
    DropPartial(FTarget);
  }
  FInner.BodyStarts(client);
  if (FMode != TMode::Rest) return;
  // The kept bytes go through the unpacker and the hash again, so both end as if the body had
  // come in one piece.
  int64_t left = FOffset;
  try {
    const bool opened = ReadFileInPieces(PartialDataPath(FTarget), [&](const char* data, size_t n) {
      if (left <= 0 || !FReplayFailure.empty()) return;
      const size_t take = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(n)));
      if (!FInner.Write(data, take)) FReplayFailure = "refused";
      left -= static_cast<int64_t>(take);
    });
    if (!opened || left != 0) FReplayFailure = "the kept bytes could not be read";
  } catch (const EOSError& e) {
    FReplayFailure = e.Message();
  }
}

bool TResumableBody::Write(const char* data, size_t n) {
  if (!FReplayFailure.empty()) return false;
  if (!FInner.Write(data, n)) return false;
  if (FKeeping) {
    FPending.append(data, n);
    if (FPending.size() >= kAppendBlock && !Flush()) StopKeeping();
  }
  return true;
}

bool TResumableBody::Flush() {
  if (FPending.empty()) return true;
  try {
    if (!FOnDisk) {
      // The record first: data without a record is never resumed, and the sweep removes it.
      // It is written in one piece but not flushed: it is written while the body arrives, and
      // a record lost or cut short by a crash costs at most a fresh start, as every resumed
      // file is checked whole.
      FOnDisk = true;
      AppendToFile(PartialRecordPath(FTarget), "url=" + FUrl + "\r\nhash=" + FHash + "\r\nvalidator=" +
                                                   FValidator + "\r\nbegun=" + std::to_string(NowSeconds()) +
                                                   "\r\n");
    }
    AppendToFile(PartialDataPath(FTarget), FPending);
  } catch (const EOSError& e) {
    FKeepFailure = e.Message();
    return false;
  }
  FPending.clear();
  return true;
}

void TResumableBody::StopKeeping() {
  FKeeping = false;
  FPending.clear();
  if (FOnDisk) DropPartial(FTarget);
  FOnDisk = false;
}

bool TResumableBody::Finish(bool complete, bool keep) {
  if (!FKeeping) return false;
  if (complete || !keep || !FResumable || !Flush()) {
    StopKeeping();
    return false;
  }
  FKeeping = false;
  if (FileSizeAt(PartialDataPath(FTarget)) > 0) return true;
  DropPartial(FTarget);
  return false;
}

}  // namespace qvx
