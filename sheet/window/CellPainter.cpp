#include "sheet/window/CellPainter.h"

#include <QHeaderView>
#include <QPainter>
#include <algorithm>

#include "sheet/window/SheetGrid.h"

namespace lomandra::window {

namespace {

// How far either side of the columns in view a text is looked for that may flow into view.
constexpr int kOverflowScan = 64;

const QColor kGridLine(214, 218, 224);
const QColor kActiveBorder(33, 115, 70);

const engine::Area* mergeAt(const std::vector<engine::Area>& merges, int row, int column) {
  const auto r = static_cast<std::uint32_t>(row), c = static_cast<std::uint32_t>(column);
  for (const engine::Area& area : merges)
    if (r >= area.firstRow && r <= area.lastRow && c >= area.firstColumn && c <= area.lastColumn)
      return &area;
  return nullptr;
}

// The viewport rectangle of cells (first..last), the last clamped to the grid.
QRect areaRect(const SheetGrid& grid, const engine::Area& area) {
  const int rows = grid.model()->rowCount(), columns = grid.model()->columnCount();
  const int top = static_cast<int>(area.firstRow), left = static_cast<int>(area.firstColumn);
  const int bottom = std::min(static_cast<int>(area.lastRow), rows - 1);
  const int right = std::min(static_cast<int>(area.lastColumn), columns - 1);
  const int x1 = grid.columnViewportPosition(left);
  const int x2 = grid.columnViewportPosition(right) + grid.columnWidth(right);
  const int y1 = grid.rowViewportPosition(top);
  const int y2 = grid.rowViewportPosition(bottom) + grid.rowHeight(bottom);
  return QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
}

void drawCellText(QPainter& painter, const QRect& cell, const QRect& clip, const DrawnCell& drawn) {
  if (drawn.text.isEmpty()) return;
  painter.save();
  painter.setClipRect(clip, Qt::IntersectClip);
  // The text keeps its alignment inside the cell and may run past it (Qt::TextDontClip): the
  // clip rectangle is where it may be seen.
  const QRect inner = cell.adjusted(kCellPadding, 0, -kCellPadding - 1, -1);
  if (drawn.color) painter.setPen(*drawn.color);
  painter.drawText(inner, static_cast<int>(drawn.align) | Qt::TextDontClip | Qt::TextSingleLine,
                   drawn.text);
  painter.restore();
}

}  // namespace

void CellBackgroundDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex&) const {
  if (!(option.state & QStyle::State_Selected)) return;
  QColor tint = option.palette.color(QPalette::Active, QPalette::Highlight);
  tint.setAlpha(60);
  painter->fillRect(option.rect, tint);
}

DrawnCell drawnCell(const SheetGrid& grid, int row, int column, int width) {
  DrawnCell drawn;
  const SheetTableModel* model = grid.sheetModel();
  if (!model) return drawn;
  const engine::SheetData& sheet = model->sheet();
  const auto r = static_cast<std::uint32_t>(row), c = static_cast<std::uint32_t>(column);
  const engine::CellLook look = sheet.look(r, c);
  drawn.align = look.typed ? alignmentOf(look)
                           : model->data(model->index(row, column), Qt::TextAlignmentRole)
                                 .value<Qt::Alignment>();
  drawn.kind = fitKindOf(look, (drawn.align & Qt::AlignRight) != 0);
  if (look.color <= 0xFFFFFFu) drawn.color = QColor::fromRgb(look.color);
  const QFontMetrics metrics = grid.fontMetrics();
  drawn.text = fitText(QString::fromStdString(sheet.text(r, c)), drawn.kind, look.number, width,
                       [&](const QString& text) { return metrics.horizontalAdvance(text); });
  return drawn;
}

void paintSheetCells(QPainter& painter, const SheetGrid& grid, const QRect& dirty) {
  const SheetTableModel* model = grid.sheetModel();
  if (!model) return;
  const engine::SheetData& sheet = model->sheet();
  const int rows = model->rowCount(), columns = model->columnCount();
  const QRect view = grid.viewport()->rect();
  const int firstRow = grid.rowAt(view.top()), firstColumn = grid.columnAt(view.left());
  if (firstRow < 0 || firstColumn < 0) return;
  int lastRow = grid.rowAt(view.bottom()), lastColumn = grid.columnAt(view.right());
  if (lastRow < 0) lastRow = rows - 1;
  if (lastColumn < 0) lastColumn = columns - 1;
  const QFontMetrics metrics = grid.fontMetrics();

  // The merged areas reaching into view.
  std::vector<engine::Area> merges;
  for (const engine::Area& area : sheet.mergedAreas()) {
    if (area.lastRow >= static_cast<std::uint32_t>(firstRow) &&
        area.firstRow <= static_cast<std::uint32_t>(lastRow) &&
        area.lastColumn + kOverflowScan >= static_cast<std::uint32_t>(firstColumn) &&
        area.firstColumn <= static_cast<std::uint32_t>(lastColumn + kOverflowScan))
      merges.push_back(area);
  }

  painter.save();
  painter.setClipRect(dirty);
  std::vector<int> shown;
  std::vector<RowSlot> rowSlots;
  std::vector<bool> covered;
  std::vector<RowSlot> flowSlots;  // rowSlots, with the cells a text already flows over taken
  struct Text {
    QRect cell, clip;
    DrawnCell drawn;
  };
  std::vector<Text> texts;
  for (int row = firstRow; row <= lastRow; ++row) {
    if (grid.isRowHidden(row)) continue;
    const int y = grid.rowViewportPosition(row), height = grid.rowHeight(row);
    const bool hasCells = static_cast<std::uint32_t>(row) < sheet.usedRows();
    auto blocks = [&](int column) {
      return mergeAt(merges, row, column) != nullptr ||
             (hasCells && static_cast<std::uint32_t>(column) < sheet.usedColumns() &&
              sheet.holds(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(column)));
    };
    // The columns in view, and beyond them the nearest cell either side whose text may flow in.
    int from = firstColumn, to = lastColumn;
    for (int c = firstColumn - 1; c >= 0 && firstColumn - c <= kOverflowScan; --c) {
      if (grid.isColumnHidden(c)) continue;
      from = c;
      if (blocks(c)) break;
    }
    for (int c = lastColumn + 1; c < columns && c - lastColumn <= kOverflowScan; ++c) {
      if (grid.isColumnHidden(c)) continue;
      to = c;
      if (blocks(c)) break;
    }
    shown.clear();
    rowSlots.clear();
    for (int c = from; c <= to; ++c) {
      if (grid.isColumnHidden(c)) continue;
      shown.push_back(c);
      rowSlots.push_back({grid.columnWidth(c), blocks(c)});
    }
    covered.assign(shown.size(), false);
    flowSlots = rowSlots;
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const int column = shown[i];
      if (!rowSlots[i].blocked || mergeAt(merges, row, column)) continue;
      const QRect cell(grid.columnViewportPosition(column), y, rowSlots[i].width, height);
      Text text{cell, cell, drawnCell(grid, row, column, rowSlots[i].width)};
      if (text.drawn.kind == FitKind::Text) {
        const SlotSpan span = overflowSpan(flowSlots, static_cast<int>(i),
                                           metrics.horizontalAdvance(text.drawn.text), text.drawn.align);
        const int left = grid.columnViewportPosition(shown[static_cast<std::size_t>(span.first)]);
        const int lastShown = shown[static_cast<std::size_t>(span.last)];
        const int right = grid.columnViewportPosition(lastShown) + grid.columnWidth(lastShown);
        text.clip = QRect(left, y, right - left, height);
        for (int k = span.first; k < span.last; ++k) covered[static_cast<std::size_t>(k)] = true;
        // A cell one text flows over takes no other text.
        for (int k = span.first; k <= span.last; ++k) flowSlots[static_cast<std::size_t>(k)].blocked = true;
      }
      texts.push_back(std::move(text));
    }
    // Grid lines at the right and bottom of each cell, except where a text flows across or
    // inside a merged area.
    painter.setPen(kGridLine);
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const int column = shown[i];
      const int x = grid.columnViewportPosition(column);
      const int right = x + rowSlots[i].width - 1;
      const engine::Area* merged = mergeAt(merges, row, column);
      if (!covered[i] && !(merged && static_cast<std::uint32_t>(column) < merged->lastColumn))
        painter.drawLine(right, y, right, y + height - 1);
      if (!(merged && static_cast<std::uint32_t>(row) < merged->lastRow))
        painter.drawLine(x, y + height - 1, right, y + height - 1);
    }
  }
  painter.setPen(grid.palette().color(QPalette::Text));
  for (const Text& text : texts) drawCellText(painter, text.cell, text.clip, text.drawn);

  // Each merged area as one cell, its text the top left cell's.
  for (const engine::Area& area : merges) {
    if (static_cast<int>(area.firstRow) >= rows || static_cast<int>(area.firstColumn) >= columns)
      continue;
    const QRect rect = areaRect(grid, area);
    DrawnCell drawn = drawnCell(grid, static_cast<int>(area.firstRow),
                                static_cast<int>(area.firstColumn), rect.width() + 1);
    drawCellText(painter, rect, rect, drawn);
  }

  // The active cell's border (round its merged area when it has one).
  if (const GridSelection* selection = grid.gridSelection()) {
    const CellPos active = selection->active();
    if (static_cast<int>(active.row) < rows && static_cast<int>(active.column) < columns) {
      engine::Area area{active.row, active.column, active.row, active.column};
      if (const engine::Area* merged =
              mergeAt(sheet.mergedAreas(), static_cast<int>(active.row), static_cast<int>(active.column)))
        area = *merged;
      if (!grid.isRowHidden(static_cast<int>(active.row)) &&
          !grid.isColumnHidden(static_cast<int>(active.column))) {
        painter.setPen(QPen(kActiveBorder, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(areaRect(grid, area).adjusted(0, 0, -1, -1));
      }
    }
  }
  painter.restore();
}

}  // namespace lomandra::window
