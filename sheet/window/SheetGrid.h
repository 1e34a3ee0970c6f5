#pragma once

// The grid of a workbook window: column letters, row numbers and the cells' displayed texts of
// one sheet, with the file's column widths and hidden rows and columns. Selection follows the
// spreadsheet application's gestures (drag, Shift, Ctrl for more areas, a column letter or row
// number for a whole column or row, arrows) and is kept in a GridSelection.

#include <QTableView>
#include <functional>
#include <memory>
#include <vector>

#include "sheet/window/GridKeys.h"
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

  /// Shows the selection after it was changed from outside (a typed reference); `repaint`
  /// false when nothing in view can have changed (rows added below it).
  void showSelection(bool scroll = true, bool repaint = true);
  /// Lays out the items; after rows added only below the view, just the scroll bars.
  void doItemsLayout() override;
  /// Scrolls the active cell into view when it is out of view (a typed reference).
  void revealActiveCell();
  /// Asked before a key whose answer depends on every row of the sheet (Ctrl+End, Ctrl+arrows,
  /// Ctrl+A): it returns once the whole sheet is there, true, or false when the key is to do
  /// nothing. Without it the sheet counts as whole.
  void setWholeSheetWait(std::function<bool()> wait) { wholeSheetWait_ = std::move(wait); }
  /// Re-reads the column widths from the sheet (after Fit).
  void applyColumnWidths(int first = 0);
  /// A column width in characters of the default font, in pixels of this grid's font.
  int pixelsForCharacters(double characters) const;
  /// A text's width in characters of the default font.
  double charactersForText(const QString& text) const;

  /// True while the mouse drags out a selection.
  bool isDragging() const { return dragging_ || headerDragging_; }
  /// The zoom in percent (Ctrl+wheel), 10 to 400.
  int zoom() const { return zoom_; }
  void setZoom(int percent);
  /// Selects the whole sheet (Ctrl+A twice, the corner button).
  void selectAll() override;
  /// The sheet's last row and column, as far as a selection reaches.
  CellPos sheetLimits() const;

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
  /// Ctrl+Page Up (-1) / Ctrl+Page Down (+1): the previous / next sheet.
  void sheetStepRequested(int step);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  /// Draws again only when the changed rows reach the rows in view: rows read in the
  /// background below the view cost no drawing.
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;
  void showEvent(QShowEvent* event) override;
  void rowsInserted(const QModelIndex& parent, int start, int end) override;
  void wheelEvent(QWheelEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CellPos cellAt(QPoint viewportPos) const;
  void applyHiddenRows(int first);
  /// True when `row` lies below the last row in view.
  bool belowView(int row) const;
  void userChanged(bool scroll);
  bool headerEvent(bool horizontal, QEvent* event);
  /// The movement keys of the application; false for a key they do not take.
  bool movementKey(QKeyEvent* event);
  /// Widens the last selected area over the merged areas it touches.
  void coverMergedAreas();
  KeySheet keySheet() const;
  /// True for a key whose answer depends on every row of the sheet.
  bool needsWholeSheet(int key, bool ctrl, bool shift) const;

  std::unique_ptr<SheetTableModel> model_;
  GridSelection* selection_ = nullptr;
  std::vector<int> hiddenRows_;  ///< rows hidden for the shown sheet
  bool layoutPending_ = true;       ///< something asked for a layout since the last one
  bool onlyRowsBelowView_ = false;  ///< ... and only rows inserted below the view did
  bool dragging_ = false;
  bool headerDragging_ = false;
  bool regionSelected_ = false;  ///< the last key was Ctrl+A selecting the current region
  int zoom_ = 100;
  bool scrollPending_ = false;
  QFont baseFont_;
  std::function<bool()> wholeSheetWait_;
};

}  // namespace lomandra::window
