#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "support/test_web_server.h"

namespace qvx::test {

void TestWebServer::Start() {
  throw std::runtime_error(
      "nginx and tinyproxy are not running: Windows test programs get them from "
      "scripts/wine-tests.sh (tests/support/wine-servers.sh start), through QVX_NGINX_PORT, "
      "QVX_PROXY_PORT and QVX_NGINX_ROOT");
}

void TestWebServer::Stop() {}

namespace {

const char kRootCertificates[] = "Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";

// Test authorities in the Root store of location: whether the one in der is there, and the
// SHA-1 hashes of the others (each server start makes a new one, with the same name).
bool FindTestAuthorities(DWORD location, const std::vector<BYTE>& der, std::vector<std::string>& stale) {
  HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, location | CERT_STORE_READONLY_FLAG, "Root");
  if (!root) throw std::runtime_error("cannot open a Root store");
  bool present = false;
  for (PCCERT_CONTEXT found = nullptr;;) {
    found = CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_A, "qvx test ca", found);
    if (!found) break;
    if (found->cbCertEncoded == der.size() && std::memcmp(found->pbCertEncoded, der.data(), der.size()) == 0) {
      present = true;
      continue;
    }
    BYTE hash[20];
    DWORD size = sizeof hash;
    if (!CertGetCertificateContextProperty(found, CERT_HASH_PROP_ID, hash, &size)) continue;
    std::string hex;
    for (DWORD i = 0; i < size; ++i) {
      char digits[3];
      std::snprintf(digits, sizeof digits, "%02X", hash[i]);
      hex += digits;
    }
    stale.push_back(hex);
  }
  CertCloseStore(root, 0);
  return present;
}

}  // namespace

// The chain engine of crypt32 trusts what the LocalMachine (and CurrentUser) "Root" stores hold.
// Under Wine the LocalMachine one is a registry store in the prefix, so a root added here lasts
// for later runs; the earlier test authorities are removed first, so the prefix holds one at
// most. They are removed as registry keys (the store keeps each certificate under its SHA-1
// hash), not with CertDeleteCertificateFromStore: under Wine 8 that reports success through a
// system store, removes nothing, and loses any certificate added in the same session of the
// store, so the new authority never reached the prefix and every trusted certificate's chain
// ended at the leaf (CERT_TRUST_IS_PARTIAL_CHAIN). On a real Windows machine this needs an
// administrator and changes the machine: the Windows tests are meant for Wine.
void TestWebServer::TrustTestAuthority() const {
  const std::string path = TestAuthorityPath();
  std::ifstream in(path, std::ios::binary);
  const std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (pem.empty()) throw std::runtime_error("no test authority at " + path);
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
    throw std::runtime_error("not a PEM certificate: " + path);
  std::vector<BYTE> der(size);
  CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr);

  const DWORD locations[] = {CERT_SYSTEM_STORE_LOCAL_MACHINE, CERT_SYSTEM_STORE_CURRENT_USER};
  std::vector<std::string> stale;
  for (DWORD location : locations) FindTestAuthorities(location, der, stale);
  for (const std::string& hash : stale)
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteKeyA(hive, (kRootCertificates + hash).c_str());

  for (DWORD location : locations) {
    std::vector<std::string> ignored;
    if (FindTestAuthorities(location, der, ignored)) continue;
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, location, "Root");
    if (!root) throw std::runtime_error("cannot open a Root store");
    const BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(root, 0);
    if (!added) throw std::runtime_error("cannot add the test authority to a Root store");
  }
  std::vector<std::string> left;
  if (!FindTestAuthorities(CERT_SYSTEM_STORE_LOCAL_MACHINE, der, left) || !left.empty())
    throw std::runtime_error("the LocalMachine Root store does not hold exactly the test authority of " + path);
}

}  // namespace qvx::test
