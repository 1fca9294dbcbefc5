#pragma once
// The blocking TCP connection under the HTTP client. Failures are never raised: each operation
// records its outcome in SocketError (0 = success) and returns empty text or false.
//
// Received bytes that an operation did not consume stay in the receive buffer for the next
// one, so a body that arrives in the same packet as the end of a header block is not lost.
// Consuming the buffer costs time linear in the bytes received.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/socket_base.h"
#include "platform/tls.h"

namespace qvx {

class TTcpConnection : public TSocketBase {
 public:
  // Largest piece handed to the platform in one send; also the block size of length-framed
  // bodies in the HTTP client.
  static constexpr int32_t SendMaxChunk = 65536;

  // Longest line ReceiveLine accepts (0: no limit); a longer one fails with
  // sockerr::kMessageTooLong.
  int32_t MaxLineLength = 0;
  // Whether LF followed by CR is one line break. HTTP knows only CR LF and LF: its client turns
  // this off, so that a body or chunk beginning with CR after a line ending in LF keeps that CR.
  bool LfCrIsOneBreak = true;
  // Time limit of a connect in milliseconds; 0 leaves it to the platform.
  int32_t ConnectionTimeout = 0;
  // Applied to every socket when it is created.
  int32_t ReceiveBufferSize = 65536;
  int32_t SendBufferSize = 65536;
  // Applies the two sizes to the open socket too (a kept connection made for a smaller need).
  void ApplyBufferSizes();
  // Local address bound before connecting; "0.0.0.0" with port "0" binds nothing.
  std::string LocalHost = "0.0.0.0";
  std::string LocalPort = "0";
  // Proxy through which a connection is tunnelled with CONNECT; empty host: no tunnel.
  std::string TunnelHost, TunnelPort, TunnelUser, TunnelPass;
  int32_t HTTPTunnelTimeout = 30000;
  // The status code of the proxy's answer to the last CONNECT; 0 when no answer came (the
  // proxy could not be reached, or there was no tunnel). A refused tunnel fails the connection
  // with kConnectionRefused all the same; this tells that the proxy itself answered.
  int32_t TunnelStatus() const { return FTunnelStatus; }

  bool OpenConnection(const std::string& host, const std::string& port);
  // Sets up TLS over the open connection (through the tunnel, when there is one) for host,
  // which the server's certificate must be made out to; wait bounds each wait for the server.
  // From then on every send and receive goes through the session. On failure SocketError is
  // sockerr::kTlsFailed (or the socket's own error) and TlsFailureText says why.
  bool StartTls(const std::string& host, int32_t wait);
  bool IsTls() const { return FTls != nullptr; }
  // Whether the TLS set-up resumed an earlier session with the server.
  bool TlsResumed() const { return FTls && FTls->Resumed(); }
  // Why the last TLS set-up or TLS read failed; None / empty text when it did not.
  TlsFailure LastTlsFailure() const { return FTlsFailure; }
  std::string TlsFailureText() const { return DescribeTlsFailure(FTlsFailure, FTlsHost); }
  // The platform's own words for that failure, for a log.
  const std::string& TlsFailureDetail() const { return FTlsDetail; }
  // What the log should say about the session of the last StartTls that succeeded (a
  // revocation that could not be checked); empty when nothing.
  const std::string& TlsNote() const { return FTlsNote; }
  bool SendText(const std::string& bytes);

  // The next line without its terminator: CR, LF, CR LF or (see LfCrIsOneBreak) LF CR.
  std::string ReceiveLine(int32_t wait);
  // Whatever is buffered, else what is waiting on the socket, else what arrives within wait.
  std::string ReceiveAvailable(int32_t wait);
  // Exactly n bytes, or empty text on an error.
  std::string ReceiveExact(int32_t n, int32_t wait);
  // The same two as appending forms, which move the bytes once: straight from the socket
  // into target when nothing is buffered. On failure target keeps its former size.
  bool AppendAvailable(int32_t wait, std::string& target);
  bool AppendExact(size_t n, int32_t wait, std::string& target);

  // Does not wait: true when buffered bytes, data or an end of stream are pending.
  bool HasPendingInput();
  // Whether received bytes wait in the buffer (a line not yet ended, say).
  bool HasBufferedInput() const { return Buffered() > 0; }
  void CloseConnection();
  // Whether the last receive that failed with kConnectionReset met an orderly close (end of
  // stream) rather than a reset. Both carry the same code; only the former ends a body that is
  // read until the server closes.
  bool PeerClosedOrderly() const { return FPeerClosedOrderly; }

 private:
  size_t Buffered() const { return FBuffer.size() - FHead; }
  void Consume(size_t n);
  void ClearBuffer();
  // Appends at least one byte from the socket to target (at most max), waiting up to wait ms.
  int32_t ReceiveSome(std::string& target, size_t max, int32_t wait);
  int32_t Connect(const std::string& host, const std::string& port);
  // Sends all bytes straight to the socket; 0 or an error number.
  int32_t SendRaw(const char* data, size_t n);
  // SocketReceive's contract for the plaintext of the TLS session: 0 with received = 0 is the
  // peer's orderly close (close_notify), kWouldBlock means wait for the socket.
  int32_t TlsReceive(char* data, size_t n, size_t& received);
  // Sends what the session has queued for the peer.
  int32_t FlushTls();
  int32_t NoteTlsFailure(TlsFailure failure, const std::string& detail);
  void EndTls();
  int32_t RequestTunnel(const std::string& host, const std::string& port);

  // FBuffer[FHead..] is unconsumed; FScan is where the search for a line end resumes.
  std::string FBuffer;
  size_t FHead = 0;
  size_t FScan = 0;
  // After a line that ended in a lone CR (or LF) as the last byte received, the LF (or CR)
  // that may open the next arrival belongs to that terminator.
  char FSkip = 0;
  bool FPeerClosedOrderly = false;
  int32_t FTunnelStatus = 0;

  std::string FPort;  // the server's port of the last OpenConnection: sessions are kept by it
  std::unique_ptr<TlsSession> FTls;
  std::vector<char> FCipher;  // scratch for bytes on their way from the socket into FTls
  std::string FTlsHost;
  TlsFailure FTlsFailure = TlsFailure::None;
  std::string FTlsDetail;
  std::string FTlsNote;
};

}  // namespace qvx
