#pragma once
// Saying why a fetch brought nothing, in the words a user or a support person can act on:
// connection refused, no answer in time, no such host, HTTP status N, https not supported,
// proxy unreachable, proxy asks for credentials; and which way the request went.
#include <string>

namespace qvx {

class THttpClient;

// Why the client's last exchange gave no usable body. When the request went through a proxy,
// or its way was chosen by a setting, the reason names the proxy and where it came from.
std::string FetchFailureReason(const THttpClient& http);

// The way the client's last request went, for the log: "direct connection (no proxy is set)",
// "through the proxy 10.0.0.1:8080 from the environment (http_proxy)", ... Never a credential.
std::string RouteTakenText(const THttpClient& http);

// The proxy settings of config.ini applied to a client: a host (with its port) is the proxy of
// every request; "direct" (any letter case) means no proxy at all; empty leaves the choice to
// the system's settings, per request. The credentials go to whichever proxy is used.
void ApplyProxySettings(THttpClient& http, const std::string& server, const std::string& port,
                        const std::string& user, const std::string& password);

}  // namespace qvx
