// THttpClient reading whatever a peer sends. The fuzz input is played by a loopback peer on a
// thread of this process: it accepts the client's connection, reads its request, sends the
// script and then closes, resets or falls silent (the client's Timeout is short, so silence ends
// the request quickly). Up to two scripts run on the same client, so cookies and a connection
// left by the first request meet the second.
//
// Input: one flag byte, then the scripts separated by FF bytes.
//   flags bit 0-1: 0 orderly close, 1 reset, 2 silence until the client gives up
//   flags bit 2:   through a proxy (the peer plays the proxy)
//   flags bit 3:   method "HEAD" instead of "GET"
//   flags bit 4:   a progress handler is assigned
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "fuzz_support.h"
#include "net/http_client.h"
#include "platform/socket.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPeerWaitMs = 2000;  // how long the peer waits for the client at any step

enum class TEnding { kClose, kReset, kSilence };

class TPeer {
 public:
  TPeer() {
    qvx::EnsureSocketLibrary();
    FUZZ_CHECK(qvx::SocketListen("127.0.0.1", "0", FListener) == 0);
    FUZZ_CHECK(qvx::SocketLocalPort(FListener, FPort) == 0);
  }
  int32_t Port() const { return FPort; }

  // Serves one connection per script, in order, on a thread of its own.
  void Start(std::vector<std::string> scripts, TEnding ending) {
    FThread = std::thread([this, scripts = std::move(scripts), ending] {
      for (const auto& script : scripts) {
        qvx::SocketHandle client = qvx::kNoSocket;
        if (!Accept(client)) return;
        Play(client, script, ending);
      }
    });
  }
  void Join() { FThread.join(); }

 private:
  bool Wait(qvx::SocketHandle h, bool forWrite, int ms) {
    bool ready = false;
    return qvx::SocketWait(h, forWrite, ms, ready) == 0 && ready;
  }

  bool Accept(qvx::SocketHandle& client) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kPeerWaitMs);
    while (Clock::now() < deadline) {
      if (Wait(FListener, false, 50) && qvx::SocketAccept(FListener, client) == 0) return true;
    }
    return false;
  }

  // Reads what the client sends until its header block ends, or until it closes (0 = closed).
  int ReadUntil(qvx::SocketHandle client, const char* end) {
    std::string got;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kPeerWaitMs);
    while (Clock::now() < deadline) {
      if (end && got.find(end) != std::string::npos) return 1;
      if (!Wait(client, false, 50)) continue;
      char buffer[4096];
      size_t n = 0;
      int32_t rc = qvx::SocketReceive(client, buffer, sizeof buffer, n);
      if (rc == qvx::sockerr::kWouldBlock) continue;
      if (rc != 0 || n == 0) return 0;
      got.append(buffer, n);
    }
    return -1;
  }

  void Play(qvx::SocketHandle client, const std::string& script, TEnding ending) {
    bool open = ReadUntil(client, "\r\n\r\n") == 1;
    size_t done = 0;
    while (open && done < script.size()) {
      size_t sent = 0;
      int32_t rc = qvx::SocketSend(client, script.data() + done, script.size() - done, sent);
      if (rc == qvx::sockerr::kWouldBlock) {
        open = Wait(client, true, kPeerWaitMs);
        continue;
      }
      open = rc == 0;
      done += sent;
    }
    if (ending == TEnding::kReset) {
      qvx::SocketSetAbortiveClose(client);
    } else {
      // Silence: the client gives up after its Timeout and closes. Close: the peer stops
      // sending and waits for the client's close, which keeps the close orderly.
      if (ending == TEnding::kClose) qvx::SocketShutdown(client, false);
      if (open) ReadUntil(client, nullptr);
    }
    qvx::SocketClose(client);
  }

  qvx::SocketHandle FListener = qvx::kNoSocket;
  int32_t FPort = 0;
  std::thread FThread;
};

void CheckAfterRequest(const qvx::THttpClient& client, bool ok, size_t sent) {
  for (int i = 0; i < client.Headers.Count(); ++i)
    FUZZ_CHECK(client.Headers.LineAt(i).find_first_of("\r\n") == std::string::npos);
  FUZZ_CHECK(client.Document.Position() == 0 || !ok);
  // The body never holds more than arrived (a bare first line gains at most a CR LF).
  FUZZ_CHECK(client.Document.Size() <= sent + 2);
  if (ok) {
    // HTTP/1.0: the connection never outlives a complete response.
    FUZZ_CHECK(!client.Sock.IsOpen());
    FUZZ_CHECK(client.ConnectedHost.empty() && client.ConnectedPort.empty());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TPeer* peer = new TPeer();
  qvx::fuzz::FuzzInput in(data, size);
  const uint8_t flags = in.Byte();
  std::vector<std::string> scripts;
  scripts.push_back(in.Field());
  if (!in.Empty()) scripts.push_back(in.Field());

  const TEnding ending = (flags & 3) == 1 ? TEnding::kReset
                         : (flags & 3) == 2 ? TEnding::kSilence
                                            : TEnding::kClose;
  const std::string method = (flags & 8) ? "HEAD" : "GET";
  const std::string port = std::to_string(peer->Port());

  qvx::THttpClient client;
  // Silence is the only way this peer lets a wait run out, so only then is the wait short.
  client.Timeout = ending == TEnding::kSilence ? 20 : 5000;
  std::string url = "http://127.0.0.1:" + port + "/qvx/up.txt";
  if (flags & 4) {
    client.ProxyHost = "127.0.0.1";
    client.ProxyPort = port;
    url = "http://updates.invalid/qvx/up.txt";
  }
  int32_t events = 0;
  if (flags & 16) {
    client.OnChunkRead = [&events](qvx::THttpClient& sender, int32_t block, int32_t blocks) {
      FUZZ_CHECK(block >= 1 && block <= blocks);
      FUZZ_CHECK(sender.DownloadSize > 0);
      ++events;
    };
  }

  peer->Start(scripts, ending);
  for (size_t i = 0; i < scripts.size(); ++i) {
    client.ResetRequest();
    client.Headers.Add("Accept-Encoding: gzip");
    const bool ok = client.ExecuteMethod(method, url);
    CheckAfterRequest(client, ok, scripts[i].size());
  }
  peer->Join();
  return 0;
}
