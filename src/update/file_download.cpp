#include "update/file_download.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "common/list_release_rules.h"
#include "common/path_names.h"
#include "net/body_sink.h"
#include "net/http_client.h"
#include "net/unpacking_sink.h"
#include "platform/crypto.h"
#include "platform/replacement_file.h"
#include "update/list_trust.h"
#include "update/partial_download.h"
#include "update/release_commit.h"

namespace qvx {
namespace {

constexpr int32_t kDownloadReceiveBuffer = 4 << 20;

std::string CreateFailure(const std::string& target, const std::string& reason) {
  return "Cannot create file \"" + target + "\". " + reason;
}

// The content as installed: into the temporary file, created with its first byte (a body that
// brings none creates nothing), and through the hash when one is expected.
class TContentSink : public TBodySink {
 public:
  TContentSink(const std::string& target, const TExpectedContent& expected)
      : FTarget(target), FHashed(!expected.Hash.empty()), FLimit(expected.Size),
        FOnContent(expected.OnContent) {}

  bool Write(const char* data, size_t n) override {
    if (FLimit >= 0 && n > static_cast<uint64_t>(FLimit) - FWritten) {
      FBeyondSize = true;
      return false;
    }
    try {
      if (!FFile) FFile = std::make_unique<TReplacementFile>(FTarget);
      FFile->Write(data, n);
    } catch (const EOSError& e) {
      FFailure = e.Message();
      FFile.reset();
      return false;
    }
    if (FHashed) FHash.Update(data, n);
    FWritten += n;
    if (FOnContent) FOnContent(n);
    return true;
  }

  const std::string& Failure() const { return FFailure; }
  bool BeyondSize() const { return FBeyondSize; }
  bool ShortOfSize() const { return FLimit >= 0 && FWritten < static_cast<uint64_t>(FLimit); }
  int64_t Limit() const { return FLimit; }
  void NoteBeyondSize() { FBeyondSize = true; }
  bool HasFile() const { return FFile != nullptr; }
  std::string FinishHex() { return FHash.FinishHex(); }
  // Into the target's place, or left at stageAt when that is not empty.
  void Commit(const std::string& stageAt) {
    try {
      if (stageAt.empty()) {
        FFile->Commit();
      } else {
        FFile->Stage(stageAt);
      }
    } catch (const EOSError& e) {
      FFile.reset();
      throw EFCreateError(CreateFailure(FTarget, e.Message()));
    }
  }

 private:
  std::string FTarget;
  bool FHashed;
  int64_t FLimit;
  std::function<void(size_t)> FOnContent;
  uint64_t FWritten = 0;
  bool FBeyondSize = false;
  std::unique_ptr<TReplacementFile> FFile;
  TSha256 FHash;
  std::string FFailure;
};

// What the client hands over: an answer other than 200 is only counted (its body is of no use,
// and writing it could fail in ways that would hide the real outcome); a packed answer goes
// through the unpacker first.
class TDownloadSink : public TBodySink {
 public:
  explicit TDownloadSink(TContentSink& content) : FContent(content), FUnpacker(content) {}

  // A 206 that this body continues is wanted like a 200.
  void SetResumable(const TResumableBody* body) { FResumable = body; }

  void BodyStarts(const THttpClient& client) override {
    FWanted = client.ResultCode == 200 || (FResumable && FResumable->Resumed());
    // Packed when the response's lines mention "gzip" anywhere, letter case as written.
    FPacked = client.Headers.JoinedText().find("gzip") != std::string::npos;
  }
  bool Write(const char* data, size_t n) override {
    if (!FWanted) return true;
    if (!FPacked) return FContent.Write(data, n);
    // The unpacked bytes are bounded by the content sink; this bounds the packed ones, which
    // the unpacker would otherwise read on and ignore after the end of the packed data.
    if (FContent.Limit() >= 0 &&
        n > PackedBodyBound(static_cast<uint64_t>(FContent.Limit())) - FPackedBytes) {
      FContent.NoteBeyondSize();
      return false;
    }
    FPackedBytes += n;
    return FUnpacker.Write(data, n);
  }

  bool Packed() const { return FPacked; }
  TUnpackingSink& Unpacker() { return FUnpacker; }

 private:
  TContentSink& FContent;
  TUnpackingSink FUnpacker;
  const TResumableBody* FResumable = nullptr;
  bool FWanted = false;
  bool FPacked = false;
  uint64_t FPackedBytes = 0;
};

// One request. resumable: a broken transfer keeps its bytes, and kept ones are asked to be
// continued; resumed tells whether this answer continued kept bytes.
TFileDownloadResult DownloadOnce(THttpClient& http, const std::string& url, const std::string& target,
                                 const TExpectedContent& expected, bool resumable, bool& resumed) {
  TContentSink content(target, expected);
  std::unique_ptr<TResumableBody> body;
  TDownloadSink sink(content);
  if (resumable) {
    body = std::make_unique<TResumableBody>(target, url, expected.Hash, sink);
    body->PrepareRequest(http);
    sink.SetResumable(body.get());
  }
  // With the connection's usual 64 KiB the sender stalls whenever a write to the file takes a
  // moment; a larger receive buffer (the platform may cap it) keeps data flowing meanwhile.
  struct TReceiveBuffer {
    THttpClient& Http;
    int32_t Saved;
    ~TReceiveBuffer() { Http.Sock.ReceiveBufferSize = Saved; }
  } receiveBuffer{http, http.Sock.ReceiveBufferSize};
  http.Sock.ReceiveBufferSize = std::max(http.Sock.ReceiveBufferSize, kDownloadReceiveBuffer);
  // A kept connection was made for the update list with the usual size.
  http.Sock.ApplyBufferSizes();
  const bool ok = http.ExecuteMethod("GET", url, body ? static_cast<TBodySink*>(body.get()) : &sink);
  resumed = body && body->Resumed();
  if (body) {
    // A break is a transfer that failed on the way, not a refusal of its bytes (a full disk, a
    // body past its size) and not the user's Close.
    const bool broken = !ok && body->Wanted() && content.Failure().empty() && !content.BeyondSize() &&
                        !http.AbortRequested.load();
    body->Finish(ok, broken);
    if (content.Failure().empty() && (broken || body->Refused())) return TFileDownloadResult::Broken;
  }
  if (!content.Failure().empty()) throw EFCreateError(CreateFailure(target, content.Failure()));
  if (content.BeyondSize()) return TFileDownloadResult::BeyondSize;
  if (!ok || !(http.ResultCode == 200 || resumed) || http.BodySize() == 0) return TFileDownloadResult::NotFetched;
  if (sink.Packed() && !sink.Unpacker().Finish()) return TFileDownloadResult::NothingUnpacked;
  // A complete plain body of one byte or more, or a packed one that unpacked to bytes, has
  // created the file.
  if (!content.HasFile()) return TFileDownloadResult::NothingUnpacked;
  // A body read until the server closed looks complete however early it was cut off.
  if (content.ShortOfSize()) return TFileDownloadResult::ShortOfSize;
  if (!expected.Hash.empty() && !IsMatchingHash(expected.Hash, content.FinishHex()))
    return TFileDownloadResult::HashMismatch;
  content.Commit(expected.StageAt);
  return TFileDownloadResult::Saved;
}

}  // namespace

TFileDownloadResult DownloadToFile(THttpClient& http, const std::string& url, const std::string& target,
                                   const std::string& expectedHash) {
  TExpectedContent expected;
  expected.Hash = expectedHash;
  return DownloadToFile(http, url, target, expected);
}

TFileDownloadResult DownloadToFile(THttpClient& http, const std::string& url, const std::string& target,
                                   const TExpectedContent& expected) {
  bool resumed = false;
  return DownloadOnce(http, url, target, expected, false, resumed);
}

TFileDownloadResult DownloadToFileResumable(THttpClient& http, const std::string& url, const std::string& target,
                                            const TExpectedContent& expected) {
  // The caller's request lines, for a second request.
  std::vector<std::string> lines;
  for (int i = 0; i < http.Headers.Count(); ++i) lines.push_back(http.Headers.LineAt(i));
  bool resumed = false;
  const TFileDownloadResult result = DownloadOnce(http, url, target, expected, true, resumed);
  if (!resumed || result == TFileDownloadResult::Saved || result == TFileDownloadResult::Broken ||
      result == TFileDownloadResult::NotFetched)
    return result;
  // The kept bytes failed a check of the whole content and are gone by now: this request asks
  // for the whole file.
  http.ResetRequest();
  for (const auto& line : lines) http.Headers.Add(line);
  return DownloadOnce(http, url, target, expected, true, resumed);
}

void TLeftoverSweep::SweepFolder(const std::string& folder) {
  if (!FSwept.insert(folder).second) return;
  RemoveTemporaryLeftovers(folder);
  // Partial downloads stay for the next run to resume, unless they can no longer be.
  RemovePartialLeftovers(folder);
  DeleteKeptAside(folder);
}

void TLeftoverSweep::SweepBeside(const std::string& path) {
  // FolderOfPath keeps the second byte of a double-byte character, which may be a "\\"; a "/"
  // is never such a byte, and a listed name may use it as a separator.
  std::string folder = FolderOfPath(path);
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash >= folder.size()) folder = path.substr(0, slash + 1);
  SweepFolder(folder);
}

}  // namespace qvx
