#pragma once
// The real update server of the tests: nginx on a loopback port, with tinyproxy in front of it
// as a real HTTP proxy (and a second one that asks for credentials). A test writes files into Root() and fetches them below BaseUrl():
//   BaseUrl() + name        the file; with "Accept-Encoding: gzip", name + ".gz" when present
//                           (answered with "Content-Encoding: gzip")
//   SlowBaseUrl() + name    the same file at kSlowBytesPerSecond, for a download that is still
//                           running when the test acts
// Natively the servers are started on first use (tests/support/web-servers.sh) and stopped when
// the test program ends. Under Wine a test program cannot start Linux programs, so
// scripts/wine-tests.sh starts them (tests/support/wine-servers.sh) and passes QVX_NGINX_PORT,
// QVX_PROXY_PORT and QVX_NGINX_ROOT; where those are set, they are used natively too.
// The servers are shared by every test of the program (and, under Wine, by every program):
// use file names of your own.
#include <cstdint>
#include <string>
#include <vector>

namespace qvx::test {

// One request as nginx logged it.
struct TAccessLogEntry {
  std::string Path;   // the request target, "/name"
  int32_t Status = 0;
  uint64_t Connection = 0;  // nginx's number of the connection that carried it
  bool SessionReused = false;  // over TLS: the session was resumed
  uint64_t Sent = 0;  // bytes nginx sent for it, head and body
};

class TestWebServer {
 public:
  static constexpr int32_t kSlowBytesPerSecond = 65536;

  // The servers, started if need be; std::runtime_error saying why when they cannot be had.
  static TestWebServer& Instance();

  int32_t Port() const { return FPort; }
  int32_t ProxyPort() const { return FProxyPort; }
  // A second tinyproxy that asks for credentials: kAuthProxyUser and kAuthProxyPassword.
  int32_t AuthProxyPort() const { return FAuthProxyPort; }
  static constexpr const char* kAuthProxyUser = "qvx-user";
  static constexpr const char* kAuthProxyPassword = "proxy-secret";
  // The served folder, ending with the platform's path delimiter.
  const std::string& Root() const { return FRoot; }
  std::string BaseUrl() const;      // "http://127.0.0.1:<port>/"
  std::string SlowBaseUrl() const;  // BaseUrl() + "slow/"
  // Writes a file below Root() (folders on the way are made) and returns its path.
  std::string WriteFile(const std::string& name, const std::string& bytes) const;

  // nginx serves the same files over TLS on the ports after Port(), one per kind of
  // certificate (tests/support/web-servers.sh makes them).
  // The last three name a CRL distribution point: one that lists the certificate, one that
  // does not, and one where nothing answers.
  enum class TlsSite {
    Trusted = 1,
    UntrustedIssuer = 2,
    Expired = 3,
    WrongName = 4,
    Revoked = 5,
    RevocationChecked = 6,
    RevocationOffline = 7,
  };
  int32_t TlsPort(TlsSite site) const { return FPort + static_cast<int32_t>(site); }
  // "https://<host>:<port>/". By name: crypt32 under Wine matches host names only, never an
  // IP address, against a certificate.
  std::string HttpsBaseUrl(TlsSite site, const std::string& host = "localhost") const;
  // The test certificate authority (PEM) that issued the trusted, expired and wrong-name
  // certificates.
  std::string TestAuthorityPath() const;
  // Makes the test authority a trusted root: for this process natively (SSL_CERT_FILE), in the
  // Wine prefix's LocalMachine Root store under Wine. std::runtime_error when it cannot.
  void TrustTestAuthority() const;
  // The requests whose target ends with "/" + name, oldest first, as nginx's access log has
  // them so far (nginx writes a line once the answer is sent).
  std::vector<TAccessLogEntry> AccessLogFor(const std::string& name) const;

  TestWebServer(const TestWebServer&) = delete;
  TestWebServer& operator=(const TestWebServer&) = delete;

 private:
  TestWebServer();
  ~TestWebServer();
  bool FromEnvironment();
  // Platform part: starts the servers, or explains why it cannot.
  void Start();
  void Stop();

  int32_t FPort = 0;
  int32_t FProxyPort = 0;
  int32_t FAuthProxyPort = 0;
  std::string FRoot;
  std::string FDir;      // what Start made, removed by Stop
  intptr_t FRunner = -1;  // the process that runs the servers, when Start made it
};

}  // namespace qvx::test
