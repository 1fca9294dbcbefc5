#include "net/http_client.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <vector>

#include "base/ascii_case.h"
#include "base/errors.h"
#include "common/base64.h"
#include "common/text_utils.h"
#include "net/http_text.h"
#include "net/url_parts.h"
#include "platform/memory.h"

namespace qvx {

struct THttpClient::TRoute {
  TUrlParts Url;
  std::string User, Password;
  bool Https = false;
  bool SendBody = false;
  size_t BodySize = 0;
};

THttpClient::THttpClient() {
  Sock.MaxLineLength = kMaxResponseLine;
  Sock.LfCrIsOneBreak = false;
  ResetRequest();
}

THttpClient::~THttpClient() = default;

void THttpClient::ResetRequest() {
  RangeStart = 0;
  RangeEnd = 0;
  Document.Clear();
  Headers.Clear();
  MimeType = "text/html";
  FBodySize = 0;
}

void THttpClient::AbortTransfer() {
  AbortRequested.store(true);
  // The connection belongs to the transfer thread: it is shut down here, which ends any wait
  // there, and closed there.
  Sock.Interrupt();
}

void THttpClient::DropConnection() {
  Sock.CloseConnection();
  ConnectedHost.clear();
  ConnectedPort.clear();
}

void THttpClient::BuildRequest(const std::string& method, const TRoute& route) {
  const TUrlParts& u = route.Url;
  const std::string scheme = UpperAscii(u.Scheme);
  const bool ipv6 = u.Host.find(':') != std::string::npos;
  const std::string host = ipv6 ? "[" + u.Host + "]" : u.Host;

  std::string target = u.Target == "/*" ? "*" : u.Target;
  if (FProxyMode) target = u.Scheme + "://" + host + ":" + u.Port + u.Target;

  std::vector<std::string> lines;
  lines.push_back(UpperAscii(method) + " " + target + " HTTP/" + Protocol);
  const bool portInHost = AddPortNumberToHost && ((scheme == "HTTP" && u.Port != "80") ||
                                                  (scheme == "HTTPS" && u.Port != "443"));
  lines.push_back("Host: " + host + (portInHost ? ":" + u.Port : std::string()));
  if (FProxyMode && !FHopUser.empty())
    lines.push_back("Proxy-Authorization: Basic " + EncodeBase64(FHopUser + ":" + FHopPass));
  if (!route.User.empty())
    lines.push_back("Authorization: Basic " + EncodeBase64(route.User + ":" + route.Password));
  if (KeepAlive) lines.push_back("Keep-Alive: " + std::to_string(KeepAliveTimeout));
  lines.push_back(std::string(FProxyMode ? "Proxy-" : "") +
                  (KeepAlive ? "Connection: keep-alive" : "Connection: close"));
  if (Cookies.Count() > 0) {
    std::string cookie = "Cookie: ";
    for (int i = 0; i < Cookies.Count(); ++i) cookie += (i ? "; " : "") + Cookies.LineAt(i);
    lines.push_back(cookie);
  }
  if (RangeStart > 0 || RangeEnd > 0) {
    std::string range = "Range: bytes=" + std::to_string(RangeStart) + "-";
    if (RangeEnd >= RangeStart) range += std::to_string(RangeEnd);
    lines.push_back(range);
  }
  if (!UserAgent.empty()) lines.push_back("User-Agent: " + UserAgent);
  if (route.SendBody && !MimeType.empty()) lines.push_back("Content-Type: " + MimeType);
  if (route.SendBody) lines.push_back("Content-Length: " + std::to_string(route.BodySize));

  for (const auto& line : FCallerLines) lines.push_back(line);
  if (!lines.back().empty()) lines.push_back(std::string());
  Headers.Clear();
  for (const auto& line : lines) Headers.Add(line);
}

void THttpClient::PlanHops(const TRoute& route) {
  FHops.clear();
  FHop = 0;
  FRequestHop = SIZE_MAX;
  FRoute = TRouteTaken();
  FRoute.Origin = ProxyOrigin;
  FHopUser = ProxyUser;
  FHopPass = ProxyPass;
  if (!ProxyHost.empty()) {
    FHops.push_back(TProxyHop{ProxyHost, ProxyPort});
  } else if (UseSystemProxy) {
    const TSystemProxy system =
        FindSystemProxy(route.Url.Scheme + "://" + (route.Url.Host.find(':') != std::string::npos
                                                       ? "[" + route.Url.Host + "]"
                                                       : route.Url.Host) +
                           ":" + route.Url.Port + route.Url.Target,
                       LowerAscii(route.Url.Scheme), route.Url.Host, route.Url.Port);
    FHops = system.Hops;
    FRoute.Origin = system.Origin;
    FRoute.Setting = system.Setting;
    // Credentials of the settings go to any proxy; those that came with the proxy's address
    // serve only when the settings have none.
    if (FHopUser.empty()) {
      FHopUser = system.User;
      FHopPass = system.Password;
    }
  }
  if (FHops.empty()) FHops.push_back(TProxyHop());
}

bool THttpClient::ConnectThroughHops(const std::string& method, const TRoute& route,
                                     std::string& request) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const int32_t connectLimit = Sock.ConnectionTimeout;
  const int32_t tunnelLimit = Sock.HTTPTunnelTimeout;
  const size_t count = FHops.size();
  for (; FHop < count; ++FHop) {
    const TProxyHop& hop = FHops[FHop];
    if (FRequestHop != FHop) {
      if (route.Https) {
        Sock.TunnelHost = hop.Host;
        Sock.TunnelPort = hop.IsDirect() ? std::string() : hop.Port;
        Sock.TunnelUser = hop.IsDirect() ? std::string() : FHopUser;
        Sock.TunnelPass = hop.IsDirect() ? std::string() : FHopPass;
        FProxyMode = false;
      } else {
        Sock.TunnelHost.clear();
        Sock.TunnelPort.clear();
        Sock.TunnelUser.clear();
        Sock.TunnelPass.clear();
        FProxyMode = !hop.IsDirect();
      }
      BuildRequest(method, route);
      TargetHost = FProxyMode ? hop.Host : route.Url.Host;
      TargetPort = FProxyMode ? hop.Port : route.Url.Port;
      request = Protocol == "0.9" ? TextBefore(Headers.LineAt(0), " HTTP/") + "\r\n"
                                  : Headers.JoinedText();
      if (route.SendBody) request += Document.Bytes();
      FRequestHop = FHop;
      FRoute.Hop = hop;
      FRoute.Credentials = !hop.IsDirect() && !FHopUser.empty();
    }
    // Several ways share the request's time: each gets its part of what is left, so that a
    // proxy that swallows connections cannot use up the time of the ones after it.
    if (count > 1) {
      const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
      const int64_t left = static_cast<int64_t>(Timeout) - spent;
      const int32_t share = static_cast<int32_t>(std::max<int64_t>(1, left / static_cast<int64_t>(count - FHop)));
      Sock.ConnectionTimeout = connectLimit > 0 ? std::min(connectLimit, share) : share;
      Sock.HTTPTunnelTimeout = std::min(tunnelLimit, share);
    }
    const bool connected = EnsureConnection(route.Https);
    Sock.ConnectionTimeout = connectLimit;
    Sock.HTTPTunnelTimeout = tunnelLimit;
    if (connected) return true;
    // Only a way that could not be reached at all gives way to the next; an answer (a refused
    // tunnel, a failed certificate) is the request's outcome.
    const int32_t error = Sock.SocketError();
    const bool unreachable = Sock.TunnelStatus() == 0 &&
                             (error == sockerr::kConnectionRefused || error == sockerr::kTimedOut ||
                              error == sockerr::kHostNotFound || error == sockerr::kNameServerNoAnswer ||
                              error == sockerr::kNameServerFailed || error == sockerr::kHostUnreachable ||
                              error == sockerr::kNetworkUnreachable || error == sockerr::kHostDown ||
                              error == sockerr::kConnectionReset || error == sockerr::kConnectionAborted ||
                              error == sockerr::kAddressNotAvailable);
    if (!unreachable || FHop + 1 >= count || AbortRequested.load()) return false;
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    if (spent >= Timeout) return false;
    FRoute.Unreachable.emplace_back(hop, error);
  }
  return false;
}

bool THttpClient::EnsureConnection(bool tlsWanted) {
  // An https connection through a tunnel names the server as TargetHost too: the tunnel it
  // went through must match as well.
  const std::string tunnel = Sock.TunnelHost.empty() ? std::string() : Sock.TunnelHost + ":" + Sock.TunnelPort;
  FReused = Sock.IsOpen() && ConnectedHost == TargetHost && ConnectedPort == TargetPort &&
            Sock.IsTls() == tlsWanted && FConnectedTunnel == tunnel && !Sock.HasPendingInput();
  if (FReused) return true;
  Sock.CloseConnection();
  Sock.LocalHost = IPInterface;
  Sock.LocalPort = "0";
  // For https TargetHost is the URL's host, through a tunnel too: the name the certificate
  // must be made out to.
  if (!Sock.OpenConnection(TargetHost, TargetPort) ||
      (tlsWanted && !Sock.StartTls(TargetHost, Timeout))) {
    DropConnection();
    return false;
  }
  ConnectedHost = TargetHost;
  ConnectedPort = TargetPort;
  FConnectedTunnel = tunnel;
  return true;
}

std::string THttpClient::ReceiveHeadLine() {
  std::string line = Sock.ReceiveLine(Timeout);
  FHeadBytes += line.size() + 2;
  if (Sock.SocketError() == 0 && (FHeadBytes > kMaxHeaderBlock || ++FHeadLines > kMaxHeaderLines)) {
    Sock.SetSocketError(sockerr::kMessageTooLong);
    return std::string();
  }
  return line;
}

void THttpClient::DecodeStatusLine(const std::string& line) {
  const std::string rest = TrimBlanks(TextAfter(line, " "));
  int32_t code = 0;
  ResultCode = ReadDigits(TrimBlanks(TextBefore(rest, " ")), 10, code) == TDigitsRead::Number ? code : 0;
  ResultString = rest.find(' ') == std::string::npos ? std::string() : TrimBlanks(TextAfter(rest, " "));
}

void THttpClient::ReadStatusLine() {
  // Interim answers with status 100 are passed over; their status lines stay in Headers.
  for (;;) {
    std::string line;
    do line = ReceiveHeadLine();
    while (line.empty() && Sock.SocketError() == 0);
    if (UpperAscii(line.substr(0, 5)) == "HTTP/") {
      Headers.Add(line);
      DecodeStatusLine(line);
    } else {
      // Not a status line: the server sends a bare body, which this line begins. A sink gets it
      // once the head is over.
      line += "\r\n";
      if (FSink) {
        FLead += line;
      } else {
        Document.Bytes() += line;
        FBodySize += line.size();
      }
      ResultCode = 0;
    }
    if (Sock.SocketError() != 0 || ResultCode != 100) return;
  }
}

void THttpClient::ApplyHeader(const std::string& header) {
  const std::string upper = UpperAscii(header);
  auto startsWith = [&](const char* prefix) { return upper.compare(0, std::string(prefix).size(), prefix) == 0; };
  if (startsWith("CONTENT-LENGTH:")) {
    int32_t length = -1;
    if (ReadDigits(TrimBlanks(TextAfter(header, ":")), 10, length) != TDigitsRead::Number) length = -1;
    FAnnouncedLength = length;
    if (FAnnouncedLength != -1 && TransferMode == TTransferMode::OpenEnded)
      TransferMode = TTransferMode::ByLength;
  }
  if (startsWith("CONTENT-TYPE:")) MimeType = TrimBlanks(TextAfter(header, ":"));
  if (startsWith("TRANSFER-ENCODING:") && TextAfter(upper, ":").find("CHUNKED") != std::string::npos)
    TransferMode = TTransferMode::Chunked;
  const bool closes = upper.find("CLOSE") != std::string::npos;
  const bool connectionLine = FProxyMode ? startsWith("PROXY-CONNECTION:") : startsWith("CONNECTION:");
  if (connectionLine && closes) FCloseMarked = true;
  if (connectionLine && upper.find("KEEP-ALIVE") != std::string::npos) FKeepOffered = true;
}

bool THttpClient::ReadHeaderBlock() {
  std::vector<std::string> scratch;
  if (Sock.SocketError() == 0) {
    std::string line;
    do {
      line = ReceiveHeadLine();
      scratch.push_back(line);
    } while (!line.empty() && Sock.SocketError() == 0);
  }
  // A line that begins with a blank, a quote, a colon or an equals sign continues the header
  // above it; the block's final line is never taken as a continuation.
  size_t at = 0;
  while (at < scratch.size()) {
    std::string header = scratch[at++];
    if (!header.empty()) {
      while (at + 1 < scratch.size() && !scratch[at].empty() &&
             std::string(" \t\":=").find(scratch[at][0]) != std::string::npos) {
        std::string more = scratch[at++];
        for (char& c : more)
          if (c == '\t') c = ' ';
        header += " " + TrimBlanks(more);
      }
    }
    header = TrimTrailingBlanks(header);
    Headers.Add(header);
    ApplyHeader(header);
    if (AbortRequested.load()) break;
  }
  return Sock.SocketError() == 0;
}

bool THttpClient::ExecuteMethod(const std::string& method, const std::string& url) {
  return ExecuteMethod(method, url, nullptr);
}

bool THttpClient::ExecuteMethod(const std::string& method, const std::string& url, TBodySink* sink) {
  if (AbortRequested.load()) return false;
  // The sink serves this request only, whichever way it ends.
  struct TSinkScope {
    THttpClient& Client;
    ~TSinkScope() {
      Client.FSink = nullptr;
      Client.FLead.clear();
    }
  } scope{*this};
  FSink = sink;
  FLead.clear();
  ResultCode = 500;
  ResultString.clear();
  DownloadSize = 0;
  UploadSize = 0;
  FBodySize = 0;
  FFramingFailure.clear();

  TRoute route;
  route.Url = SplitUrl(url);
  route.User = route.Url.User;
  route.Password = route.Url.Password;
  if (route.User.empty()) {
    route.User = UserName;
    route.Password = Password;
  }
  route.Https = UpperAscii(route.Url.Scheme) == "HTTPS";
  route.SendBody = Document.Size() > 0;
  route.BodySize = Document.Size();
  FCallerLines.clear();
  for (int i = 0; i < Headers.Count(); ++i) FCallerLines.push_back(Headers.LineAt(i));
  PlanHops(route);

  Document.SetPosition(0);
  std::string request;
  const size_t uploaded = route.SendBody ? Document.Size() : 0;
  // A server may close a kept connection while the request is on its way. When a reused
  // connection ends before the first byte of the answer, a request that may be repeated is sent
  // once more on a new connection; any other outcome stands.
  const bool repeatable = method == "GET" || method == "HEAD";
  for (bool retried = false;; retried = true) {
    if (!ConnectThroughHops(method, route, request)) return false;
    const bool mayRetry = FReused && repeatable && !retried;
    if (!Sock.SendText(request)) {
      if (mayRetry && !AbortRequested.load()) {
        DropConnection();
        continue;
      }
      return false;
    }
    if (route.SendBody) UploadSize = static_cast<int32_t>(uploaded);

    ResetRequest();
    TransferMode = TTransferMode::OpenEnded;
    FAnnouncedLength = -1;
    FCloseMarked = false;
    FKeepOffered = false;
    FHeadBytes = 0;
    FHeadLines = 0;

    ReadStatusLine();
    // Nothing came: one head line was asked for, and it ended with the connection, empty.
    const bool nothingCame = Headers.Count() == 0 && FHeadBytes == 2 && !Sock.HasBufferedInput();
    if (mayRetry && nothingCame && Sock.SocketError() == sockerr::kConnectionReset &&
        !AbortRequested.load()) {
      DropConnection();
      FLead.clear();
      continue;
    }
    break;
  }
  const bool headRead = (Headers.Count() == 0 || ReadHeaderBlock()) && Sock.SocketError() == 0;
  const bool readBody = headRead && !(method == "HEAD" || ResultCode == 204 || ResultCode == 304);
  bool ok = headRead;
  try {
    // The first line of a server without status line is body, even when nothing follows it.
    if (FSink && (readBody || !FLead.empty())) {
      FSink->BodyStarts(*this);
      if (!FLead.empty()) {
        if (FSink->Write(FLead.data(), FLead.size())) FBodySize += FLead.size();
        else ok = false;
      }
    }
    if (!headRead) {
      DropConnection();
      return false;
    }
    if (ok && readBody) {
      switch (TransferMode) {
        case TTransferMode::OpenEnded: ok = ReadToClose(); break;
        case TTransferMode::ByLength: ok = ReadByLength(FAnnouncedLength); break;
        case TTransferMode::Chunked: ok = ReadChunkedBody(); break;
      }
    }
  } catch (const std::bad_alloc&) {
    DropConnection();
    throw EOutOfMemory("Out of memory");
  }
  Document.SetPosition(0);
  if (!KeepsConnection(ok)) DropConnection();
  ParseSetCookies();
  return ok;
}

bool THttpClient::KeepsConnection(bool complete) const {
  // A response read only in part, or cut short by an abort, leaves the connection unusable,
  // whatever was marked.
  if (!complete || FCloseMarked || AbortRequested.load()) return false;
  if (Protocol == "1.1") return true;
  // An HTTP/1.0 exchange keeps its connection only when the server said so and the body's end
  // was known without the server closing: then the next request may go on the same connection.
  return KeepAlive && FKeepOffered && TransferMode == TTransferMode::ByLength;
}

bool THttpClient::ReadToClose() {
  std::string& target = FSink ? FBlock : Document.Bytes();
  for (;;) {
    if (FSink) FBlock.clear();
    const size_t before = target.size();
    if (!Sock.AppendAvailable(Timeout, target)) break;
    const size_t got = target.size() - before;
    if (FBodySize + got > kMaxDocument) {
      FBodySize += FSink ? 0 : got;
      Sock.SetSocketError(sockerr::kMessageTooLong);
      return false;
    }
    if (FSink && !FSink->Write(FBlock.data(), got)) return false;
    FBodySize += got;
  }
  // Only the server's orderly close ends such a body; a reset cuts it off, and a body cut off
  // must never pass for a whole one.
  if (Sock.SocketError() != sockerr::kConnectionReset || !Sock.PeerClosedOrderly()) return false;
  Sock.SetSocketError(0);
  return true;
}

bool THttpClient::ReceiveBlock(size_t n, size_t documentWanted, size_t& documentPrepared) {
  if (FSink) {
    FBlock.clear();
    if (!Sock.AppendExact(n, Timeout, FBlock) || !FSink->Write(FBlock.data(), n)) return false;
    FBodySize += n;
    return true;
  }
  std::string& body = Document.Bytes();
  // The announced length is only the server's word: the storage set aside is at most
  // kBodyReserveAhead, or four times the bytes that arrived, never the length itself.
  if (body.capacity() < body.size() + n) {
    try {
      body.reserve(std::min(documentWanted, std::max(body.size() * 4, kBodyReserveAhead)));
    } catch (const std::bad_alloc&) {
      // Not fatal: the body then grows block by block.
    }
    documentPrepared = body.size();  // a new buffer: only the bytes copied into it are backed
  }
  // Memory for the body is backed a few MiB ahead of the data, never further.
  if (body.size() + n > documentPrepared && documentPrepared < body.capacity()) {
    const size_t step = std::min(kPrepareAhead, body.capacity() - documentPrepared);
    PrepareForWriting(&body[0] + documentPrepared, step);
    documentPrepared += step;
  }
  if (!Sock.AppendExact(n, Timeout, body)) return false;
  FBodySize += n;
  return true;
}

bool THttpClient::ReadByLength(int32_t length) {
  if (length <= 0) return true;
  DownloadSize = length;
  if (FBodySize + static_cast<size_t>(length) > kMaxDocument) {
    Sock.SetSocketError(sockerr::kMessageTooLong);
    return false;
  }
  const size_t wanted = Document.Size() + static_cast<size_t>(length);
  const int32_t block = TTcpConnection::SendMaxChunk;
  const int32_t blocks = length / block + (length % block != 0 ? 1 : 0);
  size_t prepared = Document.Size();
  for (int32_t i = 1; i <= blocks; ++i) {
    if (AbortRequested.load()) return false;
    const int32_t size = (i == blocks && length % block != 0) ? length % block : block;
    if (!ReceiveBlock(static_cast<size_t>(size), wanted, prepared)) return false;
    if (OnChunkRead) OnChunkRead(*this, i, blocks);
  }
  return Sock.SocketError() == 0;
}

bool THttpClient::ReadChunkedBody() {
  // chunk = size-in-hex [ " " ... ] [ ";" extension ] line-break data line-break; a size of 0
  // ends the body, and the trailer after it is not read. A size line that is not hex digits
  // fails the body.
  //
  // Framing brings no data, and silence is all the time-out measures: a size line is held to
  // kMaxChunkSizeLine, the one blank line allowed is the one that ends a chunk's data, and the
  // body fails once its framing outweighs its data by more than kMaxChunkFramingExcess. So a
  // server that sends only framing is cut off after a bounded number of bytes.
  struct TLineLimit {
    TTcpConnection& Sock;
    int32_t Saved;
    ~TLineLimit() { Sock.MaxLineLength = Saved; }
  } lineLimit{Sock, Sock.MaxLineLength};
  Sock.MaxLineLength = kMaxChunkSizeLine;
  size_t framing = 0;
  size_t data = 0;
  bool dataEnded = false;  // a chunk's data was read and its line break is still due
  for (;;) {
    if (AbortRequested.load()) return false;
    const std::string line = Sock.ReceiveLine(Timeout);
    if (Sock.SocketError() == sockerr::kMessageTooLong) {
      FFramingFailure = "the server's chunked framing was malformed: a chunk-size line longer than " +
                        std::to_string(kMaxChunkSizeLine) + " bytes";
      return false;
    }
    if (Sock.SocketError() != 0) return false;
    framing += line.size() + 2;
    if (framing > data + kMaxChunkFramingExcess) {
      FFramingFailure = "the server's chunked framing outweighed its data by more than " +
                        std::to_string(kMaxChunkFramingExcess >> 20) + " MiB";
      Sock.SetSocketError(sockerr::kMessageTooLong);
      return false;
    }
    if (line.empty()) {
      if (dataEnded) {
        dataEnded = false;
        continue;
      }
      FFramingFailure = "the server's chunked framing was malformed: a blank line where a chunk size was due";
      Sock.SetSocketError(sockerr::kInvalidArgument);
      return false;
    }
    dataEnded = false;
    const std::string sizeText = TrimBlanks(TextBefore(TrimBlanks(TextBefore(line, " ")), ";"));
    int32_t size = 0;
    switch (ReadDigits(sizeText, 16, size)) {
      case TDigitsRead::Number: break;
      // Not a size this client can hold.
      case TDigitsRead::TooLarge:
        FFramingFailure = "the server's chunked framing was malformed: a chunk size beyond what the updater takes";
        Sock.SetSocketError(sockerr::kMessageTooLong);
        return false;
      // Read as 0, it would end the body as complete: a cut file would pass for a whole one.
      case TDigitsRead::NotANumber:
        FFramingFailure = "the server's chunked framing was malformed: a chunk size that is no hex number";
        Sock.SetSocketError(sockerr::kInvalidArgument);
        return false;
    }
    if (size == 0) break;
    if (!ReadByLength(size)) return false;
    data += static_cast<size_t>(size);
    dataEnded = true;
  }
  return Sock.SocketError() == 0;
}

void THttpClient::ParseSetCookies() {
  // The bounds keep each line's search through the list short, so a head of many thousand
  // Set-Cookie lines costs time linear in its lines; an abort stops the walk too.
  for (int i = 0; i < Headers.Count() && !AbortRequested.load(); ++i) {
    const std::string& line = Headers.LineAt(i);
    if (LowerAscii(line.substr(0, 11)) != "set-cookie:") continue;
    const std::string v = TrimBlanks(TextBefore(TextAfter(line, ":"), ";"));
    const std::string name = TrimBlanks(TextBefore(v, "="));
    const std::string value = TrimBlanks(TextAfter(v, "="));
    if (name.size() + 1 + value.size() > kMaxCookieBytes) continue;
    if (!value.empty() && Cookies.Count() >= kMaxCookies && Cookies.FindName(name) < 0) continue;
    Cookies.SetValueOf(name, value);
  }
}

}  // namespace qvx
