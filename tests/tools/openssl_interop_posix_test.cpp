// Keys and signatures cross between qvxpublish and the openssl command in both directions: a
// key made by either serves the other, qvxpublish's signature verifies with openssl dgst
// -verify (r||s turned into DER), and openssl's verifies with the updater's check.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/ecdsa.h>

#include <cstdlib>

#include "common/base64.h"
#include "common/text_utils.h"
#include "publish_fixture.h"
#include "qvxpublish/list_signing.h"
#include "update/list_trust.h"

namespace qvx {
namespace {

int Shell(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

std::string RsToDer(const std::string& rs) {
  const auto* raw = reinterpret_cast<const unsigned char*>(rs.data());
  ECDSA_SIG* sig = ECDSA_SIG_new();
  ECDSA_SIG_set0(sig, BN_bin2bn(raw, 32, nullptr), BN_bin2bn(raw + 32, 32, nullptr));
  unsigned char* der = nullptr;
  const int size = i2d_ECDSA_SIG(sig, &der);
  std::string out(reinterpret_cast<char*>(der), static_cast<size_t>(size));
  OPENSSL_free(der);
  ECDSA_SIG_free(sig);
  return out;
}

std::string DerToRs(const std::string& der) {
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(der.size()));
  if (!sig) return std::string();
  unsigned char rs[64];
  BN_bn2binpad(ECDSA_SIG_get0_r(sig), rs, 32);
  BN_bn2binpad(ECDSA_SIG_get0_s(sig), rs + 32, 32);
  ECDSA_SIG_free(sig);
  return std::string(reinterpret_cast<char*>(rs), 64);
}

TEST_F(PublishTest, KeysAndSignaturesCrossWithTheOpensslCommand) {
  ASSERT_EQ(Shell("openssl version >/dev/null"), 0) << "the openssl command is needed";
  const fs::path theirs = FRoot / "openssl.pem", ours = FRoot / "ours.pem";
  ASSERT_EQ(Shell("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out " +
                  Quoted(theirs)),
            0);
  ASSERT_EQ(Run({"keygen", ours.u8string()}).Code, 0);
  for (const fs::path& key : {theirs, ours}) {
    SCOPED_TRACE(key.filename().string());
    // Both read the key and agree on its public point.
    const fs::path pub = FRoot / "pub.pem", pubDer = FRoot / "pub.der";
    ASSERT_EQ(Shell("openssl pkey -in " + Quoted(key) + " -pubout -out " + Quoted(pub)), 0);
    ASSERT_EQ(Shell("openssl pkey -in " + Quoted(key) + " -pubout -outform DER -out " + Quoted(pubDer)), 0);
    const std::string spki = ReadFileBytes(pubDer);
    const std::string updateKey = UpdateKeyText(LoadKeyFile(key));
    EXPECT_EQ(EncodeBase64(spki.substr(spki.size() - 65)), updateKey);

    // qvxpublish signs; openssl verifies.
    Put("a.txt", "a");
    fs::remove_all(Out());
    ASSERT_EQ(Publish({"--sign", key.u8string()}).Code, 0);
    const std::string line = ReadFileBytes(Out() / "up.txt.sig");
    std::ofstream(FRoot / "sig.der", std::ios::binary)
        << RsToDer(Base64ToText(TrimBlanks(line.substr(0, line.find('\r')))));
    const std::string verify = "openssl dgst -sha256 -verify " + Quoted(pub) + " -signature " +
                               Quoted(FRoot / "sig.der") + " ";
    EXPECT_EQ(Shell(verify + Quoted(Out() / "up.txt") + " >/dev/null"), 0);
    std::ofstream(FRoot / "other.txt", std::ios::binary) << ReadFileBytes(Out() / "up.txt") << "x";
    EXPECT_NE(Shell(verify + Quoted(FRoot / "other.txt") + " >/dev/null"), 0);

    // openssl signs; the updater's check accepts it, and only for those bytes.
    ASSERT_EQ(Shell("openssl dgst -sha256 -sign " + Quoted(key) + " -out " + Quoted(FRoot / "theirs.der") +
                    " " + Quoted(Out() / "up.txt")),
              0);
    const std::string sigFile = EncodeBase64(DerToRs(ReadFileBytes(FRoot / "theirs.der"))) + "\n";
    const std::string list = ReadFileBytes(Out() / "up.txt");
    EXPECT_TRUE(SignatureFileVerifies(list, sigFile, ParseUpdateKeys(updateKey)));
    EXPECT_FALSE(SignatureFileVerifies(list + "x", sigFile, ParseUpdateKeys(updateKey)));
  }
}

}  // namespace
}  // namespace qvx
