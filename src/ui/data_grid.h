#pragma once
// A grid of text cells in columns of their own widths; the first FixedRows rows are headings.
#include <string>
#include <vector>

#include "ui/control.h"

namespace qvx {

// A column or row number outside the grid, or counts that do not fit together.
class EGridError : public Exception {
  using Exception::Exception;
};

class TDataGrid : public TWinControl {
 public:
  // Bounds the cells kept in memory; a larger count is a mistake, not a use.
  static constexpr int32_t MaxCount = 65536;

  explicit TDataGrid(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int32_t ColCount() const { return static_cast<int32_t>(FColWidths.size()); }
  // 1..MaxCount, else EGridError; new columns get DefaultColWidth.
  void SetColCount(int32_t count);
  int32_t RowCount() const { return FRowCount; }
  void SetRowCount(int32_t count);  // 1..MaxCount, else EGridError
  int32_t FixedRows() const { return FFixedRows; }
  void SetFixedRows(int32_t count);  // 0..RowCount()-1, else EGridError
  int32_t DefaultColWidth() const { return FDefaultColWidth; }
  // Every column takes the new width.
  void SetDefaultColWidth(int32_t width);

  // EGridError "Grid index out of range" when column is not within 0..ColCount()-1. A negative
  // width is taken as 0.
  int32_t ColWidths(int32_t column) const;
  void SetColWidths(int32_t column, int32_t width);
  // Empty for a cell never set; EGridError outside the grid.
  std::string Cells(int32_t column, int32_t row) const;
  void SetCells(int32_t column, int32_t row, const std::string& text);

 private:
  void CheckCell(int32_t column, int32_t row) const;
  std::vector<int32_t> FColWidths;
  int32_t FRowCount = 5;
  int32_t FFixedRows = 1;
  int32_t FDefaultColWidth = 64;
  std::vector<std::vector<std::string>> FCells;  // by row, then column; grown on demand
};

}  // namespace qvx
