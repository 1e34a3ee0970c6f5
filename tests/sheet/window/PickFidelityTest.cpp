// The workbook window picks exactly what the user meant: a reference typed key by key is never
// replaced by what the typing caused, a merged cell is one area, the grid keeps the keys after a
// sheet change, and the keys that need the whole sheet wait for a sheet still being read.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTimer>

#include "sheet/window/FormulaBar.h"
#include "sheet/window/RangeBox.h"
#include "sheet/window/WorkbookWindow.h"
#include "tests/sheet/window/DrivenReading.h"
#include "tests/sheet/window/WindowTestSupport.h"

namespace lomandra::window {
namespace {

using testing::DrivenReading;

/// Sheet 0 read at once ("Staff List", C1:E2 merged); sheet 1 ("Monthly Sales", a saved view)
/// read in the background as the test drives it.
struct Book {
  testing::FakeWorkbook book;
  DrivenReading* reading = nullptr;
  Book() {
    book.addSheet("Staff List").merges.push_back({0, 2, 1, 4});
    book.addSheet("Monthly Sales");
    book.reading = [this](int index, std::function<void()> listener) -> std::unique_ptr<engine::SheetReading> {
      if (index == 0) return engine::finishedReading(book.data.at(0));
      auto made = std::make_unique<DrivenReading>(std::move(listener));
      made->sheet.view = model::SheetView{};
      reading = made.get();
      return made;
    };
  }
};

std::optional<PickedRange> pickWith(WorkbookWindow& window, std::function<void()> answer) {
  QTimer::singleShot(0, &window, std::move(answer));
  return window.pickRange(QStringLiteral("Please select range"));
}

// Key by key, the other sheet's rows (and its saved view) arriving between the keys: the field
// holds exactly what was typed, caret at its end, and OK picks what it names.
TEST(TypedReference, AnotherSheetTypedKeyByKeyKeepsEveryKey) {
  Book f;
  WorkbookWindow window(f.book);
  window.show();
  const QString typed = QStringLiteral("'Monthly Sales'!C5");
  QStringList fieldAfterEachKey, expected;
  auto picked = pickWith(window, [&] {
    QLineEdit* field = window.rangeBox()->field();
    for (qsizetype i = 0; i < typed.size(); ++i) {
      QTest::keyClicks(field, typed.mid(i, 1));
      if (f.reading) f.reading->arrive(static_cast<std::uint32_t>(3 * i), static_cast<std::uint32_t>(3 * i + 3), 10);
      fieldAfterEachKey << field->text() + QStringLiteral("|%1").arg(field->cursorPosition());
      expected << typed.left(i + 1) + QStringLiteral("|%1").arg(i + 1);
    }
    QTest::keyClick(field, Qt::Key_Return);
  });
  EXPECT_EQ(fieldAfterEachKey, expected);
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(picked->sheet, 1);
  EXPECT_EQ(engine::formatAddress(picked->areas), "$C$5");
}

// A typed cell already in view scrolls nothing (a partly typed "C", a whole column, neither);
// a missing sheet is named.
TEST(TypedReference, ScrollsOnlyWhenNeededAndNamesAMissingSheet) {
  Book f;
  WorkbookWindow window(f.book);
  window.show();
  int scrolled = -1;
  QString problem;
  pickWith(window, [&] {
    QTest::keyClicks(window.rangeBox()->field(), QStringLiteral("C5"));
    scrolled = window.grid()->verticalScrollBar()->value() + window.grid()->horizontalScrollBar()->value();
    window.rangeBox()->field()->setText(QStringLiteral("'Nope'!A1"));
    window.rangeBox()->okButton()->click();
    problem = window.rangeBox()->problem();
    window.rangeBox()->cancelButton()->click();
  });
  EXPECT_EQ(scrolled, 0);
  EXPECT_EQ(problem, "The workbook has no sheet named \"Nope\".");
}

TEST(MergedCell, CtrlClickSelectsTheMergedAreaOnce) {
  Book f;
  WorkbookWindow window(f.book);
  window.show();
  testing::clickCell(*window.grid(), 4, 0);
  testing::clickCell(*window.grid(), 1, 4, Qt::ControlModifier);  // E2, inside C1:E2
  EXPECT_EQ(window.currentAddress(), "$A$5,$C$1:$E$2");
  EXPECT_EQ(window.grid()->gridSelection()->active(), (CellPos{0, 2}));
}

// After a sheet change by keys or by a tab (even while the field had the keys) the keyboard
// stays with the grid, and the field shows the new sheet's selection.
class KeysAfterSheetChange : public ::testing::TestWithParam<int> {};

TEST_P(KeysAfterSheetChange, StayWithTheGrid) {
  testing::FakeWorkbook book;
  book.addSheet("One");
  book.addSheet("Two").set(6, 3, "z");
  WorkbookWindow window(book);
  window.show();
  QStringList fields;
  auto picked = pickWith(window, [&] {
    testing::clickCell(*window.grid(), 1, 1);
    window.activateWindow();
    if (GetParam() == 0) {
      QTest::keyClick(window.grid(), Qt::Key_PageDown, Qt::ControlModifier);
    } else {
      window.rangeBox()->focusField();
      QTest::mouseClick(window.tabBar(), Qt::LeftButton, {}, window.tabBar()->tabRect(1).center());
    }
    fields << window.rangeBox()->field()->text();
    QTest::qWait(100);  // a window activation the change asked for arrives meanwhile
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
    fields << window.rangeBox()->field()->text();
    window.rangeBox()->okButton()->click();
  });
  EXPECT_EQ(fields, (QStringList{"$A$1", "$D$7"}));
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(picked->sheet, 1);
}

INSTANTIATE_TEST_SUITE_P(CtrlPageDownAndTabClick, KeysAfterSheetChange, ::testing::Values(0, 1));

// A sheet of 9,000 rows (last cell D9000) still being read at 46 % when the key is pressed.
struct ReadingSheet {
  testing::FakeWorkbook book;
  DrivenReading* reading = nullptr;
  ReadingSheet() {
    book.addSheet("Data");
    book.reading = [this](int, std::function<void()> listener) -> std::unique_ptr<engine::SheetReading> {
      auto made = std::make_unique<DrivenReading>(std::move(listener));
      reading = made.get();
      return made;
    };
  }
};

struct WholeSheetKey {
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
  window.grid()->gridSelection()->select({5, 0});
  QString statusWhileWaiting;
  QTimer::singleShot(0, &window, [&] {
    statusWhileWaiting = window.status();
    f.reading->arrive(4000, 9000, 90);
    f.reading->sheet.set(8999, 3, "last");
    f.reading->finish();
  });
  QTest::keyClick(window.grid(), GetParam().key, GetParam().modifiers);
  EXPECT_EQ(statusWhileWaiting, "Reading rows: 46 % - the key waits for the whole sheet (Esc stops waiting)");
  EXPECT_EQ(window.currentAddress(), QString::fromUtf8(GetParam().address));
}

INSTANTIATE_TEST_SUITE_P(Keys, KeysDuringReading,
                         ::testing::Values(WholeSheetKey{Qt::Key_End, Qt::ControlModifier, "$D$9000"},
                                           WholeSheetKey{Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier, "$A$6:$D$9000"},
                                           WholeSheetKey{Qt::Key_Down, Qt::ControlModifier, "$A$9000"},
                                           WholeSheetKey{Qt::Key_A, Qt::ControlModifier, "$A$1:$A$9000"}));

// Escape stops the wait: the key does nothing, a click meanwhile reached nothing, and the keys
// that need no unread row (Shift+Space, which keeps the active cell) do not wait.
TEST(KeysDuringReading, EscapeStopsTheWait) {
  ReadingSheet f;
  WorkbookWindow window(f.book);
  window.show();
  f.reading->arrive(0, 4000, 46);
  window.grid()->gridSelection()->select({2, 1});
  QTimer::singleShot(0, &window, [&] {
    testing::clickCell(*window.grid(), 10, 2);
    QTest::keyClick(window.grid(), Qt::Key_Escape);
  });
  QTest::keyClick(window.grid(), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(window.currentAddress(), "$B$3");
  EXPECT_EQ(window.status(), "Reading rows: 46 %");
  QTest::keyClick(window.grid(), Qt::Key_Space, Qt::ShiftModifier);
  EXPECT_EQ(window.currentAddress(), "$3:$3");
  EXPECT_EQ(window.grid()->gridSelection()->active(), (CellPos{2, 1}));
}

// The line above the grid shows the active cell's text as soon as its row arrives, and after a
// click on a column letter the active cell again, not the size dragged out.
TEST(FormulaBar, ShowsTheActiveCellOnArrivalAndAfterAHeaderClick) {
  ReadingSheet f;
  WorkbookWindow window(f.book);
  window.show();
  f.reading->arrive(0, 10, 5);
  EXPECT_EQ(window.formulaBar()->contentField()->text(), "row 1");
  testing::clickHeader(*window.grid(), true, 1);
  EXPECT_EQ(window.formulaBar()->addressField()->text(), "B1");
}

}  // namespace
}  // namespace lomandra::window
