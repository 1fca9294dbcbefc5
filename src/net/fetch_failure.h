#pragma once
// Saying why a fetch brought nothing, in the words a user or a support person can act on:
// connection refused, no answer in time, no such host, HTTP status N, https not supported,
// proxy unreachable.
#include <string>

namespace qvx {

class THttpClient;

// Why the client's last exchange gave no usable body. The client's proxy settings tell whether
// a failed connection was one to the proxy.
std::string FetchFailureReason(const THttpClient& http);

}  // namespace qvx
