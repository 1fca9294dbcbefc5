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

// The one line shown before the finishing line when the update list cannot be fetched: the
// address asked, the reason, and where the address came from when that is not data\Product.ini.
std::string ListFailureLine(const std::string& url, const std::string& reason,
                            const std::string& addressNote);

}  // namespace qvx
