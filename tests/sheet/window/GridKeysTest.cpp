#include "sheet/window/GridKeys.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <optional>

#include "sheet/window/FormulaBar.h"
#include "sheet/window/RangeBox.h"
#include "sheet/window/SheetGrid.h"
#include "sheet/window/WorkbookWindow.h"
#include "tests/sheet/window/FakeWorkbook.h"
#include "tests/sheet/window/WindowTestSupport.h"

namespace lomandra::window {
namespace {

// A small sheet with gaps, and B3:C3 merged:
//      A  B  C  D
//   1  a  b     d
//   2  a  b
//   3     [B3:C3]
//   4  a     c
//   5  a
void fillGaps(testing::FakeSheet& sheet) {
  for (auto [r, c] : {std::pair{0, 0}, {0, 1}, {0, 3}, {1, 0}, {1, 1}, {3, 0}, {3, 2}, {4, 0}})
    sheet.set(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c), "v");
  sheet.merges.push_back({2, 1, 2, 2});
}

struct Key {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers = {};
};

struct KeyCase {
  const char* name;
  CellPos start;
  std::vector<Key> keys;
  const char* address;
  std::optional<CellPos> active = std::nullopt;  ///< where the active cell ends, when checked
};

class GridKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(GridKeys, MoveAndSelectAsTheApplicationDoes) {
  testing::FakeSheet sheet;
  fillGaps(sheet);
  GridSelection selection;
  SheetGrid grid;
  grid.resize(600, 400);
  grid.setSheet(&sheet, &selection);
  selection.select(GetParam().start);
  for (const Key& key : GetParam().keys) QTest::keyClick(&grid, key.key, key.modifiers);
  EXPECT_EQ(engine::formatAddress(selection.areas()), GetParam().address);
  if (GetParam().active) {
    EXPECT_EQ(selection.active(), *GetParam().active);
  }
}

constexpr auto kCtrl = Qt::ControlModifier;
constexpr auto kShift = Qt::ShiftModifier;
const Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

const KeyCase kKeys[] = {
    {"CtrlDownAlongARun", {0, 0}, {{Qt::Key_Down, kCtrl}}, "$A$2"},
    {"CtrlDownOverAGap", {0, 0}, {{Qt::Key_Down, kCtrl}, {Qt::Key_Down, kCtrl}}, "$A$4"},
    {"CtrlDownToTheRunsEnd", {0, 0}, {{Qt::Key_Down, kCtrl}, {Qt::Key_Down, kCtrl}, {Qt::Key_Down, kCtrl}}, "$A$5"},
    {"CtrlRightOverAGap", {0, 0}, {{Qt::Key_Right, kCtrl}, {Qt::Key_Right, kCtrl}}, "$D$1"},
    {"CtrlUpFromEmptyToFilled", {3, 3}, {{Qt::Key_Up, kCtrl}}, "$D$1"},
    {"CtrlUpFromBelowTheData", {40, 2}, {{Qt::Key_Up, kCtrl}}, "$C$4"},
    {"CtrlLeftAtTheEdgeStays", {0, 0}, {{Qt::Key_Left, kCtrl}}, "$A$1"},
    {"CtrlUpToTheTopEdge", {1, 2}, {{Qt::Key_Up, kCtrl}}, "$C$1"},
    {"CtrlEndTheLastUsedCell", {0, 0}, {{Qt::Key_End, kCtrl}}, "$D$5"},
    {"CtrlHome", {4, 3}, {{Qt::Key_Home, kCtrl}}, "$A$1"},
    {"ShiftCtrlDownExtends", {0, 0}, {{Qt::Key_Down, kCtrlShift}}, "$A$1:$A$2"},
    {"ShiftCtrlEndExtends", {1, 1}, {{Qt::Key_End, kCtrlShift}}, "$B$2:$D$5"},
    {"ShiftCtrlHomeExtends", {1, 1}, {{Qt::Key_Home, kCtrlShift}}, "$A$1:$B$2"},
    {"CtrlSpaceColumn", {1, 0}, {{Qt::Key_Space, kCtrl}}, "$A:$A"},
    {"CtrlSpaceColumnWidensOverAMergedArea", {1, 1}, {{Qt::Key_Space, kCtrl}}, "$B:$C"},
    {"CtrlSpaceColumnsOfTheArea", {1, 1}, {{Qt::Key_Right, kShift}, {Qt::Key_Space, kCtrl}}, "$B:$C"},
    {"ShiftSpaceRow", {1, 1}, {{Qt::Key_Space, kShift}}, "$2:$2"},
    // The active cell stays where it was, as in the application.
    {"ShiftSpaceKeepsTheActiveCell", {3, 2}, {{Qt::Key_Space, kShift}}, "$4:$4", CellPos{3, 2}},
    {"CtrlSpaceKeepsTheActiveCell", {3, 3}, {{Qt::Key_Space, kCtrl}}, "$D:$D", CellPos{3, 3}},
    {"ShiftSpaceThenShiftDownGrowsTheRows",
     {3, 2}, {{Qt::Key_Space, kShift}, {Qt::Key_Down, kShift}}, "$4:$5", CellPos{3, 2}},
    {"CtrlACurrentRegion", {0, 0}, {{Qt::Key_A, kCtrl}}, "$A$1:$B$2"},
    {"ArrowIntoAMergedAreaSelectsIt", {1, 2}, {{Qt::Key_Down}}, "$B$3:$C$3"},
    {"ArrowOutOfAMergedArea", {2, 1}, {{Qt::Key_Right}}, "$D$3"},
    {"ShiftArrowCoversAMergedArea", {1, 1}, {{Qt::Key_Down, kShift}}, "$B$2:$C$3"},
};

INSTANTIATE_TEST_SUITE_P(Table, GridKeys, ::testing::ValuesIn(kKeys),
                         [](const auto& row) { return std::string(row.param.name); });

bool wholeSheet(const GridSelection& selection) {
  return selection.areas().size() == 1 && GridSelection::isWholeRows(selection.areas()[0]) &&
         GridSelection::isWholeColumns(selection.areas()[0]);
}

TEST(GridKeys, CtrlATwiceTheCornerButtonAndALoneCellSelectTheWholeSheet) {
  testing::FakeSheet sheet;
  fillGaps(sheet);
  GridSelection selection;
  SheetGrid grid;
  grid.setSheet(&sheet, &selection);
  QTest::keyClick(&grid, Qt::Key_A, kCtrl);
  EXPECT_FALSE(wholeSheet(selection));
  QTest::keyClick(&grid, Qt::Key_A, kCtrl);
  EXPECT_TRUE(wholeSheet(selection));
  selection.select({0, 3});  // D1 stands alone
  QTest::keyClick(&grid, Qt::Key_A, kCtrl);
  EXPECT_TRUE(wholeSheet(selection));
  selection.select({0, 0});
  grid.findChild<QAbstractButton*>()->click();
  EXPECT_TRUE(wholeSheet(selection));
}

TEST(GridKeys, ClickIntoAMergedAreaSelectsItWhole) {
  testing::FakeSheet sheet;
  fillGaps(sheet);
  GridSelection selection;
  SheetGrid grid;
  grid.resize(600, 400);
  grid.setSheet(&sheet, &selection);
  testing::clickCell(grid, 2, 2);
  EXPECT_EQ(engine::formatAddress(selection.areas()), "$B$3:$C$3");
  EXPECT_EQ(selection.active(), (CellPos{2, 1}));
}

TEST(GridKeys, CtrlWheelZoomsWhileThePlainWheelScrolls) {
  testing::FakeSheet sheet;
  fillGaps(sheet);
  GridSelection selection;
  SheetGrid grid;
  grid.resize(400, 300);
  grid.setSheet(&sheet, &selection);
  const int width = grid.columnWidth(0);
  auto wheel = [&](Qt::KeyboardModifiers modifiers) {
    const QPointF at(20, 20);
    QWheelEvent event(at, grid.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -360), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &event);
  };
  wheel(Qt::NoModifier);
  EXPECT_EQ(grid.zoom(), 100);
  EXPECT_GT(grid.verticalScrollBar()->value(), 0);
  wheel(Qt::ControlModifier);
  EXPECT_EQ(grid.zoom(), 70);
  EXPECT_LT(grid.columnWidth(0), width);
}

std::unique_ptr<testing::FakeWorkbook> gapBook() {
  auto book = std::make_unique<testing::FakeWorkbook>();
  fillGaps(book->addSheet("First"));
  book->addSheet("Hidden", false);
  auto& last = book->addSheet("Last");
  last.set(1, 1, "A text much longer than its cell");
  return book;
}

TEST(WorkbookWindowKeys, CtrlEndPutsTheLastUsedCellIntoTheRangeBox) {
  auto book = gapBook();
  WorkbookWindow window(*book);
  window.show();
  QString field, bar;
  QTimer::singleShot(0, &window, [&] {
    QTest::keyClick(window.grid(), Qt::Key_End, kCtrl);
    field = window.rangeBox()->field()->text();
    bar = window.formulaBar()->addressField()->text();
    window.rangeBox()->okButton()->click();
  });
  auto picked = window.pickRange(QStringLiteral("Please select range"));
  EXPECT_EQ(field, "$D$5");
  EXPECT_EQ(bar, "D5");
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(engine::formatAddress(picked->areas), "$D$5");
}

TEST(WorkbookWindowKeys, CtrlPageDownAndUpStepOverHiddenSheets) {
  auto book = gapBook();
  WorkbookWindow window(*book);
  QTest::keyClick(window.grid(), Qt::Key_PageDown, kCtrl);
  EXPECT_EQ(window.currentSheet(), 2);
  QTest::keyClick(window.grid(), Qt::Key_PageDown, kCtrl);
  EXPECT_EQ(window.currentSheet(), 2);
  QTest::keyClick(window.grid(), Qt::Key_PageUp, kCtrl);
  EXPECT_EQ(window.currentSheet(), 0);
}

TEST(WorkbookWindowKeys, TheBarShowsTheActiveCellsWholeText) {
  auto book = gapBook();
  WorkbookWindow window(*book);
  window.show();
  window.showSheet(2);
  testing::clickCell(*window.grid(), 1, 1);
  EXPECT_EQ(window.formulaBar()->addressField()->text(), "B2");
  EXPECT_EQ(window.formulaBar()->contentField()->text(), "A text much longer than its cell");
  EXPECT_TRUE(window.formulaBar()->contentField()->isReadOnly());
}

}  // namespace
}  // namespace lomandra::window
