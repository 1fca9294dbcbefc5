#pragma once
// The platform's cryptography for update lists and downloads: SHA-256 and ECDSA P-256. CNG
// (bcrypt) on Windows, OpenSSL's libcrypto elsewhere; nothing here computes a hash or a curve
// point itself.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qvx {

using TSha256Digest = std::array<uint8_t, 32>;

// SHA-256 fed piece by piece, so a body can be hashed as it arrives.
class TSha256 {
 public:
  TSha256();
  ~TSha256();
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;

  void Update(const void* data, size_t size);
  void Update(const std::string& bytes) { Update(bytes.data(), bytes.size()); }
  // The digest of everything fed since construction or the last Finish; starts afresh.
  TSha256Digest Finish();
  // The same as 64 lower-case hexadecimal digits.
  std::string FinishHex();

  struct Impl;

 private:
  std::unique_ptr<Impl> FImpl;
};

TSha256Digest Sha256Of(const std::string& bytes);
std::string Sha256HexOf(const std::string& bytes);
// 64 lower-case hexadecimal digits.
std::string DigestToHex(const TSha256Digest& digest);

// Sizes of the wire forms: an uncompressed public point 04||X||Y, a signature r||s (each
// big-endian, 32 bytes).
constexpr size_t kP256PublicPointSize = 65;
constexpr size_t kP256SignatureSize = 64;

// An ECDSA P-256 public key, imported into the platform once and then used for any number of
// signatures: importing costs far more than a verification.
class TP256PublicKey {
 public:
  // From the uncompressed point 04||X||Y. A malformed point, or one the platform refuses (not
  // on the curve), gives a key that is not valid and verifies nothing.
  explicit TP256PublicKey(const std::string& publicPoint);
  TP256PublicKey(TP256PublicKey&&) noexcept;
  TP256PublicKey& operator=(TP256PublicKey&&) noexcept;
  ~TP256PublicKey();

  bool IsValid() const;
  // True only when signature (r||s) is a valid signature of digest under this key.
  bool Verifies(const TSha256Digest& digest, const std::string& signature) const;

  struct Impl;

 private:
  std::unique_ptr<Impl> FImpl;
};

// True only when signature (r||s) is a valid ECDSA P-256 signature of digest under the public
// point; any malformed point or signature of a wrong size is simply false.
bool VerifyP256Signature(const std::string& publicPoint, const TSha256Digest& digest,
                         const std::string& signature);

}  // namespace qvx
