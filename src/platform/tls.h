#pragma once
// The TLS seam: the client side of one TLS session, done by the platform (Schannel through SSPI
// on Windows, OpenSSL's libssl elsewhere). It never touches a socket: the connection feeds it
// the bytes that arrived and sends the bytes it produces, so waiting, time limits and an abort
// from another thread stay where they are for plain connections.
//
// The server's certificate is always checked against the system's trusted roots, and the host
// name against the certificate; there is deliberately no way to turn either check off.
#include <cstddef>
#include <memory>
#include <string>

namespace qvx {

// Why a session could not be set up or went on no further.
enum class TlsFailure {
  None,
  UntrustedIssuer,  // the chain does not end at a trusted root
  Expired,          // a certificate of the chain is expired or not yet valid
  NameMismatch,     // the certificate is for another host
  Revoked,          // the issuer revoked a certificate of the chain
  BadCertificate,   // rejected for another reason (revoked, wrong use, bad signature ...)
  HandshakeFailed,  // no TLS agreement: not a TLS server, a cut handshake, no common protocol
  Broken,           // a record after the handshake could not be read
};

enum class TlsStatus {
  Done,       // the step finished
  NeedInput,  // Feed more bytes from the peer, then call again
  Closed,     // the peer ended the session in order (close_notify)
  Failed,     // see Failure() and Detail(); the session is unusable from now on
};

class TlsSession {
 public:
  // A client session for host: the name sent as SNI (unless host is an IP address, which
  // SNI cannot carry) and the name or address the certificate must be for. An earlier session
  // with the same server (host and port) is resumed when the platform still holds it and the
  // server agrees; an empty port resumes nothing on the POSIX back end.
  static std::unique_ptr<TlsSession> Create(const std::string& host, const std::string& port = "");
  virtual ~TlsSession() = default;

  // Bytes received from the peer, in order. The session keeps what it cannot use yet.
  virtual void Feed(const char* data, size_t n) = 0;
  // Moves the bytes that must be sent to the peer, in order, to the end of out.
  virtual void TakeOutput(std::string& out) = 0;

  // Advances the handshake with what was fed. Done once the session is set up and the peer's
  // certificate passed the checks.
  virtual TlsStatus Handshake() = 0;
  // Application bytes: Encrypt leaves records for TakeOutput; Decrypt writes at most max bytes
  // of plaintext to data (got > 0 with Done).
  virtual bool Encrypt(const char* data, size_t n) = 0;
  virtual TlsStatus Decrypt(char* data, size_t max, size_t& got) = 0;
  // Plaintext that Decrypt can hand out without more input.
  virtual bool HasPendingPlaintext() const = 0;
  // After the handshake: whether it resumed an earlier session instead of a full handshake.
  virtual bool Resumed() const = 0;
  // Queues the close_notify alert for TakeOutput.
  virtual void Shutdown() = 0;

  TlsFailure Failure() const { return FFailure; }
  // The platform's own words for the failure (for a log line), possibly empty.
  const std::string& Detail() const { return FDetail; }
  // What a log should say about a session that was set up all the same (a revocation that
  // could not be checked, say); empty when there is nothing to say.
  const std::string& Note() const { return FNote; }

 protected:
  TlsStatus Fail(TlsFailure failure, std::string detail) {
    FFailure = failure;
    FDetail = std::move(detail);
    return TlsStatus::Failed;
  }
  void SetNote(std::string note) { FNote = std::move(note); }

 private:
  TlsFailure FFailure = TlsFailure::None;
  std::string FDetail;
  std::string FNote;
};

// "the certificate of {host} is not issued by a trusted authority" and so on: the reason in
// words, for a status line.
std::string DescribeTlsFailure(TlsFailure failure, const std::string& host);

}  // namespace qvx
