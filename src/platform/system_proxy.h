#pragma once
// The proxy the system names for a request, when the updater's own settings name none.
//   Windows: the user's Internet settings, read through WinHTTP: an automatic configuration
//            script (by its address, or found by automatic detection) decides per URL; otherwise
//            the manual proxy string with its per-scheme entries and its bypass list.
//   POSIX:   the environment as curl reads it: http_proxy for http://, https_proxy (or
//            HTTPS_PROXY) for https://, and no_proxy (or NO_PROXY) for the hosts that go direct.
// The back ends only gather the settings; the rules that read them are the pure functions below,
// the same on every platform.
#include <string>
#include <vector>

namespace qvx {

// Where the proxy of a request came from. Named in the log and in a failure line, so that a
// support call can tell which setting to change.
enum class TProxyOrigin { None, ConfigIni, SystemSettings, AutoScript, Environment };

// "config.ini", "the system's Internet settings", "the automatic configuration script",
// "the environment"; empty for None.
std::string ProxyOriginText(TProxyOrigin origin);

// One way to try: through the proxy Host:Port, or direct when Host is empty.
struct TProxyHop {
  std::string Host;  // without the brackets of an IPv6 literal
  std::string Port;
  bool IsDirect() const { return Host.empty(); }
  bool operator==(const TProxyHop& other) const { return Host == other.Host && Port == other.Port; }
};

struct TSystemProxy {
  TProxyOrigin Origin = TProxyOrigin::None;  // None: the system names no proxy at all
  // In the order to try; empty means direct.
  std::vector<TProxyHop> Hops;
  // Credentials that came with the proxy's address (user information of a proxy URL).
  std::string User, Password;
  // Which setting decided, in words for the log ("http_proxy", "no_proxy", "the bypass list");
  // never a credential.
  std::string Setting;
};

// The system's proxy for a request to url, whose scheme ("http", "https"), host and port the
// caller has split. Never fails: settings that cannot be read or used mean direct, with Setting
// saying why.
TSystemProxy SystemProxyFor(const std::string& url, const std::string& scheme,
                            const std::string& host, const std::string& port);

// --- The rules, as the systems read their settings ------------------------------------------

// A manual proxy string as Windows reads it: entries separated by ";" or blanks, each
// "[scheme=][http://]host[:port]". The entries for the request's scheme come first; without
// any, the entries that name no scheme; without those, none (direct). A missing port is 80.
// Entries of other kinds ("socks=") never serve http or https.
std::vector<TProxyHop> ManualProxyHops(const std::string& proxyString, const std::string& scheme);

// Whether a bypass list as Windows reads it sends the host direct: entries separated by ";" or
// blanks; "<local>" matches a host name without a dot; other entries are patterns with "*"
// matching any run of characters, compared without regard to letter case, optionally
// "scheme://" before them and ":port" after them, which must match too.
bool BypassListMatches(const std::string& bypassList, const std::string& scheme,
                       const std::string& host, const std::string& port);

// Whether a no_proxy value as curl reads it sends the host direct: "*" alone matches every
// host; otherwise entries separated by commas (blanks around them allowed). A host name matches
// an entry equal to it or to one of its domains ("example.com" and ".example.com" match
// www.example.com, not notexample.com), without regard to letter case, trailing dots ignored;
// an IPv4 address matches an equal address or a network "a.b.c.d/bits". The port plays no part:
// an entry with a port matches nothing.
bool NoProxyMatches(const std::string& noProxy, const std::string& host);

// The answer of an automatic configuration script, or WinHTTP's list made from it: entries
// separated by ";" (blanks around them allowed), each "PROXY host:port", "HTTP host:port",
// "DIRECT" or a bare "host:port". Kinds the updater cannot speak (SOCKS, HTTPS) are left out.
// A missing port is 80. Nothing usable at all means direct.
std::vector<TProxyHop> PacAnswerHops(const std::string& answer);

// A proxy as an environment variable gives it, as curl reads it:
// "[http://][user[:password]@]host[:port][/...]"; user and password are percent-decoded; a
// missing port is 1080. False, with why set, for a proxy the updater cannot speak (socks*://,
// https://) or one without a host.
bool ParseProxyUrl(const std::string& text, TProxyHop& hop, std::string& user,
                   std::string& password, std::string& why);

}  // namespace qvx
