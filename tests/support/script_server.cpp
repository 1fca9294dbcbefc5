#include "support/script_server.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace qvx::test {

ServerScript& ServerScript::ReadRequest() {
  FSteps.push_back({Step::kReadRequest, {}, 0});
  return *this;
}
ServerScript& ServerScript::Send(const std::string& bytes) {
  FSteps.push_back({Step::kSend, bytes, 0});
  return *this;
}
ServerScript& ServerScript::Pause(int ms) {
  FSteps.push_back({Step::kPause, {}, ms});
  return *this;
}
ServerScript& ServerScript::Reset() {
  FSteps.push_back({Step::kReset, {}, 0});
  return *this;
}

ScriptServer::ScriptServer(std::vector<ServerScript> scripts, int lifetimeMs)
    : FScripts(std::move(scripts)), FLifetimeMs(lifetimeMs), FReceived(FScripts.size()) {
  EnsureSocketLibrary();
  if (SocketListen("127.0.0.1", "0", FListener) != 0 || SocketLocalPort(FListener, FPort) != 0)
    throw std::runtime_error("script server: cannot listen on 127.0.0.1");
  FThread = std::thread(&ScriptServer::Run, this);
}

ScriptServer::~ScriptServer() {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FStop = true;
  }
  FChanged.notify_all();
  FThread.join();
  SocketClose(FListener);
}

std::string OkAnswer(const std::string& body, const std::string& moreHeaders) {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
         moreHeaders + "\r\n" + body;
}

std::string ScriptServer::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(FPort); }

std::vector<std::string> ScriptServer::Received() {
  std::lock_guard<std::mutex> lock(FLock);
  return FReceived;
}

bool ScriptServer::WaitDone(int ms) {
  std::unique_lock<std::mutex> lock(FLock);
  return FChanged.wait_for(lock, std::chrono::milliseconds(ms), [this] { return FDone; });
}

bool ScriptServer::Idle(int ms) {
  std::unique_lock<std::mutex> lock(FLock);
  return !FChanged.wait_for(lock, std::chrono::milliseconds(ms), [this] { return FStop; });
}

void ScriptServer::Record(size_t index, const char* data, size_t n) {
  std::lock_guard<std::mutex> lock(FLock);
  FReceived[index].append(data, n);
}

bool ScriptServer::ReadSome(SocketHandle client, size_t index, int waitMs, bool& closed) {
  closed = false;
  bool ready = false;
  if (SocketWait(client, false, waitMs, ready) != 0) {
    closed = true;
    return false;
  }
  if (!ready) return false;
  char buffer[16384];
  size_t got = 0;
  int32_t rc = SocketReceive(client, buffer, sizeof buffer, got);
  if (rc == sockerr::kWouldBlock) return false;
  if (rc != 0 || got == 0) {
    closed = true;
    return false;
  }
  Record(index, buffer, got);
  return true;
}

void ScriptServer::Play(SocketHandle client, const ServerScript& script, size_t index) {
  bool closed = false;
  size_t seen = 0;  // request bytes already matched against a header-block end
  for (const auto& step : script.Steps()) {
    switch (step.kind) {
      case ServerScript::Step::kReadRequest:
        for (;;) {
          std::string got = Received()[index];
          size_t end = got.find("\r\n\r\n", seen);
          if (end != std::string::npos) {
            seen = end + 4;
            break;
          }
          if (!Idle(0)) return;
          ReadSome(client, index, 50, closed);
          if (closed) return;
        }
        break;
      case ServerScript::Step::kSend: {
        size_t done = 0;
        while (done < step.bytes.size()) {
          size_t sent = 0;
          int32_t rc = SocketSend(client, step.bytes.data() + done, step.bytes.size() - done, sent);
          if (rc == sockerr::kWouldBlock) {
            bool ready = false;
            SocketWait(client, true, 50, ready);
            if (!Idle(0)) return;
            continue;
          }
          if (rc != 0) return;
          done += sent;
        }
        break;
      }
      case ServerScript::Step::kPause: {
        // A pause ends early once the client has closed: nothing sent after it could arrive,
        // and the client's next connection, which waits behind this one, must not time out.
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.ms);
        for (;;) {
          const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
              end - std::chrono::steady_clock::now()).count();
          if (left <= 0) break;
          if (!Idle(0)) return;
          ReadSome(client, index, static_cast<int>(std::min<long long>(left, 20)), closed);
          if (closed) return;
        }
        break;
      }
      case ServerScript::Step::kReset:
        SocketSetAbortiveClose(client);
        return;
    }
  }
  // Whatever else the client sent is recorded, and reading it first keeps the close orderly.
  while (ReadSome(client, index, 0, closed)) {
  }
}

void ScriptServer::Run() {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(FLifetimeMs);
  for (size_t index = 0; index < FScripts.size(); ++index) {
    SocketHandle client = kNoSocket;
    for (;;) {
      if (!Idle(0) || Clock::now() >= deadline) goto finished;
      bool ready = false;
      SocketWait(FListener, false, 50, ready);
      if (ready && SocketAccept(FListener, client) == 0) break;
    }
    Play(client, FScripts[index], index);
    SocketClose(client);
  }
finished:
  {
    std::lock_guard<std::mutex> lock(FLock);
    FDone = true;
  }
  FChanged.notify_all();
}

}  // namespace qvx::test
