#include "common/string_list.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "support/temp_folder.h"

namespace qvx {
namespace {

std::vector<std::string> Lines(const TStringList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.LineAt(i));
  return out;
}

TStringList ListOf(std::initializer_list<const char*> lines) {
  TStringList list;
  for (const char* line : lines) list.Add(line);
  return list;
}

TEST(TStringListSetText, SplitsAtCrLfNulAndReplacesTheLines) {
  using V = std::vector<std::string>;
  struct Case {
    std::string text;
    V lines;
  } cases[] = {
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"a\n\rb", {"a", "", "b"}},
      {"x\r\n", {"x"}},
      {"x\r\n\r\n", {"x", ""}},
      {"\r\n", {""}},
      {"\n\n", {"", ""}},
      {"\r\r\n", {"", ""}},
      {std::string("a\0b\r\nc", 6), {"a"}},
      {std::string("\0abc", 4), {}},
      {"", {}},
      {"\xEF\xBB\xBFk=v", {"\xEF\xBB\xBFk=v"}},  // no byte-order mark is recognised
  };
  for (const auto& c : cases) {
    TStringList list = ListOf({"old"});
    list.SetText(c.text);
    EXPECT_EQ(Lines(list), c.lines) << "text: " << c.text;
  }
}

TEST(TStringListLoadBytes, ReadsFromThePositionToTheEnd) {
  TMemoryStream stream;
  stream.Write("skip\r\nk=v\r\nlast", 15);
  stream.SetPosition(6);
  TStringList list = ListOf({"old"});
  list.LoadBytes(stream);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"k=v", "last"}));
}

TEST(TStringListJoinedText, EndsEveryLineWithCrLf) {
  EXPECT_EQ(TStringList().JoinedText(), "");
  EXPECT_EQ(ListOf({"x=1"}).JoinedText(), "x=1\r\n");
  EXPECT_EQ(ListOf({"a", "", "b"}).JoinedText(), "a\r\n\r\nb\r\n");
}

TEST(TStringListNames, MatchFirstLineIgnoringCaseOnly) {
  TStringList list = ListOf({"plain", "softid =7", "SoftID=12", "a=b=c", "k=1", "k=2", "e=",
                             "=anon", "\xC4=upper"});
  struct Case {
    const char* name;
    int index;
    const char* value;
  } cases[] = {
      {"softid", 2, "12"}, {"SOFTID", 2, "12"}, {"softid ", 1, "7"}, {"a", 3, "b=c"},
      {"k", 4, "1"},       {"e", 6, ""},        {"missing", -1, ""}, {"plain", -1, ""},
      {"", 7, "anon"},     {"\xE4", -1, ""},  // no folding beyond ASCII
  };
  for (const auto& c : cases) {
    EXPECT_EQ(list.FindName(c.name), c.index) << c.name;
    EXPECT_EQ(list.ValueOf(c.name), c.value) << c.name;
  }
  EXPECT_EQ(list.NameAt(3), "a");
  EXPECT_EQ(list.ValueAt(3), "b=c");
  EXPECT_EQ(list.NameAt(0), "");
  EXPECT_EQ(list.ValueAt(-1), "");
}

TEST(TStringListSetValueOf, ReplacesAppendsOrRemovesInPlace) {
  using V = std::vector<std::string>;
  struct Case {
    V before;
    const char* value;
    V after;
  } cases[] = {
      {{"a=1", "appdate=old", "b=2"}, "x", {"a=1", "AppDate=x", "b=2"}},
      {{"a=1"}, "x", {"a=1", "AppDate=x"}},
      {{"a=1", "AppDate=old"}, "", {"a=1"}},
      {{"a=1"}, "", {"a=1"}},
      {{"appdate=1", "APPDATE=2"}, "x", {"AppDate=x", "APPDATE=2"}},
      {{"appdate=1", "APPDATE=2"}, "", {"APPDATE=2"}},
      {{}, "v=w", {"AppDate=v=w"}},
  };
  for (const auto& c : cases) {
    TStringList list;
    for (const auto& line : c.before) list.Add(line);
    list.SetValueOf("AppDate", c.value);
    EXPECT_EQ(Lines(list), c.after) << "value: " << c.value;
  }
}

TEST(TStringListIndex, OutOfRangeFailsWithTheIndex) {
  TStringList list = ListOf({"a", "b", "c"});
  list.Delete(1);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(list.Add("d"), 2);

  for (int bad : {-1, 3, 100}) {
    try {
      list.LineAt(bad);
      ADD_FAILURE() << "LineAt(" << bad << ") did not fail";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(bad) + ")");
    }
    EXPECT_THROW(list.Delete(bad), EListError);
    EXPECT_THROW(list.NameAt(bad), EListError);
  }
  EXPECT_EQ(list.Count(), 3);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace qvx

namespace qvx {
namespace {

TEST(TStringListFiles, SaveWritesJoinedTextAndLoadReadsItBack) {
  test::TTempFolder dir;
  const std::string path = dir.At("App.info");
  TStringList list = ListOf({"x=1"});
  list.SaveFile(path);
  EXPECT_EQ(dir.Read("App.info"), "x=1\r\n");

  TStringList().SaveFile(path);
  EXPECT_EQ(dir.Read("App.info"), "");

  dir.Write("in.txt", "a\r\nb\nc");
  TStringList loaded = ListOf({"old"});
  loaded.LoadFile(dir.At("in.txt"));
  EXPECT_EQ(Lines(loaded), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(TStringListFiles, FailuresNameTheFileAndKeepEverythingAsItWas) {
  test::TTempFolder dir;
  const std::string missingFolder = dir.At("data\\App.info");
  try {
    ListOf({"x=1"}).SaveFile(missingFolder);
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const EFCreateError& e) {
    const std::string prefix = "Cannot create file \"" + missingFolder + "\". ";
    EXPECT_EQ(e.Message().substr(0, prefix.size()), prefix);
    EXPECT_GT(e.Message().size(), prefix.size()) << "the platform's reason is missing";
  }
  EXPECT_EQ(dir.List(), "");

  const std::string kept = dir.Write("kept.txt", "old\r\n");
  test::SetReadOnly(kept, true);
  EXPECT_THROW(ListOf({"new"}).SaveFile(kept), EFCreateError);
  test::SetReadOnly(kept, false);
  EXPECT_EQ(dir.Read("kept.txt"), "old\r\n");

  TStringList list = ListOf({"keep me"});
  const std::string missing = dir.At("nothing.txt");
  try {
    list.LoadFile(missing);
    ADD_FAILURE() << "loaded a missing file";
  } catch (const EFOpenError& e) {
    const std::string prefix = "Cannot open file \"" + missing + "\". ";
    EXPECT_EQ(e.Message().substr(0, prefix.size()), prefix);
    EXPECT_GT(e.Message().size(), prefix.size());
  }
  EXPECT_THROW(list.LoadFile(dir.Path()), EFOpenError);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"keep me"}));
}

}  // namespace
}  // namespace qvx
