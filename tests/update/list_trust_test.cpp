// The reading rules of the trust lines: UpdateKey values, up.txt.sig files, listserial and hash
// values, each as a table of the forms a hand-edited file or a hostile server may hold.
#include "update/list_trust.h"

#include <gtest/gtest.h>

#include <cctype>

#include "common/base64.h"
#include "common/name_index.h"
#include "common/string_list.h"
#include "platform/crypto.h"
#include "platform/signing_key.h"

namespace qvx {
namespace {

TEST(ParseUpdateKeys, SplitsAtCommasAndKeepsDamagedKeysAsKeysThatVerifyNothing) {
  const std::string a = EncodeBase64(std::string(1, '\x04') + std::string(64, 'a'));
  const std::string b = EncodeBase64(std::string(1, '\x04') + std::string(64, 'b'));
  EXPECT_TRUE(ParseUpdateKeys("").empty());
  EXPECT_TRUE(ParseUpdateKeys(" , ,").empty());
  EXPECT_EQ(ParseUpdateKeys(a).size(), 1u);
  EXPECT_EQ(ParseUpdateKeys(" " + a + " ,\t" + b + ",").size(), 2u);
  // A damaged entry still counts: an installation with a key never falls back to no checks.
  const std::vector<std::string> damaged = ParseUpdateKeys("not base64!");
  ASSERT_EQ(damaged.size(), 1u);
  EXPECT_FALSE(VerifyP256Signature(damaged[0], Sha256Of("x"), std::string(64, '\1')));
}

TEST(SignatureFileVerifies, AnyLineWithAnyKeyAndNothingElse) {
  const TP256SigningKey key = TP256SigningKey::Generate();
  const TP256SigningKey other = TP256SigningKey::Generate();
  const std::string list = "filecount=0\r\n";
  const std::string good = EncodeBase64(key.Sign(Sha256Of(list)));
  const std::string bad = EncodeBase64(other.Sign(Sha256Of(list)));
  const std::vector<std::string> keys = {key.PublicPoint()};
  struct {
    const char* what;
    std::string file;
    bool valid;
  } cases[] = {
      {"one line", good, true},
      {"CR LF and blank lines around", "\r\n\r\n" + good + "\r\n\r\n", true},
      {"blanks around the line", "  " + good + "\t\r\n", true},
      {"after another key's line", bad + "\n" + good + "\n", true},
      {"only another key's line", bad + "\n", false},
      {"two signatures on one line", good + good, false},
      {"cut by one character", good.substr(0, good.size() - 1), false},
      {"empty", "", false},
      {"a line of 88 characters that is no base64", std::string(88, '*'), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SignatureFileVerifies(list, c.file, keys), c.valid) << c.what;
  }
  EXPECT_TRUE(SignatureFileVerifies(list, good, {other.PublicPoint(), key.PublicPoint()}));
  EXPECT_FALSE(SignatureFileVerifies(list + " ", good, keys));
  EXPECT_FALSE(SignatureFileVerifies(list, good, {}));
}

TEST(CheckSignatureFile, LinesAreBoundedAndATerminateRequestIsHeardBetweenThem) {
  const TP256SigningKey key = TP256SigningKey::Generate();
  const TP256SigningKey other = TP256SigningKey::Generate();
  const std::string list = "filecount=0\r\n";
  const std::string good = EncodeBase64(key.Sign(Sha256Of(list))) + "\r\n";
  const std::string bad = EncodeBase64(other.Sign(Sha256Of(list))) + "\r\n";
  std::vector<TP256PublicKey> keys;
  keys.emplace_back(key.PublicPoint());
  auto lines = [](const std::string& line, size_t n) {
    std::string file;
    for (size_t i = 0; i < n; ++i) file += line;
    return file;
  };
  struct {
    const char* what;
    std::string file;
    TSignatureCheck result;
  } cases[] = {
      {"the valid line as the last of 16", lines(bad, 15) + good, TSignatureCheck::Valid},
      {"16 lines, the last without its line break",
       lines("\r\n", 15) + good.substr(0, good.size() - 2), TSignatureCheck::Valid},
      {"17 lines, the valid one first", good + lines(bad, 16), TSignatureCheck::TooManyLines},
      {"17 lines, the last without its line break", lines("\n", 16) + "x",
       TSignatureCheck::TooManyLines},
      {"200000 blank lines", lines("\r\n", 200000), TSignatureCheck::TooManyLines},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckSignatureFile(list, c.file, keys), c.result) << c.what;
  }

  // The request is asked for before each line: after the first line nothing more is verified.
  int asked = 0;
  const auto stopAfterOne = [&asked] { return ++asked > 1; };
  EXPECT_EQ(CheckSignatureFile(list, bad + bad + good, keys, stopAfterOne), TSignatureCheck::Stopped);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(CheckSignatureFile(list, bad + bad + good, keys, [] { return false; }),
            TSignatureCheck::Valid);

  // A key is valid only when the platform takes it; a damaged one verifies nothing.
  const TUpdateKeys read = ReadUpdateKeys("QUJD , " + EncodeBase64(key.PublicPoint()) + ",");
  EXPECT_TRUE(read.Present);
  ASSERT_EQ(read.Keys.size(), 1u);
  EXPECT_EQ(CheckSignatureFile(list, good, read.Keys), TSignatureCheck::Valid);
  struct {
    const char* value;
    bool present;
    bool damaged;
  } values[] = {{"", false, false}, {"   ", false, false}, {",", true, true},
                {" , ", true, true}, {"QUJD", true, true}};
  for (const auto& v : values) {
    const TUpdateKeys k = ReadUpdateKeys(v.value);
    EXPECT_EQ(k.Present, v.present) << "[" << v.value << "]";
    EXPECT_EQ(k.Damaged(), v.damaged) << "[" << v.value << "]";
  }
}

TEST(ListLines, SerialAndHashValues) {
  struct {
    const char* line;
    bool hasSerial;
    uint64_t serial;
  } serials[] = {
      {"listserial=7", true, 7},
      {"ListSerial= 12 ", true, 12},
      {"listserial=18446744073709551615x", false, 0},
      {"listserial=9999999999999999999", true, 9999999999999999999ull},
      {"listserial=99999999999999999999", false, 0},
      {"listserial=-3", false, 0},
      {"listserial=+3", false, 0},
      {"listserial=$10", false, 0},
      {"listserial=", false, 0},
      {"filecount=0", false, 0},
  };
  for (const auto& c : serials) {
    TStringList list;
    list.SetText(c.line);
    const TNameIndex index(list);
    uint64_t serial = 0;
    EXPECT_EQ(ListSerial(index, serial), c.hasSerial) << c.line;
    if (c.hasSerial) {
      EXPECT_EQ(serial, c.serial) << c.line;
    }
  }

  const std::string hex = Sha256HexOf("content");
  std::string upper = hex;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  TStringList list;
  list.SetText("FileHash0= " + upper + "\r\nfilehash1=" + hex.substr(1) + "\r\nfilehash2=\r\n");
  const TNameIndex index(list);
  EXPECT_TRUE(IsMatchingHash(ListHash(index, "filehash0"), hex));
  EXPECT_FALSE(IsMatchingHash(ListHash(index, "filehash1"), hex));
  EXPECT_EQ(ListHash(index, "filehash2"), "");
  EXPECT_EQ(ListHash(index, "filehash3"), "");
}

}  // namespace
}  // namespace qvx
