#include "common/name_index.h"

namespace qvx {

namespace {
// The folding that TStringList's name match uses: A-Z only.
std::string Folded(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}
}  // namespace

TNameIndex::TNameIndex(const TStringList& list) : FList(list) {
  FFirstLine.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    const std::string& line = list.LineAt(i);
    size_t eq = line.find('=');
    if (eq != std::string::npos) FFirstLine.emplace(Folded(line.substr(0, eq)), i);
  }
}

std::string TNameIndex::ValueOf(const std::string& name) const {
  auto it = FFirstLine.find(Folded(name));
  return it == FFirstLine.end() ? std::string() : FList.LineAt(it->second).substr(name.size() + 1);
}

}  // namespace qvx
