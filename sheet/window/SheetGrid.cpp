#include "sheet/window/SheetGrid.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "sheet/window/CellPainter.h"

namespace lomandra::window {

namespace {
// Within this many pixels of a column letter's edge a press resizes the column instead.
constexpr int kResizeGrip = 4;
}  // namespace

SheetGrid::SheetGrid(QWidget* parent) : QTableView(parent) {
  // Qt's own selection handling is off: the grid keeps a GridSelection and mirrors it into the
  // view's selection model only for painting.
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The view must not scroll to the active cell by itself (a click on a column letter would
  // jump to row 1); the grid scrolls where a spreadsheet application does.
  setAutoScroll(false);
  // The corner button selects the whole sheet (selectAll below).
  setCornerButtonEnabled(true);
  setWordWrap(false);
  // Texts, grid lines and merged areas are drawn by paintSheetCells; the items paint only the
  // selection's tint.
  setItemDelegate(new CellBackgroundDelegate(this));
  setShowGrid(false);
  // Scrolling moves by pixels, so that a column wider than the window can be seen whole.
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  baseFont_ = font();
  setTextElideMode(Qt::ElideNone);
  setFocusPolicy(Qt::StrongFocus);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  verticalHeader()->setHighlightSections(true);
  horizontalHeader()->setHighlightSections(true);
  horizontalHeader()->setMinimumSectionSize(4);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->viewport()->installEventFilter(this);
  verticalHeader()->viewport()->installEventFilter(this);

  // The grid grows as the user scrolls to its end, up to the sheet's limits.
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (model_ && value >= verticalScrollBar()->maximum()) model_->growRows();
  });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (model_ && value >= horizontalScrollBar()->maximum()) model_->growColumns();
  });
}

SheetGrid::~SheetGrid() {
  QItemSelectionModel* old = selectionModel();
  setModel(nullptr);
  delete old;
}

void SheetGrid::setSheet(const engine::SheetData* sheet, GridSelection* selection) {
  dragging_ = headerDragging_ = false;
  QItemSelectionModel* oldSelection = selectionModel();
  std::unique_ptr<SheetTableModel> previous = std::move(model_);
  selection_ = selection;
  // Rows hidden for the previous sheet stay hidden in the header unless shown again.
  for (int row : hiddenRows_) setRowHidden(row, false);
  hiddenRows_.clear();
  if (sheet) {
    model_ = std::make_unique<SheetTableModel>(*sheet);
    setModel(model_.get());
    layoutPending_ = true;  // a new sheet is laid out and drawn in full
    onlyRowsBelowView_ = false;
    connect(model_.get(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int) {
              applyHiddenRows(first);
              showSelection(false, !belowView(first));
            });
    // Whatever else changes the layout draws the view again in full (see doItemsLayout).
    const auto fullLayout = [this] {
      onlyRowsBelowView_ = false;
      layoutPending_ = true;
    };
    connect(model_.get(), &QAbstractItemModel::columnsInserted, this, fullLayout);
    connect(model_.get(), &QAbstractItemModel::modelReset, this, fullLayout);
    connect(model_.get(), &QAbstractItemModel::layoutChanged, this, fullLayout);
    connect(model_.get(), &SheetTableModel::rowsRead, this, [this](int first) { applyHiddenRows(first); });
    connect(model_.get(), &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex&, int first, int) {
              applyColumnWidths(first);
              showSelection(false);
            });
  } else {
    setModel(nullptr);
  }
  delete oldSelection;
  previous.reset();
  if (!model_) return;
  applyColumnWidths();
  applyHiddenRows(0);
  // Before the grid is shown its viewport has no size yet, and scrolling to the active cell
  // would put it in the top left corner: the scroll waits until the grid is shown.
  scrollPending_ = !isVisible();
  showSelection(!scrollPending_);
}

void SheetGrid::showEvent(QShowEvent* event) {
  QTableView::showEvent(event);
  if (!scrollPending_) return;
  scrollPending_ = false;
  QTimer::singleShot(0, this, [this] { showSelection(true); });
}

int SheetGrid::pixelsForCharacters(double characters) const {
  // As a spreadsheet application does: the width in characters of the font's average width,
  // plus a little padding on either side.
  // Fractional, so that a zoomed font widens and narrows the columns smoothly.
  const double average = std::max(1.0, QFontMetricsF(font()).averageCharWidth());
  return static_cast<int>(characters * average + 0.5) + 5;
}

double SheetGrid::charactersForText(const QString& text) const {
  const double average = std::max(1.0, QFontMetricsF(font()).averageCharWidth());
  return (fontMetrics().horizontalAdvance(text) + 4.0) / average;
}

void SheetGrid::applyColumnWidths(int first) {
  if (!model_) return;
  const engine::SheetData& sheet = model_->sheet();
  const int columns = model_->columnCount();
  for (int c = std::max(first, 0); c < columns; ++c) {
    const auto column = static_cast<std::uint32_t>(c);
    const double width = sheet.columnWidth(column);
    const bool hidden = sheet.columnHidden(column) || width <= 0;
    setColumnHidden(c, hidden);
    if (!hidden) setColumnWidth(c, pixelsForCharacters(width));
  }
}

void SheetGrid::applyHiddenRows(int first) {
  if (!model_) return;
  const int rows = model_->rowCount();
  if (rows <= std::max(first, 0)) return;
  for (const std::uint32_t r : model_->sheet().hiddenRows(static_cast<std::uint32_t>(std::max(first, 0)),
                                                           static_cast<std::uint32_t>(rows - 1))) {
    setRowHidden(static_cast<int>(r), true);
    hiddenRows_.push_back(static_cast<int>(r));
  }
}

bool SheetGrid::belowView(int row) const {
  const int bottom = rowAt(viewport()->height() - 1);
  return bottom >= 0 && row > bottom;
}

void SheetGrid::rowsInserted(const QModelIndex& parent, int start, int end) {
  // Rows added below the last row in view (a sheet read in the background) change nothing
  // drawn: the layout they cause then only sets the scroll bars, unless a layout was due for
  // anything else.
  onlyRowsBelowView_ = belowView(start) && (onlyRowsBelowView_ || !layoutPending_);
  layoutPending_ = true;
  QTableView::rowsInserted(parent, start, end);
}

void SheetGrid::doItemsLayout() {
  const bool onlyRows = onlyRowsBelowView_ && model_;
  onlyRowsBelowView_ = layoutPending_ = false;
  if (onlyRows) {
    updateGeometries();
    return;
  }
  QTableView::doItemsLayout();
}

void SheetGrid::showSelection(bool scroll, bool repaint) {
  if (!model_ || !selection_) return;
  // Bring the selected cells into the grid, except whole columns and rows, which reach the
  // sheet's end and are shown as far as the grid goes.
  for (const engine::Area& area : selection_->areas()) {
    if (!GridSelection::isWholeColumns(area, selection_->grid())) model_->ensureRows(area.lastRow + 1);
    if (!GridSelection::isWholeRows(area, selection_->grid())) model_->ensureColumns(area.lastColumn + 1);
  }
  const int rows = model_->rowCount(), columns = model_->columnCount();
  QItemSelection shown;
  for (const engine::Area& area : selection_->areas()) {
    const int top = static_cast<int>(area.firstRow), left = static_cast<int>(area.firstColumn);
    const int bottom = std::min(static_cast<int>(area.lastRow), rows - 1);
    const int right = std::min(static_cast<int>(area.lastColumn), columns - 1);
    if (top > bottom || left > right) continue;
    shown.select(model_->index(top, left), model_->index(bottom, right));
  }
  selectionModel()->select(shown, QItemSelectionModel::ClearAndSelect);
  // The active cell's border and texts flowing over changed cells reach past the cells Qt
  // repaints for a selection change.
  if (repaint) viewport()->update();
  const CellPos active = selection_->active();
  selectionModel()->setCurrentIndex(
      model_->index(std::min(static_cast<int>(active.row), rows - 1),
                    std::min(static_cast<int>(active.column), columns - 1)),
      QItemSelectionModel::NoUpdate);
  if (scroll) {
    const CellPos cursor = selection_->cursor();
    scrollTo(model_->index(std::min(static_cast<int>(cursor.row), rows - 1),
                           std::min(static_cast<int>(cursor.column), columns - 1)));
  }
}

void SheetGrid::revealActiveCell() {
  if (!model_ || !selection_) return;
  const CellPos active = selection_->active();
  scrollTo(model_->index(std::min(static_cast<int>(active.row), model_->rowCount() - 1),
                         std::min(static_cast<int>(active.column), model_->columnCount() - 1)),
           QAbstractItemView::EnsureVisible);
}

void SheetGrid::userChanged(bool scroll) {
  showSelection(scroll);
  emit selectionEdited();
}

QRect SheetGrid::cellRect(std::uint32_t row, std::uint32_t column) const {
  if (!model_) return {};
  return visualRect(model_->index(static_cast<int>(row), static_cast<int>(column)));
}

CellPos SheetGrid::cellAt(QPoint pos) const {
  const QRect area = viewport()->rect();
  pos.setX(std::clamp(pos.x(), 0, std::max(0, area.width() - 1)));
  pos.setY(std::clamp(pos.y(), 0, std::max(0, area.height() - 1)));
  int row = rowAt(pos.y()), column = columnAt(pos.x());
  // Below or right of the last row or column: the last one.
  if (row < 0) row = model_ ? model_->rowCount() - 1 : 0;
  if (column < 0) column = model_ ? model_->columnCount() - 1 : 0;
  return {static_cast<std::uint32_t>(std::max(row, 0)), static_cast<std::uint32_t>(std::max(column, 0))};
}

void SheetGrid::mousePressEvent(QMouseEvent* event) {
  if (!model_ || !selection_ || event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  setFocus(Qt::MouseFocusReason);
  const CellPos cell = cellAt(event->position().toPoint());
  if (event->modifiers() & Qt::ShiftModifier) {
    selection_->extendTo(cell);
  } else {
    // A click into a merged area selects all of it, once, its top left cell active; with Ctrl
    // the merged area is the one further area.
    const engine::Area* merged = mergedAreaAt(model_->sheet().mergedAreas(), cell);
    selection_->select(merged ? CellPos{merged->firstRow, merged->firstColumn} : cell,
                       (event->modifiers() & Qt::ControlModifier) != 0);
    if (merged) selection_->extendTo({merged->lastRow, merged->lastColumn});
  }
  coverMergedAreas();
  dragging_ = true;
  userChanged(false);
}

void SheetGrid::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !selection_) return;
  const QPoint pos = event->position().toPoint();
  // Dragging past the edge scrolls on, a step per move.
  const QRect area = viewport()->rect();
  if (pos.y() > area.bottom()) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  if (pos.y() < area.top()) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  if (pos.x() > area.right()) horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  if (pos.x() < area.left()) horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  const CellPos cell = cellAt(pos);
  if (cell == selection_->cursor()) return;
  selection_->extendTo(cell);
  coverMergedAreas();
  userChanged(false);
}

void SheetGrid::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && dragging_) {
    dragging_ = false;
    emit selectionEdited();  // the address line goes back from the size to the active cell
  }
}

void SheetGrid::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    emit returnPressed();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    emit escapePressed();
    return;
  }
  const bool ctrlA = event->key() == Qt::Key_A && event->modifiers() == Qt::ControlModifier;
  if (model_ && selection_ && movementKey(event)) {
    regionSelected_ = regionSelected_ && ctrlA;
    return;
  }
  // The grid is read-only: typed characters belong to the range box's reference, so a user
  // who clicked a cell or a sheet tab can type an address straight away.
  const Qt::KeyboardModifiers commandKeys = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  const QString typed = event->text();
  if (!(event->modifiers() & commandKeys) && !typed.isEmpty() && typed.at(0).isPrint()) {
    emit textTyped(typed);
    return;
  }
  if (!model_ || !selection_) {
    QTableView::keyPressEvent(event);
    return;
  }
  const bool extend = (event->modifiers() & Qt::ShiftModifier) != 0;
  const int page = std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()) - 1);
  switch (event->key()) {
    case Qt::Key_PageUp: selection_->move(-page, 0, extend); break;
    case Qt::Key_PageDown: selection_->move(page, 0, extend); break;
    case Qt::Key_Home: {
      const CellPos from = extend ? selection_->cursor() : selection_->active();
      const int toRow = (event->modifiers() & Qt::ControlModifier) ? -static_cast<int>(from.row) : 0;
      selection_->move(toRow, -static_cast<int>(from.column), extend);
      break;
    }
    default: QTableView::keyPressEvent(event); return;
  }
  coverMergedAreas();
  userChanged(true);
}

KeySheet SheetGrid::keySheet() const {
  const engine::SheetData& sheet = model_->sheet();
  return {[&sheet](std::uint32_t row, std::uint32_t column) { return sheet.holds(row, column); },
          sheet.usedRows(), sheet.usedColumns(), sheetLimits()};
}

CellPos SheetGrid::sheetLimits() const {
  // The grid of the workbook's format: 65,536 x 256 for .xls, 1,048,576 x 16,384 otherwise.
  const model::Grid grid = selection_ ? selection_->grid() : model::kLargeGrid;
  return {grid.rows - 1, grid.columns - 1};
}

void SheetGrid::coverMergedAreas() {
  if (!model_ || !selection_ || selection_->areas().empty()) return;
  const auto& merges = model_->sheet().mergedAreas();
  if (merges.empty()) return;
  selection_->widenLast(coverMerges(selection_->areas().back(), merges));
}

bool SheetGrid::movementKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  const bool ctrl = (mods & Qt::ControlModifier) != 0;
  const bool shift = (mods & Qt::ShiftModifier) != 0;
  if (mods & (Qt::AltModifier | Qt::MetaModifier)) return false;
  // A sheet still being read would give an answer that looks final and is not: the key waits.
  if (needsWholeSheet(event->key(), ctrl, shift) && wholeSheetWait_ && !wholeSheetWait_()) return true;
  if (!model_ || !selection_) return true;
  const KeySheet sheet = keySheet();
  const auto& merges = model_->sheet().mergedAreas();
  int rowStep = 0, columnStep = 0;
  switch (event->key()) {
    case Qt::Key_Up: rowStep = -1; break;
    case Qt::Key_Down: rowStep = 1; break;
    case Qt::Key_Left: columnStep = -1; break;
    case Qt::Key_Right: columnStep = 1; break;
    default: break;
  }
  if (rowStep != 0 || columnStep != 0) {
    // Shift moves the cursor corner and extends; without it the active cell moves.
    const CellPos from = shift ? selection_->cursor() : selection_->active();
    const CellPos to = ctrl ? dataEdge(sheet, from, rowStep, columnStep)
                      : shift ? CellPos{static_cast<std::uint32_t>(std::clamp<long long>(
                                            static_cast<long long>(from.row) + rowStep, 0, sheet.last.row)),
                                        static_cast<std::uint32_t>(std::clamp<long long>(
                                            static_cast<long long>(from.column) + columnStep, 0,
                                            sheet.last.column))}
                              : arrowStep(sheet, from, rowStep, columnStep, merges);
    if (shift) {
      selection_->extendTo(to);
    } else {
      selection_->select(to);
      if (const engine::Area* merged = mergedAreaAt(merges, to)) {
        selection_->select({merged->firstRow, merged->firstColumn});
        selection_->extendTo({merged->lastRow, merged->lastColumn});
      }
    }
  } else if (event->key() == Qt::Key_Home && ctrl) {
    if (shift) selection_->extendTo({0, 0}); else selection_->select({0, 0});
  } else if (event->key() == Qt::Key_End && ctrl) {
    const CellPos last = lastUsedCell(sheet);
    if (shift) selection_->extendTo(last); else selection_->select(last);
  } else if (event->key() == Qt::Key_Space && ctrl != shift) {
    // The columns (Ctrl) or rows (Shift) of the last area, whole; the active cell stays.
    selection_->spanWhole(ctrl ? GridSelection::Span::Columns : GridSelection::Span::Rows);
  } else if (event->key() == Qt::Key_Space && shift && ctrl) {
    selectAll();
    return true;
  } else if (event->key() == Qt::Key_A && ctrl && !shift) {
    // The current region first; pressed again, or where the region is the cell alone, the sheet.
    const CellPos active = selection_->active();
    const engine::Area region = currentRegion(sheet, active);
    const bool alone = region == engine::Area{active.row, active.column, active.row, active.column};
    if (regionSelected_ || alone) {
      regionSelected_ = false;
      selectAll();
      return true;
    }
    selection_->select({region.firstRow, region.firstColumn});
    selection_->extendTo({region.lastRow, region.lastColumn});
    regionSelected_ = true;
  } else if ((event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) && ctrl) {
    emit sheetStepRequested(event->key() == Qt::Key_PageUp ? -1 : 1);
    return true;
  } else {
    return false;
  }
  coverMergedAreas();
  userChanged(true);
  return true;
}

bool SheetGrid::needsWholeSheet(int key, bool ctrl, bool shift) const {
  if (!ctrl) return false;
  switch (key) {
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_End:
      return true;
    case Qt::Key_A: return !shift && !regionSelected_;  // the current region, not the sheet
    default: return false;
  }
}

void SheetGrid::selectAll() {
  if (!model_ || !selection_) return;
  const CellPos last = sheetLimits();
  selection_->selectRow(0);
  selection_->extendTo({last.row, 0});
  regionSelected_ = false;
  userChanged(false);
}

void SheetGrid::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                            const QList<int>& roles) {
  const int top = rowAt(0);
  const int bottom = rowAt(viewport()->height() - 1);
  const bool belowView = top >= 0 && bottom >= 0 && topLeft.isValid() && topLeft.row() > bottom;
  const bool aboveView = top >= 0 && bottomRight.isValid() && bottomRight.row() < top;
  if (belowView || aboveView) return;
  // Changes in view are drawn by a pending layout when there is one: it must draw in full.
  onlyRowsBelowView_ = false;
  layoutPending_ = true;
  QTableView::dataChanged(topLeft, bottomRight, roles);
}

void SheetGrid::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (!model_) return;
  QPainter painter(viewport());
  paintSheetCells(painter, *this, event->rect());
}

void SheetGrid::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) {
    QTableView::wheelEvent(event);
    return;
  }
  // Ctrl+wheel zooms, a notch at a time, as in the application.
  const int notches = event->angleDelta().y() / 120;
  if (notches != 0) setZoom(zoom_ + 10 * notches);
  event->accept();
}

void SheetGrid::setZoom(int percent) {
  percent = std::clamp(percent, 10, 400);
  if (percent == zoom_) return;
  zoom_ = percent;
  QFont scaled = baseFont_;
  if (baseFont_.pointSizeF() > 0)
    scaled.setPointSizeF(baseFont_.pointSizeF() * percent / 100.0);
  else
    scaled.setPixelSize(std::max(1, baseFont_.pixelSize() * percent / 100));
  setFont(scaled);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  applyColumnWidths();
  viewport()->update();
}

bool SheetGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched == horizontalHeader()->viewport()) return headerEvent(true, event);
  if (watched == verticalHeader()->viewport()) return headerEvent(false, event);
  return QTableView::eventFilter(watched, event);
}

bool SheetGrid::headerEvent(bool horizontal, QEvent* event) {
  if (!model_ || !selection_) return false;
  const auto type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
    return false;
  auto* mouse = static_cast<QMouseEvent*>(event);
  QHeaderView* header = horizontal ? horizontalHeader() : verticalHeader();
  const QPoint pos = mouse->position().toPoint();
  const int along = horizontal ? pos.x() : pos.y();
  int section = header->logicalIndexAt(along);
  if (section < 0) section = header->count() - 1;
  if (section < 0) return false;

  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
    if (mouse->button() != Qt::LeftButton) return false;
    if (horizontal) {
      // Near a column letter's edge the press belongs to the header: it resizes the column.
      const int start = header->sectionViewportPosition(section);
      const int end = start + header->sectionSize(section);
      if (along >= end - kResizeGrip || (section > 0 && along <= start + kResizeGrip)) return false;
    }
    const auto index = static_cast<std::uint32_t>(section);
    if (mouse->modifiers() & Qt::ShiftModifier) {
      // Shift extends from the active cell's column or row, in whole columns or rows.
      const CellPos active = selection_->active();
      const engine::Area& last = selection_->areas().back();
      if (horizontal && !GridSelection::isWholeColumns(last, selection_->grid()))
        selection_->selectColumn(active.column);
      if (!horizontal && !GridSelection::isWholeRows(last, selection_->grid()))
        selection_->selectRow(active.row);
      selection_->extendTo(horizontal ? CellPos{0, index} : CellPos{index, 0});
    } else if (horizontal) {
      selection_->selectColumn(index, (mouse->modifiers() & Qt::ControlModifier) != 0);
    } else {
      selection_->selectRow(index, (mouse->modifiers() & Qt::ControlModifier) != 0);
    }
    headerDragging_ = true;
    setFocus(Qt::MouseFocusReason);
    userChanged(false);
    return true;
  }
  if (type == QEvent::MouseMove) {
    if (!headerDragging_) return false;
    const auto index = static_cast<std::uint32_t>(section);
    const CellPos target = horizontal ? CellPos{0, index} : CellPos{index, 0};
    if (!(target == selection_->cursor())) {
      selection_->extendTo(target);
      userChanged(false);
    }
    return true;
  }
  // Release: the address line goes back from the size to the active cell.
  const bool was = headerDragging_;
  headerDragging_ = false;
  if (was) emit selectionEdited();
  return was;
}

}  // namespace lomandra::window
