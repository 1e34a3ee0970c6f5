#pragma once

// The line above a workbook window's grid: the address of the active cell (or the size of the
// selection while it is dragged out, as the application shows it) and the full displayed text
// of the active cell, read-only, so a text too long for its cell can still be read.

#include <QWidget>

class QLineEdit;

namespace lomandra::window {

class GridSelection;
class SheetGrid;

class FormulaBar final : public QWidget {
  Q_OBJECT

 public:
  explicit FormulaBar(QWidget* parent = nullptr);

  QLineEdit* addressField() const { return address_; }
  QLineEdit* contentField() const { return content_; }

  /// Shows the active cell of `grid`'s selection and its text (nothing without a sheet).
  void showFrom(const SheetGrid& grid);

 private:
  QLineEdit* address_;
  QLineEdit* content_;
};

/// The address the bar shows: the active cell ("B3"), or for an area being dragged out its size
/// in rows and columns ("3R x 2C") as the application does.
QString barAddress(const GridSelection& selection, bool dragging);

}  // namespace lomandra::window
