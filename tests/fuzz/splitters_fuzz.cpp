// GetBracketIndex and the three splitters on arbitrary text: what they return can always be put
// back together into the input, and no call keeps more pieces than its bound.
#include <cstdint>
#include <string>

#include "common/integer_rule.h"
#include "common/text_utils.h"
#include "fuzz_support.h"

namespace {

std::string Join(const qvx::TStrArray& pieces, const std::string& separator) {
  std::string out;
  for (size_t i = 0; i < pieces.size(); ++i) out += (i ? separator : "") + pieces[i];
  return out;
}

void CheckSplitByChar(const std::string& text, char separator) {
  qvx::TStrArray pieces = {"stale"};
  qvx::SplitByChar(text, separator, pieces);
  const std::string work = qvx::TrimBlanks(text);
  FUZZ_CHECK(pieces.size() <= 1024);
  if (work.empty()) {
    FUZZ_CHECK(pieces.empty());
    return;
  }
  const std::string joined = Join(pieces, std::string(1, separator));
  if (pieces.size() < 1024)
    FUZZ_CHECK(joined == work || joined + separator == work);
  else
    FUZZ_CHECK(work.compare(0, joined.size(), joined) == 0);
}

void CheckSplitByString(const std::string& text, const std::string& separator) {
  qvx::TStrArray pieces = {"stale"};
  qvx::SplitByString(text, separator, pieces);
  if (qvx::TrimBlanks(text).empty()) {
    FUZZ_CHECK(pieces.empty());
    return;
  }
  FUZZ_CHECK(pieces.size() <= text.size());
  size_t total = 0;
  for (const auto& p : pieces) {
    FUZZ_CHECK(!p.empty());
    if (!separator.empty()) FUZZ_CHECK(p.find(separator) == std::string::npos);
    total += p.size();
  }
  if (separator.empty()) return;
  size_t occurrences = 0;
  for (size_t at = text.find(separator); at != std::string::npos;
       at = text.find(separator, at + separator.size()))
    ++occurrences;
  FUZZ_CHECK(total + occurrences * separator.size() == text.size());
}

void CheckSplitAtFirst(const std::string& text, const std::string& separator) {
  std::string left = "stale", right = "stale";
  qvx::SplitAtFirst(text, separator, left, right);
  const size_t at = separator.empty() ? std::string::npos : text.find(separator);
  if (at == std::string::npos) {
    FUZZ_CHECK(left == text && right.empty());
  } else {
    FUZZ_CHECK(left + separator + right == text);
    FUZZ_CHECK(left.find(separator) == std::string::npos);
  }
  // The outputs may be the input itself.
  std::string same = text;
  qvx::SplitAtFirst(same, separator, same, right);
  FUZZ_CHECK(same == left);
}

void CheckBracketIndex(const std::string& text) {
  const int32_t index = qvx::GetBracketIndex(text);
  const size_t p = text.find('['), q = text.find(']');
  if (p == std::string::npos || q == std::string::npos || q <= p + 1) {
    FUZZ_CHECK(index == -1);
    return;
  }
  int32_t value = 0;
  const bool ok = qvx::TryTextToInt32(text.substr(p + 1, q - p - 1), value);
  FUZZ_CHECK(index == (ok ? value : -1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvx::fuzz::FuzzInput in(data, size);
  const char separator = static_cast<char>(in.Byte());
  const std::string stringSeparator = in.Field();
  const std::string text = in.Rest();
  CheckSplitByChar(text, separator);
  CheckSplitByString(text, stringSeparator);
  CheckSplitByString(text, "#$D#$A");
  CheckSplitAtFirst(text, stringSeparator);
  CheckBracketIndex(text);
  return 0;
}
