#pragma once
// The seam between a control's shared property logic and its realisation by a back end. The
// control keeps every value; the widget only shows what the control tells it has changed, and
// reads the values it needs from the control itself.
#include <cstdint>
#include <memory>

namespace qvx {

class TControl;

enum class TChange : uint8_t {
  Parent,     // the control moved to another parent window
  Bounds,
  Text,
  Font,
  Color,
  Visible,
  Enabled,
  TabOrder,   // of the children of this window
  Style,      // a property that shapes the control's look (borders, alignment, tab stop, ...)
  Lines,      // the whole content of a memo or list control
  LineAdded,  // one line appended; the index comes with it
  ItemIndex,
  Progress,   // a gauge's range, position, colours or text switch
  Picture,
  Grid,       // a grid's columns, rows, widths or cells
  Hint,       // the hint text, or whether it shows
};

class TWidget {
 public:
  virtual ~TWidget() = default;
  virtual void Changed(TChange what, int index) = 0;
  // The native window (an HWND on Windows).
  virtual void* Handle() const = 0;
  // How much wider and taller the control is than its client area (borders, title bar).
  virtual void NonClientSize(int32_t& dx, int32_t& dy) const = 0;
};

// Realises control when the back end shows controls (nullptr when it does not); made once the
// control's class is complete: at the end of a form's constructor, or when a control gets its
// parent.
std::unique_ptr<TWidget> CreateWidget(TControl& control);

}  // namespace qvx
