#include <stdexcept>

#include "support/test_web_server.h"

namespace qvx::test {

void TestWebServer::Start() {
  throw std::runtime_error(
      "nginx and tinyproxy are not running: Windows test programs get them from "
      "scripts/wine-tests.sh (tests/support/wine-servers.sh start), through QVX_NGINX_PORT, "
      "QVX_PROXY_PORT and QVX_NGINX_ROOT");
}

void TestWebServer::Stop() {}

}  // namespace qvx::test
