#pragma once

// The cells of one sheet as a Qt table model: texts are fetched from the sheet as the view draws
// them, and the grid holds the used rows and columns plus a margin, growing as the user scrolls.

#include <QAbstractTableModel>
#include <functional>
#include <cstdint>

#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::window {

class SheetTableModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  /// Rows and columns shown beyond the last used one, and how many a step of growth adds.
  static constexpr std::uint32_t kRowMargin = 100, kRowStep = 1000;
  static constexpr std::uint32_t kColumnMargin = 10, kColumnStep = 26;

  /// Shows `sheet`, which must outlive the model.
  explicit SheetTableModel(const engine::SheetData& sheet, QObject* parent = nullptr);

  const engine::SheetData& sheet() const { return sheet_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  /// Makes at least `rows` rows / `columns` columns available, up to the sheet's limits.
  void ensureRows(std::uint32_t rows);
  void ensureColumns(std::uint32_t columns);
  /// One step of growth, when the user scrolls to the end.
  void growRows() { ensureRows(rows_ + kRowStep); }
  void growColumns() { ensureColumns(columns_ + kColumnStep); }

  /// Tells the views that a cell's text changed, growing the grid so the cell is in it.
  void cellChanged(std::uint32_t row, std::uint32_t column);

  /// The sheet gained rows (it is being read in the background): the grid grows to hold them
  /// with its margin, the views redraw, and rowsRead names the first row that may be new.
  /// `complete` says reading has ended, when every row may have changed (rows written out of
  /// order); otherwise rows from `changedFrom` on are told changed.
  void sheetGrew(bool complete, std::uint32_t changedFrom = 0);

  /// Says which cells hold numbers (they stand at the right of their cell). Without it, a
  /// shown text that reads like a number, date or percentage is taken for one.
  void setNumberTest(std::function<bool(std::uint32_t row, std::uint32_t column)> isNumber) {
    isNumber_ = std::move(isNumber);
  }

 signals:
  /// Rows from `first` on may have new contents (hidden rows among them, say).
  void rowsRead(int first);

 private:
  bool standsRight(const QModelIndex& index) const;

  const engine::SheetData& sheet_;
  std::function<bool(std::uint32_t, std::uint32_t)> isNumber_;
  std::uint32_t rows_ = 0, columns_ = 0;
  std::uint32_t rowsKnown_ = 0;  // the sheet's used rows when the grid last looked
};

}  // namespace lomandra::window
