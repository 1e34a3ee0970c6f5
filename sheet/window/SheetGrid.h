#pragma once

// The grid of a workbook window: column letters, row numbers and the cells' displayed texts of
// one sheet, with the file's column widths and hidden rows and columns. Selection follows the
// spreadsheet application's gestures (drag, Shift, Ctrl for more areas, a column letter or row
// number for a whole column or row, arrows) and is kept in a GridSelection.

#include <QTableView>
#include <memory>
#include <vector>

#include "sheet/window/GridSelection.h"
#include "sheet/window/SheetTableModel.h"

namespace lomandra::window {

class SheetGrid final : public QTableView {
  Q_OBJECT

 public:
  explicit SheetGrid(QWidget* parent = nullptr);
  ~SheetGrid() override;

  /// Shows `sheet` with `selection` (both outlive the grid's use of them; null shows nothing).
  void setSheet(const engine::SheetData* sheet, GridSelection* selection);
  SheetTableModel* sheetModel() const { return model_.get(); }
  GridSelection* gridSelection() const { return selection_; }

  /// Shows the selection after it was changed from outside (a typed reference).
  void showSelection(bool scroll = true);
  /// Re-reads the column widths from the sheet (after Fit).
  void applyColumnWidths(int first = 0);
  /// A column width in characters of the default font, in pixels of this grid's font.
  int pixelsForCharacters(double characters) const;
  /// A text's width in characters of the default font.
  double charactersForText(const QString& text) const;

  /// The on-screen rectangle of a cell and of a column letter / row number (for tests).
  QRect cellRect(std::uint32_t row, std::uint32_t column) const;

 signals:
  /// The user changed the selection.
  void selectionEdited();
  /// Return and Escape, which the range box takes as OK and Cancel.
  void returnPressed();
  void escapePressed();
  /// Printable text typed into the grid, which cannot take it (the range box's field can).
  void textTyped(const QString& text);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CellPos cellAt(QPoint viewportPos) const;
  void applyHiddenRows(int first);
  void userChanged(bool scroll);
  bool headerEvent(bool horizontal, QEvent* event);

  std::unique_ptr<SheetTableModel> model_;
  GridSelection* selection_ = nullptr;
  std::vector<int> hiddenRows_;  ///< rows hidden for the shown sheet
  bool dragging_ = false;
  bool headerDragging_ = false;
};

}  // namespace lomandra::window
