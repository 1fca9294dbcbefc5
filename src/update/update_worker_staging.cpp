// The staging of a release applied whole: every file into its staged name beside its target,
// several at once when config.ini allows it. The helpers that fetch at once are the worker's
// own threads: they report through the worker's synchronous calls, and only the worker ends
// the run.
#include <algorithm>
#include <atomic>
#include <exception>

#include "common/path_names.h"
#include "lang/message_strings.h"
#include "net/http_client.h"
#include "startup/globals.h"
#include "update/parallel_fetch.h"
#include "update/release_commit.h"
#include "update/release_extras.h"
#include "update/run_outcome.h"
#include "update/update_worker.h"

namespace qvx {
namespace {

// Times a broken transfer of one file is resumed within a run before the file counts as failed.
constexpr int kStageResumes = 3;

}  // namespace

std::string TDownShareFileThread::LangLine(int32_t number) {
  std::lock_guard<std::mutex> lock(FLangLock);
  return GetLangStr(number);
}

std::unique_ptr<THttpClient> TDownShareFileThread::MakeHelperClient() const {
  auto client = std::make_unique<THttpClient>();
  // The worker's way to the server, whichever way it came to be chosen.
  client->ProxyHost = FHttp->ProxyHost;
  client->ProxyPort = FHttp->ProxyPort;
  client->ProxyUser = FHttp->ProxyUser;
  client->ProxyPass = FHttp->ProxyPass;
  client->ProxyOrigin = FHttp->ProxyOrigin;
  client->UseSystemProxy = FHttp->UseSystemProxy;
  client->FindSystemProxy = FHttp->FindSystemProxy;
  client->Timeout = FHttp->Timeout;
  client->KeepAlive = FHttp->KeepAlive;
  return client;
}

void TDownShareFileThread::StageRelease(const std::vector<TListedFile>& release, TStagedRelease& staged,
                                        size_t& failed, bool& stopped) {
  {
    std::lock_guard<std::mutex> lock(FGaugeLock);
    FStagedFiles = 0;
    FStagingFiles = release.size();
  }
  const size_t slots = std::min(static_cast<size_t>(std::max(FParallel, 1)), release.size());
  if (slots <= 1) {
    for (const TListedFile& f : release) {
      if (Terminated()) {
        stopped = true;
        return;
      }
      if (!StageOn(*FHttp, f, staged)) ++failed;
    }
    return;
  }
  TParallelFetch fetch(static_cast<int32_t>(slots), [this] { return MakeHelperClient(); });
  {
    std::lock_guard<std::mutex> lock(FFetchLock);
    FFetch = &fetch;
  }
  // A Close that came before the helpers could be reached.
  if (FHttp->AbortRequested.load()) fetch.AbortAll();
  std::atomic<size_t> failures{0};
  fetch.Run(
      release.size(),
      [&](size_t i) {
        // Each file's line when its download starts, in the order of the list.
        Report(LangLine(147) + NameOfPath(release[i].Name));
        return true;
      },
      [&](size_t i, THttpClient& http) {
        if (!StageOn(http, release[i], staged)) ++failures;
      },
      [this] { return Terminated() || FHttp->AbortRequested.load(); });
  {
    std::lock_guard<std::mutex> lock(FFetchLock);
    FFetch = nullptr;
  }
  failed += failures.load();
  for (const auto& error : fetch.Errors()) {
    Report(error.second);
    NoteRunOutcome(TRunOutcome::FilesFailed);
    ++failed;
  }
  if (Terminated() || fetch.Aborted()) stopped = true;
}

bool TDownShareFileThread::StageOn(THttpClient& http, const TListedFile& file, TStagedRelease& staged) {
  const bool helper = &http != FHttp.get();
  {
    std::lock_guard<std::mutex> lock(FStageLock);
    if (!MaySaveTo(file.Target)) return false;
    FSweep.SweepBeside(file.Target);
  }
  if (!helper) Report(LangLine(147) + NameOfPath(file.Name));
  TExpectedContent expected;
  expected.Hash = file.Hash;
  expected.Size = file.Size;
  expected.StageAt = StagedName(file.Target);
  // The gauge counts each content byte once, also when an attempt starts the file again or a
  // resumed one goes over the kept bytes once more.
  uint64_t counted = 0, attempt = 0;
  expected.OnContent = [&](size_t bytes) {
    attempt += bytes;
    if (attempt <= counted) return;
    const uint64_t add = attempt - counted;
    counted = attempt;
    std::lock_guard<std::mutex> lock(FGaugeLock);
    if (FReleaseGauge.On() && FReleaseGauge.Add(add)) ShowReleaseProgress();
  };
  const std::string url = UpdateBaseUrl + NameOfPath(file.Name);
  TFileDownloadResult result = TFileDownloadResult::NotFetched;
  try {
    for (int resumes = 0;; ++resumes) {
      attempt = 0;
      http.ResetRequest();
      http.Headers.Add("Accept-Encoding: gzip");
      result = DownloadToFileResumable(http, url, file.Target, expected);
      if (result != TFileDownloadResult::Broken || resumes == kStageResumes || Terminated() ||
          http.AbortRequested.load())
        break;
      Report("The transfer of \"" + NameOfPath(file.Name) + "\" broke off; it is resumed (" +
             std::to_string(resumes + 1) + " of " + std::to_string(kStageResumes) + ").");
    }
    if (result != TFileDownloadResult::Saved) ReportSaveResult(result, file.Name, file.Size, http.ResultCode);
  } catch (const std::exception& e) {
    Report(e.what());
    result = TFileDownloadResult::NotFetched;
  }
  const bool saved = result == TFileDownloadResult::Saved;
  if (!saved) NoteRunOutcome(TRunOutcome::FilesFailed);
  {
    std::lock_guard<std::mutex> lock(FStageLock);
    if (saved) staged.AddStep(ReplaceStep(file.Target));
  }
  std::lock_guard<std::mutex> lock(FGaugeLock);
  ++FStagedFiles;
  // Without sizes the gauge shows the files done; at once, a file's own blocks would jump.
  if (!FReleaseGauge.On() && helper) {
    FProgressMax = static_cast<int32_t>(FStagingFiles);
    FProgressPos = static_cast<int32_t>(FStagedFiles);
    Synchronize([this] { ShowProgress(); });
  }
  return saved;
}

}  // namespace qvx
