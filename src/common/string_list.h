#pragma once
// An ordered, unsorted list of 8-bit lines with Name=Value access. Names match without regard
// to letter case; the first matching line wins.
#include <string>
#include <vector>

#include "common/memory_stream.h"

namespace qvx {

class TStringList {
 public:
  int Count() const { return static_cast<int>(FLines.size()); }
  const std::string& LineAt(int index) const;  // EListError out of range
  int Add(const std::string& line);
  void Delete(int index);  // EListError out of range
  void Clear() { FLines.clear(); }

  void SetText(const std::string& text);
  void LoadFile(const std::string& path);      // EFOpenError "Cannot open file "%s". %s"
  void LoadBytes(const TMemoryStream& stream);  // from the stream's position to its end
  std::string JoinedText() const;
  void SaveFile(const std::string& path) const;  // EFCreateError "Cannot create file "%s". %s"

  int FindName(const std::string& name) const;
  std::string ValueOf(const std::string& name) const;
  void SetValueOf(const std::string& name, const std::string& value);
  std::string NameAt(int index) const;  // EListError out of range
  std::string ValueAt(int index) const;

 private:
  std::vector<std::string> FLines;
};

}  // namespace qvx
