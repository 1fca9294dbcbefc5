#pragma once
// A lookup table over the names of a TStringList's Name=Value lines, for lists read many times:
// the same answers as TStringList::ValueOf (names matched with A-Z folded, the first matching
// line wins) in constant time instead of a scan of the list.
#include <string>
#include <unordered_map>

#include "common/string_list.h"

namespace qvx {

class TNameIndex {
 public:
  // The list must outlive the index and stay unchanged while the index is used.
  explicit TNameIndex(const TStringList& list);
  std::string ValueOf(const std::string& name) const;

 private:
  const TStringList& FList;
  std::unordered_map<std::string, int> FFirstLine;  // folded name -> first line with it
};

}  // namespace qvx
