#pragma once
// A fresh folder below the system's temporary folder, removed with everything in it at the end
// of the test. Paths come out the way the program writes them: "\" on Windows, "/" elsewhere.
#include <cstdint>
#include <ctime>
#include <initializer_list>
#include <set>
#include <string>

namespace qvx {
namespace test {

class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  // The folder, ending with the platform's delimiter.
  const std::string& Path() const { return FPath; }
  // Path() + relative, with every "\" or "/" in relative turned into the platform's delimiter.
  std::string At(const std::string& relative) const;
  // Writes bytes to a file below the folder, making the folders on the way.
  std::string Write(const std::string& relative, const std::string& bytes) const;
  std::string Read(const std::string& relative) const;
  bool Exists(const std::string& relative) const;
  // The names in the folder below relative ("" for the folder itself), sorted.
  std::string List(const std::string& relative = "") const;
  // The names in these folders below this one ("" for the folder itself) that known lacks: what
  // a run left beside the files a test expects.
  std::set<std::string> NamesBeyond(const std::set<std::string>& known,
                                    std::initializer_list<const char*> folders) const;

 private:
  std::string FPath;
};

// Platform helpers for file fixtures (file_fixture_win.cpp / file_fixture_posix.cpp).
// Sets a file's last-write time to a moment given in seconds since 1970 UTC.
void SetLastWriteTimeUtc(const std::string& path, int64_t secondsSince1970);
// Marks a file read-only, or writable again.
void SetReadOnly(const std::string& path, bool readOnly);
// Makes a file that the platform's folder search reports as hidden and returns its name:
// base with the hidden attribute on Windows, "." + base elsewhere.
std::string MakeHiddenFile(const std::string& folder, const std::string& base);
// Removes the variables that name a proxy from this process's environment (POSIX; the Windows
// settings live in the registry, which a test prefix leaves empty), so that a run that expects
// a direct connection gets one on a developer's machine too.
void ClearProxyEnvironment();
// Seconds to add to UTC for local time, by the offset in force now.
int64_t CurrentUtcOffsetSeconds();
// Seconds since 1970 UTC of a local wall-clock time, by the offset in force now (the offset the
// platform's folder search applies to file times).
int64_t LocalToUtc(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute,
                   uint16_t second);

}  // namespace test
}  // namespace qvx
