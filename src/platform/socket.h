#pragma once
// The sockets seam: thin, non-blocking primitives over Windows Sockets 2.2 or BSD sockets.
// Every failure is reported as a Windows Sockets error number, on both back ends, so the layers
// above see one vocabulary. Waiting, retrying and time limits belong to the callers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/errors.h"

namespace qvx {

// The socket library could not be loaded when the program started.
class ESocketError : public Exception {
  using Exception::Exception;
};

using SocketHandle = intptr_t;
constexpr SocketHandle kNoSocket = -1;

// Windows Sockets error numbers that the network layer names.
namespace sockerr {
constexpr int32_t kInterrupted = 10004;      // a wait cut short by an interrupt
constexpr int32_t kWouldBlock = 10035;       // nothing to do without waiting
constexpr int32_t kMessageTooLong = 10040;   // an incoming line or block beyond its bound
constexpr int32_t kInvalidArgument = 10022;
constexpr int32_t kConnectionReset = 10054;  // peer closed or reset
constexpr int32_t kNotConnected = 10057;
constexpr int32_t kTimedOut = 10060;         // nothing arrived within the wait
constexpr int32_t kConnectionRefused = 10061;
constexpr int32_t kTlsUnavailable = 10091;   // no TLS implementation is present
// Not a Windows Sockets number: the one Windows gives for a secure channel that could not be set
// up or broke (the connection then tells why in words).
constexpr int32_t kTlsFailed = 12175;
constexpr int32_t kSystemCallFailure = 10107;
constexpr int32_t kHostNotFound = 11001;
}  // namespace sockerr

// One resolved address, as the platform's sockaddr bytes.
struct SocketAddress {
  int family = 0;
  std::vector<uint8_t> bytes;
};

// Loads the socket library once per process; raises ESocketError when it cannot be loaded.
void EnsureSocketLibrary();

// Resolves host and port (a number or a service name). IPv4 addresses are looked for first;
// IPv6 only when there is none. Returns 0 or an error number.
int32_t SocketResolve(const std::string& host, const std::string& port, SocketAddress& address);

// Creates a non-blocking TCP socket for the address family.
int32_t SocketCreate(int family, SocketHandle& handle);
int32_t SocketSetBufferSizes(SocketHandle handle, int32_t receive, int32_t send);
int32_t SocketBind(SocketHandle handle, const SocketAddress& address);
// Starts a connect; kWouldBlock means it is under way (wait for writability, then
// SocketConnectResult).
int32_t SocketConnectStart(SocketHandle handle, const SocketAddress& address);
int32_t SocketConnectResult(SocketHandle handle);

// Sends up to n bytes; sent receives how many the system took. kWouldBlock when none fit.
int32_t SocketSend(SocketHandle handle, const char* data, size_t n, size_t& sent);
// Receives up to n bytes; received = 0 with result 0 is an orderly close by the peer.
// kWouldBlock when nothing is waiting.
int32_t SocketReceive(SocketHandle handle, char* data, size_t n, size_t& received);

// Waits up to ms milliseconds (0: no wait) for readability (or writability when forWrite).
// ready tells whether the socket became ready; an end of stream or an error counts as ready.
int32_t SocketWait(SocketHandle handle, bool forWrite, int32_t ms, bool& ready);

// Shuts down the sending direction only, or both. Safe to call from another thread while the
// handle is in use there; a wait in progress on it then ends.
void SocketShutdown(SocketHandle handle, bool both);
void SocketClose(SocketHandle handle);

// Listening sockets, for loopback servers in tests and tools.
int32_t SocketListen(const std::string& host, const std::string& port, SocketHandle& handle);
int32_t SocketLocalPort(SocketHandle handle, int32_t& port);
// Accepts one pending connection (kWouldBlock when none); the new socket is non-blocking too.
int32_t SocketAccept(SocketHandle listener, SocketHandle& handle);
// Makes the peer see a reset instead of an orderly close when the socket is closed.
void SocketSetAbortiveClose(SocketHandle handle);

}  // namespace qvx
