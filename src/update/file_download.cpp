#include "update/file_download.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "base/errors.h"
#include "common/path_names.h"
#include "net/body_sink.h"
#include "net/http_client.h"
#include "net/unpacking_sink.h"
#include "platform/crypto.h"
#include "platform/replacement_file.h"
#include "update/list_trust.h"

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
  TContentSink(const std::string& target, bool hashed) : FTarget(target), FHashed(hashed) {}

  bool Write(const char* data, size_t n) override {
    try {
      if (!FFile) FFile = std::make_unique<TReplacementFile>(FTarget);
      FFile->Write(data, n);
    } catch (const EOSError& e) {
      FFailure = e.Message();
      FFile.reset();
      return false;
    }
    if (FHashed) FHash.Update(data, n);
    return true;
  }

  const std::string& Failure() const { return FFailure; }
  bool HasFile() const { return FFile != nullptr; }
  std::string FinishHex() { return FHash.FinishHex(); }
  void Commit() {
    try {
      FFile->Commit();
    } catch (const EOSError& e) {
      FFile.reset();
      throw EFCreateError(CreateFailure(FTarget, e.Message()));
    }
  }

 private:
  std::string FTarget;
  bool FHashed;
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

  void BodyStarts(const THttpClient& client) override {
    FWanted = client.ResultCode == 200;
    // Packed when the response's lines mention "gzip" anywhere, letter case as written.
    FPacked = client.Headers.JoinedText().find("gzip") != std::string::npos;
  }
  bool Write(const char* data, size_t n) override {
    if (!FWanted) return true;
    return FPacked ? FUnpacker.Write(data, n) : FContent.Write(data, n);
  }

  bool Packed() const { return FPacked; }
  TUnpackingSink& Unpacker() { return FUnpacker; }

 private:
  TContentSink& FContent;
  TUnpackingSink FUnpacker;
  bool FWanted = false;
  bool FPacked = false;
};

}  // namespace

TFileDownloadResult DownloadToFile(THttpClient& http, const std::string& url, const std::string& target,
                                   const std::string& expectedHash) {
  TContentSink content(target, !expectedHash.empty());
  TDownloadSink sink(content);
  // With the connection's usual 64 KiB the sender stalls whenever a write to the file takes a
  // moment; a larger receive buffer (the platform may cap it) keeps data flowing meanwhile.
  struct TReceiveBuffer {
    THttpClient& Http;
    int32_t Saved;
    ~TReceiveBuffer() { Http.Sock.ReceiveBufferSize = Saved; }
  } receiveBuffer{http, http.Sock.ReceiveBufferSize};
  http.Sock.ReceiveBufferSize = std::max(http.Sock.ReceiveBufferSize, kDownloadReceiveBuffer);
  const bool ok = http.ExecuteMethod("GET", url, &sink);
  if (!content.Failure().empty()) throw EFCreateError(CreateFailure(target, content.Failure()));
  if (!ok || http.ResultCode != 200 || http.BodySize() == 0) return TFileDownloadResult::NotFetched;
  if (sink.Packed() && !sink.Unpacker().Finish()) return TFileDownloadResult::NothingUnpacked;
  // A complete plain body of one byte or more, or a packed one that unpacked to bytes, has
  // created the file.
  if (!content.HasFile()) return TFileDownloadResult::NothingUnpacked;
  if (!expectedHash.empty() && !IsMatchingHash(expectedHash, content.FinishHex()))
    return TFileDownloadResult::HashMismatch;
  content.Commit();
  return TFileDownloadResult::Saved;
}

void TLeftoverSweep::SweepFolder(const std::string& folder) {
  if (FSwept.insert(folder).second) RemoveTemporaryLeftovers(folder);
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
