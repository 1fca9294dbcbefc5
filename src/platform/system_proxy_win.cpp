// The user's Internet settings, read through WinHTTP the way the system's own HTTP stack reads
// them: the automatic configuration (detected, or by its script's address) decides first, per
// URL; when it gives no answer, the manual proxy string and its bypass list do.
#include <windows.h>
#include <winhttp.h>

#include <atomic>

#include "platform/code_page.h"
#include "platform/system_proxy.h"

namespace qvx {
namespace {

// Automatic detection asks the network (DHCP, DNS) every time; a network without a detectable
// script stays so for the life of the process, so a failed detection is not repeated.
std::atomic<bool> gDetectionFailed{false};

std::string Narrow(const wchar_t* text) {
  if (text == nullptr) return std::string();
  return WideToAnsi(std::u16string(reinterpret_cast<const char16_t*>(text)));
}

std::wstring Wide(const std::string& text) {
  const std::u16string wide = AnsiToWide(text);
  return std::wstring(wide.begin(), wide.end());
}

// A script's address as the log may show it: without user information, which may hold a password.
std::string Shown(const wchar_t* scriptUrl) {
  std::string url = Narrow(scriptUrl);
  const size_t start = url.find("://") == std::string::npos ? 0 : url.find("://") + 3;
  const size_t at = url.find('@', start);
  if (at != std::string::npos && url.find('/', start) > at) url.erase(start, at + 1 - start);
  return url;
}

struct TIeConfig {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG Config{};
  ~TIeConfig() {
    if (Config.lpszAutoConfigUrl) GlobalFree(Config.lpszAutoConfigUrl);
    if (Config.lpszProxy) GlobalFree(Config.lpszProxy);
    if (Config.lpszProxyBypass) GlobalFree(Config.lpszProxyBypass);
  }
};

// One session for the life of the process, never closed: WinHTTP keeps what it learnt of a
// script with the session, so the requests after the first need not fetch it again.
HINTERNET ScriptSession() {
  static const HINTERNET session = WinHttpOpen(L"qvxupdate", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                               WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  return session;
}

// The script's answer for url; false when there is no script or it could not be run.
bool AskScript(const std::string& url, DWORD flags, const wchar_t* scriptUrl, TSystemProxy& result,
               DWORD& error) {
  const HINTERNET session = ScriptSession();
  if (session == nullptr) {
    error = GetLastError();
    return false;
  }
  WINHTTP_AUTOPROXY_OPTIONS options{};
  options.dwFlags = flags;
  options.dwAutoDetectFlags =
      (flags & WINHTTP_AUTOPROXY_AUTO_DETECT) ? WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A : 0;
  options.lpszAutoConfigUrl = scriptUrl;
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info{};
  const std::wstring wideUrl = Wide(url);
  const bool ok = WinHttpGetProxyForUrl(session, wideUrl.c_str(), &options, &info) != FALSE;
  error = ok ? 0 : GetLastError();
  if (!ok) return false;
  result.Origin = TProxyOrigin::AutoScript;
  if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy != nullptr) {
    result.Hops = PacAnswerHops(Narrow(info.lpszProxy));
  }
  result.Setting = flags & WINHTTP_AUTOPROXY_AUTO_DETECT ? "found by automatic detection"
                                                         : "at " + Shown(scriptUrl);
  if (info.lpszProxy) GlobalFree(info.lpszProxy);
  if (info.lpszProxyBypass) GlobalFree(info.lpszProxyBypass);
  return true;
}

}  // namespace

TSystemProxy SystemProxyFor(const std::string& url, const std::string& scheme,
                            const std::string& host, const std::string& port) {
  TSystemProxy result;
  TIeConfig ie;
  if (!WinHttpGetIEProxyConfigForCurrentUser(&ie.Config)) return result;
  const WINHTTP_CURRENT_USER_IE_PROXY_CONFIG& c = ie.Config;
  DWORD error = 0;
  if (c.fAutoDetect && !gDetectionFailed.load()) {
    if (AskScript(url, WINHTTP_AUTOPROXY_AUTO_DETECT, nullptr, result, error)) return result;
    gDetectionFailed.store(true);
  }
  if (c.lpszAutoConfigUrl != nullptr && *c.lpszAutoConfigUrl != L'\0' &&
      AskScript(url, WINHTTP_AUTOPROXY_CONFIG_URL, c.lpszAutoConfigUrl, result, error)) {
    return result;
  }
  // A script that is set but gave no answer is worth a word in the log, whatever decides next.
  std::string scriptFailure;
  if (c.lpszAutoConfigUrl != nullptr && *c.lpszAutoConfigUrl != L'\0')
    scriptFailure = "the automatic configuration script " + Shown(c.lpszAutoConfigUrl) +
                    " could not be read or run (error " + std::to_string(error) + ")";
  const std::string proxy = Narrow(c.lpszProxy);
  if (proxy.empty()) {
    result.Setting = scriptFailure;
    return result;
  }
  result.Origin = TProxyOrigin::SystemSettings;
  if (BypassListMatches(Narrow(c.lpszProxyBypass), scheme, host, port)) {
    result.Setting = "the bypass list names " + host;
    return result;
  }
  result.Hops = ManualProxyHops(proxy, scheme);
  result.Setting = result.Hops.empty() ? "the manual proxy names none for " + scheme : "manual proxy";
  if (!scriptFailure.empty()) result.Setting += "; " + scriptFailure;
  return result;
}

}  // namespace qvx
