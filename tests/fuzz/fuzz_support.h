#pragma once
// Shared pieces of the fuzz targets: a check that stops the run with a message (the fuzzer
// records the input that broke it), and a reader that cuts one input into fields.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(cond)                                                           \
  do {                                                                             \
    if (!(cond)) {                                                                 \
      std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                \
    }                                                                              \
  } while (0)

namespace qvx {
namespace fuzz {

// Fields are separated by the byte FF, which none of the texts the targets feed needs, so a
// seed file can be written by hand: "field one" FF "field two" ...
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size)
      : FData(reinterpret_cast<const char*>(data), size) {}

  bool Empty() const { return FPos >= FData.size(); }
  // The next byte, 0 once the input is used up.
  uint8_t Byte() { return Empty() ? 0 : static_cast<uint8_t>(FData[FPos++]); }
  // The bytes up to the next separator (or the end), which is consumed.
  std::string Field() {
    if (Empty()) return std::string();
    size_t end = FData.find('\xff', FPos);
    if (end == std::string::npos) end = FData.size();
    std::string field = FData.substr(FPos, end - FPos);
    FPos = end < FData.size() ? end + 1 : end;
    return field;
  }
  // Everything not yet read.
  std::string Rest() {
    std::string rest = FData.substr(FPos < FData.size() ? FPos : FData.size());
    FPos = FData.size();
    return rest;
  }

 private:
  std::string FData;
  size_t FPos = 0;
};

}  // namespace fuzz
}  // namespace qvx
