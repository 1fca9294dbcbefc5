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

// The Windows Sockets error numbers the seam reports, each named once here; the POSIX back end
// translates errno and resolver codes into them in one switch, and the Windows back end checks
// each against the system's own constant (named in the comment).
namespace sockerr {
constexpr int32_t kOutOfMemory = 8;                 // WSA_NOT_ENOUGH_MEMORY
constexpr int32_t kInterrupted = 10004;             // WSAEINTR: a wait cut short by an interrupt
constexpr int32_t kBadHandle = 10009;               // WSAEBADF
constexpr int32_t kAccessDenied = 10013;            // WSAEACCES
constexpr int32_t kBadAddress = 10014;              // WSAEFAULT
constexpr int32_t kInvalidArgument = 10022;         // WSAEINVAL
constexpr int32_t kTooManyOpen = 10024;             // WSAEMFILE
constexpr int32_t kWouldBlock = 10035;              // WSAEWOULDBLOCK: nothing to do without waiting
constexpr int32_t kInProgress = 10036;              // WSAEINPROGRESS
constexpr int32_t kAlreadyInProgress = 10037;       // WSAEALREADY
constexpr int32_t kNotASocket = 10038;              // WSAENOTSOCK
constexpr int32_t kDestinationRequired = 10039;     // WSAEDESTADDRREQ
constexpr int32_t kMessageTooLong = 10040;          // WSAEMSGSIZE: a line or block beyond its bound
constexpr int32_t kWrongProtocolType = 10041;       // WSAEPROTOTYPE
constexpr int32_t kBadProtocolOption = 10042;       // WSAENOPROTOOPT
constexpr int32_t kProtocolNotSupported = 10043;    // WSAEPROTONOSUPPORT
constexpr int32_t kOperationNotSupported = 10045;   // WSAEOPNOTSUPP
constexpr int32_t kFamilyNotSupported = 10047;      // WSAEAFNOSUPPORT
constexpr int32_t kAddressInUse = 10048;            // WSAEADDRINUSE
constexpr int32_t kAddressNotAvailable = 10049;     // WSAEADDRNOTAVAIL
constexpr int32_t kNetworkDown = 10050;             // WSAENETDOWN
constexpr int32_t kNetworkUnreachable = 10051;      // WSAENETUNREACH
constexpr int32_t kNetworkReset = 10052;            // WSAENETRESET
constexpr int32_t kConnectionAborted = 10053;       // WSAECONNABORTED
constexpr int32_t kConnectionReset = 10054;         // WSAECONNRESET: peer closed or reset
constexpr int32_t kNoBufferSpace = 10055;           // WSAENOBUFS
constexpr int32_t kAlreadyConnected = 10056;        // WSAEISCONN
constexpr int32_t kNotConnected = 10057;            // WSAENOTCONN
constexpr int32_t kShutDown = 10058;                // WSAESHUTDOWN
constexpr int32_t kTimedOut = 10060;                // WSAETIMEDOUT: nothing arrived within the wait
constexpr int32_t kConnectionRefused = 10061;       // WSAECONNREFUSED
constexpr int32_t kHostDown = 10064;                // WSAEHOSTDOWN
constexpr int32_t kHostUnreachable = 10065;         // WSAEHOSTUNREACH
constexpr int32_t kTlsUnavailable = 10091;          // WSASYSNOTREADY: no TLS implementation
constexpr int32_t kSystemCallFailure = 10107;       // WSASYSCALLFAILURE: any other failure
constexpr int32_t kServiceNotFound = 10109;         // WSATYPE_NOT_FOUND: an unknown port name
constexpr int32_t kHostNotFound = 11001;            // WSAHOST_NOT_FOUND
constexpr int32_t kNameServerNoAnswer = 11002;      // WSATRY_AGAIN
constexpr int32_t kNameServerFailed = 11003;        // WSANO_RECOVERY
// Not a Windows Sockets number: the one Windows gives for a secure channel that could not be set
// up or broke (the connection then tells why in words).
constexpr int32_t kTlsFailed = 12175;
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
// Binds a fresh socket to the address and starts listening on it; SocketListen's one back-end
// step (POSIX lets the address be bound again while old connections to it linger).
int32_t SocketBindListening(SocketHandle handle, const SocketAddress& address);
int32_t SocketLocalPort(SocketHandle handle, int32_t& port);
// Accepts one pending connection (kWouldBlock when none); the new socket is non-blocking too.
int32_t SocketAccept(SocketHandle listener, SocketHandle& handle);
// Makes the peer see a reset instead of an orderly close when the socket is closed.
void SocketSetAbortiveClose(SocketHandle handle);

}  // namespace qvx
