#include "platform/signing_key.h"

#include <openssl/bio.h>
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstring>
#include <utility>

#include "base/errors.h"

namespace qvx {

struct TP256SigningKey::Impl {
  EVP_PKEY* key = nullptr;
  ~Impl() { EVP_PKEY_free(key); }
};

namespace {

bool IsP256(EVP_PKEY* key) {
  char group[64] = {0};
  size_t length = 0;
  return EVP_PKEY_is_a(key, "EC") &&
         EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group,
                                        &length) == 1 &&
         std::strcmp(group, "prime256v1") == 0;
}

// A big number as exactly 32 big-endian bytes.
std::string Fixed32(const BIGNUM* n) {
  unsigned char out[32];
  if (BN_bn2binpad(n, out, sizeof out) != 32) throw Exception("P-256 value out of range");
  return std::string(reinterpret_cast<char*>(out), sizeof out);
}

}  // namespace

TP256SigningKey::TP256SigningKey(std::unique_ptr<Impl> impl) : FImpl(std::move(impl)) {}
TP256SigningKey::TP256SigningKey(TP256SigningKey&&) noexcept = default;
TP256SigningKey& TP256SigningKey::operator=(TP256SigningKey&&) noexcept = default;
TP256SigningKey::~TP256SigningKey() = default;

TP256SigningKey TP256SigningKey::Generate() {
  auto impl = std::make_unique<Impl>();
  impl->key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
  if (!impl->key) throw Exception("Cannot make a P-256 key");
  return TP256SigningKey(std::move(impl));
}

TP256SigningKey TP256SigningKey::FromPem(const std::string& pem) {
  auto impl = std::make_unique<Impl>();
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  // A passphrase callback that gives nothing: an encrypted key is refused, never prompted for.
  auto noPass = [](char*, int, int, void*) { return 0; };
  if (bio) impl->key = PEM_read_bio_PrivateKey(bio, nullptr, noPass, nullptr);
  BIO_free(bio);
  if (!impl->key) throw Exception("no unencrypted PEM private key");
  if (!IsP256(impl->key)) throw Exception("the key is not an ECDSA P-256 key");
  return TP256SigningKey(std::move(impl));
}

std::string TP256SigningKey::ToPem() const {
  BIO* bio = BIO_new(BIO_s_mem());
  std::string pem;
  if (bio && PEM_write_bio_PKCS8PrivateKey(bio, FImpl->key, nullptr, nullptr, 0, nullptr,
                                           nullptr) == 1) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    if (size > 0) pem.assign(data, static_cast<size_t>(size));
  }
  BIO_free(bio);
  if (pem.empty()) throw Exception("Cannot write the key as PEM");
  return pem;
}

std::string TP256SigningKey::PublicPoint() const {
  BIGNUM* x = nullptr;
  BIGNUM* y = nullptr;
  std::string point;
  if (EVP_PKEY_get_bn_param(FImpl->key, OSSL_PKEY_PARAM_EC_PUB_X, &x) == 1 &&
      EVP_PKEY_get_bn_param(FImpl->key, OSSL_PKEY_PARAM_EC_PUB_Y, &y) == 1) {
    point = std::string(1, '\x04') + Fixed32(x) + Fixed32(y);
  }
  BN_free(x);
  BN_free(y);
  if (point.empty()) throw Exception("Cannot read the public point of the key");
  return point;
}

std::string TP256SigningKey::Sign(const TSha256Digest& digest) const {
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(FImpl->key, nullptr);
  unsigned char der[80];
  size_t derSize = sizeof der;
  std::string rs;
  if (ctx && EVP_PKEY_sign_init(ctx) == 1 &&
      EVP_PKEY_sign(ctx, der, &derSize, digest.data(), digest.size()) == 1) {
    const unsigned char* p = der;
    ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(derSize));
    if (sig) rs = Fixed32(ECDSA_SIG_get0_r(sig)) + Fixed32(ECDSA_SIG_get0_s(sig));
    ECDSA_SIG_free(sig);
  }
  EVP_PKEY_CTX_free(ctx);
  if (rs.size() != kP256SignatureSize) throw Exception("Cannot sign with the key");
  return rs;
}

}  // namespace qvx
