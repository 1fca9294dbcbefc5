#include "support/fake_tool.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "support/test_programs.h"

namespace qvx::test {

std::filesystem::path InstallFakeProgram(const std::filesystem::path& target) {
  std::string source = HelperProgramPath("qvx_fake_tool");
  if (source.empty()) throw std::runtime_error("the helper program qvx_fake_tool was not built");
  std::filesystem::create_directories(target.parent_path());
  std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(target, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add);
  return target;
}

std::string FakeProgramBytes() {
  std::string source = HelperProgramPath("qvx_fake_tool");
  if (source.empty()) throw std::runtime_error("the helper program qvx_fake_tool was not built");
  std::ifstream in(source, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string FakeProgramMark(const std::filesystem::path& programPath) {
  std::ifstream in(programPath.string() + ".mark", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void UsePrivateWindowFolder(const std::filesystem::path& folder) {
#ifndef _WIN32
  setenv("QVX_WINDOW_DIR", folder.string().c_str(), 1);
#else
  (void)folder;
#endif
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace qvx::test
