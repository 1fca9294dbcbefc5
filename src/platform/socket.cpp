#include "platform/socket.h"

namespace qvx {

int32_t SocketListen(const std::string& host, const std::string& port, SocketHandle& handle) {
  handle = kNoSocket;
  SocketAddress address;
  int32_t rc = SocketResolve(host, port, address);
  if (rc != 0) return rc;
  rc = SocketCreate(address.family, handle);
  if (rc != 0) return rc;
  rc = SocketBindListening(handle, address);
  if (rc != 0) {
    SocketClose(handle);
    handle = kNoSocket;
  }
  return rc;
}

}  // namespace qvx
