#include "ui/data_grid.h"

#include <algorithm>

#include "ui/property_table.h"

namespace qvx {

namespace {
[[noreturn]] void OutOfRange() { throw EGridError("Grid index out of range"); }
}  // namespace

const TClassInfo& TDataGrid::StaticClassInfo() {
  static const TClassInfo info(
      "TDataGrid", &TWinControl::StaticClassInfo(),
      {
          IntProp("ColCount", &TDataGrid::ColCount, &TDataGrid::SetColCount),
          IntProp("RowCount", &TDataGrid::RowCount, &TDataGrid::SetRowCount),
          IntProp("FixedRows", &TDataGrid::FixedRows, &TDataGrid::SetFixedRows),
          IntProp("DefaultColWidth", &TDataGrid::DefaultColWidth, &TDataGrid::SetDefaultColWidth),
      });
  return info;
}

TDataGrid::TDataGrid(TComponent* owner) : TWinControl(owner), FColWidths(5, 64) {
  SetBounds(0, 0, 320, 120);
  SetColor(clWindow);
  SetTabStopDefault(true);
}

void TDataGrid::SetColCount(int32_t count) {
  if (count < 1 || count > MaxCount) OutOfRange();
  if (count == ColCount()) return;
  FColWidths.resize(static_cast<size_t>(count), FDefaultColWidth);
  for (auto& row : FCells)
    if (row.size() > FColWidths.size()) row.resize(FColWidths.size());
  Changed(TChange::Grid);
}

void TDataGrid::SetRowCount(int32_t count) {
  if (count < 1 || count > MaxCount) OutOfRange();
  if (count == FRowCount) return;
  FRowCount = count;
  if (FCells.size() > static_cast<size_t>(count)) FCells.resize(static_cast<size_t>(count));
  FFixedRows = std::min(FFixedRows, count - 1);
  Changed(TChange::Grid);
}

void TDataGrid::SetFixedRows(int32_t count) {
  if (count < 0 || count >= FRowCount)
    throw EGridError("Fixed row count must be less than row count");
  if (count == FFixedRows) return;
  FFixedRows = count;
  Changed(TChange::Grid);
}

void TDataGrid::SetDefaultColWidth(int32_t width) {
  width = std::max(width, 0);
  FDefaultColWidth = width;
  std::fill(FColWidths.begin(), FColWidths.end(), width);
  Changed(TChange::Grid);
}

int32_t TDataGrid::ColWidths(int32_t column) const {
  if (column < 0 || column >= ColCount()) OutOfRange();
  return FColWidths[static_cast<size_t>(column)];
}

void TDataGrid::SetColWidths(int32_t column, int32_t width) {
  if (column < 0 || column >= ColCount()) OutOfRange();
  width = std::max(width, 0);
  int32_t& slot = FColWidths[static_cast<size_t>(column)];
  if (slot == width) return;
  slot = width;
  Changed(TChange::Grid, column);
}

void TDataGrid::CheckCell(int32_t column, int32_t row) const {
  if (column < 0 || column >= ColCount() || row < 0 || row >= FRowCount) OutOfRange();
}

std::string TDataGrid::Cells(int32_t column, int32_t row) const {
  CheckCell(column, row);
  if (static_cast<size_t>(row) >= FCells.size()) return {};
  const auto& r = FCells[static_cast<size_t>(row)];
  return static_cast<size_t>(column) < r.size() ? r[static_cast<size_t>(column)] : std::string();
}

void TDataGrid::SetCells(int32_t column, int32_t row, const std::string& text) {
  CheckCell(column, row);
  if (FCells.size() <= static_cast<size_t>(row)) FCells.resize(static_cast<size_t>(row) + 1);
  auto& r = FCells[static_cast<size_t>(row)];
  if (r.size() <= static_cast<size_t>(column)) r.resize(static_cast<size_t>(column) + 1);
  if (r[static_cast<size_t>(column)] == text) return;
  r[static_cast<size_t>(column)] = text;
  Changed(TChange::Grid);
}

}  // namespace qvx
