#include "platform/crypto.h"

namespace qvx {

std::string DigestToHex(const TSha256Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(digest.size() * 2);
  for (uint8_t b : digest) {
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 15]);
  }
  return hex;
}

std::string TSha256::FinishHex() { return DigestToHex(Finish()); }

TSha256Digest Sha256Of(const std::string& bytes) {
  TSha256 hash;
  hash.Update(bytes);
  return hash.Finish();
}

std::string Sha256HexOf(const std::string& bytes) { return DigestToHex(Sha256Of(bytes)); }

bool VerifyP256Signature(const std::string& publicPoint, const TSha256Digest& digest,
                         const std::string& signature) {
  if (signature.size() != kP256SignatureSize) return false;
  return TP256PublicKey(publicPoint).Verifies(digest, signature);
}

}  // namespace qvx
