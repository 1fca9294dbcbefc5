// The Win32 back end's content of controls: lines, items and selection, progress, pictures and
// grid cells, sent to the window that the widget made.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/data_grid.h"
#include "ui/gauge.h"
#include "ui/gauge_window_win.h"
#include "ui/list_controls.h"
#include "ui/picture.h"
#include "ui/std_controls.h"
#include "ui/widget_win.h"

namespace qvx {

namespace {

// The messages of the list box and the combo box that do the same things.
struct TListMessages {
  UINT Reset, Add, SetSel, GetSel;
};
constexpr TListMessages kListBox{LB_RESETCONTENT, LB_ADDSTRING, LB_SETCURSEL, LB_GETCURSEL};
constexpr TListMessages kComboBox{CB_RESETCONTENT, CB_ADDSTRING, CB_SETCURSEL, CB_GETCURSEL};

const TListMessages& ListMessagesOf(const TControl& c) {
  return dynamic_cast<const TComboBox*>(&c) ? kComboBox : kListBox;
}

}  // namespace

void TWinContent::Detach() {
  FHwnd = nullptr;
  if (FBitmap) DeleteObject(FBitmap);
  FBitmap = nullptr;
}

void TWinContent::SyncLines() {
  if (auto* memo = dynamic_cast<TMemo*>(&FControl)) {
    SetWindowTextA(FHwnd, memo->Text().c_str());
  } else if (auto* list = dynamic_cast<TCustomListControl*>(&FControl)) {
    const TListMessages& m = ListMessagesOf(FControl);
    SendMessageA(FHwnd, WM_SETREDRAW, FALSE, 0);
    SendMessageA(FHwnd, m.Reset, 0, 0);
    for (int i = 0; i < list->Items()->Count(); ++i)
      SendMessageA(FHwnd, m.Add, 0, reinterpret_cast<LPARAM>(list->Items()->Strings(i).c_str()));
    SendMessageA(FHwnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FHwnd, nullptr, TRUE);
    SyncItemIndex();
  }
}

void TWinContent::AppendLine(int index) {
  if (auto* memo = dynamic_cast<TMemo*>(&FControl)) {
    // The status memo grows line by line; appending at the end keeps that cheap and scrolls.
    std::string piece = (index > 0 ? "\r\n" : "") + memo->Lines()->Strings(index);
    const int end = GetWindowTextLengthA(FHwnd);
    SendMessageA(FHwnd, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
    SendMessageA(FHwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
    SendMessageA(FHwnd, EM_SCROLLCARET, 0, 0);
  } else if (auto* list = dynamic_cast<TCustomListControl*>(&FControl)) {
    SendMessageA(FHwnd, ListMessagesOf(FControl).Add, 0,
                 reinterpret_cast<LPARAM>(list->Items()->Strings(index).c_str()));
  }
}

void TWinContent::SyncItemIndex() {
  auto* list = dynamic_cast<TCustomListControl*>(&FControl);
  if (!list) return;
  SendMessageA(FHwnd, ListMessagesOf(FControl).SetSel, static_cast<WPARAM>(list->ItemIndex()), 0);
}

int32_t TWinContent::ItemIndexShown() const {
  return static_cast<int32_t>(SendMessageA(FHwnd, ListMessagesOf(FControl).GetSel, 0, 0));
}

void TWinContent::SyncProgress() {
  auto* gauge = dynamic_cast<TGauge*>(&FControl);
  if (!gauge) return;
  SendMessageA(FHwnd, PBM_SETRANGE32, static_cast<WPARAM>(gauge->MinValue()),
               static_cast<LPARAM>(gauge->MaxValue()));
  SendMessageA(FHwnd, PBM_SETPOS, static_cast<WPARAM>(gauge->Progress()), 0);
  SendMessageA(FHwnd, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(ColorToRGB(gauge->ForeColor())));
  SendMessageA(FHwnd, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(gauge->BackColor())));
  SendMessageA(FHwnd, QGM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(gauge->Font()->Color())));
  SendMessageA(FHwnd, QGM_SETTEXTSHOWN, gauge->ShowText(), 0);
  SendMessageA(FHwnd, QGM_SETVERTICAL, gauge->Kind() == TGaugeKind::gkVerticalBar, 0);
}

void TWinContent::SyncPicture() {
  auto* image = dynamic_cast<TImage*>(&FControl);
  if (!image) return;
  const TPicture& pic = *image->Picture();
  HBITMAP bitmap = nullptr;
  if (!pic.Empty()) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = pic.Width();
    bi.bmiHeader.biHeight = -pic.Height();  // top row first, as the picture holds them
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits)
      std::copy(pic.Pixels().begin(), pic.Pixels().end(), static_cast<uint32_t*>(bits));
  }
  SendMessageA(FHwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  if (FBitmap) DeleteObject(FBitmap);
  FBitmap = bitmap;
}

bool TWinContent::SyncGrid(int column) {
  auto* grid = dynamic_cast<TDataGrid*>(&FControl);
  if (!grid) return true;
  if (column >= 0 && column < grid->ColCount()) {
    SendMessageA(FHwnd, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                 MAKELPARAM(grid->ColWidths(column), 0));
    return true;
  }
  if ((grid->FixedRows() == 0) != ((GetWindowLongPtrA(FHwnd, GWL_STYLE) & LVS_NOCOLUMNHEADER) != 0))
    return false;
  SendMessageA(FHwnd, WM_SETREDRAW, FALSE, 0);
  SendMessageA(FHwnd, LVM_DELETEALLITEMS, 0, 0);
  while (SendMessageA(FHwnd, LVM_DELETECOLUMN, 0, 0)) {
  }
  for (int32_t c = 0; c < grid->ColCount(); ++c) {
    std::string heading = grid->FixedRows() > 0 ? grid->Cells(c, 0) : std::string();
    LVCOLUMNA col{};
    col.mask = LVCF_WIDTH | LVCF_TEXT;
    col.cx = grid->ColWidths(c);
    col.pszText = &heading[0];
    SendMessageA(FHwnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  for (int32_t r = grid->FixedRows(); r < grid->RowCount(); ++r) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = r - grid->FixedRows();
    std::string text = grid->Cells(0, r);
    item.pszText = &text[0];
    SendMessageA(FHwnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (int32_t c = 1; c < grid->ColCount(); ++c) {
      std::string cell = grid->Cells(c, r);
      item.iSubItem = c;
      item.pszText = &cell[0];
      SendMessageA(FHwnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(item.iItem),
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  SendMessageA(FHwnd, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(FHwnd, nullptr, TRUE);
  return true;
}

}  // namespace qvx
