// One table of INI files and lookups, checked against the private-profile seam. Natively that
// is our own reader; under Wine it is the real GetPrivateProfileStringA/W, and there our reader
// is run on the same table as well, so the table is where the two are held equal.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/profile_reader.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

using namespace std::string_literals;

const std::string kNoFile = "<no file>";

std::string Utf16Le(const std::u16string& text, bool bom = true) {
  std::string out = bom ? "\xFF\xFE" : "";
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::string Utf16Be(const std::u16string& text) {
  std::string out = "\xFE\xFF";
  for (char16_t c : text) {
    out += static_cast<char>(c >> 8);
    out += static_cast<char>(c & 0xFF);
  }
  return out;
}

struct TIniCase {
  const char* name;
  std::string file;     // the file's bytes, or kNoFile
  const char* section;
  const char* key;      // null: list the section's key names
  const char* def;
  uint32_t size;        // buffer size handed to the reader
  std::string expected; // the characters reported as copied (NULs of a list included)
};

const std::string k3000(3000, 'v');
const std::string kUtf16 =
    Utf16Le(u"[S]\r\nk=v\u00e9\u4e2d\r\nq=\"x\"\r\n  sp  =  y  \r\n");

const TIniCase kCases[] = {
    // Finding a value, or the default.
    {"basic", "[S]\r\nk=v\r\n", "S", "k", "D", 2048, "v"},
    {"missing file", kNoFile, "S", "k", "D", 2048, "D"},
    {"empty file", "", "S", "k", "D", 2048, "D"},
    {"missing section", "[T]\r\nk=v\r\n", "S", "k", "D", 2048, "D"},
    {"missing key", "[S]\r\nj=v\r\n", "S", "k", "D", 2048, "D"},
    {"empty value is not the default", "[S]\r\nk=\r\n", "S", "k", "D", 2048, ""},
    {"key without = gives the default", "[S]\r\nk\r\n", "S", "k", "D", 2048, "D"},
    {"key without = still hides a later one", "[S]\r\nb\r\nb=2\r\n", "S", "b", "D", 2048, "D"},
    {"= inside the value", "[S]\r\nk=a=b\r\n", "S", "k", "D", 2048, "a=b"},
    {"first of two keys", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "D", 2048, "1"},
    {"only the first section of a name", "[S]\r\na=1\r\n[T]\r\nx=0\r\n[s]\r\nb=2\r\na=3\r\n", "S",
     "b", "D", 2048, "D"},
    {"first section's key", "[S]\r\na=1\r\n[T]\r\nx=0\r\n[s]\r\nb=2\r\na=3\r\n", "S", "a", "D",
     2048, "1"},
    {"key of a later section", "[S]\r\nk=v\r\n[S]\r\nk=w\r\n[T]\r\n", "T", "k", "D", 2048, "D"},

    // Letter case and blanks.
    {"names ignore case", "[Sec]\r\nKey=v\r\n", "sEC", "kEY", "D", 2048, "v"},
    {"the ends of the alphabet fold too", "[aZz]\r\nZkz=v\r\n", "AzZ", "zKZ", "D", 2048, "v"},
    {"no folding above ASCII (section)", "[\xC4]\r\nk=v\r\n", "\xE4", "k", "D", 2048, "D"},
    {"no folding above ASCII (key)", "[S]\r\nk\xC4=v\r\n", "S", "k\xE4", "D", 2048, "D"},
    {"blanks around key and value", "[S]\r\n  k  =  v  \r\n", "S", "k", "D", 2048, "v"},
    {"tabs around key and value", "[S]\r\n\tk\t=\tv\t\r\n", "S", "k", "D", 2048, "v"},
    {"tab inside the value", "[S]\r\nk=a\tb\r\n", "S", "k", "D", 2048, "a\tb"},
    {"blanks inside a key", "[S]\r\nk  x = v\r\n", "S", "k  x", "D", 2048, "v"},
    {"^Z is a blank, ^A is not", "[S]\r\nk=\x01v\x1A\r\n", "S", "k", "D", 2048, "\x01v"},
    {"VT and FF are blanks", "[S]\r\nk=\x0Bv\x0C\r\n", "S", "k", "D", 2048, "v"},
    {"FF does not end a line", "[S]\r\nk=v\x0Cz=1\r\n", "S", "k", "D", 2048, "v\x0Cz=1"},
    {"no-break space is no blank", "[S]\r\nk=\xA0v\xA0\r\n", "S", "k", "D", 2048, "\xA0v\xA0"},
    {"lookup names are trimmed", "[S]\r\na b=1\r\n", " S", " a b ", "D", 2048, "1"},
    {"control character in a key", "[S]\r\n\x01k=v\r\n", "S", "\x01k", "D", 2048, "v"},

    // Section headers.
    {"[ S ] found by S", "[ S ]\r\nk=v\r\n", "S", "k", "D", 2048, "v"},
    {"[ S ] found by ' S '", "[ S ]\r\nk=v\r\n", " S ", "k", "D", 2048, "v"},
    {"text after the header", "[S] junk\r\nk=v\r\n", "S", "k", "D", 2048, "v"},
    {"blanks and text after the header", "[ S ] x\r\nk=v\r\n", "S", "k", "D", 2048, "v"},
    {"blanks before the header", "  [S]\r\nk=v\r\n", "S", "k", "D", 2048, "v"},
    {"tabs around the header", "\t[S]\t\r\nk=v\r\n", "S", "k", "D", 2048, "v"},
    {"name runs to the last ]", "[a]b]\r\nk=v\r\n", "a]b", "k", "D", 2048, "v"},
    {"not cut at the first ]", "[a]b]\r\nk=v\r\n", "a", "k", "D", 2048, "D"},
    {"= in a section name", "[a=b]\r\nk=v\r\n", "a=b", "k", "D", 2048, "v"},
    {"quotes stay in section names", "[\"S\"]\r\nk=v\r\n", "S", "k", "D", 2048, "D"},
    {"control character in a section name", "[S\x01]\r\nk=v\r\n", "S", "k", "D", 2048, "D"},
    {"unterminated header is no section", "[S\r\nk=v\r\n", "S", "k", "D", 2048, "D"},
    {"unterminated header is a key", "[S]\r\n[x=1\r\n", "S", "[x", "D", 2048, "1"},
    {"[x]=1 opens a section", "[S]\r\n[x]=1\r\nk=2\r\n", "S", "k", "D", 2048, "D"},
    {"[x]=1 section holds the next key", "[S]\r\n[x]=1\r\nk=2\r\n", "x", "k", "D", 2048, "2"},
    {"a key on the header line is ignored", "[S]k=v\r\n", "S", "k", "D", 2048, "D"},
    {"lines before the first section", "k=v\r\n[S]\r\n", "S", "k", "D", 2048, "D"},
    {"... belong to the empty name", "k=v\r\n[S]\r\n", "", "k", "D", 2048, "v"},
    {"... found by a blank name", "k=v\r\n[S]\r\n", "  ", "k", "D", 2048, "v"},
    {"[] comes after the lines before it", "[]\r\nk=v\r\n", "", "k", "D", 2048, "D"},

    // Quotes.
    {"double quotes", "[S]\r\nk=\"v\"\r\n", "S", "k", "D", 2048, "v"},
    {"single quotes", "[S]\r\nk='v'\r\n", "S", "k", "D", 2048, "v"},
    {"quotes of two kinds", "[S]\r\nk=\"v'\r\n", "S", "k", "D", 2048, "\"v'"},
    {"a lone quote", "[S]\r\nk=\"\r\n", "S", "k", "D", 2048, "\""},
    {"a lone apostrophe", "[S]\r\nk='\r\n", "S", "k", "D", 2048, "'"},
    {"empty quotes", "[S]\r\nk=\"\"\r\n", "S", "k", "D", 2048, ""},
    {"empty quotes and a blank", "[S]\r\nk=\"\" \r\n", "S", "k", "D", 2048, ""},
    {"blanks inside quotes stay", "[S]\r\nk=\" a \"\r\n", "S", "k", "D", 2048, " a "},
    {"blanks outside quotes go", "[S]\r\nk= \"v\" \r\n", "S", "k", "D", 2048, "v"},
    {"quoted leading blank", "[S]\r\nk=\" a\" \r\n", "S", "k", "D", 2048, " a"},
    {"quote inside", "[S]\r\nk=\"a\"b\"\r\n", "S", "k", "D", 2048, "a\"b"},
    {"unterminated quote", "[S]\r\nk=\"abc\r\n", "S", "k", "D", 2048, "\"abc"},
    {"closing quote only", "[S]\r\nk=abc\"\r\n", "S", "k", "D", 2048, "abc\""},

    // Comments and odd keys.
    {"comment line is skipped by later keys", "[S]\r\n;k=v\r\nk=w\r\n", "S", "k", "D", 2048, "w"},
    {"comment line is a key to lookups", "[S]\r\n;k=v\r\n", "S", ";k", "D", 2048, "v"},
    {"# is no comment", "[S]\r\n#k=v\r\n", "S", "#k", "D", 2048, "v"},
    {"no comments after values", "[S]\r\nk=v ; c\r\n", "S", "k", "D", 2048, "v ; c"},
    {"key with an empty name", "[S]\r\n=v\r\n", "S", "", "D", 2048, "v"},
    {"empty name, none there", "[S]\r\nk=v\r\n", "S", "", "D", 2048, "D"},
    {"blank name, none there", "[S]\r\nk=v\r\n", "S", "  ", "D", 2048, "D"},
    {"first of two empty names", "[S]\r\n=x\r\n=y\r\n", "S", "", "D", 2048, "x"},
    {"empty name after a blank line", "[S]\r\n\r\n=x\r\n", "S", "", "D", 2048, "x"},
    {"empty name after a comment", "[S]\r\n;c\r\n=x\r\n", "S", "", "D", 2048, "x"},
    {"bare = holds an empty value", "[S]\r\n=\r\n=x\r\n", "S", "", "D", 2048, ""},

    // Line ends and lengths.
    {"blank lines", "[S]\r\n   \r\n\r\nk=v\r\n", "S", "k", "D", 2048, "v"},
    {"CR line ends", "[S]\rk=v\ra=b\r", "S", "a", "D", 2048, "b"},
    {"LF line ends", "[S]\nk=v\n", "S", "k", "D", 2048, "v"},
    {"CR CR LF line ends", "[S]\r\r\nk=v\r\r\n", "S", "k", "D", 2048, "v"},
    {"no final line break", "[S]\r\nk=v", "S", "k", "D", 2048, "v"},
    {"NUL cuts a value", "[S]\r\nk=v\0w\r\na=b\r\n"s, "S", "k", "D", 2048, "v"},
    {"NUL does not end the file", "[S]\r\nk=v\0w\r\na=b\r\n"s, "S", "a", "D", 2048, "b"},
    {"3000 characters read as 2047", "[S]\r\nk=" + k3000 + "\r\n", "S", "k", "D", 2048,
     std::string(2047, 'v')},
    {"2047 characters fit", "[S]\r\nk=" + std::string(2047, 'v') + "\r\n", "S", "k", "D", 2048,
     std::string(2047, 'v')},
    {"quoted 3000 characters", "[S]\r\nk=\"" + k3000 + "\"\r\n", "S", "k", "D", 2048,
     std::string(2047, 'v')},
    {"quoted 2046 characters fit", "[S]\r\nk=\"" + std::string(2046, 'v') + "\"\r\n", "S", "k",
     "D", 2048, std::string(2046, 'v')},
    {"quoted 2047 characters lose one more", "[S]\r\nk=\"" + std::string(2047, 'v') + "\"\r\n",
     "S", "k", "D", 2048, std::string(2046, 'v')},
    {"a 100000-character line", "[S]\r\nx=" + std::string(100000, 'x') + "\r\nk=v\r\n", "S", "k",
     "D", 2048, "v"},
    {"value cut to a small buffer", "[S]\r\nk=abcdef\r\n", "S", "k", "D", 4, "abc"},
    {"quoted value cut", "[S]\r\nk=\"abcdef\"\r\n", "S", "k", "D", 4, "abc"},
    {"quoted value one short", "[S]\r\nk=\"abc\"\r\n", "S", "k", "D", 4, "ab"},
    {"quoted value that fits", "[S]\r\nk=\"abc\"\r\n", "S", "k", "D", 5, "abc"},

    // Defaults.
    {"3000-character default", kNoFile, "S", "k", nullptr /* k3000 */, 2048,
     std::string(2047, 'd')},
    {"default loses trailing spaces", kNoFile, "S", "k", "  de f  ", 2048, "  de f"},
    {"... also with the file there", "[S]\r\n", "S", "k", "  de f  ", 2048, "  de f"},
    {"default keeps a trailing tab", kNoFile, "S", "k", "d\t", 2048, "d\t"},
    {"default of spaces keeps one", kNoFile, "S", "k", "   ", 2048, " "},
    {"empty default", kNoFile, "S", "k", "", 2048, ""},
    {"quoted default", kNoFile, "S", "k", "\"d\"", 2048, "d"},
    {"default in apostrophes", kNoFile, "S", "k", "'d'", 2048, "d"},
    {"default with one quote", kNoFile, "S", "k", "\"d", 2048, "\"d"},
    {"default with two kinds of quotes", kNoFile, "S", "k", "\"d'", 2048, "\"d'"},
    {"default cut", kNoFile, "S", "k", "abcdef", 4, "abc"},
    {"quoted default cut", kNoFile, "S", "k", "\"abc\"", 4, "ab"},

    // Encodings.
    {"8-bit bytes pass unchanged", "[S]\r\nk=\x80\x81\x8D\xA0x\xFF\r\n", "S", "k", "D", 2048,
     "\x80\x81\x8D\xA0x\xFF"},
    {"UTF-8 without mark is 8-bit", "[S]\r\nk=v\xC3\xA9\r\n", "S", "k", "D", 2048, "v\xC3\xA9"},
    {"UTF-8 mark", "\xEF\xBB\xBF[S]\r\nk=v\xC3\xA9\r\n", "S", "k", "D", 2048, "v\xE9"},
    {"UTF-8 mark, invalid byte", "\xEF\xBB\xBF[S]\r\nk=\xE9x\r\n", "S", "k", "D", 2048, "?x"},
    {"UTF-8 mark, character outside", "\xEF\xBB\xBF[S]\r\nk=\xE4\xB8\xAD\r\n", "S", "k", "D", 2048,
     "?"},
    {"UTF-16", kUtf16, "S", "k", "D", 2048, "v\xE9?"},
    {"UTF-16 quotes", kUtf16, "S", "q", "D", 2048, "x"},
    {"UTF-16 blanks", kUtf16, "S", "sp", "D", 2048, "y"},
    {"UTF-16 big-endian", Utf16Be(u"[S]\r\nk=v\r\n"), "S", "k", "D", 2048, "v"},
    {"UTF-16 odd length", kUtf16 + "x", "S", "sp", "D", 2048, "y"},
    {"UTF-16 without mark", Utf16Le(u"[S]\r\nk=v\r\n", false), "S", "k", "D", 2048, "D"},
    {"UTF-16 CR line ends", Utf16Le(u"[S]\rk=v\ra=b"), "S", "a", "D", 2048, "b"},
    {"UTF-16 best fit", Utf16Le(u"[S]\r\nk=\u0100\uFF21\u2018\u00e9\r\n"), "S", "k", "D", 2048,
     "AA\x91\xE9"},

    // Listing the key names of a section.
    {"list", "[S]\r\na=1\r\n;c=2\r\nb\r\n\r\n=e\r\nc=3\r\n[T]\r\nz=1\r\n", "S", nullptr, "D", 2048,
     "a\0\0c\0"s},
    {"list keeps repeated keys", "[S]\r\na=1\r\nA=2\r\n[S]\r\nb=1\r\n", "S", nullptr, "D", 2048,
     "a\0A\0"s},
    {"list of a missing section", "[S]\r\na=1\r\n", "X", nullptr, "D", 2048, "D"},
    {"list of a missing file", kNoFile, "X", nullptr, "D", 2048, "D"},
    {"list of an empty section", "[S]\r\n[T]\r\na=1\r\n", "S", nullptr, "D", 2048, "D"},
    {"list of an empty section, no default", "[S]\r\n[T]\r\na=1\r\n", "S", nullptr, "", 2048,
     ""},
    {"list of the first section only", "[S]\r\n[T]\r\n[S]\r\nb=1\r\n", "S", nullptr, "D", 2048,
     "D"},
    {"list without keys without =", "[S]\r\nb\r\n k \r\n", "S", nullptr, "D", 2048, "D"},
    {"list starting with an empty name", "[S]\r\n=e\r\nz=1\r\n", "S", nullptr, "D", 2048, "D"},
    {"list starting with a bare =", "[S]\r\n=\r\nk=v\r\n", "S", nullptr, "D", 2048, "D"},
    {"list with two empty names", "[S]\r\na=1\r\n=x\r\n=y\r\nc=1\r\n", "S", nullptr, "D", 2048,
     "a\0\0c\0"s},
    {"list skips indented comments", "[S]\r\n  ;c=1\r\nz=1\r\n", "S", nullptr, "D", 2048,
     "z\0"s},
    {"list skips bare comments", "[S]\r\n;k\r\nz=1\r\n", "S", nullptr, "D", 2048, "z\0"s},
    {"list keeps quotes in names", "[S]\r\n\"a\"=1\r\n b =2\r\n", "S", nullptr, "D", 2048,
     "\"a\"\0b\0"s},
    {"list section name is not trimmed", "[S]\r\na=1\r\n", " S ", nullptr, "D", 2048, "D"},
    {"list section name ignores case", "[S]\r\na=1\r\n", "s", nullptr, "D", 2048, "a\0"s},
    {"list of UTF-16 names", kUtf16, "S", nullptr, "D", 2048, "k\0q\0sp\0"s},
    {"list of UTF-8 names", "\xEF\xBB\xBF[S]\r\nk\xC3\xA9=1\r\n", "S", nullptr, "D", 2048,
     "k\xE9\0"s},
    {"list cut before a name", "[S]\r\nalpha=1\r\nbeta=2\r\n", "S", nullptr, "D", 8, "alpha\0"s},
    {"list cut inside a name", "[S]\r\nalpha=1\r\nbeta=2\r\n", "S", nullptr, "D", 11,
     "alpha\0bet"s},
    {"list cut after a name", "[S]\r\nalpha=1\r\nbeta=2\r\n", "S", nullptr, "D", 12,
     "alpha\0beta"s},
    {"list that just fits", "[S]\r\nalpha=1\r\nbeta=2\r\n", "S", nullptr, "D", 13,
     "alpha\0beta\0"s},
    {"list cut to 9", "[S]\r\nalpha=1\r\nbeta=2\r\ngamma=3\r\n", "S", nullptr, "D", 9,
     "alpha\0b"s},
    {"list cut to 4", "[S]\r\nalpha=1\r\nbeta=2\r\n", "S", nullptr, "D", 4, "al"},
    {"list cut to 3", "[S]\r\nalpha=1\r\n", "S", nullptr, "D", 3, "a"},
    {"list cut to 2 gives the default", "[S]\r\nalpha=1\r\n", "S", nullptr, "D", 2, "D"},
    {"list cut to 1", "[S]\r\nalpha=1\r\n", "S", nullptr, "D", 1, ""},
    {"list default cut", "[S]\r\n", "S", nullptr, "abcdef", 4, "abc"},
    {"list with a name longer than the buffer",
     "[S]\r\n" + std::string(5000, 'y') + "=1\r\nk=v\r\n", "S", nullptr, "D", 2048,
     std::string(2046, 'y')},
};

struct TWideCase {
  const char* name;
  std::string file;
  const char16_t* section;
  const char16_t* key;
  uint32_t size;
  std::u16string expected;
};

const TWideCase kWideCases[] = {
    {"UTF-16 exactly", kUtf16, u"S", u"k", 2048, u"v\u00e9\u4e2d"},
    {"UTF-16 outside the code page", Utf16Le(u"[S]\r\nk=\u0100\uFF21\u2018\r\n"), u"S", u"k", 2048,
     u"\u0100\uFF21\u2018"},
    {"8-bit file as Windows-1252", "[S]\r\nk=\x80\x81\x8D\xA0x\xFF\r\n", u"S", u"k", 2048,
     u"\u20AC\u0081\u008D\u00A0x\u00FF"},
    {"UTF-8 mark", "\xEF\xBB\xBF[S]\r\nk=\xE4\xB8\xAD\r\n", u"S", u"k", 2048, u"\u4e2d"},
    {"UTF-8 mark, invalid bytes", "\xEF\xBB\xBF[S]\r\nk=\xE9x\xE4\xB8y\r\n", u"S", u"k", 2048,
     u"\uFFFDx\uFFFDy"},
    {"UTF-8 mark, four bytes", "\xEF\xBB\xBF[S]\r\nk=\xF0\x9F\x98\x80\r\n", u"S", u"k", 2048,
     u"\U0001F600"},
    {"UTF-16 list", kUtf16, u"S", nullptr, 2048, u"k\0q\0sp\0"s},
    {"UTF-16 section ignores ASCII case", Utf16Le(u"[Ab\u00c4]\r\nk=v\r\n"), u"aB\u00c4", u"k", 2048,
     u"v"},
    {"UTF-16 2047 characters", Utf16Le(u"[S]\r\nk=" + std::u16string(3000, u'\u4e2d')), u"S",
     u"k", 2048, std::u16string(2047, u'\u4e2d')},
    {"missing key", kUtf16, u"S", u"nothing", 2048, u"D"},
};

class ProfileTable : public ::testing::Test {
 protected:
  std::string FileFor(const std::string& bytes) {
    const std::string path = dir.At("case" + std::to_string(next++) + ".ini");
    if (bytes != kNoFile) dir.Write(NameOfCase(path), bytes);
    return path;
  }
  std::string NameOfCase(const std::string& path) { return path.substr(dir.Path().size()); }
  test::TTempFolder dir;
  int next = 0;
};

// The buffer is pre-filled so that a missing terminator shows.
std::string Call(uint32_t (*read)(const TIniCase&, char*, const std::string&), const TIniCase& c,
                 const std::string& path, bool& terminated) {
  std::vector<char> buffer(c.size + 16, '#');
  uint32_t n = read(c, buffer.data(), path);
  terminated = n < buffer.size() && buffer[n] == '\0';
  return std::string(buffer.data(), std::min<size_t>(n, buffer.size()));
}

const char* DefaultOf(const TIniCase& c) {
  static const std::string longDefault(3000, 'd');
  return c.def ? c.def : longDefault.c_str();
}

TEST_F(ProfileTable, EightBitReaderGivesWhatWindowsGives) {
  for (const TIniCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string path = FileFor(c.file);
    bool terminated = false;
    std::string got = Call(
        [](const TIniCase& k, char* buffer, const std::string& p) {
          return ReadProfileString(k.section, k.key, DefaultOf(k), buffer, k.size, p);
        },
        c, path, terminated);
    EXPECT_EQ(got, c.expected);
    EXPECT_TRUE(terminated);
    FlushProfile(path);
#ifdef _WIN32
    // The same case through our own reader, which the other platforms use.
    const TProfileText ours(c.file == kNoFile ? std::string() : c.file);
    std::vector<char> buffer(c.size + 16, '#');
    uint32_t n = ours.GetStringA(c.section, c.key, DefaultOf(c), buffer.data(), c.size);
    EXPECT_EQ(std::string(buffer.data(), n), c.expected) << "our reader";
    EXPECT_EQ(buffer[n], '\0') << "our reader";
#endif
  }
}

TEST_F(ProfileTable, WideReaderGivesWhatWindowsGives) {
  for (const TWideCase& c : kWideCases) {
    SCOPED_TRACE(c.name);
    const std::string path = FileFor(c.file);
    const std::u16string widePath(path.begin(), path.end());  // ASCII temporary paths
    std::u16string buffer(c.size + 16, u'#');
    uint32_t n = ReadProfileStringW(c.section, c.key, u"D", &buffer[0], c.size, widePath);
    EXPECT_TRUE(buffer.substr(0, n) == c.expected);
    EXPECT_EQ(buffer[n], u'\0');
    FlushProfileW(widePath);
#ifdef _WIN32
    const TProfileText ours(c.file);
    std::u16string mine(c.size + 16, u'#');
    uint32_t m = ours.GetString(c.section, c.key, u"D", &mine[0], c.size);
    EXPECT_TRUE(mine.substr(0, m) == c.expected) << "our reader";
#endif
  }
}

TEST_F(ProfileTable, ChangesToTheFileAreSeenByTheNextRead) {
  const std::string path = FileFor("[S]\r\nk=1\r\n");
  char buffer[16];
  ASSERT_EQ(ReadProfileString("S", "k", "", buffer, sizeof buffer, path), 1u);
  EXPECT_STREQ(buffer, "1");
  dir.Write(NameOfCase(path), "[S]\r\nk=22\r\n");
  ASSERT_EQ(ReadProfileString("S", "k", "", buffer, sizeof buffer, path), 2u);
  EXPECT_STREQ(buffer, "22");
}

}  // namespace
}  // namespace qvx

namespace qvx {
namespace {

// Our reader with buffers of exactly the size it is told, so AddressSanitizer sees any write
// outside them (the table's buffers have room to spare). A one-character buffer once made the
// key listing write one character before the buffer.
TEST(ProfileReader, WritesOnlyIntoBuffersOfEverySize) {
  const TProfileText text("[S]\r\nalpha=1\r\nbeta=2\r\n");
  for (uint32_t size = 1; size <= 14; ++size) {
    for (const char16_t* key : {static_cast<const char16_t*>(nullptr), u"alpha", u"none"}) {
      SCOPED_TRACE(::testing::Message() << "size " << size << (key ? " key" : " listing"));
      std::unique_ptr<char16_t[]> wide(new char16_t[size]);
      const uint32_t n = text.GetString(u"S", key, u"Default", wide.get(), size);
      ASSERT_LT(n, size);
      EXPECT_EQ(wide[n], u'\0');
      std::unique_ptr<char[]> narrow(new char[size]);
      const std::string k = key ? std::string(key, key + std::char_traits<char16_t>::length(key)) : "";
      const uint32_t m = text.GetStringA("S", key ? k.c_str() : nullptr, "Default", narrow.get(), size);
      ASSERT_LT(m, size);
      EXPECT_EQ(narrow[m], '\0');
    }
  }
}

}  // namespace
}  // namespace qvx
