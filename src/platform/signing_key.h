#pragma once
// A publisher's ECDSA P-256 private key: made, stored as PEM PKCS#8 ("BEGIN PRIVATE KEY", the
// form openssl genpkey writes), and used to sign update lists. CNG on Windows, libcrypto
// elsewhere.
#include <memory>
#include <string>

#include "platform/crypto.h"

namespace qvx {

class TP256SigningKey {
 public:
  // A new random key.
  static TP256SigningKey Generate();
  // Exception naming what is wrong when pem holds no P-256 private key.
  static TP256SigningKey FromPem(const std::string& pem);

  TP256SigningKey(TP256SigningKey&&) noexcept;
  TP256SigningKey& operator=(TP256SigningKey&&) noexcept;
  ~TP256SigningKey();

  // PEM PKCS#8 text with LF line ends.
  std::string ToPem() const;
  // The uncompressed public point 04||X||Y (65 bytes).
  std::string PublicPoint() const;
  // r||s (64 bytes) over digest.
  std::string Sign(const TSha256Digest& digest) const;

  struct Impl;

 private:
  explicit TP256SigningKey(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> FImpl;
};

}  // namespace qvx
