// HTTPS against real peers: nginx serving TLS with certificates of each kind from a test
// authority that the test makes trusted (tests/support/web-servers.sh), tinyproxy as the CONNECT
// tunnel, and loopback peers that break the handshake. Natively the TLS is OpenSSL's; under Wine
// it is Schannel (Wine's, over GnuTLS) with the chain checked by crypt32.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "net/http_client.h"
#include "support/script_server.h"
#include "support/test_web_server.h"
#include "support/web_server_client.h"

namespace qvx {
namespace {

using test::TestWebServer;
using Site = TestWebServer::TlsSite;

class HttpsServers : public test::WebServerClientTest {
 protected:
  void SetUp() override {
    test::WebServerClientTest::SetUp();
    if (HasFatalFailure()) return;
    try {
      server->TrustTestAuthority();
    } catch (const std::exception& e) {
      FAIL() << e.what();
    }
  }
  // Whether nginx was ever asked for the name: a refused certificate must stop the client
  // before its request leaves.
  bool Requested(const std::string& name) const {
    std::string log = server->TestAuthorityPath();
    const char delimiter = log.find('\\') != std::string::npos ? '\\' : '/';
    log = log.substr(0, log.rfind(delimiter, log.rfind(delimiter) - 1) + 1) + "nginx-access.log";
    std::ifstream in(log, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.find(name) != std::string::npos;
  }
};

#ifdef _WIN32
const char kRevocationUnknown[] =
    "the revocation of the certificate of localhost could not be checked (no distribution point, "
    "or its list out of reach); the certificate was accepted";
#endif

TEST_F(HttpsServers, CertificatesOfEveryKindDirectAndThroughTheTunnel) {
  const std::string content = test::NoiseContent(150000, 1);
  struct Case {
    const char* name;
    Site site;
    std::string host;
    TlsFailure failure;
    const char* words;
    // Held by the session's note for the log (tcp_connection.h); nullptr: not looked at.
    const char* note = nullptr;
    bool directOnly = false;
  } cases[] = {
      {"trusted", Site::Trusted, "localhost", TlsFailure::None, ""},
#ifndef _WIN32
      // Wine's crypt32 (8.0) matches no IP address against a certificate's names (its SSL policy
      // says CERT_E_CN_NO_MATCH for 127.0.0.1 with IP:127.0.0.1 among them), so an address in
      // the URL passes only with OpenSSL here; the other rows use "localhost".
      {"trusted, by address", Site::Trusted, "127.0.0.1", TlsFailure::None, ""},
#endif
      {"untrusted issuer", Site::UntrustedIssuer, "127.0.0.1", TlsFailure::UntrustedIssuer,
       "the certificate of 127.0.0.1 is not issued by a trusted authority"},
      {"expired", Site::Expired, "localhost", TlsFailure::Expired,
       "the certificate of localhost has expired or is not valid yet"},
      {"wrong host name", Site::WrongName, "127.0.0.1", TlsFailure::NameMismatch,
       "the certificate of 127.0.0.1 is made out to another name"},
      // The same port serves the right certificate to a client that names localhost in SNI.
      {"the name sent in SNI", Site::WrongName, "localhost", TlsFailure::None, ""},
#ifdef _WIN32
      // Revocation is checked by the Windows back end only: the OpenSSL one fetches no CRL. The
      // CRL comes from the test nginx; Wine's crypt32 fetches and reads it as Windows does.
      // Direct only: Wine's crypt32 (8.0) keeps the verdict on a revoked certificate in a cache
      // of its own as "not revoked", so a second look in the same process passes it (seen here:
      // the tunnel row then got the body). Windows keeps the verdict it found.
      {"revoked", Site::Revoked, "localhost", TlsFailure::Revoked,
       "the certificate of localhost has been revoked", nullptr, true},
      {"revocation checked, not revoked", Site::RevocationChecked, "localhost", TlsFailure::None,
       "", ""},
      {"revocation list out of reach", Site::RevocationOffline, "localhost", TlsFailure::None, "",
       kRevocationUnknown},
      {"no distribution point", Site::Trusted, "localhost", TlsFailure::None, "",
       kRevocationUnknown},
#endif
  };
  int n = 0;
  for (const auto& c : cases) {
    for (bool tunnel : {false, true}) {
      if (tunnel && c.directOnly) continue;
      const std::string name = "net-https/table-" + std::to_string(n++) + ".bin";
      server->WriteFile(name, content);
      http.ProxyHost = tunnel ? "127.0.0.1" : "";
      http.ProxyPort = std::to_string(server->ProxyPort());
      const std::string what = std::string(c.name) + (tunnel ? " through the tunnel" : " direct");
      const bool ok = Get(server->HttpsBaseUrl(c.site, c.host) + name);
      // nginx keeps the connection of a complete answer; a refused one is closed.
      EXPECT_EQ(http.Sock.IsOpen(), c.failure == TlsFailure::None) << what;
      if (c.failure == TlsFailure::None) {
        ASSERT_TRUE(ok) << what << ": " << http.TlsFailureText() << " / " << http.Sock.TlsFailureDetail();
        EXPECT_EQ(http.ResultCode, 200) << what;
        EXPECT_TRUE(http.Document.Bytes() == content) << what << ": " << http.Document.Size() << " bytes";
        EXPECT_EQ(events, (decltype(events){{1, 3}, {2, 3}, {3, 3}})) << what;
        EXPECT_EQ(http.TlsFailureText(), "") << what;
        if (c.note) {
          EXPECT_EQ(http.TlsNote(), c.note) << what;
        }
        // The tunnel carries the bytes untouched: the proxy adds none of its headers.
        EXPECT_EQ(http.Headers.JoinedText().find("Via:"), std::string::npos) << what;
      } else {
        EXPECT_FALSE(ok) << what;
        EXPECT_EQ(http.ResultCode, 500) << what;
        EXPECT_EQ(http.Sock.SocketError(), sockerr::kTlsFailed) << what;
        EXPECT_EQ(http.Sock.LastTlsFailure(), c.failure) << what << ": " << http.Sock.TlsFailureDetail();
        EXPECT_EQ(http.TlsFailureText(), c.words) << what;
        EXPECT_EQ(http.Document.Size(), 0u) << what;
        EXPECT_TRUE(events.empty()) << what;
        EXPECT_FALSE(Requested(name)) << what << ": the request was sent";
      }
    }
  }
}

TEST_F(HttpsServers, PeersThatDoNotSpeakTls) {
  // A server hello announced for 100 bytes, cut after 20, then the end of the connection.
  const std::string cutHello = std::string("\x16\x03\x03\x00\x64\x02\x00\x00\x60\x03\x03", 11) +
                               std::string(9, '\x5a');
  test::ScriptServer cut({test::ServerScript().Pause(300).Send(cutHello).Pause(200)});
  struct Case {
    const char* name;
    std::string url;
  } cases[] = {
      {"plain HTTP on the TLS port", "https://127.0.0.1:" + std::to_string(server->Port()) + "/"},
      {"a handshake cut half-way", "https://127.0.0.1:" + std::to_string(cut.Port()) + "/"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Get(c.url)) << c.name;
    EXPECT_EQ(http.ResultCode, 500) << c.name;
    EXPECT_EQ(http.Sock.SocketError(), sockerr::kTlsFailed) << c.name;
    EXPECT_EQ(http.Sock.LastTlsFailure(), TlsFailure::HandshakeFailed) << c.name << ": " << http.Sock.TlsFailureDetail();
    EXPECT_EQ(http.TlsFailureText(), "the secure connection to 127.0.0.1 failed (TLS handshake)") << c.name;
    EXPECT_EQ(http.Document.Size(), 0u) << c.name;
  }
  // The client sent its hello and nothing after it: no request went out in the clear.
  ASSERT_TRUE(cut.WaitDone(5000));
  const std::string hello = cut.Received()[0];
  ASSERT_GE(hello.size(), 5u);
  EXPECT_EQ(hello[0], '\x16');
  EXPECT_EQ(hello.find("GET "), std::string::npos);
}

TEST_F(HttpsServers, PackedFileAndHeadOverTls) {
  std::string original;
  for (int i = 0; i < 3000; ++i) original += "line " + std::to_string(i) + "\r\n";
  server->WriteFile("net-https/packed.txt.gz", "packed stand-in bytes");
  server->WriteFile("net-https/packed.txt", original);
  const std::string base = server->HttpsBaseUrl(Site::Trusted);
  ASSERT_TRUE(Get(base + "net-https/packed.txt", "Accept-Encoding: gzip")) << http.TlsFailureText();
  EXPECT_EQ(http.Document.Bytes(), "packed stand-in bytes");
  EXPECT_NE(http.Headers.JoinedText().find("gzip"), std::string::npos);
  ASSERT_TRUE(Get(base + "net-https/packed.txt"));
  EXPECT_TRUE(http.Document.Bytes() == original);

  http.ResetRequest();
  ASSERT_TRUE(http.ExecuteMethod("HEAD", base + "net-https/packed.txt"));
  EXPECT_EQ(http.ResultCode, 200);
  EXPECT_EQ(http.Document.Size(), 0u);
  ASSERT_TRUE(Get(base + "net-https/absent.txt"));
  EXPECT_EQ(http.ResultCode, 404);
}

TEST_F(HttpsServers, CloseDuringATlsBodyEndsTheReadPromptly) {
  const std::string content = test::NoiseContent(TestWebServer::kSlowBytesPerSecond * 20, 9);
  server->WriteFile("net-https/slow.bin", content);
  for (bool tunnel : {false, true}) {
    THttpClient client;
    client.Timeout = 10000;
    client.ProxyHost = tunnel ? "127.0.0.1" : "";
    client.ProxyPort = std::to_string(server->ProxyPort());
    bool ok = true;
    std::thread transfer([&] {
      ok = client.ExecuteMethod("GET", server->HttpsBaseUrl(Site::Trusted) + "slow/net-https/slow.bin");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const auto start = std::chrono::steady_clock::now();
    client.AbortTransfer();
    transfer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000)) << tunnel;
    EXPECT_FALSE(ok) << tunnel;
    EXPECT_EQ(client.ResultCode, 200) << tunnel;
    EXPECT_GT(client.Document.Size(), 0u) << tunnel;
    EXPECT_LT(client.Document.Size(), content.size() / 2) << tunnel;
    EXPECT_TRUE(content.compare(0, client.Document.Size(), client.Document.Bytes()) == 0) << tunnel;
    // An abort is not a TLS failure.
    EXPECT_EQ(client.TlsFailureText(), "") << tunnel;
  }
}

TEST_F(HttpsServers, ATlsServerThatFallsSilentTimesOut) {
  // The peer takes the hello and says nothing: the client's own wait ends the handshake.
  test::ScriptServer silent({test::ServerScript().Pause(3000)});
  http.Timeout = 500;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Get("https://127.0.0.1:" + std::to_string(silent.Port()) + "/x"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
  EXPECT_EQ(http.Sock.SocketError(), sockerr::kTimedOut);
}

}  // namespace
}  // namespace qvx
