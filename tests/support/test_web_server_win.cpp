#include <windows.h>
#include <wincrypt.h>

#include <cstring>
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

// The chain engine of crypt32 trusts what the LocalMachine (and CurrentUser) "Root" stores hold.
// Under Wine the LocalMachine one is a registry store in the prefix, so a root added here lasts
// for later runs: earlier test authorities (each server start makes a new one) are removed first,
// so the prefix holds one at most. On a real Windows machine this needs an administrator and
// changes the machine: the Windows tests are meant for Wine.
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

  for (DWORD location : {DWORD(CERT_SYSTEM_STORE_LOCAL_MACHINE), DWORD(CERT_SYSTEM_STORE_CURRENT_USER)}) {
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, location, "Root");
    if (!root) throw std::runtime_error("cannot open a Root store");
    // Earlier test authorities go; the current one, when present, stays untouched (a delete and
    // an add of the same certificate in one session of the store leave it deleted under Wine).
    bool present = false;
    std::vector<PCCERT_CONTEXT> stale;
    for (PCCERT_CONTEXT found = nullptr;;) {
      found = CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_A, "qvx test ca", found);
      if (!found) break;
      if (found->cbCertEncoded == size && std::memcmp(found->pbCertEncoded, der.data(), size) == 0)
        present = true;
      else
        stale.push_back(CertDuplicateCertificateContext(found));
    }
    for (PCCERT_CONTEXT old : stale) CertDeleteCertificateFromStore(old);  // frees old
    if (present) {
      CertCloseStore(root, 0);
      continue;
    }
    const BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(root, 0);
    if (!added) throw std::runtime_error("cannot add the test authority to a Root store");
  }
}

}  // namespace qvx::test
