#include "common/name_index.h"

#include "base/ascii_case.h"

namespace qvx {

TNameIndex::TNameIndex(const TStringList& list) : FList(list) {
  FFirstLine.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    const std::string& line = list.LineAt(i);
    size_t eq = line.find('=');
    if (eq != std::string::npos) FFirstLine.emplace(UpperAscii(line.substr(0, eq)), i);
  }
}

std::string TNameIndex::ValueOf(const std::string& name) const {
  auto it = FFirstLine.find(UpperAscii(name));
  return it == FFirstLine.end() ? std::string() : FList.LineAt(it->second).substr(name.size() + 1);
}

}  // namespace qvx
