#include "sheet/window/NewWorkbookWindow.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "sheet/window/SheetGrid.h"
#include "sheet/window/WorkbookSaver.h"
#include "tests/sheet/window/FakeDialogs.h"

namespace lomandra::window {
namespace {

using testing::FakeDialogs;
using Answer = WorkbookDialogs::SaveChanges;

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(NewWorkbookWindow, WritesShowInTheGridAsTheyHappen) {
  auto dialogs = std::make_shared<FakeDialogs>();
  NewWorkbookWindow window(QStringLiteral("Book1"), dialogs);
  EXPECT_EQ(window.windowTitle(), "Book1");
  EXPECT_FALSE(window.isModified());
  QAbstractItemModel* model = window.grid()->model();
  QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
  window.write(0, 0, QStringLiteral("Result(s)"));
  window.write(1, 0, QStringLiteral("1.50"));
  window.write(2, 0, QStringLiteral("=1+1"));
  EXPECT_EQ(changed.count(), 3);
  EXPECT_EQ(model->data(model->index(0, 0)).toString(), "Result(s)");
  EXPECT_EQ(model->data(model->index(1, 0)).toString(), "1.50");
  EXPECT_EQ(model->data(model->index(2, 0)).toString(), "=1+1");
  EXPECT_TRUE(window.isModified());
}

TEST(NewWorkbookWindow, OnlyCellsStoredAsNumbersStandRight) {
  // What the grid shows must match what a save stores: texts that merely look like numbers
  // stay text and stand left.
  const struct {
    const char* written;
    bool right;
  } cases[] = {{"42", true},      {"-1.5", true},      {"-1.50", false}, {"1,250", false},
               {"$15,625.00 ", false},
               {"12%", false},    {"2021-08-31", false}, {"Name", false}, {" 7", false}};
  auto dialogs = std::make_shared<FakeDialogs>();
  NewWorkbookWindow window(QStringLiteral("Book1"), dialogs);
  QAbstractItemModel* model = window.grid()->model();
  std::uint32_t row = 0;
  for (const auto& c : cases) window.write(row++, 0, QString::fromUtf8(c.written));
  row = 0;
  for (const auto& c : cases) {
    const auto alignment = model->data(model->index(static_cast<int>(row++), 0), Qt::TextAlignmentRole)
                               .value<Qt::Alignment>();
    EXPECT_EQ((alignment & Qt::AlignRight) != 0, c.right) << c.written;
  }
}

TEST(NewWorkbookWindow, WriteFarDownGrowsTheGridToHoldIt) {
  NewWorkbookWindow window(QStringLiteral("Book1"), std::make_shared<FakeDialogs>());
  QAbstractItemModel* model = window.grid()->model();
  window.write(70000, 30, QStringLiteral("far"));
  EXPECT_GT(model->rowCount(), 70000);
  EXPECT_GT(model->columnCount(), 30);
  EXPECT_EQ(model->data(model->index(70000, 30)).toString(), "far");
}

TEST(NewWorkbookWindow, FitWidensColumnsToTheirWidestText) {
  NewWorkbookWindow window(QStringLiteral("Book1"), std::make_shared<FakeDialogs>());
  window.write(0, 0, QStringLiteral("a rather long text that needs a wide column"));
  window.write(0, 1, QStringLiteral("x"));
  const int before = window.grid()->columnWidth(0);
  window.fit();
  const int fitted = window.grid()->columnWidth(0);
  EXPECT_GT(fitted, before);
  EXPECT_GE(fitted, window.grid()->fontMetrics().horizontalAdvance(
                        QStringLiteral("a rather long text that needs a wide column")));
  EXPECT_LT(window.grid()->columnWidth(1), before) << "a narrow text narrows its column";
  EXPECT_GT(window.sheet().columnWidth(0), 30);
}

TEST(NewWorkbookWindow, SaveAsCsvWritesUtf8WithQuotedFields) {
  QTemporaryDir dir;
  auto dialogs = std::make_shared<FakeDialogs>();
  dialogs->savePath = dir.filePath("out.csv");
  NewWorkbookWindow window(QStringLiteral("Book1"), dialogs);
  window.write(0, 0, QStringLiteral("Result(s)"));
  window.write(1, 0, QStringLiteral("a,b"));
  window.write(2, 0, QStringLiteral("say \"hi\""));
  window.write(2, 2, QStringLiteral("1.50"));
  window.write(3, 1, QStringLiteral("Zoë\nnext"));
  window.write(4, 0, QStringLiteral("=1+1"));
  ASSERT_TRUE(window.save());
  EXPECT_EQ(readAll(dir.filePath("out.csv")),
            QByteArray("\xEF\xBB\xBF"
                       "Result(s),,\r\n"
                       "\"a,b\",,\r\n"
                       "\"say \"\"hi\"\"\",,1.50\r\n"
                       ",\"Zo\xC3\xAB\nnext\",\r\n"
                       "=1+1,,\r\n"));
  EXPECT_FALSE(window.isModified());
  EXPECT_EQ(window.windowTitle(), "out.csv");
  EXPECT_EQ(window.bookName(), "out.csv");
}

TEST(NewWorkbookWindow, SaveWithoutPathAsksAndCancelKeepsItUnsaved) {
  auto dialogs = std::make_shared<FakeDialogs>();
  NewWorkbookWindow window(QStringLiteral("Book3"), dialogs);
  window.write(0, 0, QStringLiteral("x"));
  EXPECT_FALSE(window.save());
  ASSERT_EQ(dialogs->asked.size(), 1);
  EXPECT_TRUE(dialogs->asked[0].startsWith("save as ")) << dialogs->asked[0].toStdString();
  EXPECT_TRUE(dialogs->asked[0].endsWith("Book3.xlsx"));
  EXPECT_TRUE(window.isModified());
}

TEST(NewWorkbookWindow, FailedSaveTellsTheUserAndStaysUnsaved) {
  auto dialogs = std::make_shared<FakeDialogs>();
  NewWorkbookWindow window(QStringLiteral("Book1"), dialogs);
  window.write(0, 0, QStringLiteral("x"));
  EXPECT_FALSE(window.saveTo(QStringLiteral("/nonexistent-folder/out.xlsx")));
  ASSERT_EQ(dialogs->failures.size(), 1);
  EXPECT_TRUE(dialogs->failures[0].contains("out.xlsx")) << dialogs->failures[0].toStdString();
  EXPECT_TRUE(window.isModified());
  EXPECT_FALSE(window.saveTo(QStringLiteral("/nonexistent-folder/out.csv")));
  EXPECT_EQ(dialogs->failures.size(), 2);
}

TEST(NewWorkbookWindow, XlsxSaveReplacesAnExistingFileAndLeavesNoTemporaryBehind) {
  QTemporaryDir dir;
  const QString path = dir.filePath("out.xlsx");
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
  }
  const auto kept = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                    QFile::ReadGroup;
  ASSERT_TRUE(QFile::setPermissions(path, kept));
  WrittenSheet sheet;
  sheet.write(0, 0, QStringLiteral("x"));
  saveXlsx(sheet, QStringLiteral("Sheet1"), path);
  EXPECT_TRUE(readAll(path).startsWith("PK"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.xlsx"});
  EXPECT_EQ(QFile::permissions(path), kept) << "the replaced file's permissions stay";
  // A new file is readable by others, not private like the temporary it was written as.
  const QString fresh = dir.filePath("fresh.xlsx");
  saveXlsx(sheet, QStringLiteral("Sheet1"), fresh);
  EXPECT_TRUE(QFile::permissions(fresh) & QFile::ReadOther);
}

// Closing: the question and what each answer does.
struct CloseCase {
  const char* name;
  bool modified;
  Answer answer;
  bool savePathGiven;
  bool asked;
  bool closes;
  bool saved;
};

class ClosingTheWindow : public ::testing::TestWithParam<CloseCase> {};

TEST_P(ClosingTheWindow, AsksToSaveUnsavedChanges) {
  const CloseCase& c = GetParam();
  QTemporaryDir dir;
  auto dialogs = std::make_shared<FakeDialogs>();
  dialogs->answer = c.answer;
  if (c.savePathGiven) dialogs->savePath = dir.filePath("saved.xlsx");
  QPointer<NewWorkbookWindow> window = new NewWorkbookWindow(QStringLiteral("Book1"), dialogs);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  if (c.modified) window->write(0, 0, QStringLiteral("x"));
  const bool closed = window->close();
  EXPECT_EQ(closed, c.closes);
  const bool asked = !dialogs->asked.isEmpty() &&
                     dialogs->asked[0] == "Do you want to save the changes you made to Book1?";
  EXPECT_EQ(asked, c.asked);
  EXPECT_EQ(QFileInfo::exists(dir.filePath("saved.xlsx")), c.saved);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window.isNull(), c.closes);
  delete window.data();
}

const CloseCase kCloses[] = {
    {"Unmodified", false, Answer::Cancel, false, false, true, false},
    {"Cancel", true, Answer::Cancel, false, true, false, false},
    {"DontSave", true, Answer::DontSave, false, true, true, false},
    {"Save", true, Answer::Save, true, true, true, true},
    {"SaveButSaveDialogCancelled", true, Answer::Save, false, true, false, false},
};

INSTANTIATE_TEST_SUITE_P(Table, ClosingTheWindow, ::testing::ValuesIn(kCloses),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace lomandra::window
