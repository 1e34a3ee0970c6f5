#include "sheet/builtin/BuiltinAutomation.h"

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "sheet/Failure.h"
#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/window/NewWorkbookWindow.h"
#include "sheet/window/RangeBox.h"
#include "sheet/window/SheetGrid.h"
#include "sheet/window/WorkbookWindow.h"
#include "tests/sheet/container/TestPackage.h"
#include "tests/sheet/window/FakeDialogs.h"
#include "tests/sheet/window/WindowTestSupport.h"

namespace lomandra::builtin {
namespace {

using window::testing::FakeDialogs;

/// Writes the test workbook: "Data" with a small table, "O'Brien", a hidden "Secret" and a
/// sheet "Wide" whose active sheet it is.
class BuiltinAutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    path_ = dir_.filePath("Sample Book.xlsx");
    const QByteArray file = QFile::encodeName(path_);
    lxw_workbook* book = workbook_new(file.constData());
    lxw_worksheet* data = workbook_add_worksheet(book, "Data");
    worksheet_write_string(data, 0, 0, "Name", nullptr);
    worksheet_write_string(data, 0, 1, "Amount", nullptr);
    worksheet_write_string(data, 1, 0, "Ann", nullptr);
    worksheet_write_number(data, 1, 1, 12, nullptr);
    worksheet_write_string(data, 2, 0, "Bob", nullptr);  // B3 stays empty
    worksheet_write_number(data, 3, 2, 1.5, nullptr);
    worksheet_write_string(data, 6, 0, "A7", nullptr);
    lxw_worksheet* obrien = workbook_add_worksheet(book, "O'Brien");
    worksheet_write_string(obrien, 0, 0, "apostrophe", nullptr);
    lxw_worksheet* secret = workbook_add_worksheet(book, "Secret");
    worksheet_hide(secret);
    lxw_worksheet* wide = workbook_add_worksheet(book, "Wide");
    worksheet_write_string(wide, 1, 1, "b2", nullptr);
    worksheet_activate(wide);
    ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
    dialogs_ = std::make_shared<FakeDialogs>();
    automation_ = createBuiltinAutomation(dialogs_);
  }

  std::unique_ptr<sheet::Application> opened() {
    auto app = automation_->create();
    app->open(path_);
    return app;
  }

  static QStringList walkAll(sheet::Range& range, int limit = 1 << 22) {
    QStringList texts;
    auto walk = range.walk();
    while (walk->next() && texts.size() < limit) texts << walk->text();
    return texts;
  }

  QTemporaryDir dir_;
  QString path_;
  std::shared_ptr<FakeDialogs> dialogs_;
  std::unique_ptr<sheet::Automation> automation_;
};

template <class T>
T* findTopLevel(const char* objectName) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == QLatin1String(objectName))
      if (auto* found = qobject_cast<T*>(w)) return found;
  }
  return nullptr;
}

bool isShown(const QPointer<window::NewWorkbookWindow>& book) {
  const QWidget* widget = book.data();
  return widget != nullptr && widget->isVisible();
}

TEST_F(BuiltinAutomationTest, NameAndAttach) {
  auto app = automation_->create();
  EXPECT_EQ(app->name(), "Lomandra Workbook Engine");
  EXPECT_NE(app->name(), "Microsoft Excel");
  try {
    automation_->attach();
    FAIL() << "attach found an instance";
  } catch (const Failure& failure) {
    EXPECT_STREQ(failure.what(), "No spreadsheet application is running.");
  }
}

// Resolve and Walk: each reference's sheet, address and the texts of its cells in walk order.
struct WalkCase {
  const char* name;
  const char* reference;
  const char* sheet;
  const char* address;
  QStringList texts;
};

class WalkOrder : public BuiltinAutomationTest, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(WalkOrder, RowByRowLeftToRightAreasInTurn) {
  auto app = opened();
  auto range = app->resolve(QString::fromUtf8(GetParam().reference));
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range->sheetName(), QString::fromUtf8(GetParam().sheet));
  EXPECT_EQ(range->address(), QString::fromUtf8(GetParam().address));
  EXPECT_EQ(walkAll(*range), GetParam().texts);
}

const WalkCase kWalks[] = {
    {"Block", "'Data'!$A$1:$B$3", "Data", "$A$1:$B$3", {"Name", "Amount", "Ann", "12", "Bob", ""}},
    {"ReversedCorners", "'Data'!$B$1:$A$2", "Data", "$A$1:$B$2", {"Name", "Amount", "Ann", "12"}},
    {"OneCell", "'Data'!$C$4", "Data", "$C$4", {"1.5"}},
    {"ThreeAreas", "'Data'!$A$1,$C$4,$A$2:$A$3", "Data", "$A$1,$C$4,$A$2:$A$3", {"Name", "1.5", "Ann", "Bob"}},
    {"EmptyCells", "'Data'!$D$1:$E$1", "Data", "$D$1:$E$1", {"", ""}},
    {"UndoubledApostrophe", "'O'Brien'!$A$1:$A$2", "O'Brien", "$A$1:$A$2", {"apostrophe", ""}},
    {"DoubledApostrophe", "'O''Brien'!$A$1", "O'Brien", "$A$1", {"apostrophe"}},
    {"NoSheetIsActiveSheet", "$B$2", "Wide", "$B$2", {"b2"}},  // without a sheet: the active sheet
    {"HiddenSheet", "'Secret'!$A$1", "Secret", "$A$1", {""}},
};

INSTANTIATE_TEST_SUITE_P(Table, WalkOrder, ::testing::ValuesIn(kWalks),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(BuiltinAutomationTest, WholeColumnWalksEveryRowOfTheSheet) {
  auto app = opened();
  auto range = app->resolve(QStringLiteral("'Data'!$A:$A"));
  EXPECT_EQ(range->address(), "$A:$A");
  auto walk = range->walk();
  int count = 0, filled = 0;
  QStringList firstSeven;
  while (walk->next()) {
    const QString text = walk->text();
    if (count < 7) firstSeven << text;
    if (!text.isEmpty()) ++filled;
    ++count;
  }
  EXPECT_EQ(count, 1048576);
  EXPECT_EQ(filled, 4);
  EXPECT_EQ(firstSeven, (QStringList{"Name", "Ann", "Bob", "", "", "", "A7"}));
}

TEST_F(BuiltinAutomationTest, WholeRowWalksEveryColumn) {
  auto app = opened();
  auto range = app->resolve(QStringLiteral("'Data'!$2:$2"));
  EXPECT_EQ(range->address(), "$2:$2");
  const QStringList texts = walkAll(*range);
  ASSERT_EQ(texts.size(), 16384);
  EXPECT_EQ(texts.mid(0, 3), (QStringList{"Ann", "12", ""}));
}

TEST_F(BuiltinAutomationTest, WalkRefusesMoreThanSixteenWholeColumns) {
  // A whole sheet ("$1:$1048576", what selecting everything gives) would be seventeen billion
  // cells: the walk fails at once instead of running for days.
  auto app = opened();
  for (const char* reference : {"'Data'!$1:$1048576", "'Data'!$A:$Q", "'Data'!$A:$P,$B$1"}) {
    auto range = app->resolve(QString::fromUtf8(reference));
    EXPECT_THROW(range->walk(), Failure) << reference;
  }
  EXPECT_NO_THROW(app->resolve(QStringLiteral("'Data'!$A:$P"))->walk());
  // The counts are written as a user reads them.
  try {
    app->resolve(QStringLiteral("'Data'!$1:$1048576"))->walk();
  } catch (const Failure& failure) {
    EXPECT_NE(std::string(failure.what()).find("17,179,869,184 cells, more than the 16,777,216"), std::string::npos);
  }
}

TEST_F(BuiltinAutomationTest, TextBeforeNextOrAfterTheEndFails) {
  auto app = opened();
  auto walk = app->resolve(QStringLiteral("'Data'!$A$1"))->walk();
  EXPECT_THROW(walk->text(), Failure);
  ASSERT_TRUE(walk->next());
  EXPECT_EQ(walk->text(), "Name");
  EXPECT_FALSE(walk->next());
  EXPECT_FALSE(walk->next());
  EXPECT_THROW(walk->text(), Failure);
}

TEST_F(BuiltinAutomationTest, OpenResolveAndWalkCreateNoWidget) {
  const auto before = QApplication::allWidgets().size();
  auto app = opened();
  walkAll(*app->resolve(QStringLiteral("'Data'!$A$1:$C$4")));
  app->quit();
  EXPECT_EQ(QApplication::allWidgets().size(), before);
}

TEST_F(BuiltinAutomationTest, BadInputFailsWithAFailure) {
  auto app = automation_->create();
  EXPECT_THROW(app->resolve(QStringLiteral("'Data'!$A$1")), Failure);  // nothing open
  EXPECT_THROW(app->open(dir_.filePath("missing.xlsx")), Failure);
  QFile text(dir_.filePath("not a workbook.xlsx"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("\x01\x02 this is no workbook");
  text.close();
  EXPECT_THROW(app->open(text.fileName()), Failure);
  app->open(path_);
  EXPECT_THROW(app->resolve(QStringLiteral("'Nowhere'!$A$1")), Failure);
  EXPECT_THROW(app->resolve(QStringLiteral("'Data'!$A$0")), Failure);
  EXPECT_THROW(app->resolve(QStringLiteral("not a reference")), Failure);
}

// Hostile files through the commands' own path: "Add Range Of Cells To Merge" opens and shows
// the workbook, "Start Merging" opens, resolves and walks. Each ends at once with the reader's
// description (which the Error Report shows, and lomandra-merge prints), or with the texts.
TEST_F(BuiltinAutomationTest, HostileFilesFailWithTheReadersDescription) {
  const std::string cell(1000, 'x');
  const std::string bomb =
      "<office:document-content xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
      "xmlns:table='urn:oasis:names:tc:opendocument:xmlns:table:1.0' "
      "xmlns:text='urn:oasis:names:tc:opendocument:xmlns:text:1.0'><office:body><office:spreadsheet>"
      "<table:table table:name='Sheet1'><table:table-row table:number-rows-repeated='1048576'>"
      "<table:table-cell table:number-columns-repeated='16384' office:value-type='string'><text:p>" +
      cell + "</text:p></table:table-cell></table:table-row></table:table></office:spreadsheet>"
             "</office:body></office:document-content>";
  struct Row {
    const char* name;
    std::vector<testing::ZipPart> zip;  // empty for a flat file
    std::string flat;
    const char* onOpen;   // the description opening gives, or nullptr when it opens
    const char* onWalk;   // the description walking A1:Z100 gives, or nullptr for the texts
    const char* inWindow; // what the workbook window says of the sheet, or nullptr
  };
  const std::vector<Row> rows = {
      {"a flat document declaring a document type", {},
       "<?xml version='1.0'?><!DOCTYPE office:document [<!ENTITY a 'aaaa'>]><office:document/>",
       "declares a document type", nullptr, nullptr},
      {"a cell given twice",
       testing::xlsxParts({testing::worksheet("<row r='1'><c r='A1'><v>1</v></c><c r='A1'><v>2</v></c></row>")}),
       "", nullptr, "gives cell A1 twice", nullptr},  // the window shows the value given last
      {"a row repeated over the sheet, a long text over every column",
       {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false}, {"content.xml", bomb, true}},
       "", nullptr, nullptr, "repeats more cells than this program reads"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QString path = dir_.filePath(row.zip.empty() ? "hostile.fods" : "hostile.bin");
    if (row.zip.empty())
      testing::writeFile(QFile::encodeName(path).toStdString(), row.flat);
    else
      testing::writeZip(QFile::encodeName(path).toStdString(), row.zip);
    auto app = automation_->create();
    if (row.onOpen) {
      try {
        app->open(path);
        ADD_FAILURE() << "opened";
      } catch (const Failure& failure) {
        EXPECT_NE(std::string(failure.what()).find(row.onOpen), std::string::npos) << failure.what();
      }
      continue;
    }
    app->open(path);
    auto range = app->resolve(QStringLiteral("'Sheet1'!$A$1:$Z$100"));
    if (row.onWalk) {
      try {
        walkAll(*range);
        ADD_FAILURE() << "walked";
      } catch (const Failure& failure) {
        EXPECT_NE(std::string(failure.what()).find(row.onWalk), std::string::npos) << failure.what();
      }
    } else {
      const QStringList texts = walkAll(*range);
      EXPECT_EQ(texts.size(), 2600);
      EXPECT_EQ(texts.back(), QString::fromStdString(cell));
    }
    // The window shows the whole sheet: a sheet it cannot read says why, in the window.
    app->show();
    auto* window = findTopLevel<window::WorkbookWindow>("workbookWindow");
    ASSERT_NE(window, nullptr);
    if (row.inWindow) {
      // The window reads the sheet in the background: its failure arrives when reading ends.
      QElapsedTimer waited;
      waited.start();
      while (window->problem().isEmpty() && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      EXPECT_TRUE(window->problem().contains(QLatin1String(row.inWindow))) << window->problem().toStdString();
    }
    app->quit();
  }
}

TEST_F(BuiltinAutomationTest, RangeOutlivesQuitAndTheInstanceRefusesLaterCalls) {
  auto app = opened();
  auto range = app->resolve(QStringLiteral("'Data'!$A$2"));
  app->quit();
  EXPECT_EQ(walkAll(*range), QStringList{"Ann"});
  EXPECT_THROW(app->resolve(QStringLiteral("'Data'!$A$2")), Failure);
  EXPECT_THROW(app->open(path_), Failure);
}

TEST_F(BuiltinAutomationTest, WalkGoesOnWhenTheWindowReadsTheSheetFurther) {
  auto app = opened();
  auto walk = app->resolve(QStringLiteral("'Data'!$A$1:$A$3"))->walk();
  ASSERT_TRUE(walk->next());
  EXPECT_EQ(walk->text(), "Name");
  app->show();  // the window reads the whole of a sheet it shows
  auto* window = findTopLevel<window::WorkbookWindow>("workbookWindow");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->showSheet(0));
  QStringList rest;
  while (walk->next()) rest << walk->text();
  EXPECT_EQ(rest, (QStringList{"Ann", "Bob"}));
}

TEST_F(BuiltinAutomationTest, ShowPickRangeAndQuit) {
  auto app = opened();
  app->show();
  auto* window = findTopLevel<window::WorkbookWindow>("workbookWindow");
  ASSERT_NE(window, nullptr);
  QPointer<window::WorkbookWindow> alive(window);
  EXPECT_FALSE(window->isHidden());
  EXPECT_EQ(window->windowTitle(), "Sample Book.xlsx");
  QTimer::singleShot(0, window, [window] {
    QTest::mouseClick(window->tabBar(), Qt::LeftButton, {}, window->tabBar()->tabRect(1).center());
    window::testing::dragCells(*window->grid(), {0, 0}, {3, 1});
    window::testing::clickCell(*window->grid(), 5, 2, Qt::ControlModifier);
    window->rangeBox()->okButton()->click();
  });
  auto range = app->pickRange(QStringLiteral("Please select range"));
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range->sheetName(), "O'Brien");
  EXPECT_EQ(range->address(), "$A$1:$B$4,$C$6");
  EXPECT_EQ(walkAll(*range).first(), "apostrophe");
  app->quit();
  EXPECT_TRUE(alive.isNull()) << "Quit closes the workbook window";
}

TEST_F(BuiltinAutomationTest, PickRangeCancelledGivesNoRange) {
  auto app = opened();
  app->show();
  auto* window = findTopLevel<window::WorkbookWindow>("workbookWindow");
  ASSERT_NE(window, nullptr);
  QTimer::singleShot(0, window, [window] { window->rangeBox()->cancelButton()->click(); });
  EXPECT_EQ(app->pickRange(QStringLiteral("Please select range")), nullptr);
}

TEST_F(BuiltinAutomationTest, ReleasingWithoutQuitClosesTheWorkbookWindow) {
  QPointer<window::WorkbookWindow> alive;
  {
    auto app = opened();
    app->show();
    alive = findTopLevel<window::WorkbookWindow>("workbookWindow");
    ASSERT_FALSE(alive.isNull());
  }
  EXPECT_TRUE(alive.isNull());
}

TEST_F(BuiltinAutomationTest, AddShowWriteFitLeaveTheWorkbookOpenAfterRelease) {
  QPointer<window::NewWorkbookWindow> book;
  QString firstName;
  {
    auto app = automation_->create();
    app->add();
    book = findTopLevel<window::NewWorkbookWindow>("newWorkbookWindow");
    ASSERT_FALSE(book.isNull());
    firstName = book->windowTitle();
    EXPECT_TRUE(firstName.startsWith("Book")) << firstName.toStdString();
    EXPECT_FALSE(isShown(book)) << "not shown before Show";
    app->show();
    EXPECT_TRUE(isShown(book));
    app->write(1, 1, QStringLiteral("Result(s)"));
    app->write(2, 1, QStringLiteral("=1+1"));
    app->write(3, 1, QStringLiteral("00123"));
    app->write(4, 2, QStringLiteral("x"));
    app->fit();
    EXPECT_THROW(app->write(0, 1, QStringLiteral("x")), Failure);
    EXPECT_THROW(app->write(1, 16385, QStringLiteral("x")), Failure);
    // Past the last row: a failure that says how far the sheet reaches, so an export can stop.
    EXPECT_THROW(app->write(1048577, 1, QStringLiteral("x")), OutsideSheet);
  }
  window::NewWorkbookWindow* kept = book.data();
  ASSERT_NE(kept, nullptr) << "the added workbook stays open, in the user's hands";
  EXPECT_TRUE(isShown(book));
  EXPECT_TRUE(kept->isModified());
  const window::WrittenSheet& cells = kept->sheet();
  EXPECT_EQ(cells.text(0, 0), "Result(s)");
  EXPECT_EQ(cells.text(1, 0), "=1+1");
  ASSERT_NE(cells.cell(1, 0), nullptr);
  EXPECT_FALSE(cells.cell(1, 0)->isNumber);
  EXPECT_EQ(cells.text(2, 0), "00123") << "a text General would show otherwise stays text";
  EXPECT_FALSE(cells.cell(2, 0)->isNumber);
  EXPECT_EQ(cells.text(3, 1), "x");
  EXPECT_TRUE(cells.hasWidth(0));

  // The next added workbook takes the next number.
  auto app = automation_->create();
  app->add();
  QPointer<window::NewWorkbookWindow> second;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* b = qobject_cast<window::NewWorkbookWindow*>(w); b && b != kept) second = b;
  ASSERT_FALSE(second.isNull());
  EXPECT_EQ(second->windowTitle(), QStringLiteral("Book%1").arg(firstName.mid(4).toInt() + 1));

  // Closing unsaved asks; Don't Save closes it, and writing then fails.
  dialogs_->answer = window::WorkbookDialogs::SaveChanges::DontSave;
  EXPECT_TRUE(kept->close());
  EXPECT_EQ(dialogs_->asked.value(0),
            QStringLiteral("Do you want to save the changes you made to %1?").arg(firstName));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(book.isNull());
  app->show();
  second->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(second.isNull()) << "nothing written: no question, gone";
  EXPECT_THROW(app->write(1, 1, QStringLiteral("late")), Failure);
}

TEST_F(BuiltinAutomationTest, WriteWithoutAnAddedWorkbookFails) {
  auto app = opened();
  EXPECT_THROW(app->write(1, 1, QStringLiteral("x")), Failure);
  EXPECT_THROW(app->fit(), Failure);
}

TEST_F(BuiltinAutomationTest, SavedXlsxReadsBackThroughTheEngine) {
  auto app = automation_->create();
  app->add();
  app->show();
  const QStringList written = {"Result(s)", "12", "1.50", "=1+1", " 12", "1,234", "00123",
                               "Zoë 東京", "12%", "a much longer text for the fit"};
  for (int i = 0; i < written.size(); ++i) app->write(i + 1, 1, written[i]);
  app->write(2, 3, QStringLiteral("c3"));
  app->fit();
  auto* book = findTopLevel<window::NewWorkbookWindow>("newWorkbookWindow");
  ASSERT_NE(book, nullptr);
  const QString saved = dir_.filePath("saved.xlsx");
  ASSERT_TRUE(book->saveTo(saved));
  EXPECT_FALSE(book->isModified());

  auto workbook = engine::BuiltinWorkbook::open(QFile::encodeName(saved).toStdString());
  ASSERT_EQ(workbook->sheets().size(), 1u);
  EXPECT_EQ(workbook->sheets()[0].name, "Sheet1");
  const engine::SheetData& sheet = workbook->sheet(0);
  // Every cell reads back exactly as written: the numbers because General shows them so.
  const QStringList expected = written;
  for (int i = 0; i < expected.size(); ++i)
    EXPECT_EQ(QString::fromStdString(sheet.text(static_cast<std::uint32_t>(i), 0)), expected[i]) << i;
  EXPECT_EQ(sheet.text(1, 2), "c3");
  EXPECT_EQ(sheet.text(1, 1), "");
  // The file stores the width with the cell padding a spreadsheet application adds (under a
  // character), so the width read back is a little more than the one fitted.
  EXPECT_NEAR(sheet.columnWidth(0), book->sheet().columnWidth(0), 1.0);
  EXPECT_GT(sheet.columnWidth(0), 20);
  book->close();
}

}  // namespace
}  // namespace lomandra::builtin
