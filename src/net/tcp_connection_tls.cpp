// The TLS step of TTcpConnection. The session only transforms bytes; every wait stays in the
// connection, so the receive wait time, the tunnel and an abort from another thread (which
// shuts the socket down) work on TLS connections exactly as on plain ones.
#include "net/tcp_connection.h"

namespace qvx {
namespace {

// Bytes taken from the socket in one receive before they go to the TLS session.
constexpr size_t kCipherChunk = 65536;

}  // namespace

void TTcpConnection::EndTls() {
  FTls.reset();
}

int32_t TTcpConnection::NoteTlsFailure(TlsFailure failure, const std::string& detail) {
  FTlsFailure = failure == TlsFailure::None ? TlsFailure::HandshakeFailed : failure;
  FTlsDetail = detail;
  return sockerr::kTlsFailed;
}

int32_t TTcpConnection::FlushTls() {
  std::string out;
  FTls->TakeOutput(out);
  return out.empty() ? 0 : SendRaw(out.data(), out.size());
}

bool TTcpConnection::StartTls(const std::string& host, int32_t wait) {
  FSocketError = 0;
  FTlsHost = host;
  FTlsFailure = TlsFailure::None;
  FTlsDetail.clear();
  FTlsNote.clear();
  if (FHandle == kNoSocket) {
    FSocketError = sockerr::kNotConnected;
    return false;
  }
  FTls = TlsSession::Create(host, FPort);
  FCipher.resize(kCipherChunk);
  // Bytes that followed the proxy's answer to CONNECT are the server's first TLS bytes.
  if (Buffered() > 0) FTls->Feed(FBuffer.data() + FHead, Buffered());
  ClearBuffer();

  int32_t rc = 0;
  for (;;) {
    if (Interrupted()) {
      rc = sockerr::kInterrupted;
      break;
    }
    const TlsStatus status = FTls->Handshake();
    // A failed handshake may still have an alert to tell the server; it is sent if it can be.
    const int32_t sent = FlushTls();
    if (status == TlsStatus::Done && sent == 0) {
      FTlsNote = FTls->Note();
      return true;
    }
    if (status == TlsStatus::Failed || status == TlsStatus::Closed) {
      rc = NoteTlsFailure(FTls->Failure(), FTls->Detail());
      break;
    }
    if (sent != 0) {
      rc = sent;
      break;
    }
    size_t got = 0;
    rc = SocketReceive(FHandle, FCipher.data(), FCipher.size(), got);
    if (rc == 0 && got > 0) {
      FTls->Feed(FCipher.data(), got);
      continue;
    }
    if (rc == 0 || rc == sockerr::kConnectionReset) {
      rc = Interrupted() ? sockerr::kInterrupted
                         : NoteTlsFailure(TlsFailure::HandshakeFailed,
                                          "the server closed the connection during the handshake");
      break;
    }
    if (rc != sockerr::kWouldBlock) break;
    rc = WaitReady(false, wait);
    if (rc != 0) break;
  }
  FSocketError = rc;
  return false;
}

int32_t TTcpConnection::TlsReceive(char* data, size_t n, size_t& received) {
  received = 0;
  for (;;) {
    TlsStatus status = TlsStatus::Done;
    // Whole records are decrypted until the space is full, so a read returns as much as the
    // socket delivered, not one record.
    while (received < n) {
      size_t got = 0;
      status = FTls->Decrypt(data + received, n - received, got);
      if (status != TlsStatus::Done) break;
      received += got;
    }
    // Reading may have produced answers the server waits for (a key update).
    const int32_t sent = FlushTls();
    if (received > 0) return 0;
    if (sent != 0) return sent;
    if (status == TlsStatus::Closed) return 0;
    if (status == TlsStatus::Failed) return NoteTlsFailure(FTls->Failure(), FTls->Detail());
    size_t got = 0;
    const int32_t rc = SocketReceive(FHandle, FCipher.data(), FCipher.size(), got);
    if (rc != 0) return rc;
    // The end of the stream without close_notify: the data may have been cut off by anyone
    // on the way, so it never counts as the server's orderly close.
    if (got == 0) return Interrupted() ? sockerr::kInterrupted : sockerr::kConnectionReset;
    FTls->Feed(FCipher.data(), got);
  }
}

}  // namespace qvx
