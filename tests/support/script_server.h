#pragma once
// A loopback HTTP peer that plays canned byte scripts, for protocol cases that need exact bytes,
// packet boundaries and silences. It listens on 127.0.0.1 on a free port, serves connections one
// after another (the n-th connection plays the n-th script), records what each client sent, and
// stops by itself when the scripts are played or its lifetime is over. It runs on a thread of
// the test process, so it works natively and under Wine alike.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace qvx::test {

class ServerScript {
 public:
  // Reads until the client's header block ends (an empty line).
  ServerScript& ReadRequest();
  // Sends the bytes as one write; a following Pause keeps them in a packet of their own.
  ServerScript& Send(const std::string& bytes);
  // Waits ms, or until the client closes the connection, whichever comes first.
  ServerScript& Pause(int ms);
  // Ends the connection with a reset instead of an orderly close.
  ServerScript& Reset();
  // ReadRequest, then Send.
  ServerScript& Answer(const std::string& bytes) { return ReadRequest().Send(bytes); }

  struct Step {
    enum Kind { kReadRequest, kSend, kPause, kReset } kind;
    std::string bytes;
    int ms = 0;
  };
  const std::vector<Step>& Steps() const { return FSteps; }

 private:
  std::vector<Step> FSteps;
};

// A whole "200 OK" answer over HTTP/1.0 with the body's length; moreHeaders are whole lines.
std::string OkAnswer(const std::string& body, const std::string& moreHeaders = "");

class ScriptServer {
 public:
  explicit ScriptServer(std::vector<ServerScript> scripts, int lifetimeMs = 30000);
  ~ScriptServer();
  ScriptServer(const ScriptServer&) = delete;
  ScriptServer& operator=(const ScriptServer&) = delete;

  int32_t Port() const { return FPort; }
  // "http://127.0.0.1:<port>"
  std::string BaseUrl() const;
  // What the client sent on each connection so far, in connection order.
  std::vector<std::string> Received();
  // Waits until every script has been played; false when ms passed first.
  bool WaitDone(int ms);

 private:
  void Run();
  void Play(SocketHandle client, const ServerScript& script, size_t index);
  bool Idle(int ms);  // false when the server is stopping
  void Record(size_t index, const char* data, size_t n);
  bool ReadSome(SocketHandle client, size_t index, int waitMs, bool& closed);

  std::vector<ServerScript> FScripts;
  int FLifetimeMs;
  SocketHandle FListener = kNoSocket;
  int32_t FPort = 0;
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FStop = false;
  bool FDone = false;
  std::vector<std::string> FReceived;
  std::thread FThread;
};

}  // namespace qvx::test
