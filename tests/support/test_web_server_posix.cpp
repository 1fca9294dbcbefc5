#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "support/test_web_server.h"

namespace qvx::test {

void TestWebServer::Start() {
  FDir = std::string(QVX_TEST_SERVER_DIR) + "/" + std::to_string(getpid());
  std::filesystem::remove_all(FDir);
  std::filesystem::create_directories(FDir);
  const std::string script = std::string(QVX_SOURCE_DIR) + "/tests/support/web-servers.sh";
  const std::string parent = std::to_string(getpid());
  // The runner watches this process and stops the servers when it ends, however it ends.
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("cannot start web-servers.sh");
  if (pid == 0) {
    execl("/bin/bash", "bash", script.c_str(), "run", FDir.c_str(), parent.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  FRunner = pid;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream ports(FDir + "/ports");
    if (ports >> FPort >> FProxyPort >> FAuthProxyPort) {
      FRoot = FDir + "/www/";
      return;
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      FRunner = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  Stop();
  throw std::runtime_error("nginx and tinyproxy did not start (is nginx installed?); see " + FDir);
}

void TestWebServer::TrustTestAuthority() const {
  // OpenSSL reads its default trusted file from here whenever a session is made; the
  // certificate folder of the system still counts beside it.
  const std::string path = TestAuthorityPath();
  if (!std::filesystem::exists(path)) throw std::runtime_error("no test authority at " + path);
  setenv("SSL_CERT_FILE", path.c_str(), 1);
}

void TestWebServer::Stop() {
  if (FRunner > 0) {
    kill(static_cast<pid_t>(FRunner), SIGTERM);
    int status = 0;
    waitpid(static_cast<pid_t>(FRunner), &status, 0);
    FRunner = -1;
  }
  if (!FDir.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(FDir, ignored);
  }
}

}  // namespace qvx::test
