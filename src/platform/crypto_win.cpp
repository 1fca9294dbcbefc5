// CNG (bcrypt). The algorithm providers are opened once and kept for the life of the process;
// CNG allows their use from several threads at once.
#include "platform/crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <vector>

#include "base/errors.h"
#include "platform/crypto_win.h"

namespace qvx {

namespace crypto_win {

BCRYPT_ALG_HANDLE Sha256Provider() {
  static BCRYPT_ALG_HANDLE handle = [] {
    BCRYPT_ALG_HANDLE h = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&h, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
      h = nullptr;
    }
    return h;
  }();
  if (!handle) throw Exception("The system offers no SHA-256");
  return handle;
}

BCRYPT_ALG_HANDLE EcdsaP256Provider() {
  static BCRYPT_ALG_HANDLE handle = [] {
    BCRYPT_ALG_HANDLE h = nullptr;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&h, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0))) {
      h = nullptr;
    }
    return h;
  }();
  if (!handle) throw Exception("The system offers no ECDSA P-256");
  return handle;
}

}  // namespace crypto_win

struct TSha256::Impl {
  BCRYPT_HASH_HANDLE hash = nullptr;
  void Open() {
    if (!BCRYPT_SUCCESS(BCryptCreateHash(crypto_win::Sha256Provider(), &hash, nullptr, 0,
                                         nullptr, 0, 0))) {
      hash = nullptr;
      throw Exception("Cannot start a SHA-256 hash");
    }
  }
};

TSha256::TSha256() : FImpl(std::make_unique<Impl>()) { FImpl->Open(); }

TSha256::~TSha256() {
  if (FImpl->hash) BCryptDestroyHash(FImpl->hash);
}

void TSha256::Update(const void* data, size_t size) {
  auto* bytes = static_cast<const uint8_t*>(data);
  // BCryptHashData takes a 32-bit length.
  while (size > 0) {
    const ULONG piece = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
    BCryptHashData(FImpl->hash, const_cast<PUCHAR>(bytes), piece, 0);
    bytes += piece;
    size -= piece;
  }
}

TSha256Digest TSha256::Finish() {
  TSha256Digest digest{};
  BCryptFinishHash(FImpl->hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
  BCryptDestroyHash(FImpl->hash);
  FImpl->hash = nullptr;
  FImpl->Open();
  return digest;
}

struct TP256PublicKey::Impl {
  BCRYPT_KEY_HANDLE key = nullptr;
  ~Impl() {
    if (key) BCryptDestroyKey(key);
  }
};

TP256PublicKey::TP256PublicKey(const std::string& publicPoint) : FImpl(std::make_unique<Impl>()) {
  if (publicPoint.size() != kP256PublicPointSize || publicPoint[0] != 0x04) return;
  std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  std::memcpy(blob.data(), &header, sizeof header);
  std::memcpy(blob.data() + sizeof header, publicPoint.data() + 1, 64);
  BCRYPT_KEY_HANDLE key = nullptr;
  if (BCRYPT_SUCCESS(BCryptImportKeyPair(crypto_win::EcdsaP256Provider(), nullptr,
                                         BCRYPT_ECCPUBLIC_BLOB, &key, blob.data(),
                                         static_cast<ULONG>(blob.size()), 0))) {
    FImpl->key = key;
  }
}

TP256PublicKey::~TP256PublicKey() = default;
TP256PublicKey::TP256PublicKey(TP256PublicKey&&) noexcept = default;
TP256PublicKey& TP256PublicKey::operator=(TP256PublicKey&&) noexcept = default;

bool TP256PublicKey::IsValid() const { return FImpl && FImpl->key; }

bool TP256PublicKey::Verifies(const TSha256Digest& digest, const std::string& signature) const {
  if (!IsValid() || signature.size() != kP256SignatureSize) return false;
  std::string sig = signature;
  const NTSTATUS status = BCryptVerifySignature(
      FImpl->key, nullptr, const_cast<PUCHAR>(digest.data()), static_cast<ULONG>(digest.size()),
      reinterpret_cast<PUCHAR>(&sig[0]), static_cast<ULONG>(sig.size()), 0);
  return BCRYPT_SUCCESS(status);
}

}  // namespace qvx
