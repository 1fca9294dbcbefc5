#include "support/scratch_dir.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <thread>

namespace qvx::test {

TScratchDir::TScratchDir(const std::string& prefix) {
  static std::atomic<unsigned> counter{0};
  std::random_device entropy;
  auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto name = prefix + "-" + std::to_string(entropy()) + "-" + std::to_string(counter++);
    std::error_code error;
    if (std::filesystem::create_directory(base / name, error)) {
      FPath = base / name;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder below " + base.string());
}

TScratchDir::~TScratchDir() {
  std::error_code error;
  // A program just started from the folder may still hold a file open for a moment (Windows).
  for (int attempt = 0; attempt < 20; ++attempt) {
    std::filesystem::remove_all(FPath, error);
    if (!error) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

std::string TScratchDir::Text() const {
  std::string text = FPath.string();
  const char delimiter = static_cast<char>(std::filesystem::path::preferred_separator);
  if (text.empty() || text.back() != delimiter) text += delimiter;
  return text;
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace qvx::test
