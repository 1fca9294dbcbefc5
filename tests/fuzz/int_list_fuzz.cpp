// ParseIntList on arbitrary text and separator: never more values than the list holds, a "|"
// anywhere leaves the caller's array alone, and a success stores one value per piece.
#include <cstdint>
#include <string>

#include "common/text_utils.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvx::fuzz::FuzzInput in(data, size);
  const char separator = static_cast<char>(in.Byte());
  const std::string text = in.Rest();

  const qvx::TIRIntegerArr before = {7, 8, 9};
  qvx::TIRIntegerArr values = before;
  bool ok = true;
  qvx::ParseIntList(text, separator, ok, values);

  if (text.find('|') != std::string::npos) {
    FUZZ_CHECK(!ok);
    FUZZ_CHECK(values == before);
    return 0;
  }
  if (qvx::TrimBlanks(text).empty()) {
    FUZZ_CHECK(!ok);
    FUZZ_CHECK(values.empty());
    return 0;
  }
  if (!ok) return 0;
  FUZZ_CHECK(!values.empty() && values.size() <= 10240);
  // Each stored value came from its own piece, and pieces are separated by the separator.
  size_t separators = 0;
  for (char c : text) separators += c == separator;
  FUZZ_CHECK(values.size() <= separators + 1);
  // The same count of plain decimal numbers reads back as a list of that length.
  std::string joined;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) joined += separator;
    int64_t v = values[i] < 0 ? -static_cast<int64_t>(values[i]) : values[i];
    joined += std::to_string(v > INT32_MAX ? INT32_MAX : v);
  }
  const bool plainDigits = separator != '|' && !(separator >= '0' && separator <= '9') &&
                     separator != ' ' && separator != '\0';
  if (plainDigits) {
    qvx::TIRIntegerArr again;
    bool ok2 = false;
    qvx::ParseIntList(joined, separator, ok2, again);
    FUZZ_CHECK(ok2 && again.size() == values.size());
  }
  return 0;
}
