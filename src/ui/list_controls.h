#pragma once
// Controls that show a list of items with at most one selected: a list box and a combo box.
#include <memory>

#include "ui/control.h"
#include "ui/strings.h"

namespace qvx {

class TCustomListControl : public TWinControl {
 public:
  explicit TCustomListControl(TComponent* owner);
  ~TCustomListControl() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TStrings* Items() const { return FItems.get(); }
  // -1 for no selection. Setting an index outside the items selects nothing, and any change of
  // the items other than an append drops the selection, as the platform's list controls do.
  int32_t ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int32_t index);
  // For back ends: the user selected another item.
  void ItemIndexChangedByUser(int32_t index);

 protected:
  virtual void ItemIndexChanged() {}

 private:
  std::unique_ptr<TStrings> FItems;
  int32_t FItemIndex = -1;
};

class TListBox : public TCustomListControl {
 public:
  explicit TListBox(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

enum class TComboBoxStyle : uint8_t { csDropDown, csDropDownList };

class TComboBox : public TCustomListControl {
 public:
  explicit TComboBox(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle style);
  // How many items the open list shows at once.
  int32_t DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int32_t value);
  // The selected item's text; setting it selects the first item equal to it, if any.
  std::string Text() const override;
  void SetText(const std::string& text) override;

 protected:
  void ItemIndexChanged() override;

 private:
  TComboBoxStyle FStyle = TComboBoxStyle::csDropDown;
  int32_t FDropDownCount = 8;
};

}  // namespace qvx
