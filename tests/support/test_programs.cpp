#include "support/test_programs.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace qvx::test {

std::string OwnProgramPath() {
#ifdef _WIN32
  char buffer[MAX_PATH * 4];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, n);
#else
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
#endif
}

std::string HelperProgramPath(const std::string& name) {
#ifdef _WIN32
  const std::string file = name + ".exe";
#else
  const std::string file = name;
#endif
  std::filesystem::path here = std::filesystem::path(OwnProgramPath()).parent_path();
  for (const auto& folder : {here, here.parent_path()}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(folder / file, error)) return (folder / file).string();
  }
  return {};
}

}  // namespace qvx::test
