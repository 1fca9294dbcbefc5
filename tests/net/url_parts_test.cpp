#include "net/url_parts.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

TEST(SplitUrl, Pieces) {
  struct Case {
    std::string url, scheme, user, password, host, port, path, query, target;
  } cases[] = {
      {"http://h.example/qvx/up.txt", "http", "", "", "h.example", "80", "/qvx/up.txt", "", "/qvx/up.txt"},
      {"http://h.example", "http", "", "", "h.example", "80", "/", "", "/"},
      {"h.example:8080/a?b=1?c", "http", "", "", "h.example", "8080", "/a", "b=1?c", "/a?b=1?c"},
      {"HTTPS://h/x", "HTTPS", "", "", "h", "443", "/x", "", "/x"},
      {"ftp://h/", "ftp", "", "", "h", "21", "/", "", "/"},
      {"http://bob:s%3Ac@h:81/p", "http", "bob", "s:c", "h", "81", "/p", "", "/p"},
      {"http://bob@h/p", "http", "bob", "", "h", "80", "/p", "", "/p"},
      {"http://h/p@q", "http", "", "", "h", "80", "/p@q", "", "/p@q"},
      {"http://[::1]:8080/p", "http", "", "", "::1", "8080", "/p", "", "/p"},
      {"http://[fe80::2]/", "http", "", "", "fe80::2", "80", "/", "", "/"},
      {"http:///p", "http", "", "", "localhost", "80", "/p", "", "/p"},
      {"http://h:/p", "http", "", "", "h", "", "/p", "", "/p"},
  };
  for (const auto& c : cases) {
    TUrlParts u = SplitUrl(c.url);
    EXPECT_EQ(u.Scheme, c.scheme) << c.url;
    EXPECT_EQ(u.User, c.user) << c.url;
    EXPECT_EQ(u.Password, c.password) << c.url;
    EXPECT_EQ(u.Host, c.host) << c.url;
    EXPECT_EQ(u.Port, c.port) << c.url;
    EXPECT_EQ(u.Path, c.path) << c.url;
    EXPECT_EQ(u.Query, c.query) << c.url;
    EXPECT_EQ(u.Target, c.target) << c.url;
  }
}

TEST(DecodePercent, Rules) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"a%41%62c", "aAbc"},
      {"%e4x", "\xe4x"},
      {"a%zzb", "a%zzb"},
      {"a%\r\nb", "ab"},
      {"a%\n\rb", "ab"},
      {"a%\rb", "ab"},
      {"a%\nxb", "axb"},
      {"ab%4", "ab"},
      {"ab%", "ab"},
      {"ab%41", "abA"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodePercent(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace qvx
