// The rules that read proxy settings, shared by both back ends and tested on both platforms.
#include "platform/system_proxy.h"

#include <cstdint>

#include "base/ascii_case.h"

namespace qvx {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trimmed(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

// Pieces of text separated by any of the separators; empty pieces are dropped.
std::vector<std::string> Pieces(const std::string& text, const char* separators) {
  std::vector<std::string> out;
  std::string piece;
  for (char c : text) {
    if (std::string(separators).find(c) != std::string::npos) {
      if (!piece.empty()) out.push_back(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  if (!piece.empty()) out.push_back(piece);
  return out;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// "host", "host:port", "[v6]" or "[v6]:port"; false for an empty host or a port that is not a
// number from 1 to 65535.
bool SplitHostPort(const std::string& text, const std::string& defaultPort, TProxyHop& hop) {
  std::string host = text, port = defaultPort;
  if (!text.empty() && text[0] == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos) return false;
    host = text.substr(1, close - 1);
    const std::string rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') return false;
      port = rest.substr(1);
    }
  } else if (const size_t colon = text.rfind(':'); colon != std::string::npos) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (host.find(':') != std::string::npos) return false;  // a bare IPv6 address
  }
  if (host.empty() || !AllDigits(port) || port.size() > 5) return false;
  const long number = std::stol(port);
  if (number < 1 || number > 65535) return false;
  hop.Host = host;
  hop.Port = std::to_string(number);
  return true;
}

// A proxy entry of a manual string or a script's answer: "host[:port]", perhaps "http://"
// before it and a "/" after it.
bool EntryHop(std::string text, TProxyHop& hop) {
  if (LowerAscii(text.substr(0, 7)) == "http://") text = text.substr(7);
  if (const size_t slash = text.find('/'); slash != std::string::npos) text.resize(slash);
  return SplitHostPort(text, "80", hop);
}

// "*" matches any run of characters, including none; letters compare without regard to case.
bool WildcardMatches(const std::string& pattern, const std::string& text) {
  size_t p = 0, t = 0, star = std::string::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && UpperAsciiChar(pattern[p]) == UpperAsciiChar(text[t])) {
      ++p;
      ++t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Dotted IPv4 text to a number; false for anything else ("1.2.3", "1.2.3.256", "a.b.c.d").
bool ParseIpv4(const std::string& text, uint32_t& address) {
  const std::vector<std::string> parts = Pieces(text, ".");
  if (parts.size() != 4 || text.front() == '.' || text.back() == '.' ||
      text.find("..") != std::string::npos)
    return false;
  address = 0;
  for (const std::string& part : parts) {
    if (!AllDigits(part) || part.size() > 3) return false;
    const int value = std::stoi(part);
    if (value > 255) return false;
    address = (address << 8) | static_cast<uint32_t>(value);
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string ProxyOriginText(TProxyOrigin origin) {
  switch (origin) {
    case TProxyOrigin::None: return std::string();
    case TProxyOrigin::ConfigIni: return "config.ini";
    case TProxyOrigin::SystemSettings: return "the system's Internet settings";
    case TProxyOrigin::AutoScript: return "the automatic configuration script";
    case TProxyOrigin::Environment: return "the environment";
  }
  return std::string();
}

std::vector<TProxyHop> ManualProxyHops(const std::string& proxyString, const std::string& scheme) {
  std::vector<TProxyHop> forScheme, forAll;
  for (const std::string& entry : Pieces(proxyString, "; \t\r\n")) {
    const size_t eq = entry.find('=');
    TProxyHop hop;
    if (eq == std::string::npos) {
      if (EntryHop(entry, hop)) forAll.push_back(hop);
    } else if (EqualTextIgnoreCase(entry.substr(0, eq), scheme)) {
      if (EntryHop(entry.substr(eq + 1), hop)) forScheme.push_back(hop);
    }
  }
  return forScheme.empty() ? forAll : forScheme;
}

bool BypassListMatches(const std::string& bypassList, const std::string& scheme,
                       const std::string& host, const std::string& port) {
  for (std::string entry : Pieces(bypassList, "; \t\r\n")) {
    if (EqualTextIgnoreCase(entry, "<local>")) {
      if (host.find('.') == std::string::npos && host.find(':') == std::string::npos) return true;
      continue;
    }
    if (const size_t sep = entry.find("://"); sep != std::string::npos) {
      if (!EqualTextIgnoreCase(entry.substr(0, sep), scheme)) continue;
      entry = entry.substr(sep + 3);
    }
    // A port after the pattern; an IPv6 literal keeps its colons inside brackets.
    std::string wantedPort;
    const size_t colon = entry.rfind(':');
    const size_t bracket = entry.rfind(']');
    if (colon != std::string::npos && (bracket == std::string::npos || colon > bracket) &&
        entry.find(':') == colon) {
      wantedPort = entry.substr(colon + 1);
      entry.resize(colon);
    }
    if (!entry.empty() && entry.front() == '[' && entry.back() == ']')
      entry = entry.substr(1, entry.size() - 2);
    if (!wantedPort.empty() && wantedPort != "*" && wantedPort != port) continue;
    if (!entry.empty() && WildcardMatches(entry, host)) return true;
  }
  return false;
}

bool NoProxyMatches(const std::string& noProxy, const std::string& host) {
  if (host.empty()) return false;
  if (noProxy == "*") return true;
  std::string name = host;
  uint32_t address = 0;
  const bool ipv4 = ParseIpv4(name, address);
  const bool ipv6 = !ipv4 && name.find(':') != std::string::npos;
  if (!ipv4 && !ipv6 && name.back() == '.') name.pop_back();

  size_t at = 0;
  while (at < noProxy.size()) {
    while (at < noProxy.size() && (noProxy[at] == ' ' || noProxy[at] == '\t')) ++at;
    const size_t start = at;
    while (at < noProxy.size() && noProxy[at] != ' ' && noProxy[at] != '\t' && noProxy[at] != ',')
      ++at;
    std::string token = noProxy.substr(start, at - start);
    if (!token.empty()) {
      if (ipv4) {
        std::string network = token;
        int bits = 32;
        if (const size_t slash = token.find('/'); slash != std::string::npos) {
          network = token.substr(0, slash);
          const std::string b = token.substr(slash + 1);
          bits = AllDigits(b) && b.size() <= 2 ? std::stoi(b) : -1;
          if (bits == 0) bits = 32;  // as curl: no bits means the whole address
        }
        uint32_t check = 0;
        if (bits >= 1 && bits <= 32 && ParseIpv4(network, check)) {
          const uint32_t mask = bits == 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> bits);
          if ((address & mask) == (check & mask)) return true;
        }
      } else if (ipv6) {
        if (token.size() > 2 && token.front() == '[' && token.back() == ']')
          token = token.substr(1, token.size() - 2);
        if (EqualTextIgnoreCase(token, name)) return true;
      } else {
        if (token.back() == '.') token.pop_back();
        if (!token.empty() && token.front() == '.') token.erase(0, 1);
        if (token.size() == name.size() && EqualTextIgnoreCase(token, name)) return true;
        if (!token.empty() && token.size() < name.size() &&
            name[name.size() - token.size() - 1] == '.' &&
            EqualTextIgnoreCase(token, name.substr(name.size() - token.size())))
          return true;
      }
    }
    while (at < noProxy.size() && (noProxy[at] == ' ' || noProxy[at] == '\t')) ++at;
    // Entries are separated by commas; anything else after an entry ends the list.
    if (at >= noProxy.size() || noProxy[at] != ',') break;
    while (at < noProxy.size() && noProxy[at] == ',') ++at;
  }
  return false;
}

std::vector<TProxyHop> PacAnswerHops(const std::string& answer) {
  std::vector<TProxyHop> hops;
  for (const std::string& raw : Pieces(answer, ";")) {
    const std::string entry = Trimmed(raw);
    if (entry.empty()) continue;
    size_t space = 0;
    while (space < entry.size() && !IsBlank(entry[space])) ++space;
    const std::string kind = UpperAscii(entry.substr(0, space));
    const std::string rest = Trimmed(entry.substr(space));
    TProxyHop hop;
    if (kind == "DIRECT" && rest.empty()) {
      hops.push_back(TProxyHop());
    } else if ((kind == "PROXY" || kind == "HTTP") && EntryHop(rest, hop)) {
      hops.push_back(hop);
    } else if (rest.empty() && kind != "PROXY" && kind != "HTTP" && kind != "HTTPS" &&
               kind.compare(0, 5, "SOCKS") != 0 && entry.find('=') == std::string::npos &&
               EntryHop(entry, hop)) {
      hops.push_back(hop);
    }
  }
  // The same way twice is tried once.
  std::vector<TProxyHop> unique;
  for (const TProxyHop& hop : hops) {
    bool seen = false;
    for (const TProxyHop& kept : unique) seen = seen || kept == hop;
    if (!seen) unique.push_back(hop);
  }
  return unique;
}

bool ParseProxyUrl(const std::string& text, TProxyHop& hop, std::string& user,
                   std::string& password, std::string& why) {
  std::string rest = Trimmed(text);
  user.clear();
  password.clear();
  if (const size_t sep = rest.find("://"); sep != std::string::npos) {
    const std::string scheme = LowerAscii(rest.substr(0, sep));
    if (scheme != "http") {
      why = "it names a " + scheme + ":// proxy; only http:// proxies can be used";
      return false;
    }
    rest = rest.substr(sep + 3);
  }
  if (const size_t slash = rest.find('/'); slash != std::string::npos) rest.resize(slash);
  if (const size_t at = rest.rfind('@'); at != std::string::npos) {
    const std::string info = rest.substr(0, at);
    rest = rest.substr(at + 1);
    const size_t colon = info.find(':');
    user = PercentDecoded(info.substr(0, colon));
    if (colon != std::string::npos) password = PercentDecoded(info.substr(colon + 1));
  }
  if (!SplitHostPort(rest, "1080", hop)) {
    user.clear();
    password.clear();
    why = "it names no proxy host and port that can be used";
    return false;
  }
  return true;
}

}  // namespace qvx
