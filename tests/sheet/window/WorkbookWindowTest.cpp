#include "sheet/window/WorkbookWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTimer>
#include <functional>

#include "sheet/window/RangeBox.h"
#include "sheet/window/SheetGrid.h"
#include "sheet/window/SheetTableModel.h"
#include "tests/sheet/window/FakeWorkbook.h"
#include "tests/sheet/window/WindowTestSupport.h"

namespace lomandra::window {
namespace {

using testing::FakeWorkbook;

/// Sheets "Data", "O'Brien" (active), a hidden one and "Third".
std::unique_ptr<FakeWorkbook> sampleWorkbook() {
  auto book = std::make_unique<FakeWorkbook>();
  auto& data = book->addSheet("Data");
  data.set(0, 0, "Name");
  data.set(0, 1, "Amount");
  data.set(1, 0, "Ann");
  data.set(1, 1, "1,234.50");
  data.widths[1] = 20;
  data.hiddenColumns[2] = true;
  data.hiddenRows[3] = true;
  auto& obrien = book->addSheet("O'Brien");
  obrien.set(0, 0, "x");
  book->addSheet("Secret", false);
  book->addSheet("Third");
  book->active = 1;
  return book;
}

QString sheetName(const FakeWorkbook& book, int index) {
  return QString::fromStdString(book.infos.at(static_cast<std::size_t>(index)).name);
}

/// Runs `answer` inside the range box's wait, then returns what pickRange gave.
std::optional<PickedRange> pickWith(WorkbookWindow& window, std::function<void()> answer) {
  QTimer::singleShot(0, &window, std::move(answer));
  return window.pickRange(QStringLiteral("Please select range"));
}

TEST(WorkbookWindow, OpensOnTheActiveSheetWithTabsForVisibleSheetsInOrder) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  EXPECT_EQ(window.windowTitle(), "Book.xlsx");
  QStringList tabs;
  for (int i = 0; i < window.tabBar()->count(); ++i) tabs << window.tabBar()->tabText(i);
  EXPECT_EQ(tabs, (QStringList{"Data", "O'Brien", "Third"}));
  EXPECT_EQ(window.tabBar()->currentIndex(), 1);
  EXPECT_EQ(window.currentSheet(), 1);
}

TEST(WorkbookWindow, HiddenActiveSheetOpensOnTheFirstVisible) {
  auto book = sampleWorkbook();
  book->active = 2;
  WorkbookWindow window(*book);
  EXPECT_EQ(window.currentSheet(), 0);
}

TEST(WorkbookWindow, GridShowsTextsLettersNumbersWidthsAndHiddenParts) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  ASSERT_TRUE(window.showSheet(0));
  SheetGrid* grid = window.grid();
  QAbstractItemModel* model = grid->model();
  EXPECT_EQ(model->data(model->index(1, 1)).toString(), "1,234.50");
  EXPECT_FALSE(model->data(model->index(5, 5)).isValid());
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "A");
  EXPECT_EQ(model->headerData(27, Qt::Horizontal).toString(), "AB");
  EXPECT_EQ(model->headerData(0, Qt::Vertical).toString(), "1");
  EXPECT_EQ(grid->columnWidth(1), grid->pixelsForCharacters(20));
  EXPECT_GT(grid->columnWidth(1), grid->columnWidth(0));
  EXPECT_TRUE(grid->isColumnHidden(2));
  EXPECT_TRUE(grid->isRowHidden(3));
  EXPECT_FALSE(grid->isRowHidden(2));
  EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
}

TEST(WorkbookWindow, HiddenRowsBelongToTheirSheet) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  window.showSheet(0);
  EXPECT_TRUE(window.grid()->isRowHidden(3));
  window.showSheet(3);
  EXPECT_FALSE(window.grid()->isRowHidden(3));
  window.showSheet(0);
  EXPECT_TRUE(window.grid()->isRowHidden(3));
}

TEST(WorkbookWindow, NumbersDatesAndPercentagesStandRight) {
  testing::FakeSheet sheet;
  const char* right[] = {"12", "-1.3%", "1,234.50", "$5", "(12)", "2021-08-31", "1E+20", "12:30"};
  const char* left[] = {"Ann", "12 apples", "=1+1", "-", "A7", "#DIV/0!"};
  std::uint32_t row = 0;
  for (const char* text : right) sheet.set(row++, 0, text);
  for (const char* text : left) sheet.set(row++, 0, text);
  SheetTableModel model(sheet);
  for (std::uint32_t r = 0; r < row; ++r) {
    const auto alignment = model.data(model.index(static_cast<int>(r), 0), Qt::TextAlignmentRole)
                               .value<Qt::Alignment>();
    EXPECT_EQ((alignment & Qt::AlignRight) != 0, r < std::size(right)) << sheet.text(r, 0);
  }
}

TEST(WorkbookWindow, ColumnLetterClickKeepsTheScrollPosition) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  window.resize(600, 400);
  window.show();
  SheetGrid* grid = window.grid();
  grid->verticalScrollBar()->setValue(50);
  testing::clickHeader(*grid, true, 1);
  EXPECT_EQ(grid->verticalScrollBar()->value(), 50);
  EXPECT_EQ(window.currentAddress(), "$B:$B");
}

TEST(WorkbookWindow, SheetThatCannotBeReadShowsWhyAndNoCells) {
  auto book = sampleWorkbook();
  book->failingSheet = 3;
  WorkbookWindow window(*book);
  window.showSheet(3);
  EXPECT_TRUE(window.problem().contains("damaged")) << window.problem().toStdString();
  EXPECT_EQ(window.grid()->model()->rowCount(), 200);
  window.showSheet(0);
  EXPECT_TRUE(window.problem().isEmpty());
}

// One pick: gestures made while the range box is open, then OK; the sheet and address given.
struct PickCase {
  const char* name;
  std::function<void(WorkbookWindow&)> gestures;
  const char* sheet;
  const char* address;
  const char* typed = nullptr;  ///< the field's text when the reference was typed
};

class RangeBoxPicks : public ::testing::TestWithParam<PickCase> {};

TEST_P(RangeBoxPicks, ReturnTheSelectionAsTheApplicationWritesIt) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  window.show();
  QString fieldText;
  auto picked = pickWith(window, [&] {
    GetParam().gestures(window);
    fieldText = window.rangeBox()->field()->text();
    window.rangeBox()->okButton()->click();
  });
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(sheetName(*book, picked->sheet), QString::fromUtf8(GetParam().sheet));
  EXPECT_EQ(engine::formatAddress(picked->areas), GetParam().address);
  // The field shows the selection's address, or what the user typed.
  const char* field = GetParam().typed ? GetParam().typed : GetParam().address;
  EXPECT_EQ(fieldText, QString::fromUtf8(field));
  EXPECT_EQ(window.rangeBox(), nullptr);
}

using testing::clickCell;
using testing::clickHeader;
using testing::dragCells;

void type(WorkbookWindow& w, const char* text) {
  QLineEdit* field = w.rangeBox()->field();
  field->selectAll();
  QTest::keyClicks(field, QString::fromUtf8(text));
}

const PickCase kPicks[] = {
    {"Untouched", [](WorkbookWindow&) {}, "O'Brien", "$A$1"},
    {"Click", [](WorkbookWindow& w) { clickCell(*w.grid(), 2, 1); }, "O'Brien", "$B$3"},
    {"Drag", [](WorkbookWindow& w) { dragCells(*w.grid(), {0, 0}, {2, 1}); }, "O'Brien", "$A$1:$B$3"},
    {"DragUpwards", [](WorkbookWindow& w) { dragCells(*w.grid(), {4, 3}, {1, 1}); }, "O'Brien", "$B$2:$D$5"},
    {"ShiftClick",
     [](WorkbookWindow& w) {
       clickCell(*w.grid(), 0, 0);
       clickCell(*w.grid(), 3, 2, Qt::ShiftModifier);
     },
     "O'Brien", "$A$1:$C$4"},
    {"CtrlClickSecondArea",
     [](WorkbookWindow& w) {
       clickCell(*w.grid(), 0, 0);
       clickCell(*w.grid(), 2, 2, Qt::ControlModifier);
     },
     "O'Brien", "$A$1,$C$3"},
    {"CtrlDragSecondArea",
     [](WorkbookWindow& w) {
       dragCells(*w.grid(), {0, 0}, {1, 1});
       dragCells(*w.grid(), {3, 3}, {4, 4}, Qt::ControlModifier);
     },
     "O'Brien", "$A$1:$B$2,$D$4:$E$5"},
    {"ColumnLetter", [](WorkbookWindow& w) { clickHeader(*w.grid(), true, 0); }, "O'Brien", "$A:$A"},
    {"ColumnLettersShift",
     [](WorkbookWindow& w) {
       clickHeader(*w.grid(), true, 1);
       clickHeader(*w.grid(), true, 3, Qt::ShiftModifier);
     },
     "O'Brien", "$B:$D"},
    {"RowNumber", [](WorkbookWindow& w) { clickHeader(*w.grid(), false, 2); }, "O'Brien", "$3:$3"},
    {"CellThenCtrlColumn",
     [](WorkbookWindow& w) {
       clickCell(*w.grid(), 1, 1);
       clickHeader(*w.grid(), true, 3, Qt::ControlModifier);
     },
     "O'Brien", "$B$2,$D:$D"},
    {"ShiftArrows",
     [](WorkbookWindow& w) {
       QTest::keyClick(w.grid(), Qt::Key_Down, Qt::ShiftModifier);
       QTest::keyClick(w.grid(), Qt::Key_Down, Qt::ShiftModifier);
       QTest::keyClick(w.grid(), Qt::Key_Right, Qt::ShiftModifier);
     },
     "O'Brien", "$A$1:$B$3"},
    {"ArrowsMove",
     [](WorkbookWindow& w) {
       QTest::keyClick(w.grid(), Qt::Key_Right);
       QTest::keyClick(w.grid(), Qt::Key_Down);
     },
     "O'Brien", "$B$2"},
    {"OtherSheetTab",
     [](WorkbookWindow& w) {
       QTest::mouseClick(w.tabBar(), Qt::LeftButton, {}, w.tabBar()->tabRect(2).center());
       dragCells(*w.grid(), {0, 0}, {3, 1});
     },
     "Third", "$A$1:$B$4"},
    // Characters typed while the grid has the keyboard go into the field, replacing the address.
    {"TypedIntoTheGrid",
     [](WorkbookWindow& w) {
       clickCell(*w.grid(), 1, 1);
       QTest::keyClicks(w.grid(), QStringLiteral("c2:d5"));
     },
     "O'Brien", "$C$2:$D$5", "c2:d5"},
    {"OtherSheetTabThenTyped",
     [](WorkbookWindow& w) {
       QTest::mouseClick(w.tabBar(), Qt::LeftButton, {}, w.tabBar()->tabRect(0).center());
       QTest::keyClicks(w.grid(), QStringLiteral("B2"));
     },
     "Data", "$B$2", "B2"},
    {"TypedRange", [](WorkbookWindow& w) { type(w, "C2:D5"); }, "O'Brien", "$C$2:$D$5", "C2:D5"},
    {"TypedMultiArea", [](WorkbookWindow& w) { type(w, "A1,C3:D4"); }, "O'Brien", "$A$1,$C$3:$D$4", "A1,C3:D4"},
    {"TypedWholeColumns", [](WorkbookWindow& w) { type(w, "$B:$C"); }, "O'Brien", "$B:$C", "$B:$C"},
    {"TypedWholeRows", [](WorkbookWindow& w) { type(w, "2:5"); }, "O'Brien", "$2:$5", "2:5"},
    {"TypedWithSheet", [](WorkbookWindow& w) { type(w, "'Data'!B2:B3"); }, "Data", "$B$2:$B$3", "'Data'!B2:B3"},
    {"TypedApostropheSheet", [](WorkbookWindow& w) {
       w.showSheet(0);
       type(w, "'O''Brien'!$A$2");
     },
     "O'Brien", "$A$2", "'O''Brien'!$A$2"},
    {"TypedFarCell", [](WorkbookWindow& w) { type(w, "XFD1048576"); }, "O'Brien", "$XFD$1048576", "XFD1048576"},
    {"TypedThenClicked",
     [](WorkbookWindow& w) {
       type(w, "C2:D5");
       clickCell(*w.grid(), 0, 0);
     },
     "O'Brien", "$A$1"},
};

INSTANTIATE_TEST_SUITE_P(Table, RangeBoxPicks, ::testing::ValuesIn(kPicks),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(RangeBox, OpensAboveTheWindowWithTheAddressSelectedAndFocused) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  window.show();
  bool checked = false;
  auto picked = pickWith(window, [&] {
    RangeBox* box = window.rangeBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->windowFlags() & Qt::Tool);
    EXPECT_EQ(box->parentWidget(), &window);
    EXPECT_EQ(box->field()->text(), "$A$1");
    EXPECT_EQ(box->field()->selectedText(), "$A$1");
    EXPECT_EQ(box->focusWidget(), box->field());
    checked = true;
    // Typing replaces the selected text; Return is OK.
    QTest::keyClicks(box->field(), QStringLiteral("B7"));
    QTest::keyClick(box->field(), Qt::Key_Return);
  });
  EXPECT_TRUE(checked);
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(engine::formatAddress(picked->areas), "$B$7");
}

// A click on a sheet tab shows the new sheet's address in the field, selected so that typing
// replaces it, while the grid keeps the keyboard for the sheet's keys.
TEST(RangeBox, SheetTabClickShowsTheAddressSelectedAndTheGridKeepsTheKeyboard) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  window.show();
  QString selected;
  bool gridFocused = false;
  QString afterTyping;
  auto picked = pickWith(window, [&] {
    // The user clicks a cell: the workbook window is active and the grid has the keyboard.
    clickCell(*window.grid(), 2, 2);
    window.activateWindow();
    for (int wait = 0; wait < 50 && QApplication::focusWidget() != window.grid(); ++wait) QTest::qWait(10);
    ASSERT_EQ(QApplication::focusWidget(), window.grid());
    QTest::mouseClick(window.tabBar(), Qt::LeftButton, {}, window.tabBar()->tabRect(2).center());
    RangeBox* box = window.rangeBox();
    selected = box->field()->selectedText();
    QTest::qWait(100);  // a window activation the click asked for arrives meanwhile
    for (int wait = 0; wait < 50 && QApplication::focusWidget() != window.grid(); ++wait) QTest::qWait(10);
    gridFocused = QApplication::focusWidget() == window.grid();
    // Typed characters still reach the field, replacing the selected address.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("B2"));
    afterTyping = box->field()->text();
    box->cancelButton()->click();
  });
  EXPECT_FALSE(picked.has_value());
  EXPECT_EQ(selected, "$A$1");
  EXPECT_TRUE(gridFocused);
  EXPECT_EQ(afterTyping, "B2");
}

TEST(SheetGrid, ShortcutsAndNavigationKeysStayWithTheGrid) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  QStringList typed;
  QObject::connect(window.grid(), &SheetGrid::textTyped, [&](const QString& t) { typed << t; });
  QTest::keyClick(window.grid(), Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(window.grid(), Qt::Key_Right);
  QTest::keyClick(window.grid(), Qt::Key_Tab);
  QTest::keyClick(window.grid(), Qt::Key_A);
  EXPECT_EQ(typed, (QStringList{"a"}));
}

TEST(RangeBox, ReturnInTheGridIsOk) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  auto picked = pickWith(window, [&] {
    clickCell(*window.grid(), 1, 0);
    QTest::keyClick(window.grid(), Qt::Key_Return);
  });
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(engine::formatAddress(picked->areas), "$A$2");
}

TEST(RangeBox, NextPickStartsFromThePreviousSelection) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  pickWith(window, [&] {
    clickCell(*window.grid(), 4, 2);
    window.rangeBox()->okButton()->click();
  });
  QString opened;
  pickWith(window, [&] {
    opened = window.rangeBox()->field()->text();
    window.rangeBox()->cancelButton()->click();
  });
  EXPECT_EQ(opened, "$C$5");
}

struct CancelCase {
  const char* name;
  std::function<void(WorkbookWindow&)> answer;
};

class RangeBoxCancels : public ::testing::TestWithParam<CancelCase> {};

TEST_P(RangeBoxCancels, ReturnNoRange) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  window.show();
  auto picked = pickWith(window, [&] {
    clickCell(*window.grid(), 1, 1);
    GetParam().answer(window);
  });
  EXPECT_FALSE(picked.has_value());
  EXPECT_EQ(window.rangeBox(), nullptr);
}

const CancelCase kCancels[] = {
    {"CancelButton", [](WorkbookWindow& w) { w.rangeBox()->cancelButton()->click(); }},
    {"EscapeInField", [](WorkbookWindow& w) { QTest::keyClick(w.rangeBox()->field(), Qt::Key_Escape); }},
    {"EscapeInGrid", [](WorkbookWindow& w) { QTest::keyClick(w.grid(), Qt::Key_Escape); }},
    {"BoxClosed", [](WorkbookWindow& w) { w.rangeBox()->close(); }},
    {"WorkbookWindowClosed", [](WorkbookWindow& w) { w.close(); }},
};

INSTANTIATE_TEST_SUITE_P(Table, RangeBoxCancels, ::testing::ValuesIn(kCancels),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(RangeBox, UnreadableReferenceKeepsTheBoxOpenAndSaysSo) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  QString problem;
  bool stillOpen = false;
  auto picked = pickWith(window, [&] {
    type(window, "not a range");
    window.rangeBox()->okButton()->click();
    problem = window.rangeBox()->problem();
    stillOpen = window.rangeBox() != nullptr;
    type(window, "'Nowhere'!A1");  // no such sheet
    window.rangeBox()->okButton()->click();
    stillOpen = stillOpen && window.rangeBox() != nullptr;
    window.rangeBox()->cancelButton()->click();
  });
  EXPECT_FALSE(picked.has_value());
  EXPECT_TRUE(stillOpen);
  EXPECT_FALSE(problem.isEmpty());
}

TEST(RangeBox, HiddenSheetCannotBeTyped) {
  auto book = sampleWorkbook();
  WorkbookWindow window(*book);
  bool stillOpen = false;
  pickWith(window, [&] {
    type(window, "Secret!A1");
    window.rangeBox()->okButton()->click();
    stillOpen = window.rangeBox() != nullptr;
    window.rangeBox()->cancelButton()->click();
  });
  EXPECT_TRUE(stillOpen);
}

/// A sheet of a million filled cells whose texts are made on demand.
class MillionCells final : public engine::SheetData {
 public:
  mutable int reads = 0;
  std::uint32_t usedRows() const override { return 100000; }
  std::uint32_t usedColumns() const override { return 10; }
  std::string text(std::uint32_t row, std::uint32_t column) const override {
    ++reads;
    return std::to_string(row * 10 + column);
  }
  double columnWidth(std::uint32_t) const override { return 8.43; }
  bool columnHidden(std::uint32_t) const override { return false; }
  bool rowHidden(std::uint32_t) const override { return false; }
  void forEachText(const engine::Area&, const std::function<bool(std::string_view)>&) const override {}
};

TEST(SheetGrid, MillionCellsAreFetchedOnlyAsDrawn) {
  MillionCells sheet;
  GridSelection selection;
  SheetGrid grid;
  grid.resize(800, 600);
  grid.setSheet(&sheet, &selection);
  grid.show();
  QApplication::processEvents();
  grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
  grid.repaint();
  EXPECT_GT(sheet.reads, 0);
  EXPECT_LT(sheet.reads, 5000) << "only the visible cells are read";
  EXPECT_GT(grid.model()->rowCount(), 100000);
}

TEST(SheetGrid, GrowsAsTheUserScrollsUpToTheSheetLimits) {
  testing::FakeSheet sheet;
  sheet.set(0, 0, "a");
  GridSelection selection;
  SheetGrid grid;
  grid.resize(400, 300);
  grid.setSheet(&sheet, &selection);
  const int before = grid.model()->rowCount();
  grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
  EXPECT_GT(grid.model()->rowCount(), before);
  const int columnsBefore = grid.model()->columnCount();
  grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
  EXPECT_GT(grid.model()->columnCount(), columnsBefore);
  grid.sheetModel()->ensureRows(5000000);
  grid.sheetModel()->ensureColumns(100000);
  EXPECT_EQ(grid.model()->rowCount(), 1048576);
  EXPECT_EQ(grid.model()->columnCount(), 16384);
}

// A workbook read from .xls shows the grid of that format, and its range box takes the
// references of that grid only.
TEST(WorkbookWindow, XlsWorkbookHasTheGridOfItsFormat) {
  auto book = sampleWorkbook();
  book->gridSize = model::kXlsGrid;
  for (auto& sheet : book->data) sheet.gridSize = model::kXlsGrid;
  WorkbookWindow window(*book);
  window.show();
  window.grid()->sheetModel()->ensureRows(5000000);
  window.grid()->sheetModel()->ensureColumns(100000);
  EXPECT_EQ(window.grid()->model()->rowCount(), 65536);
  EXPECT_EQ(window.grid()->model()->columnCount(), 256);
  QString column;
  bool openPastTheGrid = false;
  auto picked = pickWith(window, [&] {
    clickHeader(*window.grid(), true, 1);
    column = window.rangeBox()->field()->text();
    type(window, "$IW$1");
    window.rangeBox()->okButton()->click();
    openPastTheGrid = window.rangeBox() != nullptr;
    type(window, "$IV$65536");
    window.rangeBox()->okButton()->click();
  });
  EXPECT_EQ(column, QStringLiteral("$B:$B"));
  EXPECT_TRUE(openPastTheGrid);
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(engine::formatAddress(picked->areas, model::kXlsGrid), "$IV$65536");
}

TEST(SheetGrid, TypedFarSelectionBringsItsCellsIntoTheGrid) {
  testing::FakeSheet sheet;
  GridSelection selection;
  SheetGrid grid;
  grid.setSheet(&sheet, &selection);
  selection.setAreas({{4999, 40, 5000, 41}});
  grid.showSelection();
  EXPECT_GE(grid.model()->rowCount(), 5001);
  EXPECT_GE(grid.model()->columnCount(), 42);
  EXPECT_TRUE(grid.selectionModel()->isSelected(grid.model()->index(5000, 41)));
  // A whole column is shown as far as the grid goes, without growing it to the sheet's end.
  selection.setAreas({{0, 2, 1048575, 2}});
  grid.showSelection();
  EXPECT_LT(grid.model()->rowCount(), 100000);
  EXPECT_TRUE(grid.selectionModel()->isSelected(grid.model()->index(grid.model()->rowCount() - 1, 2)));
}

// A number format's colour tag ([Red] for negatives, say) draws the text in that colour.
TEST(SheetGrid, ColourTagsDrawTheTextInTheirColour) {
  struct Coloured final : testing::FakeSheet {
    engine::CellLook look(std::uint32_t row, std::uint32_t) const override {
      engine::CellLook look;
      look.color = row == 0 ? 0xFF0000u : look.color;
      return look;
    }
  } sheet;
  sheet.set(0, 0, "-12345");
  sheet.set(1, 0, "12345");
  GridSelection selection;
  selection.select({5, 5});  // away from the cells: no tint, no border
  SheetGrid grid;
  grid.setSheet(&sheet, &selection);
  grid.show();
  const QImage image = grid.viewport()->grab().toImage();
  const auto redPixels = [&](std::uint32_t row) {
    int red = 0;
    const QRect cell = grid.cellRect(row, 0);
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x)
        red += qRed(image.pixel(x, y)) > 150 && qGreen(image.pixel(x, y)) < 110 ? 1 : 0;
    return red;
  };
  EXPECT_GT(redPixels(0), 5);
  EXPECT_EQ(redPixels(1), 0);
}

}  // namespace
}  // namespace lomandra::window
