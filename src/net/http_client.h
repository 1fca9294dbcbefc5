#pragma once
// A blocking HTTP/1.0 client that fetches one resource at a time into memory or into a body
// sink, directly or through an HTTP proxy, with a progress event per received block and an abort
// that another thread may call. During a request it raises nothing (running out of memory
// aside): the outcome is the result of ExecuteMethod, ResultCode and the connection's
// SocketError. The connection stays open for the next request when the server offered to keep
// it and the answer's end was known by its length; otherwise it closes after each answer.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/memory_stream.h"
#include "common/string_list.h"
#include "net/body_sink.h"
#include "net/tcp_connection.h"
#include "platform/system_proxy.h"

namespace qvx {

class THttpClient;

// (client, number of the block just stored counted from 1, number of blocks of the body)
using TChunkReadEvent = std::function<void(THttpClient& sender, int32_t block, int32_t blocks)>;

enum class TTransferMode { OpenEnded, ByLength, Chunked };

class TNetClient {
 public:
  std::string TargetHost = "127.0.0.1";  // where the running request connects
  std::string TargetPort = "80";
  std::string IPInterface = "0.0.0.0";   // local address to bind; "0.0.0.0" binds nothing
  int32_t Timeout = 90000;               // ms of silence allowed per wait for data
  std::string UserName, Password;        // used when the URL carries no user
  TTcpConnection Sock;
};

class THttpClient : public TNetClient {
 public:
  // Bounds on what a server may send. A longer line or header block fails the request as a
  // read error does; a larger body fails the body read. The body bound holds for a body handed
  // to a sink as well: progress and sizes are signed 32-bit numbers.
  static constexpr int32_t kMaxResponseLine = 1 << 20;
  static constexpr size_t kMaxHeaderBlock = 8 << 20;
  static constexpr size_t kMaxHeaderLines = 100000;
  static constexpr size_t kMaxDocument = 0x7FFFFFFF;
  // Chunked framing: the longest chunk-size line, extensions included, and how far the framing
  // of a body (size lines and line breaks) may outweigh its data before the body fails.
  static constexpr int32_t kMaxChunkSizeLine = 4096;
  static constexpr size_t kMaxChunkFramingExcess = 1 << 20;
  // Cookies kept, bounded the way browsers bound one host's: at most kMaxCookies entries of at
  // most kMaxCookieBytes (name, "=" and value) each. A larger one, or a new one once the list
  // is full, is dropped; changes and deletions of kept ones still apply.
  static constexpr int kMaxCookies = 50;
  static constexpr size_t kMaxCookieBytes = 4096;
  // Storage set aside for a body of announced length before it arrives: at most this much, or
  // four times what has arrived when that is more,
  static constexpr size_t kBodyReserveAhead = 16u << 20;
  // and backed with memory this far ahead of the data received.
  static constexpr size_t kPrepareAhead = 4u << 20;

  THttpClient();
  virtual ~THttpClient();

  TTransferMode TransferMode = TTransferMode::OpenEnded;
  std::string ConnectedHost, ConnectedPort;  // of the open connection; empty when none
  TStringList Headers;   // before a request: extra request lines; after: the response head
  TMemoryStream Document;  // request body out (rarely), response body in
  std::string MimeType = "text/html";
  std::string Protocol = "1.0";
  bool KeepAlive = true;
  int32_t KeepAliveTimeout = 300;
  std::string ProxyHost;  // empty: no proxy
  std::string ProxyPort = "8080";
  std::string ProxyUser, ProxyPass;  // for whichever proxy a request goes through
  // Where ProxyHost (or the choice of no proxy) came from, for the lines that name the way taken.
  TProxyOrigin ProxyOrigin = TProxyOrigin::None;
  // With ProxyHost empty: true asks the system for each request's proxy (SystemProxyFor);
  // false connects directly.
  bool UseSystemProxy = false;
  // Where UseSystemProxy asks; tests put a stand-in here.
  TSystemProxy (*FindSystemProxy)(const std::string& url, const std::string& scheme,
                                  const std::string& host, const std::string& port) = SystemProxyFor;
  int32_t ResultCode = 0;
  std::string ResultString;
  std::string UserAgent = "Mozilla/4.0 (compatible; qvxupdate)";
  TStringList Cookies;  // name=value entries, kept from one request to the next
  int32_t DownloadSize = 0;  // announced length of the body (of the chunk, when chunked)
  int32_t UploadSize = 0;    // bytes of request body sent
  int32_t RangeStart = 0, RangeEnd = 0;  // both 0: no range
  bool AddPortNumberToHost = true;
  TChunkReadEvent OnChunkRead;
  // Set by AbortTransfer only, read by the transfer thread; never cleared.
  std::atomic<bool> AbortRequested{false};

  // Empties Headers, Document and the range and resets MimeType; cookies, the connection and
  // the abort flag stay.
  void ResetRequest();
  // One exchange. True when the response was read to its end without a socket error,
  // whatever its status. Returns false at once, touching nothing, once aborted.
  bool ExecuteMethod(const std::string& method, const std::string& url);
  // The same exchange with the response body handed to sink, for this request only, instead of
  // being kept in Document (which stays empty). A sink that refuses bytes fails the request.
  bool ExecuteMethod(const std::string& method, const std::string& url, TBodySink* sink);
  // Bytes of the last response's body, whether kept in Document or handed to a sink.
  size_t BodySize() const { return FBodySize; }
  // Thread-safe: stops the running and every later request.
  void AbortTransfer();
  // The way the last request went, for the log and for a failure line.
  struct TRouteTaken {
    TProxyHop Hop;  // the proxy the request went through, or tried last; direct: empty host
    TProxyOrigin Origin = TProxyOrigin::None;
    std::string Setting;       // which setting decided, in words; never a credential
    bool Credentials = false;  // proxy credentials were offered
    // Ways given up before the last one because they could not be reached, with the socket
    // error of each.
    std::vector<std::pair<TProxyHop, int32_t>> Unreachable;
  };
  const TRouteTaken& RouteTaken() const { return FRoute; }
  // Why the last https request failed at its TLS step or during its TLS reads, in words
  // naming the host ("the certificate of {host} has expired ..."); empty when TLS did not fail.
  std::string TlsFailureText() const { return Sock.TlsFailureText(); }
  // Why the last request's chunked framing failed it, in words; empty when it did not.
  const std::string& FramingFailureText() const { return FFramingFailure; }
  // What the log should say about the connection's TLS session (tcp_connection.h); empty when
  // nothing.
  const std::string& TlsNote() const { return Sock.TlsNote(); }

 protected:
  virtual bool ReadToClose();
  virtual bool ReadByLength(int32_t length);
  virtual bool ReadChunkedBody();

 private:
  struct TRoute;
  void BuildRequest(const std::string& method, const TRoute& route);
  // The proxies to try for the request, in order (a direct connection is a hop with no host).
  void PlanHops(const TRoute& route);
  // Sets the connection up through the first hop from FHop on that can be reached, building the
  // request for it; a hop that cannot be reached gives way to the next one while the request's
  // Timeout lasts.
  bool ConnectThroughHops(const std::string& method, const TRoute& route, std::string& request);
  bool EnsureConnection(bool tlsWanted);
  void ReadStatusLine();
  bool ReadHeaderBlock();
  void ApplyHeader(const std::string& header);
  void DecodeStatusLine(const std::string& line);
  void ParseSetCookies();
  // A line of the response head, counted against the head's bounds.
  std::string ReceiveHeadLine();
  void DropConnection();
  // Whether the connection may carry the next request once this answer was read (complete:
  // to its end without an error).
  bool KeepsConnection(bool complete) const;
  // Exactly n bytes of a length-framed body, into Document or through the sink.
  bool ReceiveBlock(size_t n, size_t documentWanted, size_t& documentPrepared);

  std::vector<TProxyHop> FHops;
  size_t FHop = 0;
  size_t FRequestHop = SIZE_MAX;  // the hop the request text was built for
  std::string FHopUser, FHopPass;
  std::vector<std::string> FCallerLines;  // the caller's request lines, kept for a rebuild
  TRouteTaken FRoute;
  int32_t FAnnouncedLength = -1;
  bool FProxyMode = false;
  bool FCloseMarked = false;  // the answer's connection header says close
  bool FKeepOffered = false;  // the answer's connection header says keep-alive
  bool FReused = false;  // the last EnsureConnection kept the open connection
  std::string FConnectedTunnel;  // "host:port" of the tunnel the open connection went through
  size_t FHeadBytes = 0;
  size_t FHeadLines = 0;
  size_t FBodySize = 0;
  std::string FFramingFailure;
  // The sink of the running request (none: Document), and the bytes of a response without
  // status line, which wait for the end of the head before they go to the sink.
  TBodySink* FSink = nullptr;
  std::string FLead;
  // One block of a body on its way to the sink; its storage is kept from block to block.
  std::string FBlock;
};

}  // namespace qvx
