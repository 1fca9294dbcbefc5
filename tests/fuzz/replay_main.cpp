// Stand-in for libFuzzer's driver in the ordinary test build: runs the target once on each file
// named, or on each file of each folder named, so ctest replays the seed corpus (and every input
// that once found a fault) under the native sanitizers.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

static void RunOne(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

int main(int argc, char** argv) {
  size_t runs = 0;
  for (int i = 1; i < argc; ++i) {
    fs::path arg(argv[i]);
    if (fs::is_directory(arg)) {
      std::vector<fs::path> files;
      for (const auto& entry : fs::directory_iterator(arg))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) {
        RunOne(f);
        ++runs;
      }
    } else if (fs::is_regular_file(arg)) {
      RunOne(arg);
      ++runs;
    } else {
      std::fprintf(stderr, "replay: no such file or folder: %s\n", argv[i]);
      return 2;
    }
  }
  if (runs == 0) {
    std::fprintf(stderr, "replay: no input found\n");
    return 2;
  }
  std::printf("replay: %zu inputs ran\n", runs);
  return 0;
}
