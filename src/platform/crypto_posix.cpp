// libcrypto's EVP interface; the deprecated EC_KEY calls are avoided.
#include "platform/crypto.h"

#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <new>

#include "platform/crypto_posix.h"

namespace qvx {

struct TSha256::Impl {
  EVP_MD_CTX* ctx = nullptr;
};

TSha256::TSha256() : FImpl(std::make_unique<Impl>()) {
  FImpl->ctx = EVP_MD_CTX_new();
  if (!FImpl->ctx || EVP_DigestInit_ex(FImpl->ctx, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(FImpl->ctx);
    throw std::bad_alloc();
  }
}

TSha256::~TSha256() { EVP_MD_CTX_free(FImpl->ctx); }

void TSha256::Update(const void* data, size_t size) {
  if (size > 0) EVP_DigestUpdate(FImpl->ctx, data, size);
}

TSha256Digest TSha256::Finish() {
  TSha256Digest digest{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(FImpl->ctx, digest.data(), &length);
  EVP_DigestInit_ex(FImpl->ctx, EVP_sha256(), nullptr);
  return digest;
}

namespace crypto_posix {

EVP_PKEY* PublicKeyFromPoint(const std::string& point) {
  if (point.size() != kP256PublicPointSize || point[0] != 0x04) return nullptr;
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME,
                                       const_cast<char*>("prime256v1"), 0),
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY,
                                        const_cast<char*>(point.data()), point.size()),
      OSSL_PARAM_construct_end()};
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
  EVP_PKEY* key = nullptr;
  if (ctx && EVP_PKEY_fromdata_init(ctx) == 1) {
    EVP_PKEY_fromdata(ctx, &key, EVP_PKEY_PUBLIC_KEY, params);
  }
  EVP_PKEY_CTX_free(ctx);
  return key;
}

}  // namespace crypto_posix

struct TP256PublicKey::Impl {
  EVP_PKEY* key = nullptr;
  ~Impl() { EVP_PKEY_free(key); }
};

TP256PublicKey::TP256PublicKey(const std::string& publicPoint) : FImpl(std::make_unique<Impl>()) {
  FImpl->key = crypto_posix::PublicKeyFromPoint(publicPoint);
}

TP256PublicKey::~TP256PublicKey() = default;
TP256PublicKey::TP256PublicKey(TP256PublicKey&&) noexcept = default;
TP256PublicKey& TP256PublicKey::operator=(TP256PublicKey&&) noexcept = default;

bool TP256PublicKey::IsValid() const { return FImpl && FImpl->key; }

bool TP256PublicKey::Verifies(const TSha256Digest& digest, const std::string& signature) const {
  if (!IsValid() || signature.size() != kP256SignatureSize) return false;
  // libcrypto takes the DER form of (r, s).
  const auto* raw = reinterpret_cast<const unsigned char*>(signature.data());
  ECDSA_SIG* sig = ECDSA_SIG_new();
  BIGNUM* r = BN_bin2bn(raw, 32, nullptr);
  BIGNUM* s = BN_bin2bn(raw + 32, 32, nullptr);
  bool ok = false;
  if (sig && r && s && ECDSA_SIG_set0(sig, r, s) == 1) {
    r = s = nullptr;  // owned by sig now
    unsigned char* der = nullptr;
    const int derSize = i2d_ECDSA_SIG(sig, &der);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(FImpl->key, nullptr);
    if (derSize > 0 && ctx && EVP_PKEY_verify_init(ctx) == 1) {
      ok = EVP_PKEY_verify(ctx, der, static_cast<size_t>(derSize), digest.data(),
                           digest.size()) == 1;
    }
    EVP_PKEY_CTX_free(ctx);
    OPENSSL_free(der);
  }
  BN_free(r);
  BN_free(s);
  ECDSA_SIG_free(sig);
  return ok;
}

}  // namespace qvx
