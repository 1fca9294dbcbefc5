#include "platform/tls.h"

namespace qvx {

std::string DescribeTlsFailure(TlsFailure failure, const std::string& host) {
  switch (failure) {
    case TlsFailure::None: return std::string();
    case TlsFailure::UntrustedIssuer:
      return "the certificate of " + host + " is not issued by a trusted authority";
    case TlsFailure::Expired: return "the certificate of " + host + " has expired or is not valid yet";
    case TlsFailure::NameMismatch: return "the certificate of " + host + " is made out to another name";
    case TlsFailure::Revoked: return "the certificate of " + host + " has been revoked";
    case TlsFailure::BadCertificate: return "the certificate of " + host + " was rejected";
    case TlsFailure::HandshakeFailed: return "the secure connection to " + host + " failed (TLS handshake)";
    case TlsFailure::Broken: return "the secure connection to " + host + " broke off";
  }
  return std::string();
}

}  // namespace qvx
