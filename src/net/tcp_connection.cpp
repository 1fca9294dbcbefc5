#include "net/tcp_connection.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/base64.h"

namespace qvx {
namespace {

// Bytes asked of the platform per receive into the buffer.
constexpr size_t kReceiveChunk = 65536;
// An exact read of at least this many bytes receives straight into its target.
constexpr size_t kDirectReceiveMin = 16384;
// The consumed front of the buffer is dropped once it is this large and more than half of it.
constexpr size_t kCompactMin = 65536;
// Closing discards at most this much of what has already arrived: a peer that keeps sending
// cannot hold the close up.
constexpr size_t kCloseDrainLimit = 1 << 20;
// Bound on the lines of a proxy's answer to CONNECT.
constexpr int32_t kTunnelLineLimit = 8192;
constexpr int kTunnelHeaderLinesLimit = 256;

}  // namespace

void TTcpConnection::Consume(size_t n) {
  FHead += n;
  if (FScan < FHead) FScan = FHead;
  if (FHead == FBuffer.size()) {
    FBuffer.clear();
    FHead = FScan = 0;
  } else if (FHead >= kCompactMin && FHead * 2 >= FBuffer.size()) {
    FBuffer.erase(0, FHead);
    FScan -= FHead;
    FHead = 0;
  }
}

void TTcpConnection::ClearBuffer() {
  FBuffer.clear();
  FHead = FScan = 0;
  FSkip = 0;
}

int32_t TTcpConnection::ReceiveSome(std::string& target, size_t max, int32_t wait) {
  FPeerClosedOrderly = false;
  for (;;) {
    if (Interrupted()) return sockerr::kInterrupted;
    if (FHandle == kNoSocket) return sockerr::kNotConnected;
    const size_t old = target.size();
    target.resize(old + max);
    size_t got = 0;
    int32_t rc = FTls ? TlsReceive(&target[old], max, got) : SocketReceive(FHandle, &target[old], max, got);
    target.resize(old + got);
    if (rc == 0) {
      if (got == 0) {
        if (Interrupted()) return sockerr::kInterrupted;
        FPeerClosedOrderly = true;
        return sockerr::kConnectionReset;
      }
      if (FSkip) {
        if (target[old] == FSkip) target.erase(old, 1);
        FSkip = 0;
        if (target.size() == old) continue;
      }
      return 0;
    }
    if (rc != sockerr::kWouldBlock) return rc;
    rc = WaitReady(false, wait);
    if (rc != 0) return rc;
  }
}

std::string TTcpConnection::ReceiveLine(int32_t wait) {
  FSocketError = Interrupted() ? sockerr::kInterrupted : 0;
  const size_t limit = MaxLineLength > 0 ? static_cast<size_t>(MaxLineLength) : SIZE_MAX;
  while (FSocketError == 0) {
    const char* data = FBuffer.data();
    const size_t end = FBuffer.size();
    size_t i = FScan;
    while (i < end && data[i] != '\r' && data[i] != '\n') ++i;
    if (i - FHead > limit) {
      FSocketError = sockerr::kMessageTooLong;
      break;
    }
    if (i < end) {
      std::string line(data + FHead, i - FHead);
      const char other = data[i] == '\r' ? '\n' : '\r';
      size_t next = i + 1;
      // Without LfCrIsOneBreak an LF is a whole line break: what follows belongs to the next
      // line, or to a body.
      if (data[i] == '\r' || LfCrIsOneBreak) {
        if (next < end) {
          if (data[next] == other) ++next;
        } else {
          FSkip = other;
        }
      }
      Consume(next - FHead);
      return line;
    }
    FScan = end;
    FSocketError = ReceiveSome(FBuffer, kReceiveChunk, wait);
  }
  return std::string();
}

bool TTcpConnection::AppendAvailable(int32_t wait, std::string& target) {
  FSocketError = Interrupted() ? sockerr::kInterrupted : 0;
  if (FSocketError != 0) return false;
  if (Buffered() > 0) {
    target.append(FBuffer, FHead, std::string::npos);
    Consume(Buffered());
    return true;
  }
  FSocketError = ReceiveSome(target, kReceiveChunk, wait);
  return FSocketError == 0;
}

std::string TTcpConnection::ReceiveAvailable(int32_t wait) {
  std::string out;
  AppendAvailable(wait, out);
  return out;
}

bool TTcpConnection::AppendExact(size_t n, int32_t wait, std::string& target) {
  FSocketError = Interrupted() ? sockerr::kInterrupted : 0;
  if (FSocketError != 0) return false;
  const size_t start = target.size();
  size_t take = std::min(n, Buffered());
  target.append(FBuffer, FHead, take);
  Consume(take);
  size_t missing = n - take;
  while (missing > 0) {
    int32_t rc;
    if (missing >= kDirectReceiveMin) {
      const size_t before = target.size();
      rc = ReceiveSome(target, std::min(missing, kReceiveChunk), wait);
      missing -= target.size() - before;
    } else {
      rc = ReceiveSome(FBuffer, kReceiveChunk, wait);
      if (rc == 0) {
        take = std::min(missing, Buffered());
        target.append(FBuffer, FHead, take);
        Consume(take);
        missing -= take;
      }
    }
    if (rc != 0) {
      FSocketError = rc;
      target.resize(start);
      return false;
    }
  }
  return true;
}

std::string TTcpConnection::ReceiveExact(int32_t n, int32_t wait) {
  std::string out;
  if (n > 0) AppendExact(static_cast<size_t>(n), wait, out);
  else FSocketError = 0;
  return out;
}

void TTcpConnection::ApplyBufferSizes() {
  if (FHandle != kNoSocket) SocketSetBufferSizes(FHandle, ReceiveBufferSize, SendBufferSize);
}

bool TTcpConnection::HasPendingInput() {
  if (Buffered() > 0 || (FTls && FTls->HasPendingPlaintext())) return true;
  if (FHandle == kNoSocket) return false;
  bool ready = false;
  return SocketWait(FHandle, false, 0, ready) == 0 && ready;
}

int32_t TTcpConnection::SendRaw(const char* data, size_t n) {
  size_t done = 0;
  while (done < n) {
    if (Interrupted()) return sockerr::kInterrupted;
    if (FHandle == kNoSocket) return sockerr::kNotConnected;
    size_t piece = std::min(n - done, static_cast<size_t>(SendMaxChunk));
    size_t sent = 0;
    int32_t rc = SocketSend(FHandle, data + done, piece, sent);
    if (rc == sockerr::kWouldBlock) rc = WaitReady(true, -1);
    if (rc != 0) return rc;
    done += sent;
  }
  return 0;
}

bool TTcpConnection::SendText(const std::string& bytes) {
  FSocketError = 0;
  if (FTls) {
    if (!FTls->Encrypt(bytes.data(), bytes.size()))
      FSocketError = NoteTlsFailure(FTls->Failure(), FTls->Detail());
    else
      FSocketError = FlushTls();
  } else {
    FSocketError = SendRaw(bytes.data(), bytes.size());
  }
  return FSocketError == 0;
}

int32_t TTcpConnection::Connect(const std::string& host, const std::string& port) {
  SocketAddress address;
  int32_t rc = SocketResolve(host, port, address);
  if (rc != 0) return rc;
  rc = CreateSocket(address.family);
  if (rc != 0) return rc;
  SocketSetBufferSizes(FHandle, ReceiveBufferSize, SendBufferSize);
  if (LocalHost != "0.0.0.0" || LocalPort != "0") {
    SocketAddress local;
    rc = SocketResolve(LocalHost, LocalPort, local);
    if (rc == 0) rc = SocketBind(FHandle, local);
    if (rc != 0) return rc;
  }
  rc = SocketConnectStart(FHandle, address);
  if (rc == sockerr::kWouldBlock) {
    rc = WaitReady(true, ConnectionTimeout > 0 ? ConnectionTimeout : -1);
    if (rc == 0) rc = SocketConnectResult(FHandle);
  }
  return rc;
}

int32_t TTcpConnection::RequestTunnel(const std::string& host, const std::string& port) {
  std::string request = "CONNECT " + host + ":" + port + " HTTP/1.0\r\n";
  if (!TunnelUser.empty())
    request += "Proxy-Authorization: Basic " + EncodeBase64(TunnelUser + ":" + TunnelPass) + "\r\n";
  request += "\r\n";
  if (!SendText(request)) return FSocketError;
  const int32_t savedLimit = MaxLineLength;
  MaxLineLength = kTunnelLineLimit;
  std::string status;
  do status = ReceiveLine(HTTPTunnelTimeout);
  while (status.empty() && FSocketError == 0);
  for (int lines = 0; FSocketError == 0 && lines < kTunnelHeaderLinesLimit; ++lines)
    if (ReceiveLine(HTTPTunnelTimeout).empty()) break;
  MaxLineLength = savedLimit;
  if (FSocketError != 0) return FSocketError;
  // "HTTP/1.x 200 ..." is the only answer that opens a tunnel.
  size_t space = status.find(' ');
  FTunnelStatus = -1;  // an answer, though perhaps not one with a status code
  if (space != std::string::npos && status.size() >= space + 4) {
    const std::string code = status.substr(space + 1, 3);
    if (code.find_first_not_of("0123456789") == std::string::npos) FTunnelStatus = std::stoi(code);
  }
  if (space == std::string::npos || status.compare(space + 1, 3, "200") != 0)
    return sockerr::kConnectionRefused;
  return 0;
}

bool TTcpConnection::OpenConnection(const std::string& host, const std::string& port) {
  CloseSocket();
  ClearBuffer();
  EndTls();
  FTlsFailure = TlsFailure::None;
  FTlsDetail.clear();
  FSocketError = 0;
  FPort = port;
  FTunnelStatus = 0;
  if (Interrupted()) {
    FSocketError = sockerr::kInterrupted;
    return false;
  }
  const bool tunnel = !TunnelHost.empty();
  int32_t rc = tunnel ? Connect(TunnelHost, TunnelPort) : Connect(host, port);
  if (rc == 0 && tunnel) rc = RequestTunnel(host, port);
  FSocketError = rc;
  return rc == 0;
}

void TTcpConnection::CloseConnection() {
  if (FHandle != kNoSocket && FSocketError == 0) {
    if (FTls) {
      // The close_notify tells the server that nothing was cut off; it is offered once and
      // never waited for.
      FTls->Shutdown();
      std::string alert;
      FTls->TakeOutput(alert);
      size_t sent = 0;
      if (!alert.empty()) SocketSend(FHandle, alert.data(), alert.size(), sent);
    }
    SocketShutdown(FHandle, false);
    char scratch[8192];
    size_t drained = 0;
    while (drained < kCloseDrainLimit) {
      size_t got = 0;
      if (SocketReceive(FHandle, scratch, sizeof scratch, got) != 0 || got == 0) break;
      drained += got;
    }
    FSocketError = 0;
  }
  CloseSocket();
  ClearBuffer();
  EndTls();
}

}  // namespace qvx
