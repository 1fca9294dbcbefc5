#pragma once
// The update worker: one update run on its own thread, from the fetch of the update list to the
// downloaded files, the recorded AppDate or the started installer. It reaches the update window
// only through synchronous calls (status lines, progress, Retry) and by posting WM_UPDATE_DONE.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/thread.h"
#include "update/bounded_fetch.h"
#include "update/folder_check.h"
#include "update/file_download.h"
#include "update/list_trust.h"
#include "update/release_extras.h"
#include "update/release_staging.h"
#include "update/removal_rules.h"

namespace qvx {

class THttpClient;
class TParallelFetch;
class TStatusSink;
class TNameIndex;
class TStringList;

// The pauses of a run. Tests shorten them through SetWorkerPausesForTesting; the product keeps
// these values.
struct TWorkerPauses {
  uint32_t ToolCloseRetryMs = 500;  // between two close requests to the running tool
  uint32_t FinishMs = 1000;         // between the last line and WM_UPDATE_DONE
  uint32_t TransferTimeoutMs = 60000;  // the client's Timeout: silence that ends a transfer
};
void SetWorkerPausesForTesting(const TWorkerPauses& pauses);

class TDownShareFileThread : public TThread {
 public:
  // Suspended; the client takes its proxy from config.ini, section Config. The run reports to
  // sink, which must outlive the worker's thread; with none it reports nowhere.
  explicit TDownShareFileThread(TStatusSink* sink);
  // The owner waits for the thread's end first (TApplication::WaitFor).
  ~TDownShareFileThread() override;

  // User-interface thread, while the worker runs: ends the running transfer and every later one.
  void CancelTransfer();

 protected:
  void Execute() override;

  bool DownloadFile(const std::string& name, bool save, const std::string& target, bool quiet);
  bool IsGzipResponse() const;
  void ReportHttpError(const std::string& name);
  bool ProxyWantsCredentials() const;
  void ReportProxyCredentials(const std::string& name);
  void OnDownloadProgress(THttpClient& client, int32_t position, int32_t total);
  bool WaitToolClosed();
  void FinishRun();

  // Run on the user-interface thread through Synchronize; nothing without a sink.
  void ShowStatus();
  void ShowProgress();
  void EnableRetry();

  // The run once the update list is read: the installer or the tool's executable, the listed
  // files, AppDate. True when the file list was worked through; false when the installer took
  // the run over (or a terminate request came during its download). Errors reach the caller.
  bool ApplyList(const TStringList& list);

 private:
  // FStatusText := text; ShowStatus on the user-interface thread.
  void Report(const std::string& text);
  // The installer road; true when the run is over: the installer was started, or a terminate
  // request came during its download.
  bool RunInstaller(const std::string& setupHash);
  // A switch of releases that a killed run left half-done is finished first (forward or back),
  // the tool closed before when it is part of it. False, after the line that says why, when it
  // cannot be finished: this run then changes nothing.
  bool FinishInterruptedRelease();
  // With publisher keys: the list's signature, checked on its bytes before they are split into
  // list, then its serial and expiry. False, after one line that says why, when the list is
  // refused; nothing of the run has happened yet then.
  bool AcceptList(const std::string& listBytes, TStringList& list);
  // up.txt or up.txt.sig into bytes, within bound, quietly: only line 31 or an unpacking
  // error's text may show, as for any quiet download.
  TBoundedFetch FetchTrustFile(const std::string& name, size_t bound, std::string& bytes);
  bool RefuseList(const std::string& reason);
  // False, after a line naming the file, for a file that a signed list gives no hash for.
  bool MayFetch(const std::string& name, const std::string& hash);
  // The listed size under key (-1: none). False, after a line naming the file, for a size line
  // that is no number: such a file is not fetched, as a damaged size must not lift the bound.
  bool ReadSize(const TNameIndex& list, const std::string& key, const std::string& name, int64_t& size);
  // DownloadFile whose body must have this SHA-256 (lower-case hex) and this size before it is
  // saved or counts as fetched; an empty hash or a negative size checks nothing.
  bool DownloadChecked(const std::string& name, const std::string& target,
                       const std::string& hash, int64_t size);
  // What the list's rules make of entry i: skipped (kept, the updater's own, unsafe, up to
  // date), fetched (file filled in), or refused after a line that says why (a signed list
  // without its hash, an unreadable size). EConvertError from the date rule.
  enum class TSelection { Skip, Fetch, Refused };
  TSelection SelectListedFile(const TNameIndex& list, int32_t i, const std::string& ownName,
                              TListedFile& file);
  // The listed entries below "filecount" that have a name, in the order of their numbers;
  // fileNumbers are the numbers that have a "filename" line, ascending. Each file replaces its
  // installed copy the moment it arrives.
  void WorkThroughFiles(const TNameIndex& list, const std::vector<int32_t>& fileNumbers);
  // AppDate and the list's serial into data\App.info.
  void RecordList(const TNameIndex& list);

  // A list applied whole (update_worker_whole.cpp): the files of release (the tool's
  // executable of the setup ids, when it is due) and the listed ones are staged, then switched
  // in one step; refused counts the files the rules refused already. True when the release is
  // in place (or there was nothing to do) and the list recorded; false, after one line that
  // says so, when nothing was changed.
  bool ApplyWholeRelease(const TNameIndex& list, const std::vector<int32_t>& fileNumbers,
                         std::vector<TListedFile> release, size_t refused);
  // Stages the files of release into staged (update_worker_staging.cpp): several at once on
  // helper threads when config.ini allows more than one, each helper with a client of its own;
  // a broken transfer is resumed up to kStageResumes times. failed counts the files that did
  // not arrive; stopped tells that a Close or terminate request ended the staging.
  void StageRelease(const std::vector<TListedFile>& release, TStagedRelease& staged, size_t& failed,
                    bool& stopped);
  // One file on http (the worker's client or a helper's); false after the lines of its
  // failure. Safe on helper threads.
  bool StageOn(THttpClient& http, const TListedFile& file, TStagedRelease& staged);
  std::unique_ptr<THttpClient> MakeHelperClient() const;
  // GetLangStr, safe while helpers stage files.
  std::string LangLine(int32_t number);
  // The lines of a save that failed, for a file of the given listed size.
  void ReportSaveResult(TFileDownloadResult result, const std::string& name, int64_t size, int32_t resultCode);
  // Sizes all known: the free space of the installation's volume against them; false after a
  // line that says how much is needed and how much is free.
  bool HasRoomFor(const std::vector<TListedFile>& files);
  void ShowReleaseProgress();
  // DownloadFile's road for a file that is saved: streamed into place (file_download.h).
  bool SaveFile(const std::string& name, const std::string& url, const std::string& target, bool quiet);

  // The steps of a release besides its files (update_worker_extras.cpp, release_extras.h).
  // A list applied file by file: each file of FRemovals deleted on its own, a line each.
  void RemoveOneByOne();
  // A whole release: the removal steps join the switch.
  void AddRemovalSteps(TStagedRelease& staged);
  // A switch of its own (the updater's file of a list applied file by file); the lines of what
  // it did, or of its failure.
  void SwitchOnItsOwn(TStagedRelease& staged);
  // After a switch: one line per file removed, one for the updater replaced.
  void ReportSwitched(const TSwitchExtras& extras);

  // Reports a target folder that cannot be written (once per folder); true when it can.
  bool MaySaveTo(const std::string& target);

  TStatusSink* const FSink;
  std::unique_ptr<THttpClient> FHttp;
  // Files staged at once (config.ini [Config] parallel).
  int32_t FParallel = 1;
  // While helpers stage files: they, CancelTransfer and the worker share what these guard.
  std::mutex FReportLock;  // one status line at a time, FStatusText with it
  std::mutex FStageLock;   // FWritable, FSweep, the staged release
  std::mutex FGaugeLock;   // FReleaseGauge and the progress values
  std::mutex FFetchLock;   // FFetch
  std::mutex FLangLock;    // the message file, read lazily by GetLangStr
  TParallelFetch* FFetch = nullptr;
  size_t FStagedFiles = 0, FStagingFiles = 0;  // the gauge of a release without sizes
  TFolderWriteCheck FWritable;
  int32_t FProgressPos = 0;
  int32_t FProgressMax = 0;
  std::string FStatusText;
  // The installation's publisher keys; not Present when it has none.
  TUpdateKeys FKeys;
  // What the body of the running download must be (empty hash, negative size: nothing), and
  // where it goes.
  TExpectedContent FExpected;
  // The last TLS note written to the log, so that a kept connection's is written once.
  std::string FLoggedTlsNote;
  // While a release whose sizes are all known is staged, the gauge shows the whole release
  // and ignores the blocks of each body.
  TReleaseGauge FReleaseGauge;
  // Leftovers of a killed run go from each folder before this run writes there.
  TLeftoverSweep FSweep;
  // The list's removals that this installation carries out, chosen once the list is accepted.
  TRemovalChoice FRemovals;
};

}  // namespace qvx
