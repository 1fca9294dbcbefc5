// The dates a publication lists, read back with the updater's own date rule against an
// installation folder: copies older than the release are fetched, the release's own copies
// and later ones are not.
#include <gtest/gtest.h>

#include <cmath>

#include "common/date_time.h"
#include "common/string_list.h"
#include "common/text_utils.h"
#include "platform/path_delimiter.h"
#include "publish_fixture.h"
#include "startup/globals.h"
#include "update/update_list_rules.h"

namespace qvx {
namespace {

TEST_F(PublishTest, ListedDatesFetchOlderCopiesAndSkipThisVeryCopy) {
  using std::chrono::milliseconds;
  using std::chrono::seconds;
  // Odd and even seconds and a fraction, so the two-second truncation cuts differently.
  struct TFile {
    std::string path;
    milliseconds shift;
  } files[] = {{"a.txt", milliseconds(-1300)}, {"data/b.ini", milliseconds(-2000)},
               {"lang/de/c.txt", milliseconds(-700)}};
  for (const TFile& f : files) fs::last_write_time(Put(f.path, f.path), FBase + f.shift);
  ASSERT_EQ(Publish().Code, 0);
  TStringList list;
  list.SetText(ReadFileBytes(Out() / "up.txt"));
  ASSERT_EQ(list.ValueOf("filecount"), "3");

  struct TRestore {
    std::string saved = AppPath;
    ~TRestore() { AppPath = saved; }
  } restoreAppPath;
  // Each listed date is the release file's time as the updater sees it plus 4:59, a second short
  // of the rule's five minutes. The updater sees even seconds only, so no copy's date tells
  // +4:59 from +5:00; the seconds between the two readings do.
  AppPath = Release().string() + kPathDelimiter;
  for (int i = 0; i < 3; ++i) {
    bool ok = false;
    TIRIntegerArr n;
    ParseIntList(list.ValueOf("filedate" + std::to_string(i)), '-', ok, n);
    ASSERT_TRUE(ok && n.size() == 6) << "entry " << i;
    const auto u16 = [&](size_t k) { return static_cast<uint16_t>(n[k]); };
    const TDateTime listed = ComposeDateTime(u16(0), u16(1), u16(2), u16(3), u16(4), u16(5), 0);
    const TDateTime local = GetLocalFileTime(list.ValueOf("filename" + std::to_string(i)));
    EXPECT_EQ(std::llround((listed - local) * 86400), 4 * 60 + 59) << "entry " << i;
  }

  const fs::path install = FRoot / "install";
  AppPath = install.string() + kPathDelimiter;
  const auto copyAt = [&](const TFile& f, fs::file_time_type::duration offset) {
    const fs::path target = install / fs::u8path(f.path);
    fs::create_directories(target.parent_path());
    // MinGW's copy_file refuses to overwrite even when told to, so the old copy goes first.
    fs::remove(target);
    fs::copy_file(Release() / fs::u8path(f.path), target);
    fs::last_write_time(target, fs::last_write_time(Release() / fs::u8path(f.path)) + offset);
  };
  const auto newer = [&](int i) {
    return IsServerFileNewer(list.ValueOf("filename" + std::to_string(i)),
                             list.ValueOf("filedate" + std::to_string(i)));
  };

  for (int i = 0; i < 3; ++i) EXPECT_TRUE(newer(i)) << "missing copy of entry " << i;
  struct TCopy {
    const char* label;
    fs::file_time_type::duration offset;
    bool fetched;
  } copies[] = {
      {"an hour older", -std::chrono::hours(1), true},
      {"six minutes older", -seconds(360), true},
      {"four minutes older", -seconds(240), true},
      {"two seconds older", -seconds(2), true},
      {"this very copy", seconds(0), false},
      {"written a second later", seconds(1), false},
      {"downloaded an hour later", std::chrono::hours(1), false},
  };
  for (const TCopy& c : copies) {
    for (int i = 0; i < 3; ++i) {
      copyAt(files[i], c.offset);
      // Entries are sorted by path, which is the order of the table above.
      EXPECT_EQ(newer(i), c.fetched) << c.label << ", entry " << i;
    }
  }
}

}  // namespace
}  // namespace qvx
