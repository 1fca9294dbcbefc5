#include "support/web_server_client.h"

#include <exception>

namespace qvx::test {

void WebServerClientTest::SetUp() {
  try {
    server = &TestWebServer::Instance();
  } catch (const std::exception& e) {
    FAIL() << e.what();
  }
  http.Timeout = 10000;
  http.OnChunkRead = [this](THttpClient&, int32_t i, int32_t n) { events.emplace_back(i, n); };
}

bool WebServerClientTest::Get(const std::string& url, const std::string& extraHeader) {
  events.clear();
  http.ResetRequest();
  if (!extraHeader.empty()) http.Headers.Add(extraHeader);
  return http.ExecuteMethod("GET", url);
}

std::string NoiseContent(size_t n, int seed) {
  std::string s(n, '\0');
  uint32_t x = 2463534242u + seed;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    s[i] = static_cast<char>(x);
  }
  return s;
}

}  // namespace qvx::test
