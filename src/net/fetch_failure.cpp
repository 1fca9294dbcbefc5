#include "net/fetch_failure.h"

#include "base/ascii_case.h"
#include "common/text_utils.h"
#include "net/http_client.h"
#include "platform/socket.h"

namespace qvx {

namespace {

std::string SocketReason(int32_t code) {
  switch (code) {
    case sockerr::kConnectionRefused: return "connection refused";
    case sockerr::kTimedOut: return "no answer in time";
    case sockerr::kHostNotFound:
    case sockerr::kNameServerNoAnswer:  // no answer either way; for the user the host is not found
      return "no such host";
    case sockerr::kTlsUnavailable: return "https not supported";
    case sockerr::kConnectionReset: return "the connection was closed before the answer was complete";
    case sockerr::kMessageTooLong: return "the answer was larger than allowed";
    case sockerr::kInterrupted: return "cancelled";
    default: return "network error " + std::to_string(code);
  }
}

// The errors that only reaching a host at all can give: with a proxy, that host is the proxy.
bool IsReachFailure(int32_t code) {
  return code == sockerr::kConnectionRefused || code == sockerr::kHostNotFound;
}

std::string HeaderValue(const THttpClient& http, const std::string& name) {
  const std::string prefix = name + ":";
  for (int i = 0; i < http.Headers.Count(); ++i) {
    const std::string& line = http.Headers.LineAt(i);
    if (line.size() >= prefix.size() && EqualTextIgnoreCase(line.substr(0, prefix.size()), prefix))
      return TrimBlanks(line.substr(prefix.size()));
  }
  return std::string();
}

std::string ProxyReason(const THttpClient& http, int32_t code) {
  std::string reason = "proxy " + http.ProxyHost + ":" + http.ProxyPort + " unreachable (" +
                       SocketReason(code) + ")";
  // The settings want a bare host name; a scheme or a port written into it names no host.
  if (http.ProxyHost.find_first_of(":/") != std::string::npos)
    reason += "; proxySvr in config.ini takes a host name alone, without http:// or a port";
  return reason;
}

}  // namespace

std::string FetchFailureReason(const THttpClient& http) {
  if (http.AbortRequested.load()) return "cancelled";
  const int32_t code = http.Sock.SocketError();
  // The secure connection says itself what went wrong: the certificate, the name, the handshake.
  if (code == sockerr::kTlsFailed) {
    const std::string why = http.TlsFailureText();
    return why.empty() ? "the secure connection failed" : why;
  }
  if (code != 0) {
    if (http.ProxyHost.empty()) return SocketReason(code);
    if (IsReachFailure(code)) return ProxyReason(http, code);
    return SocketReason(code) + " (through the proxy " + http.ProxyHost + ":" + http.ProxyPort + ")";
  }
  if (http.ResultCode != 200) {
    std::string reason = "HTTP status " + std::to_string(http.ResultCode);
    if (http.ResultCode >= 300 && http.ResultCode < 400) {
      const std::string location = HeaderValue(http, "Location");
      reason += location.empty() ? " (a redirect, which the updater does not follow)"
                                 : " (a redirect to " + location + ", which the updater does not follow)";
    }
    return reason;
  }
  if (http.Document.Size() == 0) return "the server sent an empty file";
  return "the packed answer did not unpack";
}

}  // namespace qvx
