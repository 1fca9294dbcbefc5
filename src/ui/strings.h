#pragma once
// The string list object that components hold in properties (a memo's Lines, a list control's
// Items). It tells its holder about every change, so the holder can show it.
#include <functional>
#include <string>

#include "common/string_list.h"
#include "ui/component.h"

namespace qvx {

class TStrings : public TPersistent {
 public:
  enum class TChange { Added, Reset };

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int32_t Count() const { return FList.Count(); }
  const std::string& Strings(int index) const { return FList.LineAt(index); }
  int Add(const std::string& line);
  void Delete(int index);  // EListError outside 0..Count()-1
  void Clear();
  // Every line followed by CR LF; setting it splits at CR LF, CR or LF.
  std::string Text() const { return FList.JoinedText(); }
  void SetText(const std::string& text);
  void Assign(const TStrings& other);
  int IndexOf(const std::string& line) const;
  const TStringList& List() const { return FList; }

  // For the holder: which change, and for Added the new line's index.
  std::function<void(TChange, int)> OnChange;

 private:
  void Changed(TChange change, int index);
  TStringList FList;
};

}  // namespace qvx
