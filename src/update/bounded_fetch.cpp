#include "update/bounded_fetch.h"

#include "net/body_sink.h"
#include "net/http_client.h"
#include "net/unpacking_sink.h"

namespace qvx {
namespace {

// Content into a string that never grows past the bound.
class TBoundedText : public TBodySink {
 public:
  TBoundedText(std::string& text, size_t bound) : FText(text), FBound(bound) {}
  bool Write(const char* data, size_t n) override {
    if (n > FBound - FText.size()) {
      FOver = true;
      return false;
    }
    FText.append(data, n);
    return true;
  }
  bool Over() const { return FOver; }

 private:
  std::string& FText;
  size_t FBound;
  bool FOver = false;
};

// The body as it arrives, counted against the bound before it is unpacked or kept. An answer
// other than 200 is only counted: its body is of no use.
class TBoundedBody : public TBodySink {
 public:
  TBoundedBody(TBoundedText& content, size_t bound)
      : FContent(content), FUnpacker(content), FBound(bound) {}

  void BodyStarts(const THttpClient& client) override {
    FWanted = client.ResultCode == 200;
    // Packed when the response's lines mention "gzip" anywhere, letter case as written.
    FPacked = client.Headers.JoinedText().find("gzip") != std::string::npos;
  }
  bool Write(const char* data, size_t n) override {
    if (!FWanted) return true;
    if (n > FBound - FReceived) {
      FOver = true;
      return false;
    }
    FReceived += n;
    return FPacked ? FUnpacker.Write(data, n) : FContent.Write(data, n);
  }

  bool Over() const { return FOver || FContent.Over(); }
  bool Packed() const { return FPacked; }
  TUnpackingSink& Unpacker() { return FUnpacker; }

 private:
  TBoundedText& FContent;
  TUnpackingSink FUnpacker;
  size_t FBound;
  size_t FReceived = 0;
  bool FWanted = false;
  bool FPacked = false;
  bool FOver = false;
};

}  // namespace

TBoundedFetch FetchBounded(THttpClient& http, const std::string& url, size_t bound,
                           std::string& bytes) {
  std::string content;
  TBoundedText text(content, bound);
  TBoundedBody body(text, bound);
  const bool ok = http.ExecuteMethod("GET", url, &body);
  bytes.clear();
  if (body.Over()) return TBoundedFetch::TooLarge;
  if (!ok || http.ResultCode != 200 || http.BodySize() == 0) return TBoundedFetch::NotFetched;
  if (body.Packed() && (!body.Unpacker().Finish() || content.empty())) {
    return TBoundedFetch::NothingUnpacked;
  }
  bytes.swap(content);
  return TBoundedFetch::Fetched;
}

}  // namespace qvx
