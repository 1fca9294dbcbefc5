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
