#include "ui/strings.h"

#include "ui/property_table.h"

namespace qvx {

const TClassInfo& TStrings::StaticClassInfo() {
  static const TClassInfo info("TStrings", &TPersistent::StaticClassInfo(),
                               {
                                   TextProp("Text", &TStrings::Text, &TStrings::SetText),
                               });
  return info;
}

void TStrings::Changed(TChange change, int index) {
  if (OnChange) OnChange(change, index);
}

int TStrings::Add(const std::string& line) {
  int index = FList.Add(line);
  Changed(TChange::Added, index);
  return index;
}

void TStrings::Delete(int index) {
  FList.Delete(index);
  Changed(TChange::Reset, -1);
}

void TStrings::Clear() {
  if (FList.Count() == 0) return;
  FList.Clear();
  Changed(TChange::Reset, -1);
}

void TStrings::SetText(const std::string& text) {
  FList.SetText(text);
  Changed(TChange::Reset, -1);
}

void TStrings::Assign(const TStrings& other) {
  if (&other == this) return;
  FList = other.FList;
  Changed(TChange::Reset, -1);
}

int TStrings::IndexOf(const std::string& line) const {
  for (int i = 0; i < FList.Count(); ++i)
    if (FList.LineAt(i) == line) return i;
  return -1;
}

}  // namespace qvx
