#pragma once
// Shared by the libcrypto back ends of crypto.h and signing_key.h.
#include <openssl/evp.h>

#include <string>

namespace qvx::crypto_posix {

// A P-256 public key from 04||X||Y; null when the point is malformed or not on the curve.
EVP_PKEY* PublicKeyFromPoint(const std::string& point);

}  // namespace qvx::crypto_posix
