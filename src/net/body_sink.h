#pragma once
// Where the HTTP client puts a response body when the caller does not want it in memory: a file
// being written, an unpacker in front of one. The client hands over every byte that it would
// otherwise append to its document, in the same order and under the same rules.
#include <cstddef>

namespace qvx {

class THttpClient;

class TBodySink {
 public:
  virtual ~TBodySink() = default;
  // Once per request, before the first byte is handed over and before a body is read at all
  // (not for HEAD, 204 or 304). The client's ResultCode and Headers are final by then.
  virtual void BodyStarts(const THttpClient& client) { (void)client; }
  // The next bytes of the body. False stops the transfer: the request fails as a broken one
  // does, the connection is dropped, and the sink keeps the reason for whoever reads it.
  virtual bool Write(const char* data, size_t n) = 0;
};

}  // namespace qvx
