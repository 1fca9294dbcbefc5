#pragma once
// Writing a picture as a PNG file (8-bit RGB, one zlib stream), for screenshots of test runs.
#include <cstdint>
#include <string>
#include <vector>

namespace qvx::test {

// pixels: width * height values 0x00RRGGBB, top row first. False when the file cannot be written.
bool WritePng(const std::string& path, int32_t width, int32_t height,
              const std::vector<uint32_t>& pixels);

}  // namespace qvx::test
