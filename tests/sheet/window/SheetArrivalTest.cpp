// A sheet read in the background: its rows reach the grid as they arrive while the range box
// stays usable, the status line tells how far reading has come, and a failure midway is
// reported as any other sheet that cannot be read.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "sheet/window/RangeBox.h"
#include "sheet/window/SheetGrid.h"
#include "sheet/window/WorkbookWindow.h"
#include "tests/sheet/window/DrivenReading.h"
#include "tests/sheet/window/FakeWorkbook.h"
#include "tests/sheet/window/WindowTestSupport.h"

namespace lomandra::window {
namespace {

using testing::DrivenReading;
using testing::FakeSheet;
using testing::FakeWorkbook;

struct Fixture {
  FakeWorkbook book;
  DrivenReading* reading = nullptr;
  int readingsStarted = 0;
  Fixture() {
    book.addSheet("Data");
    book.addSheet("Other").set(0, 0, "other");
    book.reading = [this](int index, std::function<void()> listener)
        -> std::unique_ptr<engine::SheetReading> {
      ++readingsStarted;
      if (index != 0) return engine::finishedReading(book.data.at(1));
      auto made = std::make_unique<DrivenReading>(std::move(listener));
      reading = made.get();
      return made;
    };
  }
};

int rowsOf(WorkbookWindow& window) { return window.grid()->model()->rowCount(); }

QString shown(WorkbookWindow& window, int row) {
  return window.grid()->model()->index(row, 0).data().toString();
}

TEST(SheetArrival, RowsArriveWhileTheUserPicksAndTypes) {
  Fixture f;
  WorkbookWindow window(f.book);
  window.show();
  ASSERT_NE(f.reading, nullptr);
  QString fieldWhileReading, statusWhileReading;
  int rowsAfterArrival = 0;
  QTimer::singleShot(0, &window, [&] {
    EXPECT_EQ(window.status(), "Reading rows: 0");
    testing::clickCell(*window.grid(), 2, 1);
    f.reading->arrive(0, 5000, 42);
    statusWhileReading = window.status();
    rowsAfterArrival = rowsOf(window);
    fieldWhileReading = window.currentAddress();  // the selection survived
    EXPECT_EQ(shown(window, 4999), "row 5000");
    f.reading->arrive(5000, 9000, 77);
    QLineEdit* field = window.rangeBox()->field();
    field->selectAll();
    QTest::keyClicks(field, "A8000:A8999");
    f.reading->finish();
    window.rangeBox()->okButton()->click();
  });
  const auto picked = window.pickRange(QStringLiteral("Please select range"));
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(engine::formatAddress(picked->areas), "$A$8000:$A$8999");
  EXPECT_EQ(statusWhileReading, "Reading rows: 42 %");
  EXPECT_EQ(fieldWhileReading, "$B$3");
  EXPECT_GE(rowsAfterArrival, 5000 + static_cast<int>(SheetTableModel::kRowMargin));
  EXPECT_GE(rowsOf(window), 9000);
  EXPECT_EQ(window.status(), "") << "the status line goes once reading has ended";
  EXPECT_EQ(window.problem(), "");
  EXPECT_EQ(f.readingsStarted, 1);
}

// Counts the paint events of a widget.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// Rows that arrive below the rows in view cost no drawing, though the grid (and its scroll
// bar) grows; rows that arrive where the view shows them are drawn, also when the grid grows
// at the same time.
TEST(SheetArrival, RowsArrivingBelowTheViewDrawNothing) {
  Fixture f;
  WorkbookWindow window(f.book);
  window.resize(600, 400);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  PaintCounter counter;
  QWidget* viewport = window.grid()->viewport();
  viewport->installEventFilter(&counter);
  struct Step {
    const char* name;
    std::uint32_t from, to;
    bool drawn;
  };
  const Step steps[] = {
      {"the first rows, in view", 0, 3, true},
      {"rows filling the view", 3, 1000, true},
      // (Row numbers of as many digits: a wider row header would move the view.)
      {"rows below the view", 1000, 5000, false},
      {"more rows below the view", 5000, 9000, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const int maximum = window.grid()->verticalScrollBar()->maximum();
    counter.paints = 0;
    f.reading->state.changedFrom = step.from;
    f.reading->arrive(step.from, step.to, 50);
    QTest::qWait(50);  // the delayed layout and the drawing it asks for
    EXPECT_EQ(counter.paints > 0, step.drawn);
    EXPECT_GE(rowsOf(window), static_cast<int>(step.to));
    if (step.from >= 1000) {
      EXPECT_GT(window.grid()->verticalScrollBar()->maximum(), maximum);
    }
  }
  viewport->removeEventFilter(&counter);
}

TEST(SheetArrival, FailureMidwayIsReportedAndKeepsTheRowsRead) {
  Fixture f;
  WorkbookWindow window(f.book);
  f.reading->arrive(0, 30, 10);
  f.reading->finish("The workbook is damaged: a cell refers to shared text \"x\".");
  EXPECT_EQ(window.problem(),
            "This sheet could not be read: The workbook is damaged: a cell refers to shared text \"x\".");
  EXPECT_EQ(window.status(), "");
  EXPECT_EQ(shown(window, 29), "row 30");
}

TEST(SheetArrival, LayoutAndHiddenRowsApplyAsTheyArrive) {
  Fixture f;
  WorkbookWindow window(f.book);
  const int before = window.grid()->columnWidth(1);
  f.reading->sheet.widths[1] = 30;
  f.reading->sheet.hiddenRows[3] = true;
  f.reading->arrive(0, 10, -1);
  EXPECT_EQ(window.status(), "Reading rows: 10") << "a reader that cannot tell the share read";
  EXPECT_GT(window.grid()->columnWidth(1), before);
  EXPECT_TRUE(window.grid()->isRowHidden(3));
  // The user's own width stays when later rows arrive.
  window.grid()->setColumnWidth(1, 17);
  f.reading->arrive(10, 20, -1);
  EXPECT_EQ(window.grid()->columnWidth(1), 17);
}

TEST(SheetArrival, LeavingAnUnfinishedSheetStopsItsReadingAndReturningStartsAgain) {
  Fixture f;
  WorkbookWindow window(f.book);
  f.reading->arrive(0, 10, 5);
  ASSERT_TRUE(window.showSheet(1));
  EXPECT_EQ(window.status(), "");
  EXPECT_EQ(shown(window, 0), "other");
  ASSERT_TRUE(window.showSheet(0));
  EXPECT_EQ(f.readingsStarted, 3);
  EXPECT_EQ(window.status(), "Reading rows: 0");
  // A finished sheet is kept: leaving and returning reads nothing again.
  f.reading->finish();
  window.showSheet(1);
  window.showSheet(0);
  EXPECT_EQ(f.readingsStarted, 3);
}

}  // namespace
}  // namespace lomandra::window
