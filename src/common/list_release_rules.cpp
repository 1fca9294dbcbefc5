#include "common/list_release_rules.h"

#include "common/name_index.h"
#include "common/text_utils.h"

namespace qvx {

bool IsWholeRelease(const TNameIndex& list) { return TrimBlanks(list.ValueOf("wholerelease")) == "1"; }

TListedSize ReadListedSize(const TNameIndex& list, const std::string& key, uint64_t& size) {
  const std::string text = list.ValueOf(key);
  const std::string digits = TrimBlanks(text);
  if (digits.empty()) return text.empty() ? TListedSize::None : TListedSize::Unreadable;
  // 18 digits stay below 2^63, far beyond any disk; more is no size but a damaged line.
  if (digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos) {
    return TListedSize::Unreadable;
  }
  size = std::stoull(digits);
  return TListedSize::Given;
}

uint64_t PackedBodyBound(uint64_t installedSize) { return installedSize + installedSize / 64 + 4096; }

}  // namespace qvx
