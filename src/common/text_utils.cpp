#include "common/text_utils.h"

#include "common/integer_rule.h"

namespace qvx {

namespace {
inline bool IsBlank(unsigned char c) { return c <= 32; }
}  // namespace

std::string TrimBlanks(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && IsBlank(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

}  // namespace qvx

namespace qvx {

namespace {
// Bounds on how many pieces a caller gets; a longer input keeps the first pieces only
// (SplitByChar) or is refused (ParseIntList).
constexpr size_t kMaxSplitPieces = 1024;
constexpr size_t kMaxIntListValues = 10240;

bool IsBlankText(const std::string& text) { return TrimBlanks(text).empty(); }
}  // namespace

void SplitAtFirst(const std::string& text, const std::string& separator, std::string& left,
                  std::string& right) {
  size_t at = separator.empty() ? std::string::npos : text.find(separator);
  if (at == std::string::npos) {
    left = text;
    right.clear();
    return;
  }
  // Copies first: the outputs may alias the input.
  std::string l = text.substr(0, at), r = text.substr(at + separator.size());
  left = std::move(l);
  right = std::move(r);
}

void SplitByChar(const std::string& text, char separator, TStrArray& pieces) {
  const std::string work = TrimBlanks(text);
  pieces.clear();
  if (work.empty()) return;
  size_t start = 0;
  for (size_t i = 0; i < work.size() && pieces.size() < kMaxSplitPieces; ++i) {
    if (work[i] == separator) {
      pieces.push_back(work.substr(start, i - start));
      start = i + 1;
    }
  }
  if (pieces.size() < kMaxSplitPieces && start <= work.size()) {
    std::string rest = work.substr(start);
    if (!IsBlankText(rest)) pieces.push_back(std::move(rest));
  }
}

void SplitByString(const std::string& text, const std::string& separator, TStrArray& pieces) {
  const std::string work = text;  // the input may be one of the pieces' own strings
  pieces.clear();
  if (IsBlankText(work)) return;
  if (separator.empty()) {
    pieces.push_back(work);
    return;
  }
  size_t start = 0;
  for (;;) {
    size_t at = work.find(separator, start);
    std::string piece = work.substr(start, at == std::string::npos ? std::string::npos : at - start);
    if (!piece.empty()) pieces.push_back(std::move(piece));
    if (at == std::string::npos) break;
    start = at + separator.size();
  }
}

int32_t GetBracketIndex(const std::string& text) {
  size_t p = text.find('['), q = text.find(']');
  if (p == std::string::npos || q == std::string::npos || q <= p + 1) return -1;
  return TextToInt32Def(text.substr(p + 1, q - p - 1), -1);
}

namespace {
// One piece of an integer list: "x" and "-x" (any case) are the wildcards for the largest
// magnitudes; anything else goes through the integer rule untrimmed.
bool ConvertListPiece(const std::string& piece, int32_t& value) {
  if (piece == "x" || piece == "X") {
    value = 2147483647;
    return true;
  }
  if (piece == "-x" || piece == "-X") {
    value = -2147483647;
    return true;
  }
  return TryTextToInt32(piece, value);
}
}  // namespace

void ParseIntList(const std::string& text, char separator, bool& ok, TIRIntegerArr& values) {
  ok = false;
  if (text.find('|') != std::string::npos) return;
  values.assign(kMaxIntListValues, 0);
  if (IsBlankText(text)) {
    values.clear();
    return;
  }
  size_t count = 0;
  auto store = [&](const std::string& piece) {
    int32_t v = 0;
    if (count >= kMaxIntListValues || !ConvertListPiece(piece, v)) return false;
    values[count++] = v;
    return true;
  };
  // A blank piece ends the walk: from there on the rest, separators and all, is one final
  // piece, which is how a doubled separator turns into a minus sign.
  size_t pos = 0;
  std::string rest;
  for (;;) {
    size_t at = text.find(separator, pos);
    if (at == std::string::npos) {
      rest = text.substr(pos);
      break;
    }
    std::string piece = text.substr(pos, at - pos);
    if (IsBlankText(piece)) {
      rest = text.substr(pos);
      break;
    }
    if (!store(piece)) return;
    pos = at + 1;
  }
  if (!IsBlankText(rest) && !store(rest)) return;
  values.resize(count);
  ok = true;
}

}  // namespace qvx
