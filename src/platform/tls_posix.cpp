// TLS with OpenSSL's libssl over memory BIOs: the connection moves the bytes, libssl only
// transforms them. Trusted roots are the system's (OpenSSL's default paths, which
// SSL_CERT_FILE and SSL_CERT_DIR may name).
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <climits>

#include "platform/tls.h"

namespace qvx {
namespace {

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
  explicit OpenSslSession(const std::string& host) {
    FContext = SSL_CTX_new(TLS_client_method());
    if (!FContext) return;
    SSL_CTX_set_min_proto_version(FContext, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(FContext);
    SSL_CTX_set_verify(FContext, SSL_VERIFY_PEER, nullptr);
    FSsl = SSL_new(FContext);
    if (!FSsl) return;
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
  }

  ~OpenSslSession() override {
    SSL_free(FSsl);  // frees both BIOs too
    SSL_CTX_free(FContext);
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

  void Shutdown() override {
    if (FSsl && SSL_is_init_finished(FSsl)) {
      ERR_clear_error();
      SSL_shutdown(FSsl);
    }
  }

 private:
  SSL_CTX* FContext = nullptr;
  SSL* FSsl = nullptr;
  BIO* FIn = nullptr;   // owned by FSsl
  BIO* FOut = nullptr;  // owned by FSsl
  bool FSetUp = false;
};

}  // namespace

std::unique_ptr<TlsSession> TlsSession::Create(const std::string& host) {
  return std::make_unique<OpenSslSession>(host);
}

}  // namespace qvx
