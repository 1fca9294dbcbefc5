#include "net/fetch_failure.h"

#include <algorithm>

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

// host:port as a line may show it. A host written with user information ("user:secret@proxy",
// which proxySvr does not take but a user may write) shows only what follows the "@": a
// password never reaches a status line or the log.
std::string HopText(const TProxyHop& hop) {
  std::string host = hop.Host;
  if (const size_t at = host.rfind('@'); at != std::string::npos) {
    const size_t scheme = host.find("://");
    host = (scheme != std::string::npos && scheme < at ? host.substr(0, scheme + 3) : std::string()) +
           host.substr(at + 1);
  }
  // An IPv6 address in brackets, as in a URL.
  if (std::count(host.begin(), host.end(), ':') >= 2 && host.find("://") == std::string::npos)
    host = "[" + host + "]";
  return host + ":" + hop.Port;
}

// " (from config.ini)"; empty when the origin is not known.
std::string FromText(const THttpClient::TRouteTaken& route) {
  const std::string origin = ProxyOriginText(route.Origin);
  return origin.empty() ? std::string() : " (from " + origin + ")";
}

std::string UnreachableText(const THttpClient::TRouteTaken& route) {
  std::string text;
  for (const auto& [hop, code] : route.Unreachable)
    text += (text.empty() ? "" : ", ") + (hop.IsDirect() ? std::string("direct") : HopText(hop)) +
            " (" + SocketReason(code) + ")";
  return text;
}

std::string ProxyReason(const THttpClient& http, int32_t code) {
  const THttpClient::TRouteTaken& route = http.RouteTaken();
  std::string reason = "proxy " + HopText(route.Hop) + FromText(route) + " unreachable (" +
                       SocketReason(code) + ")";
  if (!route.Unreachable.empty()) reason += "; not reached before it: " + UnreachableText(route);
  // The settings want a bare host name; a scheme or a port written into it names no host.
  if (route.Origin == TProxyOrigin::ConfigIni && route.Hop.Host.find_first_of(":/") != std::string::npos)
    reason += "; proxySvr in config.ini takes a host name alone, without http:// or a port";
  return reason;
}

std::string CredentialsReason(const THttpClient& http) {
  const THttpClient::TRouteTaken& route = http.RouteTaken();
  const std::string proxy = "the proxy " + HopText(route.Hop) + FromText(route);
  if (route.Credentials)
    return proxy + " did not accept the credentials it was given; set the right ones as proxyUser "
                   "and proxyPass in the [Config] section of config.ini";
  return proxy + " asks for credentials; set them as proxyUser and proxyPass in the [Config] "
                 "section of config.ini";
}

// Where a failure that is not the proxy's own happened: through which proxy, or directly on
// whose word.
std::string WayNote(const THttpClient& http) {
  const THttpClient::TRouteTaken& route = http.RouteTaken();
  if (!route.Hop.IsDirect()) {
    std::string note = " (through the proxy " + HopText(route.Hop);
    if (route.Origin != TProxyOrigin::None) note += " from " + ProxyOriginText(route.Origin);
    return note + ")";
  }
  if (route.Origin == TProxyOrigin::None) return std::string();
  return " (a direct connection, as " + ProxyOriginText(route.Origin) +
         (route.Setting.empty() ? std::string() : " (" + route.Setting + ")") + " says)";
}

}  // namespace

std::string FetchFailureReason(const THttpClient& http) {
  if (http.AbortRequested.load()) return "cancelled";
  const THttpClient::TRouteTaken& route = http.RouteTaken();
  const bool proxied = !route.Hop.IsDirect();
  const int32_t code = http.Sock.SocketError();
  // A proxy that wants credentials answers the tunnel's CONNECT, or the request itself, with 407.
  // Some proxies refuse wrong credentials with 401 instead; on a CONNECT that can only be the
  // proxy's own answer.
  const int32_t tunnel = http.Sock.TunnelStatus();
  if (proxied && (tunnel == 407 || tunnel == 401 || (code == 0 && http.ResultCode == 407)))
    return CredentialsReason(http);
  // The secure connection says itself what went wrong: the certificate, the name, the handshake.
  if (code == sockerr::kTlsFailed) {
    const std::string why = http.TlsFailureText();
    return (why.empty() ? "the secure connection failed" : why) + WayNote(http);
  }
  // The body's framing failed it; the socket error alone would name no cause a user knows.
  if (code != 0 && !http.FramingFailureText().empty()) return http.FramingFailureText() + WayNote(http);
  if (code != 0) {
    if (proxied && http.Sock.TunnelStatus() != 0) {
      return "the proxy " + HopText(route.Hop) + FromText(route) + " refused the tunnel (its answer: " +
             (http.Sock.TunnelStatus() > 0 ? "status " + std::to_string(http.Sock.TunnelStatus())
                                           : std::string("not HTTP")) + ")";
    }
    if (proxied && IsReachFailure(code)) return ProxyReason(http, code);
    if (proxied && !route.Unreachable.empty())
      return SocketReason(code) + WayNote(http) + "; not reached before it: " + UnreachableText(route);
    if (!proxied && !route.Unreachable.empty())
      return SocketReason(code) + " (directly, after no proxy could be reached: " + UnreachableText(route) + ")";
    return SocketReason(code) + WayNote(http);
  }
  if (http.ResultCode != 200) {
    std::string reason = "HTTP status " + std::to_string(http.ResultCode);
    if (http.ResultCode >= 300 && http.ResultCode < 400) {
      const std::string location = HeaderValue(http, "Location");
      reason += location.empty() ? " (a redirect, which the updater does not follow)"
                                 : " (a redirect to " + location + ", which the updater does not follow)";
    }
    reason += WayNote(http);
    // Through a proxy a 401 may be the server's or the proxy's: such a proxy answers so when it
    // refuses the credentials it was given.
    if (http.ResultCode == 401 && proxied && route.Credentials)
      reason += "; the proxy may have refused its credentials: check proxyUser and proxyPass in "
                "the [Config] section of config.ini";
    return reason;
  }
  if (http.Document.Size() == 0) return "the server sent an empty file" + WayNote(http);
  return "the packed answer did not unpack";
}

std::string RouteTakenText(const THttpClient& http) {
  const THttpClient::TRouteTaken& route = http.RouteTaken();
  const std::string setting = route.Setting.empty() ? std::string() : " (" + route.Setting + ")";
  std::string text;
  if (!route.Hop.IsDirect()) {
    text = "through the proxy " + HopText(route.Hop);
    if (route.Origin != TProxyOrigin::None) text += " from " + ProxyOriginText(route.Origin) + setting;
    if (route.Credentials) text += ", with credentials";
  } else if (route.Origin == TProxyOrigin::None) {
    // No source named a proxy; a setting may still say why none was taken.
    text = route.Setting.empty() ? "direct connection (no proxy is set)"
                                 : "direct connection (" + route.Setting + ")";
  } else if (route.Origin == TProxyOrigin::ConfigIni) {
    text = "direct connection (proxySvr=direct in config.ini)";
  } else {
    text = "direct connection, as " + ProxyOriginText(route.Origin) + " says" + setting;
  }
  if (!route.Unreachable.empty()) text += "; not reached before it: " + UnreachableText(route);
  return text;
}

void ApplyProxySettings(THttpClient& http, const std::string& server, const std::string& port,
                        const std::string& user, const std::string& password) {
  http.ProxyUser = user;
  http.ProxyPass = password;
  if (EqualTextIgnoreCase(server, "direct")) {
    http.ProxyHost.clear();
    http.ProxyOrigin = TProxyOrigin::ConfigIni;
    http.UseSystemProxy = false;
  } else if (!server.empty()) {
    http.ProxyHost = server;
    http.ProxyPort = port;
    http.ProxyOrigin = TProxyOrigin::ConfigIni;
    http.UseSystemProxy = false;
  } else {
    http.ProxyHost.clear();
    http.ProxyOrigin = TProxyOrigin::None;
    http.UseSystemProxy = true;
  }
}

}  // namespace qvx
