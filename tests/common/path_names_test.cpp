#include "common/path_names.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

TEST(PathNames, SplitAtTheLastDelimiter) {
  struct Case {
    std::string path, folder, name;
  } cases[] = {
      {"data\\App.info", "data\\", "App.info"},
      {"C:\\app\\qvxupdate.exe", "C:\\app\\", "qvxupdate.exe"},
      {"C:\\qvxupdate.exe", "C:\\", "qvxupdate.exe"},
      {"C:x.exe", "C:", "x.exe"},
      {"plain.txt", "", "plain.txt"},
      {"dir\\", "dir\\", ""},
      {"", "", ""},
#ifndef _WIN32
      {"/opt/app/qvxupdate", "/opt/app/", "qvxupdate"},
      {"/opt/app\\data\\x.ini", "/opt/app\\data\\", "x.ini"},
#else
      {"a/b", "", "a/b"},
#endif
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderOfPath(c.path), c.folder) << c.path;
    EXPECT_EQ(NameOfPath(c.path), c.name) << c.path;
  }
}

}  // namespace
}  // namespace qvx
