#include "net/url_parts.h"

#include "base/ascii_case.h"
#include "common/integer_rule.h"
#include "net/http_text.h"

namespace qvx {

std::string DecodePercent(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    char c = text[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 2 >= n) break;
    char next = text[i + 1];
    if (next == '\r' || next == '\n') {
      char pair = next == '\r' ? '\n' : '\r';
      i += 2;
      if (i < n && text[i] == pair) ++i;
      continue;
    }
    int hi = HexDigitValue(next), lo = HexDigitValue(text[i + 2]);
    if (hi >= 0 && lo >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 3;
    } else {
      out += '%';
      ++i;
    }
  }
  return out;
}

TUrlParts SplitUrl(const std::string& url) {
  TUrlParts u;
  std::string rest = url;
  if (url.find("://") != std::string::npos) {
    u.Scheme = TextBefore(url, "://");
    rest = TextAfter(url, "://");
  }
  const std::string scheme = UpperAscii(u.Scheme);
  if (scheme == "HTTPS") u.Port = "443";
  if (scheme == "FTP") u.Port = "21";

  const size_t at = rest.find('@');
  const size_t slash = rest.find('/');
  if (at != std::string::npos && (slash == std::string::npos || at < slash)) {
    const std::string info = rest.substr(0, at);
    rest = rest.substr(at + 1);
    u.User = TextBefore(info, ":");
    if (info.find(':') != std::string::npos) u.Password = TextAfter(info, ":");
  }

  std::string hostPart = rest, pathText;
  if (rest.find('/') != std::string::npos) {
    hostPart = TextBefore(rest, "/");
    pathText = TextAfter(rest, "/");
  }
  if (!hostPart.empty() && hostPart[0] == '[') {
    const std::string inner = hostPart.substr(1);
    u.Host = TextBefore(inner, "]");
    const std::string after = TextAfter(inner, "]");
    if (!after.empty() && after[0] == ':') u.Port = after.substr(1);
  } else if (hostPart.find(':') != std::string::npos) {
    u.Host = TextBefore(hostPart, ":");
    u.Port = TextAfter(hostPart, ":");
  } else {
    u.Host = hostPart;
  }

  u.Target = "/" + pathText;
  if (pathText.find('?') != std::string::npos) {
    u.Path = "/" + TextBefore(pathText, "?");
    u.Query = TextAfter(pathText, "?");
  } else {
    u.Path = u.Target;
  }
  if (u.Host.empty()) u.Host = "localhost";
  u.User = DecodePercent(u.User);
  u.Password = DecodePercent(u.Password);
  return u;
}

}  // namespace qvx
