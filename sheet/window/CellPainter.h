#pragma once

// Draws a sheet grid's cells as a spreadsheet application does: each text fitted to its column
// (CellFit), texts flowing over empty neighbours, merged areas as one cell, grid lines only where
// no text or merged area covers them, and a border round the active cell.

#include <QColor>
#include <QStyledItemDelegate>
#include <optional>

#include "sheet/window/CellFit.h"

class QPainter;

namespace lomandra::window {

class SheetGrid;

/// Paints only the selection's tint: the texts and grid lines are drawn by paintSheetCells.
class CellBackgroundDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

/// What a cell shows in a column `width` pixels wide: the fitted text, its alignment and how it
/// behaves when too wide.
struct DrawnCell {
  QString text;
  Qt::Alignment align;
  FitKind kind = FitKind::Text;
  std::optional<QColor> color;  ///< the number format's colour tag; none: the sheet's text colour
};
DrawnCell drawnCell(const SheetGrid& grid, int row, int column, int width);

/// Draws the grid lines, texts, merged areas and the active cell's border of the rows and
/// columns in view, onto the grid's viewport, within `dirty`.
void paintSheetCells(QPainter& painter, const SheetGrid& grid, const QRect& dirty);

}  // namespace lomandra::window
