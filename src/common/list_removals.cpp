#include "common/list_removals.h"

#include <climits>
#include <map>

#include "base/ascii_case.h"
#include "common/string_list.h"
#include "common/text_utils.h"

namespace qvx {

namespace {

const std::string kPathKey = "removed";
const std::string kHashKey = "removedhash";

// i of a name "<key><i>"; false for any other name. Numbers above 2^31 - 1 name nothing.
bool KeyNumber(const std::string& name, const std::string& key, int32_t& number) {
  if (name.size() <= key.size() || name.size() - key.size() > 10 ||
      !EqualTextIgnoreCase(name.substr(0, key.size()), key)) {
    return false;
  }
  const std::string digits = name.substr(key.size());
  if (digits.find_first_not_of("0123456789") != std::string::npos ||
      (digits.size() > 1 && digits[0] == '0')) {
    return false;
  }
  const long long value = std::stoll(digits);
  if (value > INT32_MAX) return false;
  number = static_cast<int32_t>(value);
  return true;
}

}  // namespace

std::vector<TListedRemoval> ListedRemovals(const TStringList& list) {
  // One pass over the lines: the first line of each name wins, as ValueOf has it.
  std::map<int32_t, std::string> paths, hashes;
  for (int k = 0; k < list.Count(); ++k) {
    const std::string& line = list.LineAt(k);
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = line.substr(0, eq);
    int32_t number = 0;
    if (KeyNumber(name, kPathKey, number)) {
      paths.emplace(number, line.substr(eq + 1));
    } else if (KeyNumber(name, kHashKey, number)) {
      hashes.emplace(number, line.substr(eq + 1));
    }
  }
  std::vector<TListedRemoval> removals;
  for (const auto& [number, value] : paths) {
    TListedRemoval r;
    r.Number = number;
    r.Path = TrimBlanks(value);
    if (r.Path.empty()) continue;
    const auto hash = hashes.find(number);
    if (hash != hashes.end()) r.Hashes = SplitRemovalHashes(hash->second);
    removals.push_back(std::move(r));
  }
  return removals;
}

std::vector<std::string> SplitRemovalHashes(const std::string& value) {
  std::vector<std::string> hashes;
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find(',', start);
    if (end == std::string::npos) end = value.size();
    std::string piece = LowerAscii(TrimBlanks(value.substr(start, end - start)));
    if (!piece.empty()) hashes.push_back(std::move(piece));
    start = end + 1;
  }
  return hashes;
}

bool IsSha256Text(const std::string& text) {
  return text.size() == 64 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

}  // namespace qvx
