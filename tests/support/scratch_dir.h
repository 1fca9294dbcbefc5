#pragma once
// A fresh, empty folder below the system's temporary folder, removed with everything in it when
// the object goes.
#include <filesystem>
#include <string>

namespace qvx::test {

class TScratchDir {
 public:
  explicit TScratchDir(const std::string& prefix = "qvx");
  ~TScratchDir();
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // The folder as text, ending with the platform's path delimiter.
  std::string Text() const;

 private:
  std::filesystem::path FPath;
};

// Writes bytes to a file, creating its folders; reads a whole file ("" when absent).
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFileBytes(const std::filesystem::path& path);

}  // namespace qvx::test
