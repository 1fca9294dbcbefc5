// The environment as curl reads it. The upper-case HTTP_PROXY is never read: a web server
// running a program sets it from a request's "Proxy:" header, so it may come from anyone.
#include <cstdlib>

#include "base/ascii_case.h"
#include "platform/system_proxy.h"

namespace qvx {
namespace {

// The variable's value and name; an empty variable counts as unset.
bool Variable(const char* name, std::string& value, std::string& used) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return false;
  value = text;
  used = name;
  return true;
}

}  // namespace

TSystemProxy SystemProxyFor(const std::string&, const std::string& scheme,
                            const std::string& host, const std::string&) {
  TSystemProxy result;
  const std::string lower = LowerAscii(scheme);
  std::string proxy, name;
  bool found = false;
  if (lower == "http") {
    found = Variable("http_proxy", proxy, name);
  } else if (lower == "https") {
    found = Variable("https_proxy", proxy, name) || Variable("HTTPS_PROXY", proxy, name);
  }
  if (!found) return result;
  result.Origin = TProxyOrigin::Environment;
  std::string noProxy, noProxyName;
  if ((Variable("no_proxy", noProxy, noProxyName) || Variable("NO_PROXY", noProxy, noProxyName)) &&
      NoProxyMatches(noProxy, host)) {
    result.Setting = noProxyName + " names " + host;
    return result;
  }
  TProxyHop hop;
  std::string why;
  if (!ParseProxyUrl(proxy, hop, result.User, result.Password, why)) {
    result.Setting = name + " is not used: " + why;
    return result;
  }
  result.Hops.push_back(hop);
  result.Setting = name;
  return result;
}

}  // namespace qvx
