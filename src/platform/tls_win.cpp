// TLS with Schannel through SSPI (secur32) on memory buffers; the certificate chain and the
// host name are checked by crypt32 against the system's trusted roots. Schannel is told to
// leave the checking to us (manual validation) because its automatic checking differs between
// Windows versions and is absent under Wine; CertVerifyCertificateChainPolicy with the SSL
// policy is the same check everywhere and says why a certificate was refused.
#define SECURITY_WIN32
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/tls.h"

namespace qvx {
namespace {

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;

std::string Hex(long code) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
  return text;
}

// SECURITY_FLAG_IGNORE_REVOCATION of the SSL policy's fdwChecks (wininet.h, not included here).
constexpr DWORD kIgnoreRevocation = 0x00000080;

bool IsUnknownRevocation(DWORD error) {
  return error == static_cast<DWORD>(CERT_E_REVOCATION_FAILURE) ||
         error == static_cast<DWORD>(CRYPT_E_NO_REVOCATION_CHECK) ||
         error == static_cast<DWORD>(CRYPT_E_REVOCATION_OFFLINE);
}

TlsFailure ClassifyPolicyError(DWORD error) {
  switch (error) {
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING):
    case static_cast<DWORD>(CERT_E_UNTRUSTEDCA):
    case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE):
      return TlsFailure::UntrustedIssuer;
    case static_cast<DWORD>(CERT_E_EXPIRED):
    case static_cast<DWORD>(CERT_E_VALIDITYPERIODNESTING):
      return TlsFailure::Expired;
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
      return TlsFailure::NameMismatch;
    case static_cast<DWORD>(CRYPT_E_REVOKED):
      return TlsFailure::Revoked;
    default:
      return TlsFailure::BadCertificate;
  }
}

// Schannel's own verdicts, should it check after all.
TlsFailure ClassifyHandshakeError(SECURITY_STATUS status) {
  switch (status) {
    case SEC_E_UNTRUSTED_ROOT: return TlsFailure::UntrustedIssuer;
    case SEC_E_CERT_EXPIRED: return TlsFailure::Expired;
    case SEC_E_WRONG_PRINCIPAL: return TlsFailure::NameMismatch;
    default: return TlsFailure::HandshakeFailed;
  }
}

// One credentials handle for every connection of the process. Schannel keeps its session
// cache per credentials handle, so a new connection to a server that was reached before resumes
// that session instead of a full handshake; a handle per connection would never resume. The
// certificate is checked on every handshake all the same (Finish). Acquired on first use, kept
// until the process ends; a failure is tried again by the next connection.
class SharedCredentials {
 public:
  static SharedCredentials& Instance() {
    static SharedCredentials credentials;
    return credentials;
  }
  ~SharedCredentials() {
    if (FHave) FreeCredentialsHandle(&FHandle);
  }

  // The handle, or nullptr with failure set.
  CredHandle* Get(std::string& failure) {
    std::lock_guard<std::mutex> lock(FLock);
    if (FHave) return &FHandle;
    // TLS 1.3 where this Schannel takes it in these credentials, else TLS 1.2; never older.
    for (DWORD protocols : {DWORD(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT), DWORD(SP_PROT_TLS1_2_CLIENT)}) {
      SCHANNEL_CRED credentials = {};
      credentials.dwVersion = SCHANNEL_CRED_VERSION;
      credentials.grbitEnabledProtocols = protocols;
      credentials.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
      TimeStamp expiry;
      const SECURITY_STATUS status =
          AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr,
                                    &credentials, nullptr, nullptr, &FHandle, &expiry);
      if (status == SEC_E_OK) {
        FHave = true;
        return &FHandle;
      }
      failure = "AcquireCredentialsHandle " + Hex(status);
    }
    return nullptr;
  }

 private:
  std::mutex FLock;
  CredHandle FHandle = {};
  bool FHave = false;
};

class SchannelSession final : public TlsSession {
 public:
  explicit SchannelSession(const std::string& host) : FHost(host) {}

  ~SchannelSession() override {
    if (FHaveContext) DeleteSecurityContext(&FContext);
  }

  void Feed(const char* data, size_t n) override {
    if (FInHead > 0) {
      FIn.erase(0, FInHead);
      FInHead = 0;
    }
    FIn.append(data, n);
  }

  void TakeOutput(std::string& out) override {
    out += FOut;
    FOut.clear();
  }

  TlsStatus Handshake() override {
    if (FDone) return TlsStatus::Done;
    if (!FHaveCredentials) {
      const TlsStatus status = AcquireCredentials();
      if (status != TlsStatus::Done) return status;
    }
    for (;;) {
      if (FHaveContext && Pending() == 0) return TlsStatus::NeedInput;
      SecBuffer in[2] = {{static_cast<unsigned long>(Pending()), SECBUFFER_TOKEN, FIn.data() + FInHead},
                         {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
      SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
      SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, out};
      unsigned long attributes = 0;
      const SECURITY_STATUS status = InitializeSecurityContextA(
          &FCredentials, FHaveContext ? &FContext : nullptr, const_cast<char*>(FHost.c_str()),
          kContextFlags, 0, 0, FHaveContext ? &inDesc : nullptr, 0, &FContext, &outDesc, &attributes,
          nullptr);
      if (!FHaveContext && (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK)) FHaveContext = true;
      if (out[0].pvBuffer) {
        FOut.append(static_cast<const char*>(out[0].pvBuffer), out[0].cbBuffer);
        FreeContextBuffer(out[0].pvBuffer);
      }
      if (status == SEC_E_INCOMPLETE_MESSAGE) return TlsStatus::NeedInput;
      if (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK || status == SEC_I_INCOMPLETE_CREDENTIALS) {
        KeepExtra(in[1]);
        if (status == SEC_E_OK) return Finish();
        continue;
      }
      return Fail(ClassifyHandshakeError(status), "InitializeSecurityContext " + Hex(status));
    }
  }

  bool Encrypt(const char* data, size_t n) override {
    while (n > 0) {
      const size_t piece = std::min<size_t>(n, FSizes.cbMaximumMessage);
      std::string record(FSizes.cbHeader + piece + FSizes.cbTrailer, '\0');
      std::memcpy(&record[FSizes.cbHeader], data, piece);
      SecBuffer buffers[4] = {
          {FSizes.cbHeader, SECBUFFER_STREAM_HEADER, &record[0]},
          {static_cast<unsigned long>(piece), SECBUFFER_DATA, &record[FSizes.cbHeader]},
          {FSizes.cbTrailer, SECBUFFER_STREAM_TRAILER, &record[FSizes.cbHeader + piece]},
          {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = EncryptMessage(&FContext, 0, &desc, 0);
      if (status != SEC_E_OK) {
        Fail(TlsFailure::Broken, "EncryptMessage " + Hex(status));
        return false;
      }
      FOut.append(record, 0, buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
      data += piece;
      n -= piece;
    }
    return true;
  }

  TlsStatus Decrypt(char* data, size_t max, size_t& got) override {
    got = 0;
    for (;;) {
      if (FPlainHead < FPlain.size()) {
        got = std::min(max, FPlain.size() - FPlainHead);
        std::memcpy(data, FPlain.data() + FPlainHead, got);
        FPlainHead += got;
        return TlsStatus::Done;
      }
      if (FClosed) return TlsStatus::Closed;
      if (Pending() == 0) return TlsStatus::NeedInput;
      SecBuffer buffers[4] = {{static_cast<unsigned long>(Pending()), SECBUFFER_DATA, FIn.data() + FInHead},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = DecryptMessage(&FContext, &desc, 0, nullptr);
      if (status == SEC_E_INCOMPLETE_MESSAGE) return TlsStatus::NeedInput;
      if (status != SEC_E_OK && status != SEC_I_CONTEXT_EXPIRED && status != SEC_I_RENEGOTIATE)
        return Fail(TlsFailure::Broken, "DecryptMessage " + Hex(status));
      // The plaintext lies inside FIn; it is moved out before FIn is touched again.
      FPlain.clear();
      FPlainHead = 0;
      SecBuffer* extra = nullptr;
      for (SecBuffer& b : buffers) {
        if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0)
          FPlain.assign(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
        if (b.BufferType == SECBUFFER_EXTRA) extra = &b;
      }
      const size_t extraBytes = extra ? extra->cbBuffer : 0;
      FInHead = FIn.size() - extraBytes;
      if (status == SEC_I_CONTEXT_EXPIRED) FClosed = true;
      if (status == SEC_I_RENEGOTIATE) {
        // A handshake message after the handshake (a TLS 1.3 ticket or key update): it goes
        // back through InitializeSecurityContext, which may answer it.
        FDone = false;
        const TlsStatus again = Handshake();
        if (again == TlsStatus::Failed) return again;
        FDone = true;
      }
    }
  }

  bool HasPendingPlaintext() const override { return FPlainHead < FPlain.size(); }

  bool Resumed() const override {
    if (!FDone) return false;
    SecPkgContext_SessionInfo info = {};
    return QueryContextAttributesA(const_cast<CtxtHandle*>(&FContext), SECPKG_ATTR_SESSION_INFO, &info) ==
               SEC_E_OK &&
           (info.dwFlags & SSL_SESSION_RECONNECT) != 0;
  }

  void Shutdown() override {
    if (!FHaveContext || !FDone) return;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer token = {sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc tokenDesc = {SECBUFFER_VERSION, 1, &token};
    if (ApplyControlToken(&FContext, &tokenDesc) != SEC_E_OK) return;
    SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &out};
    unsigned long attributes = 0;
    InitializeSecurityContextA(&FCredentials, &FContext, const_cast<char*>(FHost.c_str()), kContextFlags,
                               0, 0, nullptr, 0, &FContext, &outDesc, &attributes, nullptr);
    if (out.pvBuffer) {
      FOut.append(static_cast<const char*>(out.pvBuffer), out.cbBuffer);
      FreeContextBuffer(out.pvBuffer);
    }
  }

 private:
  size_t Pending() const { return FIn.size() - FInHead; }

  void KeepExtra(const SecBuffer& extra) {
    FInHead = extra.BufferType == SECBUFFER_EXTRA ? FIn.size() - extra.cbBuffer : FIn.size();
  }

  TlsStatus AcquireCredentials() {
    CredHandle* shared = SharedCredentials::Instance().Get(FLastError);
    if (!shared) return Fail(TlsFailure::HandshakeFailed, FLastError);
    FCredentials = *shared;
    FHaveCredentials = true;
    return TlsStatus::Done;
  }

  // The handshake is through: the peer's certificate decides.
  TlsStatus Finish() {
    if (QueryContextAttributesA(&FContext, SECPKG_ATTR_STREAM_SIZES, &FSizes) != SEC_E_OK)
      return Fail(TlsFailure::HandshakeFailed, "no stream sizes");
    PCCERT_CONTEXT certificate = nullptr;
    SECURITY_STATUS status = QueryContextAttributesA(&FContext, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate);
    if (status != SEC_E_OK || !certificate)
      return Fail(TlsFailure::BadCertificate, "the server sent no certificate");
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    LPSTR serverAuth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = &serverAuth;
    // The issuers come from what the server sent and from the system's stores, the trusted
    // roots among them; the chain engine looks in those itself. Revocation is checked for every
    // certificate but the root: a root is withdrawn by taking it out of the store, not by a
    // list it signs itself.
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    const BOOL built = CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore,
                                               &chainPara, CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT,
                                               nullptr, &chain);
    CertFreeCertificateContext(certificate);
    if (!built || !chain) return Fail(TlsFailure::UntrustedIssuer, "no certificate chain " + Hex(GetLastError()));
    // The chain's own verdict first: the SSL policy may report a name before an untrusted
    // issuer (Wine's does), and the issuer is the graver of the two.
    const DWORD trust = chain->TrustStatus.dwErrorStatus;
    if (trust & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_NOT_SIGNATURE_VALID)) {
      CertFreeCertificateChain(chain);
      return Fail(TlsFailure::UntrustedIssuer, "certificate chain status " + Hex(static_cast<long>(trust)));
    }
    if (trust & CERT_TRUST_IS_NOT_TIME_VALID) {
      CertFreeCertificateChain(chain);
      return Fail(TlsFailure::Expired, "certificate chain status " + Hex(static_cast<long>(trust)));
    }
    if (trust & CERT_TRUST_IS_REVOKED) {
      CertFreeCertificateChain(chain);
      return Fail(TlsFailure::Revoked, "certificate chain status " + Hex(static_cast<long>(trust)));
    }
    // A revocation that cannot be found out (no distribution point, or its list out of reach)
    // does not refuse the certificate, as the platform's own HTTP stack does not by default;
    // the log says so, so that a revoked certificate met offline can be told afterwards.
    if (trust & (CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION)) {
      SetNote("the revocation of the certificate of " + FHost +
              " could not be checked (no distribution point, or its list out of reach); the "
              "certificate was accepted");
    }

    std::wstring name(FHost.begin(), FHost.end());
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = &name[0];
    // Revocation was decided above from the chain's status; the policy is told to leave it.
    ssl.fdwChecks = kIgnoreRevocation;
    CERT_CHAIN_POLICY_PARA policy = {};
    policy.cbSize = sizeof policy;
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS verdict = {};
    verdict.cbSize = sizeof verdict;
    const BOOL checked = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &verdict);
    CertFreeCertificateChain(chain);
    if (!checked) return Fail(TlsFailure::BadCertificate, "chain policy " + Hex(GetLastError()));
    // Wine's SSL policy reports an unknown revocation status whatever it is told; that status
    // was taken above (the note), and only it is passed over here.
    if (IsUnknownRevocation(verdict.dwError) && !Note().empty()) verdict.dwError = 0;
    if (verdict.dwError != 0)
      return Fail(ClassifyPolicyError(verdict.dwError), "certificate chain policy " + Hex(static_cast<long>(verdict.dwError)));
    FDone = true;
    return TlsStatus::Done;
  }

  std::string FHost;
  CredHandle FCredentials = {};  // a copy of the shared handle, which is not ours to free
  CtxtHandle FContext = {};
  bool FHaveCredentials = false;
  bool FHaveContext = false;
  bool FDone = false;
  bool FClosed = false;
  SecPkgContext_StreamSizes FSizes = {};
  std::string FIn;  // received bytes; FIn[FInHead..] not used yet
  size_t FInHead = 0;
  std::string FOut;
  std::string FPlain;  // decrypted bytes; FPlain[FPlainHead..] not handed out yet
  size_t FPlainHead = 0;
  std::string FLastError;
};

}  // namespace

std::unique_ptr<TlsSession> TlsSession::Create(const std::string& host, const std::string& port) {
  // Schannel's session cache goes by the credentials and the target name itself.
  (void)port;
  return std::make_unique<SchannelSession>(host);
}

}  // namespace qvx
