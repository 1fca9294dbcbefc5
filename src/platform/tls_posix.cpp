// TLS with OpenSSL's libssl over memory BIOs: the connection moves the bytes, libssl only
// transforms them. Trusted roots are the system's (OpenSSL's default paths, which
// SSL_CERT_FILE and SSL_CERT_DIR may name).
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "platform/tls.h"

namespace qvx {
namespace {

// One client context per set of trusted roots (OpenSSL takes them from SSL_CERT_FILE and
// SSL_CERT_DIR, which a process may change), loaded once instead of for every connection, and
// with it the sessions that connections to a server may resume: a new connection to the same
// host and port then skips the full handshake. Sessions are taken only from handshakes whose
// certificate passed the checks, and never cross from one set of roots to another.
class ClientContexts {
 public:
  static ClientContexts& Instance() {
    static ClientContexts contexts;
    return contexts;
  }

  ~ClientContexts() {
    for (auto& entry : FContexts) {
      for (auto& session : entry.second.Sessions) SSL_SESSION_free(session.second);
      SSL_CTX_free(entry.second.Context);
    }
  }

  // The context for the roots in effect now, or nullptr when none can be made. Never freed
  // before the process ends.
  SSL_CTX* Context(std::string& trustKey) {
    trustKey = EnvText("SSL_CERT_FILE") + "\n" + EnvText("SSL_CERT_DIR");
    std::lock_guard<std::mutex> lock(FLock);
    auto found = FContexts.find(trustKey);
    if (found != FContexts.end()) return found->second.Context;
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (!context) return nullptr;
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(context);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    // The sessions are kept here, by server, not in OpenSSL's internal store (which a client
    // never looks up on its own).
    SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context, &ClientContexts::NewSession);
    FContexts[trustKey].Context = context;
    return context;
  }

  // A session to resume with the server named by key (a copy the caller frees), or none.
  SSL_SESSION* Session(const std::string& trustKey, const std::string& server) {
    std::lock_guard<std::mutex> lock(FLock);
    auto& sessions = FContexts[trustKey].Sessions;
    auto found = sessions.find(server);
    if (found == sessions.end()) return nullptr;
    if (!SSL_SESSION_is_resumable(found->second)) {
      SSL_SESSION_free(found->second);
      sessions.erase(found);
      return nullptr;
    }
    // Each connection resumes with a copy of its own: a handshake may change the session it
    // resumes with (a new ticket), and the connections of parallel downloads run at once.
    return SSL_SESSION_dup(found->second);
  }

  // Where a connection's new sessions go: set on each SSL before its handshake.
  struct Owner {
    std::string TrustKey;
    std::string Server;
  };
  static int OwnerIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
  }

 private:
  static constexpr size_t kMaxServers = 64;

  struct Entry {
    SSL_CTX* Context = nullptr;
    std::map<std::string, SSL_SESSION*> Sessions;
  };

  static std::string EnvText(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
  }

  // OpenSSL hands over a session once a handshake (or a later ticket) made one. A copy is
  // kept: OpenSSL marks the connection's own session unusable when the connection is freed
  // without a close_notify (a kept connection dropped with its client), which says nothing
  // about the server's ticket.
  static int NewSession(SSL* ssl, SSL_SESSION* offered) {
    auto* owner = static_cast<Owner*>(SSL_get_ex_data(ssl, OwnerIndex()));
    if (!owner || owner->Server.empty()) return 0;
    SSL_SESSION* session = SSL_SESSION_dup(offered);
    if (!session) return 0;
    ClientContexts& self = Instance();
    std::lock_guard<std::mutex> lock(self.FLock);
    auto& sessions = self.FContexts[owner->TrustKey].Sessions;
    auto found = sessions.find(owner->Server);
    if (found != sessions.end()) {
      SSL_SESSION_free(found->second);
      found->second = session;
      return 0;
    }
    // A bound on what is kept: an updater talks to one or two servers.
    if (sessions.size() >= kMaxServers) {
      for (auto& kept : sessions) SSL_SESSION_free(kept.second);
      sessions.clear();
    }
    sessions[owner->Server] = session;
    return 0;
  }

  std::mutex FLock;
  std::map<std::string, Entry> FContexts;
};

std::string ErrorQueueText() {
  std::string text;
  while (unsigned long e = ERR_get_error()) {
    char buffer[256];
    ERR_error_string_n(e, buffer, sizeof buffer);
    if (!text.empty()) text += "; ";
    text += buffer;
  }
  return text;
}

TlsFailure ClassifyVerifyResult(long result) {
  switch (result) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
      return TlsFailure::UntrustedIssuer;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return TlsFailure::Expired;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return TlsFailure::NameMismatch;
    default:
      return TlsFailure::BadCertificate;
  }
}

class OpenSslSession final : public TlsSession {
 public:
  OpenSslSession(const std::string& host, const std::string& port) {
    SSL_CTX* context = ClientContexts::Instance().Context(FOwner.TrustKey);
    if (!context) return;
    FSsl = SSL_new(context);
    if (!FSsl) return;
    // Without a port the connection is not told apart from others to the host: nothing is
    // resumed or kept then.
    if (!port.empty()) FOwner.Server = host + ":" + port;
    SSL_set_ex_data(FSsl, ClientContexts::OwnerIndex(), &FOwner);
    BIO* in = BIO_new(BIO_s_mem());
    BIO* out = BIO_new(BIO_s_mem());
    if (!in || !out) {
      BIO_free(in);
      BIO_free(out);
      SSL_free(FSsl);
      FSsl = nullptr;
      return;
    }
    // An empty memory BIO means "more input needed", never end of stream.
    BIO_set_mem_eof_return(in, -1);
    SSL_set_bio(FSsl, in, out);
    FIn = in;
    FOut = out;
    SSL_set_connect_state(FSsl);
    X509_VERIFY_PARAM* param = SSL_get0_param(FSsl);
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    ASN1_OCTET_STRING* ip = a2i_IPADDRESS(host.c_str());
    if (ip) {
      ASN1_OCTET_STRING_free(ip);
      FSetUp = X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) == 1;
    } else {
      FSetUp = SSL_set_tlsext_host_name(FSsl, host.c_str()) == 1 &&
               X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size()) == 1;
    }
    if (FSetUp && !FOwner.Server.empty()) {
      if (SSL_SESSION* kept = ClientContexts::Instance().Session(FOwner.TrustKey, FOwner.Server)) {
        SSL_set_session(FSsl, kept);
        SSL_SESSION_free(kept);
      }
    }
  }

  ~OpenSslSession() override {
    SSL_free(FSsl);  // frees both BIOs too
  }

  void Feed(const char* data, size_t n) override {
    while (n > 0 && FIn) {
      const int piece = n > INT_MAX ? INT_MAX : static_cast<int>(n);
      const int written = BIO_write(FIn, data, piece);
      if (written <= 0) return;
      data += written;
      n -= static_cast<size_t>(written);
    }
  }

  void TakeOutput(std::string& out) override {
    if (!FOut) return;
    const size_t pending = BIO_ctrl_pending(FOut);
    if (pending == 0) return;
    const size_t old = out.size();
    out.resize(old + pending);
    const int read = BIO_read(FOut, &out[old], static_cast<int>(pending));
    out.resize(old + (read > 0 ? static_cast<size_t>(read) : 0));
  }

  TlsStatus Handshake() override {
    if (!FSsl || !FSetUp) return Fail(TlsFailure::HandshakeFailed, "cannot set up an OpenSSL session");
    ERR_clear_error();
    const int rc = SSL_do_handshake(FSsl);
    if (rc == 1) return TlsStatus::Done;
    const int error = SSL_get_error(FSsl, rc);
    if (error == SSL_ERROR_WANT_READ) return TlsStatus::NeedInput;
    const long verify = SSL_get_verify_result(FSsl);
    if (verify != X509_V_OK)
      return Fail(ClassifyVerifyResult(verify), X509_verify_cert_error_string(verify));
    return Fail(TlsFailure::HandshakeFailed, ErrorQueueText());
  }

  bool Encrypt(const char* data, size_t n) override {
    while (n > 0) {
      const int piece = n > INT_MAX ? INT_MAX : static_cast<int>(n);
      ERR_clear_error();
      const int written = SSL_write(FSsl, data, piece);
      if (written <= 0) {
        Fail(TlsFailure::Broken, ErrorQueueText());
        return false;
      }
      data += written;
      n -= static_cast<size_t>(written);
    }
    return true;
  }

  TlsStatus Decrypt(char* data, size_t max, size_t& got) override {
    got = 0;
    ERR_clear_error();
    const int rc = SSL_read(FSsl, data, max > INT_MAX ? INT_MAX : static_cast<int>(max));
    if (rc > 0) {
      got = static_cast<size_t>(rc);
      return TlsStatus::Done;
    }
    switch (SSL_get_error(FSsl, rc)) {
      case SSL_ERROR_WANT_READ: return TlsStatus::NeedInput;
      case SSL_ERROR_ZERO_RETURN: return TlsStatus::Closed;
      default: return Fail(TlsFailure::Broken, ErrorQueueText());
    }
  }

  bool HasPendingPlaintext() const override { return FSsl && SSL_pending(FSsl) > 0; }

  bool Resumed() const override { return FSsl && SSL_session_reused(FSsl) == 1; }

  void Shutdown() override {
    if (FSsl && SSL_is_init_finished(FSsl)) {
      ERR_clear_error();
      SSL_shutdown(FSsl);
    }
  }

 private:
  ClientContexts::Owner FOwner;  // outlives FSsl, which points at it
  SSL* FSsl = nullptr;
  BIO* FIn = nullptr;   // owned by FSsl
  BIO* FOut = nullptr;  // owned by FSsl
  bool FSetUp = false;
};

}  // namespace

std::unique_ptr<TlsSession> TlsSession::Create(const std::string& host, const std::string& port) {
  return std::make_unique<OpenSslSession>(host, port);
}

}  // namespace qvx
