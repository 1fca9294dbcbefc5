#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include "platform/socket.h"

namespace qvx {
namespace {

// The boundary between the two vocabularies: errno values become the Windows Sockets numbers
// for the same condition.
int32_t Translate(int e) {
  switch (e) {
    case 0: return 0;
    case EINTR: return sockerr::kInterrupted;
    case EBADF: return sockerr::kBadHandle;
    case EACCES: return sockerr::kAccessDenied;
    case EFAULT: return sockerr::kBadAddress;
    case EINVAL: return sockerr::kInvalidArgument;
    case EMFILE: case ENFILE: return sockerr::kTooManyOpen;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK: return sockerr::kWouldBlock;
    case EINPROGRESS: return sockerr::kInProgress;
    case EALREADY: return sockerr::kAlreadyInProgress;
    case ENOTSOCK: return sockerr::kNotASocket;
    case EDESTADDRREQ: return sockerr::kDestinationRequired;
    case EMSGSIZE: return sockerr::kMessageTooLong;
    case EPROTOTYPE: return sockerr::kWrongProtocolType;
    case ENOPROTOOPT: return sockerr::kBadProtocolOption;
    case EPROTONOSUPPORT: return sockerr::kProtocolNotSupported;
    case EOPNOTSUPP: return sockerr::kOperationNotSupported;
    case EAFNOSUPPORT: return sockerr::kFamilyNotSupported;
    case EADDRINUSE: return sockerr::kAddressInUse;
    case EADDRNOTAVAIL: return sockerr::kAddressNotAvailable;
    case ENETDOWN: return sockerr::kNetworkDown;
    case ENETUNREACH: return sockerr::kNetworkUnreachable;
    case ENETRESET: return sockerr::kNetworkReset;
    case ECONNABORTED: return sockerr::kConnectionAborted;
    case ECONNRESET: case EPIPE: return sockerr::kConnectionReset;
    case ENOBUFS: case ENOMEM: return sockerr::kNoBufferSpace;
    case EISCONN: return sockerr::kAlreadyConnected;
    case ENOTCONN: return sockerr::kNotConnected;
    case ESHUTDOWN: return sockerr::kShutDown;
    case ETIMEDOUT: return sockerr::kTimedOut;
    case ECONNREFUSED: return sockerr::kConnectionRefused;
    case EHOSTDOWN: return sockerr::kHostDown;
    case EHOSTUNREACH: return sockerr::kHostUnreachable;
    default: return sockerr::kSystemCallFailure;
  }
}

int32_t LastError() { return Translate(errno); }

// getaddrinfo's codes, into the same numbers.
int32_t TranslateResolve(int rc) {
  switch (rc) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
      return sockerr::kHostNotFound;
    case EAI_AGAIN: return sockerr::kNameServerNoAnswer;
    case EAI_SERVICE: return sockerr::kServiceNotFound;
    case EAI_FAMILY: return sockerr::kFamilyNotSupported;
    case EAI_MEMORY: return sockerr::kOutOfMemory;
    case EAI_SYSTEM: return LastError();
    default: return sockerr::kNameServerFailed;
  }
}

int32_t Lookup(const std::string& host, const std::string& port, int family, SocketAddress& address) {
  addrinfo hints{};
  hints.ai_family = family;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  int rc = getaddrinfo(host.empty() ? nullptr : host.c_str(), port.c_str(), &hints, &list);
  if (rc != 0) return TranslateResolve(rc);
  if (!list) return sockerr::kHostNotFound;
  address.family = list->ai_family;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(list->ai_addr);
  address.bytes.assign(p, p + list->ai_addrlen);
  freeaddrinfo(list);
  return 0;
}

int32_t MakeNonBlocking(int fd) {
  int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return LastError();
#ifdef SO_NOSIGPIPE
  // A write to a closed peer is an error code, never a SIGPIPE (MSG_NOSIGNAL where it exists).
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
  return 0;
}

const sockaddr* Addr(const SocketAddress& a) {
  return reinterpret_cast<const sockaddr*>(a.bytes.data());
}

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

}  // namespace

void EnsureSocketLibrary() {}

int32_t SocketResolve(const std::string& host, const std::string& port, SocketAddress& address) {
  int32_t rc = Lookup(host, port, AF_INET, address);
  if (rc == sockerr::kHostNotFound || rc == sockerr::kFamilyNotSupported) rc = Lookup(host, port, AF_INET6, address);
  return rc;
}

int32_t SocketCreate(int family, SocketHandle& handle) {
  handle = kNoSocket;
  int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return LastError();
  int32_t rc = MakeNonBlocking(fd);
  if (rc != 0) {
    close(fd);
    return rc;
  }
  handle = fd;
  return 0;
}

int32_t SocketSetBufferSizes(SocketHandle handle, int32_t receive, int32_t send) {
  int fd = static_cast<int>(handle);
  if (receive > 0 && setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive, sizeof receive) < 0)
    return LastError();
  if (send > 0 && setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &send, sizeof send) < 0)
    return LastError();
  return 0;
}

int32_t SocketBind(SocketHandle handle, const SocketAddress& address) {
  if (bind(static_cast<int>(handle), Addr(address), static_cast<socklen_t>(address.bytes.size())) < 0)
    return LastError();
  return 0;
}

int32_t SocketConnectStart(SocketHandle handle, const SocketAddress& address) {
  if (connect(static_cast<int>(handle), Addr(address), static_cast<socklen_t>(address.bytes.size())) == 0)
    return 0;
  if (errno == EINPROGRESS || errno == EINTR) return sockerr::kWouldBlock;
  return LastError();
}

int32_t SocketConnectResult(SocketHandle handle) {
  int err = 0;
  socklen_t len = sizeof err;
  if (getsockopt(static_cast<int>(handle), SOL_SOCKET, SO_ERROR, &err, &len) < 0) return LastError();
  return Translate(err);
}

int32_t SocketSend(SocketHandle handle, const char* data, size_t n, size_t& sent) {
  sent = 0;
  for (;;) {
    ssize_t k = send(static_cast<int>(handle), data, n, kSendFlags);
    if (k >= 0) {
      sent = static_cast<size_t>(k);
      return 0;
    }
    if (errno != EINTR) return LastError();
  }
}

int32_t SocketReceive(SocketHandle handle, char* data, size_t n, size_t& received) {
  received = 0;
  for (;;) {
    ssize_t k = recv(static_cast<int>(handle), data, n, 0);
    if (k >= 0) {
      received = static_cast<size_t>(k);
      return 0;
    }
    if (errno != EINTR) return LastError();
  }
}

int32_t SocketWait(SocketHandle handle, bool forWrite, int32_t ms, bool& ready) {
  pollfd p{};
  p.fd = static_cast<int>(handle);
  p.events = forWrite ? POLLOUT : POLLIN;
  int rc = poll(&p, 1, ms < 0 ? 0 : ms);
  if (rc < 0) {
    ready = false;
    return errno == EINTR ? 0 : LastError();
  }
  ready = rc > 0;
  return 0;
}

void SocketShutdown(SocketHandle handle, bool both) {
  shutdown(static_cast<int>(handle), both ? SHUT_RDWR : SHUT_WR);
}

void SocketClose(SocketHandle handle) { close(static_cast<int>(handle)); }

int32_t SocketBindListening(SocketHandle handle, const SocketAddress& address) {
  int fd = static_cast<int>(handle);
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (bind(fd, Addr(address), static_cast<socklen_t>(address.bytes.size())) < 0 || listen(fd, 64) < 0)
    return LastError();
  return 0;
}

int32_t SocketLocalPort(SocketHandle handle, int32_t& port) {
  sockaddr_storage s{};
  socklen_t len = sizeof s;
  if (getsockname(static_cast<int>(handle), reinterpret_cast<sockaddr*>(&s), &len) < 0)
    return LastError();
  if (s.ss_family == AF_INET)
    port = ntohs(reinterpret_cast<sockaddr_in*>(&s)->sin_port);
  else
    port = ntohs(reinterpret_cast<sockaddr_in6*>(&s)->sin6_port);
  return 0;
}

int32_t SocketAccept(SocketHandle listener, SocketHandle& handle) {
  handle = kNoSocket;
  int fd = accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return LastError();
  handle = fd;
  return 0;
}

void SocketSetAbortiveClose(SocketHandle handle) {
  linger l{};
  l.l_onoff = 1;
  l.l_linger = 0;
  setsockopt(static_cast<int>(handle), SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

}  // namespace qvx
