#pragma once

// Mouse and keyboard gestures on a sheet grid, as a user makes them.

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTest>

#include "sheet/window/SheetGrid.h"

namespace lomandra::window::testing {

inline QPoint cellCenter(SheetGrid& grid, std::uint32_t row, std::uint32_t column) {
  return grid.cellRect(row, column).center();
}

inline void clickCell(SheetGrid& grid, std::uint32_t row, std::uint32_t column,
                      Qt::KeyboardModifiers modifiers = {}) {
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, modifiers, cellCenter(grid, row, column));
}

inline void moveMouse(QWidget* widget, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
  QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(widget->mapToGlobal(to)), Qt::NoButton,
                   Qt::LeftButton, modifiers);
  QApplication::sendEvent(widget, &move);
}

/// Presses on one cell, moves over the cells between and releases on the other.
inline void dragCells(SheetGrid& grid, CellPos from, CellPos to, Qt::KeyboardModifiers modifiers = {}) {
  QTest::mousePress(grid.viewport(), Qt::LeftButton, modifiers, cellCenter(grid, from.row, from.column));
  moveMouse(grid.viewport(), cellCenter(grid, (from.row + to.row) / 2, (from.column + to.column) / 2), modifiers);
  moveMouse(grid.viewport(), cellCenter(grid, to.row, to.column), modifiers);
  QTest::mouseRelease(grid.viewport(), Qt::LeftButton, modifiers, cellCenter(grid, to.row, to.column));
}

/// A click in the middle of a column letter (horizontal) or row number.
inline void clickHeader(SheetGrid& grid, bool horizontal, int section,
                        Qt::KeyboardModifiers modifiers = {}) {
  QHeaderView* header = horizontal ? grid.horizontalHeader() : grid.verticalHeader();
  const int middle = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
  const QPoint at = horizontal ? QPoint(middle, header->height() / 2) : QPoint(header->width() / 2, middle);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers, at);
}

}  // namespace lomandra::window::testing

/// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
