#pragma once
// Splitting a request URL into the pieces the HTTP client needs. Lenient by design: any text
// splits into something; an empty host becomes "localhost".
#include <string>

namespace qvx {

struct TUrlParts {
  std::string Scheme = "http";  // as written
  std::string User, Password;   // percent-decoded
  std::string Host;             // without the brackets of an IPv6 literal
  std::string Port = "80";
  std::string Path;             // "/" + the path, without the query
  std::string Query;
  std::string Target;           // "/" + the path with its query: the request target
};

TUrlParts SplitUrl(const std::string& url);

// "%" + two hex digits becomes that byte; "%" + a line break (CR LF and LF CR count as one) is
// dropped with it; any other "%" stays, except that one among the last two characters ends the
// text there.
std::string DecodePercent(const std::string& text);

}  // namespace qvx
