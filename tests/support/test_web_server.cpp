#include "support/test_web_server.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace qvx::test {

TestWebServer& TestWebServer::Instance() {
  static TestWebServer server;
  return server;
}

TestWebServer::TestWebServer() {
  if (!FromEnvironment()) Start();
}

TestWebServer::~TestWebServer() { Stop(); }

bool TestWebServer::FromEnvironment() {
  const char* port = std::getenv("QVX_NGINX_PORT");
  const char* proxy = std::getenv("QVX_PROXY_PORT");
  const char* root = std::getenv("QVX_NGINX_ROOT");
  if (!port || !proxy || !root || !*port || !*root) return false;
  FPort = std::atoi(port);
  FProxyPort = std::atoi(proxy);
  const char* authProxy = std::getenv("QVX_AUTH_PROXY_PORT");
  FAuthProxyPort = authProxy ? std::atoi(authProxy) : 0;
  FRoot = root;
  const char delimiter = FRoot.find('\\') != std::string::npos ? '\\' : '/';
  if (FRoot.back() != delimiter) FRoot += delimiter;
  return true;
}

std::string TestWebServer::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(FPort) + "/"; }

std::string TestWebServer::SlowBaseUrl() const { return BaseUrl() + "slow/"; }

std::string TestWebServer::HttpsBaseUrl(TlsSite site, const std::string& host) const {
  return "https://" + host + ":" + std::to_string(TlsPort(site)) + "/";
}

std::string TestWebServer::TestAuthorityPath() const {
  // Root() is DIR/www/; the certificates are in DIR/tls.
  const char delimiter = FRoot.back();
  const std::string dir = FRoot.substr(0, FRoot.find_last_of(delimiter, FRoot.size() - 2) + 1);
  return dir + "tls" + delimiter + "ca.crt";
}

std::vector<TAccessLogEntry> TestWebServer::AccessLogFor(const std::string& name) const {
  const char delimiter = FRoot.back();
  const std::string dir = FRoot.substr(0, FRoot.find_last_of(delimiter, FRoot.size() - 2) + 1);
  std::ifstream in(dir + "nginx-access.log", std::ios::binary);
  std::vector<TAccessLogEntry> entries;
  const std::string suffix = "/" + name;
  std::string line;
  while (std::getline(in, line)) {
    // ... "GET /path HTTP/1.0" 200 ... conn=N reused=r|. sent=N
    const size_t request = line.find('"');
    const size_t target = line.find(' ', request);
    const size_t version = line.find(' ', target + 1);
    const size_t conn = line.rfind(" conn=");
    if (request == std::string::npos || target == std::string::npos || version == std::string::npos ||
        conn == std::string::npos)
      continue;
    TAccessLogEntry entry;
    entry.Path = line.substr(target + 1, version - target - 1);
    if (entry.Path.size() < suffix.size() ||
        entry.Path.compare(entry.Path.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    const size_t status = line.find("\" ", version);
    if (status != std::string::npos) entry.Status = std::atoi(line.c_str() + status + 2);
    entry.Connection = std::strtoull(line.c_str() + conn + 6, nullptr, 10);
    const size_t reused = line.find(" reused=", conn);
    entry.SessionReused = reused != std::string::npos && line.compare(reused + 8, 1, "r") == 0;
    const size_t sent = line.find(" sent=", conn);
    if (sent != std::string::npos) entry.Sent = std::strtoull(line.c_str() + sent + 6, nullptr, 10);
    entries.push_back(entry);
  }
  return entries;
}

std::string TestWebServer::WriteFile(const std::string& name, const std::string& bytes) const {
  const std::filesystem::path path = std::filesystem::path(FRoot) / std::filesystem::path(name);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
  return path.string();
}

}  // namespace qvx::test
