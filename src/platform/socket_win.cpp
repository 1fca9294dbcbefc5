#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

#include "platform/socket.h"

namespace qvx {

// The seam's names for the error numbers are the system's own.
static_assert(sockerr::kOutOfMemory == WSA_NOT_ENOUGH_MEMORY);
static_assert(sockerr::kInterrupted == WSAEINTR);
static_assert(sockerr::kBadHandle == WSAEBADF);
static_assert(sockerr::kAccessDenied == WSAEACCES);
static_assert(sockerr::kBadAddress == WSAEFAULT);
static_assert(sockerr::kInvalidArgument == WSAEINVAL);
static_assert(sockerr::kTooManyOpen == WSAEMFILE);
static_assert(sockerr::kWouldBlock == WSAEWOULDBLOCK);
static_assert(sockerr::kInProgress == WSAEINPROGRESS);
static_assert(sockerr::kAlreadyInProgress == WSAEALREADY);
static_assert(sockerr::kNotASocket == WSAENOTSOCK);
static_assert(sockerr::kDestinationRequired == WSAEDESTADDRREQ);
static_assert(sockerr::kMessageTooLong == WSAEMSGSIZE);
static_assert(sockerr::kWrongProtocolType == WSAEPROTOTYPE);
static_assert(sockerr::kBadProtocolOption == WSAENOPROTOOPT);
static_assert(sockerr::kProtocolNotSupported == WSAEPROTONOSUPPORT);
static_assert(sockerr::kOperationNotSupported == WSAEOPNOTSUPP);
static_assert(sockerr::kFamilyNotSupported == WSAEAFNOSUPPORT);
static_assert(sockerr::kAddressInUse == WSAEADDRINUSE);
static_assert(sockerr::kAddressNotAvailable == WSAEADDRNOTAVAIL);
static_assert(sockerr::kNetworkDown == WSAENETDOWN);
static_assert(sockerr::kNetworkUnreachable == WSAENETUNREACH);
static_assert(sockerr::kNetworkReset == WSAENETRESET);
static_assert(sockerr::kConnectionAborted == WSAECONNABORTED);
static_assert(sockerr::kConnectionReset == WSAECONNRESET);
static_assert(sockerr::kNoBufferSpace == WSAENOBUFS);
static_assert(sockerr::kAlreadyConnected == WSAEISCONN);
static_assert(sockerr::kNotConnected == WSAENOTCONN);
static_assert(sockerr::kShutDown == WSAESHUTDOWN);
static_assert(sockerr::kTimedOut == WSAETIMEDOUT);
static_assert(sockerr::kConnectionRefused == WSAECONNREFUSED);
static_assert(sockerr::kHostDown == WSAEHOSTDOWN);
static_assert(sockerr::kHostUnreachable == WSAEHOSTUNREACH);
static_assert(sockerr::kTlsUnavailable == WSASYSNOTREADY);
static_assert(sockerr::kSystemCallFailure == WSASYSCALLFAILURE);
static_assert(sockerr::kServiceNotFound == WSATYPE_NOT_FOUND);
static_assert(sockerr::kHostNotFound == WSAHOST_NOT_FOUND);
static_assert(sockerr::kNameServerNoAnswer == WSATRY_AGAIN);
static_assert(sockerr::kNameServerFailed == WSANO_RECOVERY);

namespace {

SOCKET S(SocketHandle h) { return static_cast<SOCKET>(h); }
int32_t LastError() { return WSAGetLastError(); }

int32_t Lookup(const std::string& host, const std::string& port, int family, SocketAddress& address) {
  addrinfo hints{};
  hints.ai_family = family;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  int rc = getaddrinfo(host.empty() ? nullptr : host.c_str(), port.c_str(), &hints, &list);
  if (rc != 0) return rc;
  if (!list) return sockerr::kHostNotFound;
  address.family = list->ai_family;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(list->ai_addr);
  address.bytes.assign(p, p + list->ai_addrlen);
  freeaddrinfo(list);
  return 0;
}

// Hands s out through handle once it is non-blocking; closes it when it cannot be made so.
int32_t AdoptNonBlocking(SOCKET s, SocketHandle& handle) {
  u_long on = 1;
  if (ioctlsocket(s, FIONBIO, &on) == SOCKET_ERROR) {
    const int32_t rc = LastError();
    closesocket(s);
    return rc;
  }
  handle = static_cast<SocketHandle>(s);
  return 0;
}

const sockaddr* Addr(const SocketAddress& a) {
  return reinterpret_cast<const sockaddr*>(a.bytes.data());
}

}  // namespace

void EnsureSocketLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
      throw ESocketError("Error loading Socket interface (ws2_32.dll)!");
  });
}

int32_t SocketResolve(const std::string& host, const std::string& port, SocketAddress& address) {
  int32_t rc = Lookup(host, port, AF_INET, address);
  if (rc == WSAHOST_NOT_FOUND || rc == WSANO_DATA || rc == WSAEAFNOSUPPORT)
    rc = Lookup(host, port, AF_INET6, address);
  return rc;
}

int32_t SocketCreate(int family, SocketHandle& handle) {
  handle = kNoSocket;
  SOCKET s = WSASocketA(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) s = socket(family, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return LastError();
  return AdoptNonBlocking(s, handle);
}

int32_t SocketSetBufferSizes(SocketHandle handle, int32_t receive, int32_t send) {
  if (receive > 0 && setsockopt(S(handle), SOL_SOCKET, SO_RCVBUF,
                                reinterpret_cast<const char*>(&receive), sizeof receive) == SOCKET_ERROR)
    return LastError();
  if (send > 0 && setsockopt(S(handle), SOL_SOCKET, SO_SNDBUF,
                             reinterpret_cast<const char*>(&send), sizeof send) == SOCKET_ERROR)
    return LastError();
  return 0;
}

int32_t SocketBind(SocketHandle handle, const SocketAddress& address) {
  if (bind(S(handle), Addr(address), static_cast<int>(address.bytes.size())) == SOCKET_ERROR)
    return LastError();
  return 0;
}

int32_t SocketConnectStart(SocketHandle handle, const SocketAddress& address) {
  if (connect(S(handle), Addr(address), static_cast<int>(address.bytes.size())) == 0) return 0;
  int32_t rc = LastError();
  return rc == WSAEINPROGRESS ? sockerr::kWouldBlock : rc;
}

int32_t SocketConnectResult(SocketHandle handle) {
  int err = 0;
  int len = sizeof err;
  if (getsockopt(S(handle), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) == SOCKET_ERROR)
    return LastError();
  return err;
}

int32_t SocketSend(SocketHandle handle, const char* data, size_t n, size_t& sent) {
  sent = 0;
  int piece = n > 0x40000000 ? 0x40000000 : static_cast<int>(n);
  int k = send(S(handle), data, piece, 0);
  if (k == SOCKET_ERROR) return LastError();
  sent = static_cast<size_t>(k);
  return 0;
}

int32_t SocketReceive(SocketHandle handle, char* data, size_t n, size_t& received) {
  received = 0;
  int piece = n > 0x40000000 ? 0x40000000 : static_cast<int>(n);
  int k = recv(S(handle), data, piece, 0);
  if (k == SOCKET_ERROR) return LastError();
  received = static_cast<size_t>(k);
  return 0;
}

int32_t SocketWait(SocketHandle handle, bool forWrite, int32_t ms, bool& ready) {
  fd_set set, failed;
  FD_ZERO(&set);
  FD_ZERO(&failed);
  FD_SET(S(handle), &set);
  // A failed non-blocking connect is reported only in the exception set.
  FD_SET(S(handle), &failed);
  if (ms < 0) ms = 0;
  timeval tv;
  tv.tv_sec = ms / 1000;
  tv.tv_usec = (ms % 1000) * 1000;
  int rc = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &failed, &tv);
  if (rc == SOCKET_ERROR) {
    ready = false;
    return LastError();
  }
  ready = rc > 0;
  return 0;
}

void SocketShutdown(SocketHandle handle, bool both) { shutdown(S(handle), both ? SD_BOTH : SD_SEND); }

void SocketClose(SocketHandle handle) { closesocket(S(handle)); }

int32_t SocketBindListening(SocketHandle handle, const SocketAddress& address) {
  if (bind(S(handle), Addr(address), static_cast<int>(address.bytes.size())) == SOCKET_ERROR ||
      listen(S(handle), 64) == SOCKET_ERROR)
    return LastError();
  return 0;
}

int32_t SocketLocalPort(SocketHandle handle, int32_t& port) {
  sockaddr_storage s{};
  int len = sizeof s;
  if (getsockname(S(handle), reinterpret_cast<sockaddr*>(&s), &len) == SOCKET_ERROR) return LastError();
  if (s.ss_family == AF_INET)
    port = ntohs(reinterpret_cast<sockaddr_in*>(&s)->sin_port);
  else
    port = ntohs(reinterpret_cast<sockaddr_in6*>(&s)->sin6_port);
  return 0;
}

int32_t SocketAccept(SocketHandle listener, SocketHandle& handle) {
  handle = kNoSocket;
  SOCKET s = accept(S(listener), nullptr, nullptr);
  if (s == INVALID_SOCKET) return LastError();
  return AdoptNonBlocking(s, handle);
}

void SocketSetAbortiveClose(SocketHandle handle) {
  linger l{};
  l.l_onoff = 1;
  l.l_linger = 0;
  setsockopt(S(handle), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
}

}  // namespace qvx
