// The workbook window picks exactly what the user meant: a reference typed key by key is never
// replaced by what the typing caused, a merged cell is one area, the grid keeps the keys after a
// sheet change, and the keys that need the whole sheet wait for a sheet still being read.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTimer>
#include <functional>

#include "sheet/window/FormulaBar.h"
#include "sheet/window/RangeBox.h"
#include "sheet/window/SheetGrid.h"
#include "sheet/window/WorkbookWindow.h"
#include "tests/sheet/window/DrivenReading.h"
#include "tests/sheet/window/FakeWorkbook.h"
#include "tests/sheet/window/WindowTestSupport.h"

namespace lomandra::window {
namespace {

using testing::DrivenReading;
using testing::FakeWorkbook;

/// "Staff List" (active, read at once) and "Monthly Sales", read in the background as the test
/// says, with a saved view whose active cell is A1 and C1:E2 merged.
struct TwoSheets {
  FakeWorkbook book;
  DrivenReading* sales = nullptr;
  TwoSheets() {
    auto& staff = book.addSheet("Staff List");
    for (std::uint32_t r = 0; r < 8; ++r) staff.set(r, 0, "staff " + std::to_string(r + 1));
    staff.merges.push_back({0, 2, 1, 4});
    book.addSheet("Monthly Sales");
    book.reading = [this](int index, std::function<void()> listener)
        -> std::unique_ptr<engine::SheetReading> {
      if (index == 0) return engine::finishedReading(book.data.at(0));
      auto made = std::make_unique<DrivenReading>(std::move(listener));
      made->sheet.view = model::SheetView{};
      made->sheet.merges.push_back({0, 2, 1, 4});
      sales = made.get();
      return made;
    };
  }
};

std::optional<PickedRange> pickWith(WorkbookWindow& window, std::function<void()> answer) {
  QTimer::singleShot(0, &window, std::move(answer));
  return window.pickRange(QStringLiteral("Please select range"));
}

QString sheetName(const FakeWorkbook& book, const PickedRange& picked) {
  return QString::fromStdString(book.infos.at(static_cast<std::size_t>(picked.sheet)).name);
}

/// Waits (briefly) until `widget` has the keyboard; window activation arrives as an event.
bool hasKeyboard(QWidget* widget) {
  for (int wait = 0; wait < 50 && QApplication::focusWidget() != widget; ++wait) QTest::qWait(10);
  return QApplication::focusWidget() == widget;
}

// Key by key, with the other sheet's rows (and its saved view) arriving between the keys as a
// background reading delivers them: the field holds exactly what was typed, caret at its end.
TEST(TypedReference, AnotherSheetTypedKeyByKeyKeepsEveryKey) {
  TwoSheets f;
  WorkbookWindow window(f.book);
  window.show();
  const QString typed = QStringLiteral("'Monthly Sales'!C5");
  QStringList fieldAfterEachKey, expected;
  int caret = -1;
  auto picked = pickWith(window, [&] {
    QLineEdit* field = window.rangeBox()->field();
    std::uint32_t rows = 0;
    for (qsizetype i = 0; i < typed.size(); ++i) {
      QTest::keyClicks(field, typed.mid(i, 1));
      if (f.sales) {
        f.sales->arrive(rows, rows + 3, static_cast<int>(10 * i));
        rows += 3;
      }
      fieldAfterEachKey << field->text();
      expected << typed.left(i + 1);
    }
    caret = field->cursorPosition();
    QTest::keyClick(field, Qt::Key_Return);
  });
  EXPECT_EQ(fieldAfterEachKey, expected);
  EXPECT_EQ(caret, typed.size());
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(sheetName(f.book, *picked), "Monthly Sales");
  EXPECT_EQ(engine::formatAddress(picked->areas), "$C$5");
}

// Only the user's own gesture in the grid replaces the typed text.
TEST(TypedReference, AClickInTheGridReplacesTheTypedText) {
  TwoSheets f;
  WorkbookWindow window(f.book);
  window.show();
  QString typedField, clickedField;
  auto picked = pickWith(window, [&] {
    QLineEdit* field = window.rangeBox()->field();
    QTest::keyClicks(field, QStringLiteral("'Monthly Sales'!B2"));
    f.sales->arrive(0, 5, 50);
    typedField = field->text();
    testing::clickCell(*window.grid(), 3, 3);
    clickedField = field->text();
    window.rangeBox()->okButton()->click();
  });
  EXPECT_EQ(typedField, "'Monthly Sales'!B2");
  EXPECT_EQ(clickedField, "$D$4");
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(sheetName(f.book, *picked), "Monthly Sales");
  EXPECT_EQ(engine::formatAddress(picked->areas), "$D$4");
}

// A reference already in view is selected without scrolling; one out of view is brought in by
// its active cell, and a partly typed whole column scrolls nowhere.
TEST(TypedReference, ScrollsOnlyToACellOutOfView) {
  TwoSheets f;
  WorkbookWindow window(f.book);
  window.resize(700, 500);
  window.show();
  int verticalAfterC5 = -1, horizontalAfterC5 = -1, verticalAfterFar = 0;
  pickWith(window, [&] {
    QLineEdit* field = window.rangeBox()->field();
    field->selectAll();
    for (const QChar key : QStringLiteral("C5")) QTest::keyClicks(field, QString(key));
    verticalAfterC5 = window.grid()->verticalScrollBar()->value();
    horizontalAfterC5 = window.grid()->horizontalScrollBar()->value();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("A500:B600"));
    verticalAfterFar = window.grid()->verticalScrollBar()->value();
    window.rangeBox()->cancelButton()->click();
  });
  EXPECT_EQ(verticalAfterC5, 0);
  EXPECT_EQ(horizontalAfterC5, 0);
  const QRect active = window.grid()->cellRect(499, 0);
  EXPECT_GT(verticalAfterFar, 0);
  EXPECT_TRUE(window.grid()->viewport()->rect().contains(active.center()));
}

struct ProblemCase {
  const char* name;
  const char* typed;
  const char* problem;
};

class TypedProblems : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(TypedProblems, NameWhatIsWrong) {
  FakeWorkbook book;
  book.addSheet("Data");
  book.addSheet("Secret", false);
  WorkbookWindow window(book);
  QString problem;
  pickWith(window, [&] {
    window.rangeBox()->field()->setText(QString::fromUtf8(GetParam().typed));
    window.rangeBox()->okButton()->click();
    problem = window.rangeBox()->problem();
    window.rangeBox()->cancelButton()->click();
  });
  EXPECT_EQ(problem, QString::fromUtf8(GetParam().problem));
}

const ProblemCase kProblems[] = {
    {"MissingSheet", "'Nope'!A1", "The workbook has no sheet named \"Nope\"."},
    {"MissingSheetUnquoted", "Nope!B2:C3", "The workbook has no sheet named \"Nope\"."},
    {"HiddenSheet", "Secret!A1", "The sheet \"Secret\" is hidden: pick cells on a sheet that has a tab."},
    {"NoReference", "not a range", "Type a reference such as $A$1:$B$3, or select cells in the sheet."},
};

INSTANTIATE_TEST_SUITE_P(Table, TypedProblems, ::testing::ValuesIn(kProblems),
                         [](const auto& row) { return std::string(row.param.name); });

// A click into a merged area selects it once, with or without Ctrl.
struct MergedClick {
  const char* name;
  std::function<void(SheetGrid&)> clicks;
  const char* address;
  CellPos active;
};

class MergedClicks : public ::testing::TestWithParam<MergedClick> {};

TEST_P(MergedClicks, SelectTheMergedAreaOnce) {
  TwoSheets f;
  WorkbookWindow window(f.book);
  window.show();
  GetParam().clicks(*window.grid());
  EXPECT_EQ(window.currentAddress(), QString::fromUtf8(GetParam().address));
  EXPECT_EQ(window.grid()->gridSelection()->active(), GetParam().active);
}

const MergedClick kMergedClicks[] = {
    {"Click", [](SheetGrid& g) { testing::clickCell(g, 0, 3); }, "$C$1:$E$2", {0, 2}},
    {"CtrlClickAfterACell",
     [](SheetGrid& g) {
       testing::clickCell(g, 4, 0);
       testing::clickCell(g, 0, 3, Qt::ControlModifier);
     },
     "$A$5,$C$1:$E$2", {0, 2}},
    {"CtrlClickOnItsLowerRight",
     [](SheetGrid& g) {
       testing::clickCell(g, 4, 0);
       testing::clickCell(g, 1, 4, Qt::ControlModifier);
     },
     "$A$5,$C$1:$E$2", {0, 2}},
};

INSTANTIATE_TEST_SUITE_P(Table, MergedClicks, ::testing::ValuesIn(kMergedClicks),
                         [](const auto& row) { return std::string(row.param.name); });

// After a sheet change, by keys or by a tab, the keyboard stays with the grid: the next keys
// move on the new sheet while the field shows its selection.
struct SheetChange {
  const char* name;
  std::function<void(WorkbookWindow&)> change;
};

class KeysAfterSheetChange : public ::testing::TestWithParam<SheetChange> {};

TEST_P(KeysAfterSheetChange, StayWithTheGrid) {
  FakeWorkbook book;
  book.addSheet("One").set(0, 0, "x");
  auto& two = book.addSheet("Two");
  two.set(0, 0, "a");
  two.set(6, 3, "z");
  WorkbookWindow window(book);
  window.show();
  bool gridHasKeys = false;
  QString fieldAfterChange, fieldAfterKeys;
  int sheetAfterPageUp = -1;
  auto picked = pickWith(window, [&] {
    testing::clickCell(*window.grid(), 1, 1);
    window.activateWindow();
    ASSERT_TRUE(hasKeyboard(window.grid()));
    GetParam().change(window);
    fieldAfterChange = window.rangeBox()->field()->text();
    QTest::qWait(100);  // a window activation the change asked for arrives meanwhile
    gridHasKeys = hasKeyboard(window.grid());
    // Keys go wherever the keyboard is, as a user's do.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    fieldAfterKeys = window.rangeBox()->field()->text();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    sheetAfterPageUp = window.currentSheet();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
    window.rangeBox()->okButton()->click();
  });
  EXPECT_EQ(fieldAfterChange, "$A$1");
  EXPECT_TRUE(gridHasKeys);
  EXPECT_EQ(fieldAfterKeys, "$D$6");
  EXPECT_EQ(sheetAfterPageUp, 0);
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(picked->sheet, 1);
  EXPECT_EQ(engine::formatAddress(picked->areas), "$D$6");
}

const SheetChange kSheetChanges[] = {
    {"CtrlPageDown",
     [](WorkbookWindow& w) { QTest::keyClick(w.grid(), Qt::Key_PageDown, Qt::ControlModifier); }},
    {"TabClick",
     [](WorkbookWindow& w) {
       QTest::mouseClick(w.tabBar(), Qt::LeftButton, {}, w.tabBar()->tabRect(1).center());
     }},
    {"TabClickWhileTheFieldHadTheKeys",
     [](WorkbookWindow& w) {
       w.rangeBox()->focusField();
       QTest::mouseClick(w.tabBar(), Qt::LeftButton, {}, w.tabBar()->tabRect(1).center());
     }},
};

INSTANTIATE_TEST_SUITE_P(Table, KeysAfterSheetChange, ::testing::ValuesIn(kSheetChanges),
                         [](const auto& row) { return std::string(row.param.name); });

// A sheet of 9,000 rows (its last cell D9000) still being read when the key is pressed.
struct ReadingSheet {
  FakeWorkbook book;
  DrivenReading* reading = nullptr;
  ReadingSheet() {
    book.addSheet("Data");
    book.reading = [this](int, std::function<void()> listener) -> std::unique_ptr<engine::SheetReading> {
      auto made = std::make_unique<DrivenReading>(std::move(listener));
      reading = made.get();
      return made;
    };
  }
  void readTheRest() {
    reading->arrive(4000, 9000, 90);
    reading->sheet.set(8999, 3, "last");
    reading->finish();
  }
};

struct WholeSheetKey {
  const char* name;
  CellPos start;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  const char* address;
};

class KeysDuringReading : public ::testing::TestWithParam<WholeSheetKey> {};

TEST_P(KeysDuringReading, AnswerForTheWholeSheet) {
  ReadingSheet f;
  WorkbookWindow window(f.book);
  window.show();
  f.reading->arrive(0, 4000, 46);
  window.grid()->gridSelection()->select(GetParam().start);
  QString statusWhileWaiting;
  QTimer::singleShot(0, &window, [&] {
    statusWhileWaiting = window.status();
    f.readTheRest();
  });
  QTest::keyClick(window.grid(), GetParam().key, GetParam().modifiers);
  EXPECT_TRUE(statusWhileWaiting.startsWith("Reading rows: 46 %")) << statusWhileWaiting.toStdString();
  EXPECT_TRUE(statusWhileWaiting.contains("waits for the whole sheet")) << statusWhileWaiting.toStdString();
  EXPECT_EQ(window.currentAddress(), QString::fromUtf8(GetParam().address));
  EXPECT_EQ(window.status(), "");
}

const WholeSheetKey kWholeSheetKeys[] = {
    {"CtrlEnd", {0, 0}, Qt::Key_End, Qt::ControlModifier, "$D$9000"},
    {"CtrlShiftEnd", {0, 0}, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier, "$A$1:$D$9000"},
    {"CtrlDown", {0, 0}, Qt::Key_Down, Qt::ControlModifier, "$A$9000"},
    {"CtrlA", {5, 0}, Qt::Key_A, Qt::ControlModifier, "$A$1:$A$9000"},
};

INSTANTIATE_TEST_SUITE_P(Table, KeysDuringReading, ::testing::ValuesIn(kWholeSheetKeys),
                         [](const auto& row) { return std::string(row.param.name); });

// Escape stops the wait: the key does nothing, the input held meanwhile reached nothing, and
// the window takes keys again.
TEST(KeysDuringReading, EscapeStopsTheWaitAndTheKeyDoesNothing) {
  ReadingSheet f;
  WorkbookWindow window(f.book);
  window.show();
  f.reading->arrive(0, 4000, 46);
  window.grid()->gridSelection()->select({2, 0});
  QTimer::singleShot(0, &window, [&] {
    testing::clickCell(*window.grid(), 10, 2);  // held: no click reaches the grid meanwhile
    QTest::keyClick(window.grid(), Qt::Key_Escape);
  });
  QTest::keyClick(window.grid(), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(window.currentAddress(), "$A$3");
  EXPECT_EQ(window.status(), "Reading rows: 46 %");
  QTest::keyClick(window.grid(), Qt::Key_Down);
  EXPECT_EQ(window.currentAddress(), "$A$4");
  // Keys that do not depend on the unread rows do not wait.
  QTest::keyClick(window.grid(), Qt::Key_Space, Qt::ShiftModifier);
  EXPECT_EQ(window.currentAddress(), "$4:$4");
}

// The line above the grid: the active cell's text as soon as its row arrives, and after a click
// on a column letter or row number the active cell again, not the size dragged out.
TEST(FormulaBar, ShowsTheActiveCellOnArrivalAndAfterAHeaderClick) {
  ReadingSheet f;
  WorkbookWindow window(f.book);
  window.show();
  EXPECT_EQ(window.formulaBar()->contentField()->text(), "");
  f.reading->arrive(0, 10, 5);
  EXPECT_EQ(window.formulaBar()->contentField()->text(), "row 1");
  testing::clickHeader(*window.grid(), true, 1);
  EXPECT_EQ(window.formulaBar()->addressField()->text(), "B1");
  testing::clickHeader(*window.grid(), false, 4);
  EXPECT_EQ(window.formulaBar()->addressField()->text(), "A5");
  EXPECT_EQ(window.currentAddress(), "$5:$5");
}

}  // namespace
}  // namespace lomandra::window
