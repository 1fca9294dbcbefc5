#include "update/update_worker.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

#include "base/ascii_case.h"
#include "base/errors.h"
#include "common/file_utils.h"
#include "common/ini_file.h"
#include "common/integer_rule.h"
#include "common/list_release_rules.h"
#include "common/name_index.h"
#include "common/path_names.h"
#include "common/string_list.h"
#include "common/text_utils.h"
#include "common/utc_stamp.h"
#include "lang/message_strings.h"
#include "net/body_unpack.h"
#include "net/http_client.h"
#include "platform/crypto.h"
#include "platform/file_system.h"
#include "platform/launch_facts.h"
#include "platform/process.h"
#include "startup/globals.h"
#include "startup/product_data.h"
#include "ui/application.h"
#include "update/fetch_failure.h"
#include "update/file_download.h"
#include "update/list_trust.h"
#include "update/main_tool.h"
#include "update/parallel_fetch.h"
#include "update/release_commit.h"
#include "update/release_extras.h"
#include "update/release_staging.h"
#include "update/run_outcome.h"
#include "update/status_sink.h"
#include "update/update_list_rules.h"
#include "update/update_log.h"

namespace qvx {

namespace {

TWorkerPauses gPauses;

void Pause(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// An integer of the update list: trimmed, by the integer rule, def when that fails.
int32_t ListInt(const TNameIndex& list, const std::string& name, int32_t def) {
  int32_t value = 0;
  return TryTextToInt32(TrimBlanks(list.ValueOf(name)), value) ? value : def;
}

// The numbers i of the lines "filename<i>=" (i in decimal without leading zeros, at most
// 2^31 - 1), ascending and each once. Only these entries can have a name, so the file loop
// visits them alone: a "filecount" far beyond the list costs nothing, and no bound is ever
// computed past the largest number.
std::vector<int32_t> FileNumbers(const TStringList& list) {
  static const std::string kKey = "filename";
  std::vector<int32_t> numbers;
  for (int k = 0; k < list.Count(); ++k) {
    const std::string& line = list.LineAt(k);
    const size_t eq = line.find('=');
    if (eq == std::string::npos || eq <= kKey.size() || eq - kKey.size() > 10 ||
        !EqualTextIgnoreCase(line.substr(0, kKey.size()), kKey)) {
      continue;
    }
    const std::string digits = line.substr(kKey.size(), eq - kKey.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos ||
        (digits.size() > 1 && digits[0] == '0')) {
      continue;
    }
    const long long number = std::stoll(digits);
    if (number <= INT32_MAX) numbers.push_back(static_cast<int32_t>(number));
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

}  // namespace

void SetWorkerPausesForTesting(const TWorkerPauses& pauses) { gPauses = pauses; }

TDownShareFileThread::TDownShareFileThread(TStatusSink* sink)
    : FSink(sink), FHttp(std::make_unique<THttpClient>()) {
  FHttp->OnChunkRead = [this](THttpClient& client, int32_t position, int32_t total) {
    OnDownloadProgress(client, position, total);
  };
  {
    TIniFile config(AppPath + "config.ini");
    ApplyProxySettings(*FHttp, config.ReadText("Config", "proxySvr", ""),
                       config.ReadText("Config", "proxtPort", "8000"),
                       config.ReadText("Config", "proxyUser", ""), config.ReadText("Config", "proxyPass", ""));
  }
  FHttp->Timeout = static_cast<int32_t>(gPauses.TransferTimeoutMs);
  FHttp->KeepAlive = true;
  FParallel = ParallelSetting(AppPath + "config.ini");
}

TDownShareFileThread::~TDownShareFileThread() {
  // The helpers' transfers too, should any still run.
  CancelTransfer();
  // Execute uses FHttp; it must be over before the client goes.
  WaitFor();
}

void TDownShareFileThread::CancelTransfer() {
  FHttp->AbortTransfer();
  std::lock_guard<std::mutex> lock(FFetchLock);
  if (FFetch) FFetch->AbortAll();
}

void TDownShareFileThread::Report(const std::string& text) {
  // Helpers that stage files report too: their lines go one after the other, each whole.
  std::lock_guard<std::mutex> lock(FReportLock);
  LogStatusLine(text);
  FStatusText = text;
  Synchronize([this] { ShowStatus(); });
}

void TDownShareFileThread::ShowStatus() {
  if (FSink) FSink->AddStatusLine(FStatusText);
}

void TDownShareFileThread::ShowProgress() {
  if (!FSink) return;
  if (FProgressMax > 0) FSink->SetProgressMax(FProgressMax);
  FSink->SetProgressPosition(FProgressPos);
}

void TDownShareFileThread::EnableRetry() {
  if (FSink) FSink->EnableRetry();
}

void TDownShareFileThread::Execute() {
  ResetRunOutcome();
  // First of all: the sweep below deletes the set-aside copy of an updater that replaced
  // itself, and this entry, with the version, is what shows that the new one started.
  LogRunStart(UpdateBaseUrl + "up.txt");
  Report(GetLangStr(147));
  if (!FinishInterruptedRelease()) {
    NoteRunOutcome(TRunOutcome::FilesFailed);
    Synchronize([this] { EnableRetry(); });
    return;
  }
  // The folders that every run may write to; the folders of listed files follow as they come.
  FSweep.SweepFolder(AppPath);
  FSweep.SweepFolder(AppPath + "data\\");
  if (!ToolExePath.empty()) FSweep.SweepBeside(ToolExePath);
  bool completed = false;
  std::string listBytes;
  const TBoundedFetch fetched = FetchTrustFile("up.txt", kMaxListBytes, listBytes);
  // Which proxy the list went through, and on whose word: what a support call asks first.
  LogStatusLine("--- connection: " + RouteTakenText(*FHttp));
  if (fetched == TBoundedFetch::TooLarge) {
    RefuseList("up.txt is larger than " + std::to_string(kMaxListBytes >> 20) +
               " MiB, the most an update list may be");
    Synchronize([this] { EnableRetry(); });
    return;
  }
  if (fetched != TBoundedFetch::Fetched) {
    const bool aborted = FHttp->AbortRequested.load();
    // A run that fetched nothing must not read like one that found nothing to do.
    const std::string reason = fetched == TBoundedFetch::NothingUnpacked && !aborted
                                   ? "the packed answer did not unpack"
                                   : FetchFailureReason(*FHttp);
    Report(ListFailureLine(UpdateBaseUrl + "up.txt", reason, ProductUrlNote(UpdateBaseUrl)));
    // A list the user stopped says nothing about the server: it counts as a cancelled run.
    NoteRunOutcome(aborted ? TRunOutcome::FilesFailed : TRunOutcome::ListFailed);
    FinishRun();
    return;
  }
  TStringList list;
  try {
    if (AcceptList(listBytes, list)) completed = ApplyList(list);
  } catch (const std::exception& e) {
    Report(e.what());
    NoteRunOutcome(TRunOutcome::FilesFailed);
  }
  if (completed) {
    FinishRun();
  } else {
    Synchronize([this] { EnableRetry(); });
  }
}

bool TDownShareFileThread::FinishInterruptedRelease() {
  const TJournal journal = ReadJournal();
  if (!journal.Present) return true;
  // The tool never runs across a switch of releases, not even one finished here.
  if (JournalNamesTool(journal) && !WaitToolClosed()) {
    Report(RecoveryLine(TRecoveryResult::Unfinished, "the tool did not close."));
    return false;
  }
  std::string failure;
  const TRecoveryResult result = RecoverRelease(journal, &failure);
  Report(RecoveryLine(result, failure));
  return result != TRecoveryResult::Unfinished;
}

TBoundedFetch TDownShareFileThread::FetchTrustFile(const std::string& name, size_t bound,
                                                   std::string& bytes) {
  FHttp->ResetRequest();
  FHttp->Headers.Add("Accept-Encoding: gzip");
  try {
    const TBoundedFetch fetched = FetchBounded(*FHttp, UpdateBaseUrl + name, bound, bytes);
    // What the secure connection to the update server could not check goes to the log only:
    // the run goes on, and support can tell afterwards.
    const std::string& tlsNote = FHttp->TlsNote();
    if (!tlsNote.empty() && tlsNote != FLoggedTlsNote) {
      LogStatusLine(tlsNote);
      FLoggedTlsNote = tlsNote;
    }
    if (fetched == TBoundedFetch::NothingUnpacked) Report(GetLangStr(31));
    return fetched;
  } catch (const std::exception& e) {
    Report(e.what());
    return TBoundedFetch::NothingUnpacked;
  }
}

bool TDownShareFileThread::AcceptList(const std::string& listBytes, TStringList& list) {
  FKeys = ProductUpdateKeys();
  if (!FKeys.Present) {
    list.SetText(listBytes);
    return true;
  }
  if (FKeys.Damaged()) {
    return RefuseList("this installation's update key (UpdateKey in data\\Product.ini) is "
                      "damaged: it holds no valid key");
  }
  std::string signatureFile;
  switch (FetchTrustFile("up.txt.sig", kMaxSignatureFileBytes, signatureFile)) {
    case TBoundedFetch::Fetched:
      break;
    case TBoundedFetch::TooLarge:
      return RefuseList("its signature file up.txt.sig is larger than " +
                        std::to_string(kMaxSignatureFileBytes >> 10) +
                        " KiB, the most it may be");
    case TBoundedFetch::NothingUnpacked:
      return RefuseList("its signature file up.txt.sig could not be fetched (the packed answer "
                        "did not unpack)");
    case TBoundedFetch::NotFetched:
      if (FHttp->AbortRequested.load()) {
        // Closed while the signature arrived: a cancelled run, not a refused list.
        NoteRunOutcome(TRunOutcome::FilesFailed);
        return false;
      }
      return RefuseList("its signature file up.txt.sig could not be fetched (" +
                        FetchFailureReason(*FHttp) + ")");
  }
  switch (CheckSignatureFile(listBytes, signatureFile, FKeys.Keys,
                             [this] { return Terminated(); })) {
    case TSignatureCheck::Valid:
      break;
    case TSignatureCheck::NotValid:
      return RefuseList("it is not signed with this installation's update key");
    case TSignatureCheck::TooManyLines:
      return RefuseList("its signature file up.txt.sig has more than " +
                        std::to_string(kMaxSignatureLines) + " lines");
    case TSignatureCheck::Stopped:
      // Closed while the signature was checked: nothing was looked at, nothing was refused.
      NoteRunOutcome(TRunOutcome::FilesFailed);
      return false;
  }
  list.SetText(listBytes);
  // A signed list replayed after a newer one, or one published before this installation's
  // release, would undo repairs and may bring back a retired key.
  const std::string refusal =
      SerialOrExpiryRefusal(TNameIndex(list), InstalledSerialFloor(), UtcNowSeconds());
  return refusal.empty() || RefuseList(refusal);
}

bool TDownShareFileThread::RefuseList(const std::string& reason) {
  Report("The update list was refused: " + reason + ". Nothing was changed.");
  NoteRunOutcome(TRunOutcome::ListFailed);
  return false;
}

bool TDownShareFileThread::MayFetch(const std::string& name, const std::string& hash) {
  if (!hash.empty() || !FKeys.Present) return true;
  Report("\"" + NameOfPath(name) + "\" was not fetched: the signed update list gives no hash for it.");
  NoteRunOutcome(TRunOutcome::FilesFailed);
  return false;
}

bool TDownShareFileThread::ReadSize(const TNameIndex& list, const std::string& key,
                                    const std::string& name, int64_t& size) {
  uint64_t listed = 0;
  switch (ReadListedSize(list, key, listed)) {
    case TListedSize::None:
      size = -1;
      return true;
    case TListedSize::Given:
      size = static_cast<int64_t>(listed);
      return true;
    case TListedSize::Unreadable:
      break;
  }
  Report("\"" + NameOfPath(name) + "\" was not fetched: its size in the update list is no number.");
  NoteRunOutcome(TRunOutcome::FilesFailed);
  return false;
}

bool TDownShareFileThread::DownloadChecked(const std::string& name, const std::string& target,
                                           const std::string& hash, int64_t size) {
  FExpected.Hash = hash;
  FExpected.Size = size;
  const bool fetched = DownloadFile(name, true, target, false);
  FExpected.Hash.clear();
  FExpected.Size = -1;
  return fetched;
}

bool TDownShareFileThread::ApplyList(const TStringList& list) {
  // The list is read once per entry: an index keeps a long list linear.
  const TNameIndex index(list);
  const bool whole = IsWholeRelease(index);
  // A whole release: the files to stage, and how many the rules refused already.
  std::vector<TListedFile> release;
  size_t refused = 0;
  if (!ToolExePath.empty()) {
    const int32_t soft = ListInt(index, SetupIdKey, 0);
    if (soft > CurrentSetupId) {
      const int32_t last = ListInt(index, LastSetupIdKey, -1);
      if (CurrentSetupId < last && RunInstaller(ListHash(index, "setuphash"))) return false;
      TListedFile tool;
      tool.Name = "qvxtool.exe";
      tool.Target = ToolExePath;
      tool.Hash = ListHash(index, "toolhash");
      tool.Tool = true;
      // A tool that already has the listed content is neither closed nor fetched.
      if (!MayFetch(tool.Name, tool.Hash)) {
        ++refused;
      } else if (!(tool.Hash.size() > 0 && InstalledFileMatches(ToolExePath, tool.Hash))) {
        if (!ReadSize(index, "toolsize", tool.Name, tool.Size)) {
          ++refused;
        } else if (whole) {
          release.push_back(tool);
        } else if (MaySaveTo(ToolExePath) && WaitToolClosed()) {
          DownloadChecked(tool.Name, tool.Target, tool.Hash, tool.Size);
        }
      }
    }
  }
  FRemovals = ChooseRemovals(list);
  for (const std::string& line : FRemovals.Lines) Report(line);
  if (whole) return ApplyWholeRelease(index, FileNumbers(list), release, refused);
  WorkThroughFiles(index, FileNumbers(list));
  if (!Terminated()) RemoveOneByOne();
  // Also after a terminate request stopped the list: what was fetched is recorded.
  RecordList(index);
  return true;
}

void TDownShareFileThread::RecordList(const TNameIndex& index) {
  WriteAppInfo("AppDate", index.ValueOf("AppDate"));
  uint64_t serial = 0;
  if (ListSerial(index, serial) && serial >= RecordedListSerial()) {
    WriteAppInfo("ListSerial", std::to_string(serial));
  }
}

bool TDownShareFileThread::RunInstaller(const std::string& setupHash) {
  const std::string setup = AppPath + "setup.exe";
  if (!MayFetch(setup, setupHash)) return false;
  // Without a hash an old installer goes first, as it always did; with one, only a download
  // that matched replaces it, and a refused one leaves the folder as it was.
  if (setupHash.empty() && FileIsPresent(setup)) {
    try {
      DeleteFileAt(setup);
    } catch (const std::exception&) {
      // A file that resists deletion is replaced by the download, or stays unused.
    }
  }
  const bool fetched = DownloadChecked(setup, "", setupHash, -1);
  if (Terminated()) {
    // Closed before the installer could be started: nothing was installed.
    NoteRunOutcome(TRunOutcome::FilesFailed);
    return true;
  }
  // Only this run's download is started: an old installer left behind by a failed delete may be
  // exactly the one the server has replaced.
  if (!fetched || !FileIsPresent(setup)) return false;
  RunProgram(setup);
  if (FSink) TApplication::Instance().Post(FSink, WM_UPDATE_DONE, 1, 1);
  return true;
}

TDownShareFileThread::TSelection TDownShareFileThread::SelectListedFile(const TNameIndex& list, int32_t i,
                                                                       const std::string& ownName,
                                                                       TListedFile& file) {
  const std::string number = std::to_string(i);
  const std::string name = TrimBlanks(list.ValueOf("filename" + number));
  if (name.empty()) return TSelection::Skip;
  if (ReachesKeptDataFile(name)) return TSelection::Skip;
  const std::string date = list.ValueOf("filedate" + number);
  // The updater's own file is replaced only from an entry that reaches it and gives its hash.
  const bool updater = NamesUpdaterFile(name, ownName);
  if (updater && (!IsUpdaterEntry(name, ownName) || ListHash(list, "filehash" + number).empty()))
    return TSelection::Skip;
  // Nothing outside the installation folder is written, except the tool at ToolExePath.
  if (IsUnsafeRelativeName(name)) {
    Report("Skipped \"" + name + "\": the name leaves the installation folder");
    return TSelection::Skip;
  }
  file.Name = name;
  file.Tool = IsToolFile(name);
  file.Target = updater ? UpdaterTarget()
                : !file.Tool ? AppPath + name
                : ToolExePath.empty() ? AppPath + name
                                      : ToolExePath;
  // A hash decides by content, whatever the clocks say; dates decide only without one.
  file.Hash = ListHash(list, "filehash" + number);
  if (file.Hash.empty()) {
    if (!MayFetch(name, file.Hash)) return TSelection::Refused;
    if (!IsServerFileNewer(name, date)) return TSelection::Skip;
  } else if (InstalledFileMatches(file.Target, file.Hash)) {
    return TSelection::Skip;
  }
  return ReadSize(list, "filesize" + number, name, file.Size) ? TSelection::Fetch : TSelection::Refused;
}

void TDownShareFileThread::WorkThroughFiles(const TNameIndex& list,
                                            const std::vector<int32_t>& fileNumbers) {
  const int32_t count = ListInt(list, "filecount", 0);
  const std::string ownName = UpdaterFileName();
  for (const int32_t i : fileNumbers) {
    if (i >= count) break;
    if (Terminated()) {
      // Closed between two files: the rest of the list was never looked at, so the run must not
      // read as up to date.
      NoteRunOutcome(TRunOutcome::FilesFailed);
      break;
    }
    TListedFile f;
    if (SelectListedFile(list, i, ownName, f) != TSelection::Fetch) continue;
    if (f.Target == UpdaterTarget()) {
      // The running program's file is switched, never written over (release_extras.h).
      TStagedRelease updater;
      if (StageOn(*FHttp, f, updater)) SwitchOnItsOwn(updater);
      continue;
    }
    if (f.Tool) {
      // The tool is closed only when its replacement can be saved.
      if (MaySaveTo(f.Target) && WaitToolClosed()) DownloadChecked(f.Name, f.Target, f.Hash, f.Size);
      continue;
    }
    DownloadChecked(AppPath + f.Name, "", f.Hash, f.Size);
  }
}

bool TDownShareFileThread::DownloadFile(const std::string& name, bool save,
                                        const std::string& target, bool quiet) {
  bool success = false;
  if (save && !MaySaveTo(target.empty() ? name : target)) return false;
  if (!quiet) Report(GetLangStr(147) + NameOfPath(name));
  FHttp->ResetRequest();
  FHttp->Headers.Add("Accept-Encoding: gzip");
  try {
    // The server holds every file directly below the base URL; folders matter only locally.
    const std::string url = UpdateBaseUrl + NameOfPath(name);
    if (save) return SaveFile(name, url, target.empty() ? name : target, quiet);
    if (FHttp->ExecuteMethod("GET", url) && FHttp->ResultCode == 200 &&
        FHttp->Document.Size() > 0) {
      FHttp->Document.SetPosition(0);
      if (IsGzipResponse()) {
        std::string unpacked = UnCompressBody(FHttp->Document.Bytes());
        if (unpacked.empty()) {
          Report(GetLangStr(31));
          if (!quiet) NoteRunOutcome(TRunOutcome::FilesFailed);
          return false;
        }
        FHttp->Document.Bytes().swap(unpacked);
        FHttp->Document.SetPosition(0);
      }
      success = true;
    }
    if (!success && !quiet) ReportHttpError(name);
  } catch (const std::exception& e) {
    Report(e.what());
  }
  if (!success && !quiet) NoteRunOutcome(TRunOutcome::FilesFailed);
  return success;
}

bool TDownShareFileThread::MaySaveTo(const std::string& target) {
  std::string line;
  if (FWritable.MaySave(target, line)) return true;
  if (!line.empty()) Report(line);
  NoteRunOutcome(TRunOutcome::FilesFailed);
  return false;
}

bool TDownShareFileThread::SaveFile(const std::string& name, const std::string& url,
                                    const std::string& target, bool quiet) {
  bool success = false;
  try {
    FSweep.SweepBeside(target);
    const TFileDownloadResult result = DownloadToFile(*FHttp, url, target, FExpected);
    success = result == TFileDownloadResult::Saved;
    if (!success && !(quiet && (result == TFileDownloadResult::NotFetched || result == TFileDownloadResult::Broken)))
      ReportSaveResult(result, name, FExpected.Size, FHttp->ResultCode);
  } catch (const std::exception& e) {
    Report(e.what());
  }
  if (!success && !quiet) NoteRunOutcome(TRunOutcome::FilesFailed);
  return success;
}

void TDownShareFileThread::ReportSaveResult(TFileDownloadResult result, const std::string& name, int64_t size,
                                            int32_t resultCode) {
  switch (result) {
    case TFileDownloadResult::Saved:
      break;
    case TFileDownloadResult::NotFetched:
    case TFileDownloadResult::Broken:
      if (ProxyWantsCredentials()) {
        ReportProxyCredentials(name);
        break;
      }
      Report(" Socket err:" + std::to_string(resultCode));
      break;
    case TFileDownloadResult::NothingUnpacked:
      Report(LangLine(31));
      break;
    case TFileDownloadResult::HashMismatch:
      Report("\"" + NameOfPath(name) + "\" was not saved: the download does not match its hash in the update list.");
      break;
    case TFileDownloadResult::BeyondSize:
      Report("\"" + NameOfPath(name) + "\" was not saved: the server sent more than its size in the update list (" +
             std::to_string(size) + " bytes); the download was stopped there.");
      break;
    case TFileDownloadResult::ShortOfSize:
      Report("\"" + NameOfPath(name) + "\" was not saved: the download is shorter than its size in the update list (" +
             std::to_string(size) + " bytes).");
      break;
  }
}

bool TDownShareFileThread::IsGzipResponse() const {
  return FHttp->Headers.JoinedText().find("gzip") != std::string::npos;
}

void TDownShareFileThread::ReportHttpError(const std::string& name) {
  if (ProxyWantsCredentials()) return ReportProxyCredentials(name);
  Report(" Socket err:" + std::to_string(FHttp->ResultCode));
}

// A proxy that asks for credentials for a file (the list may have gone another way, or the
// proxy may ask only now) gets the line that says what to set, never a bare status code.
bool TDownShareFileThread::ProxyWantsCredentials() const {
  if (FHttp->RouteTaken().Hop.IsDirect()) return false;
  const int32_t tunnel = FHttp->Sock.TunnelStatus();
  return tunnel == 407 || tunnel == 401 || (FHttp->Sock.SocketError() == 0 && FHttp->ResultCode == 407);
}

void TDownShareFileThread::ReportProxyCredentials(const std::string& name) {
  Report("\"" + NameOfPath(name) + "\" could not be fetched: " + FetchFailureReason(*FHttp));
}

void TDownShareFileThread::OnDownloadProgress(THttpClient&, int32_t position, int32_t total) {
  if (FReleaseGauge.On()) return;
  FProgressPos = position;
  FProgressMax = total;
  Synchronize([this] { ShowProgress(); });
}

bool TDownShareFileThread::WaitToolClosed() {
  Report(GetLangStr(147));
  for (int tries = 0;;) {
    if (!CloseToolWindow()) return true;
    if (++tries > 10) {
      Report(GetLangStr(148));
      NoteRunOutcome(TRunOutcome::FilesFailed);
      return false;
    }
    Pause(gPauses.ToolCloseRetryMs);
    if (Terminated()) {
      NoteRunOutcome(TRunOutcome::FilesFailed);
      return false;
    }
  }
}

void TDownShareFileThread::FinishRun() {
  Report(GetLangStr(146));
  Pause(gPauses.FinishMs);
  if (FSink) TApplication::Instance().Post(FSink, WM_UPDATE_DONE, 0, 0);
}

}  // namespace qvx
