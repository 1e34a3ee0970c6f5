#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "merge/MergeCommands.h"
#include "ranges/RangeCommands.h"
#include "sheet/Failure.h"
#include "tests/fakes/FakeForm.h"

namespace lomandra::merge {
namespace {

using fakes::FakeForm;

const QString kBook = QStringLiteral("/data/book.xlsx");
const QString kBlock = QStringLiteral("'Sheet1'!$A$1:$C$2");  // 2 rows, 3 columns
const QString kColumn = QStringLiteral("'Sheet 2'!$A$1:$A$3");
const QStringList kBlockTexts = {"a1", "b1", "c1", "a2", "b2", "c2"};
const QStringList kColumnTexts = {"x", "", "x"};  // an empty cell and a repeat

const QString kNoInstance = QStringLiteral(
    "Object variable not set: the workbook was not opened, so there is no spreadsheet "
    "application instance to use.");
const QString kNoRange = QStringLiteral(
    "Object variable not set: the range was not resolved, so there are no cells to walk.");
const QString kNoCell = QStringLiteral(
    "Object variable not set: the walk over the range never started, so there is no cell to read.");
const QString kNotWorkbook = QStringLiteral("The file cannot be opened as a workbook.");
const QString kNoSuchRange = QStringLiteral("The reference does not name a range of this workbook.");
const QString kWarning = QStringLiteral(
    "Excel may be open. It is recommended that you close Excel first.\r"
    "Use Ctrl+Alt+Del > Task Manager > EXCEL.EXE if necessary.\r\n\r\n"
    "Would you like to proceed anyway?");

const QString kBoxFailed = QStringLiteral("The message box could not be shown.");

// A message box that fails while it shows `text`; every other box shows normally.
std::function<void(FakeForm&)> failingNotice(const QString& text) {
  return [text](FakeForm& form) {
    form.messages.onShow = [text](const fakes::FakeMessageBox::Shown& box) {
      if (box.text == text) throw Failure(kBoxFailed.toStdString());
    };
  };
}

QString at(int line, const QString& description) {
  return QStringLiteral("PushButton2_Click@%1: %2").arg(line).arg(description);
}

// The calls of one Range Reference that opens, resolves, walks every cell and quits.
QStringList referenceCalls(int instance, const QString& path, const QString& reference,
                           const QStringList& texts) {
  const QString n = QString::number(instance);
  QStringList calls = {"create#" + n, "open#" + n + " " + path, "resolve#" + n + " " + reference,
                       "walk#" + n};
  for (const QString& text : texts) calls << "next#" + n << "text#" + n + " " + text;
  calls << "next#" + n << "quit#" + n << "release#" + n;
  return calls;
}
const QStringList kNotRunning = {"attach#0"};

QStringList entries(const EntryList& list) {
  QStringList result;
  for (int i = 1; i <= list.count(); ++i) result << list.text(i);
  return result;
}

QStringList notices(const FakeForm& form) {
  QStringList result;
  for (const auto& box : form.messages.shown)
    if (box.title != QStringLiteral("Application Error")) result << box.text;
  return result;
}

void prepare(FakeForm& form, const QStringList& ranges) {
  form.path = kBook;
  form.sheets.workbooks[kBook] = {{kBlock, kBlockTexts}, {kColumn, kColumnTexts}};
  form.results.add(QStringLiteral("old"));
  for (const QString& reference : ranges) form.ranges.add(reference);
}

struct MergeCase {
  const char* name;
  QStringList ranges;
  std::function<void(FakeForm&)> script;
  QStringList results, reports, notices;
  std::optional<QStringList> log;  // checked when given
  std::vector<int> pointers;
  int created, quit;
};

TEST(MergeRun, StepsAndFailureConsequences) {
  const QStringList done = {"Done."};
  const std::vector<int> busyTwice = {11, 11, 11, 0};
  const std::vector<int> busyThrice = {11, 11, 11, 11, 0};
  const QStringList noOpen = {at(114, kNotWorkbook), at(116, kNoInstance), at(118, kNoRange),
                              at(120, kNoCell), at(124, kNoInstance)};
  const MergeCase cases[] = {
      {"an empty Range List", {}, {}, {"old"}, {}, {"No files added."}, QStringList{}, {}, 0, 0},
      {"\"No files added.\" that cannot be shown still ends the run", {},
       failingNotice("No files added."), {"old"}, {at(142, kBoxFailed)}, {"No files added."},
       QStringList{}, {}, 0, 0},
      {"\"Done.\" that cannot be shown still gives the pointer back", {kColumn},
       failingNotice("Done."), kColumnTexts, {at(138, kBoxFailed)}, done,
       kNotRunning + referenceCalls(1, kBook, kColumn, kColumnTexts), {11, 11, 0}, 1, 1},
      {"two references on two sheets, in order, one instance each", {kBlock, kColumn}, {},
       kBlockTexts + kColumnTexts, {}, done,
       kNotRunning + referenceCalls(1, kBook, kBlock, kBlockTexts) +
           referenceCalls(2, kBook, kColumn, kColumnTexts),
       busyTwice, 2, 2},
      {"the same reference twice reads it twice", {kColumn, kColumn}, {},
       kColumnTexts + kColumnTexts, {}, done, std::nullopt, busyTwice, 2, 2},
      {"a sheet that no longer exists", {kBlock, "'Gone'!$A$1", kColumn}, {},
       kBlockTexts + kColumnTexts, {at(116, kNoSuchRange), at(118, kNoRange), at(120, kNoCell)},
       done,
       kNotRunning + referenceCalls(1, kBook, kBlock, kBlockTexts) +
           QStringList{"create#2", "open#2 " + kBook, "resolve#2 'Gone'!$A$1", "quit#2",
                       "release#2"} +
           referenceCalls(3, kBook, kColumn, kColumnTexts),
       busyThrice, 3, 3},
      {"a path that names no workbook", {kBlock, kColumn},
       [](FakeForm& form) { form.path = QStringLiteral("/data/notes.txt"); }, {}, noOpen + noOpen,
       done,
       kNotRunning + QStringList{"create#1", "open#1 /data/notes.txt", "release#1", "create#2",
                                 "open#2 /data/notes.txt", "release#2"},
       busyTwice, 2, 0},
      {"an empty path box", {kBlock}, [](FakeForm& form) { form.path = QString(); }, {}, noOpen,
       done, std::nullopt, {11, 11, 0}, 1, 0},
      {"no instance can be created",
       {kBlock},
       [](FakeForm& form) { form.sheets.failing = {"create"}; },
       {},
       {at(114, "Scripted failure of create"), at(116, kNoInstance), at(118, kNoRange),
        at(120, kNoCell), at(124, kNoInstance)},
       done, kNotRunning + QStringList{"create#1"}, {11, 11, 0}, 0, 0},
      {"a failed open never falls back on the earlier instance",
       {kBlock, kColumn, kBlock},
       [](FakeForm& form) {
         form.sheets.beforeCall = [](const QString& call) {
           if (call.startsWith(QStringLiteral("open#2"))) throw Failure("The file is locked.");
         };
       },
       kBlockTexts + kBlockTexts,
       {at(114, "The file is locked."), at(116, kNoInstance), at(118, kNoRange), at(120, kNoCell),
        at(124, kNoInstance)},
       done,
       kNotRunning + referenceCalls(1, kBook, kBlock, kBlockTexts) +
           QStringList{"create#2", "open#2 " + kBook, "release#2"} +
           referenceCalls(3, kBook, kBlock, kBlockTexts),
       busyThrice, 3, 2},
      {"a cell that cannot be read gives no entry and the walk goes on",
       {kBlock},
       [](FakeForm& form) { form.sheets.failingTexts = {"b1", "c2"}; },
       {"a1", "c1", "a2", "b2"},
       {at(120, "Cell text cannot be read."), at(120, "Cell text cannot be read.")}, done,
       std::nullopt, {11, 11, 0}, 1, 1},
      {"a walk that cannot go on ends there",
       {kBlock, kColumn},
       [](FakeForm& form) {
         auto nexts = std::make_shared<int>(0);
         form.sheets.beforeCall = [nexts](const QString& call) {
           if (call == QStringLiteral("next#1") && ++*nexts == 3) throw Failure("The walk broke.");
         };
       },
       QStringList{"a1", "b1"} + kColumnTexts, {at(122, "The walk broke.")}, done,
       kNotRunning + QStringList{"create#1", "open#1 " + kBook, "resolve#1 " + kBlock, "walk#1",
                                 "next#1", "text#1 a1", "next#1", "text#1 b1", "next#1",
                                 "quit#1", "release#1"} +
           referenceCalls(2, kBook, kColumn, kColumnTexts),
       busyTwice, 2, 2},
      {"a walk that cannot start", {kBlock, kColumn},
       [](FakeForm& form) { form.sheets.failing = {"walk"}; }, {},
       {at(118, "Scripted failure of walk"), at(120, kNoCell), at(118, "Scripted failure of walk"),
        at(120, kNoCell)},
       done, std::nullopt, busyTwice, 2, 2},
      {"a walk whose first cell cannot be reached", {kColumn},
       [](FakeForm& form) { form.sheets.failing = {"next"}; }, {},
       {at(118, "Scripted failure of next"), at(120, kNoCell)}, done, std::nullopt, {11, 11, 0}, 1, 1},
      {"a quit that fails is reported and the run goes on", {kBlock, kColumn},
       [](FakeForm& form) { form.sheets.failing = {"quit"}; }, kBlockTexts + kColumnTexts,
       {at(124, "Scripted failure of quit"), at(124, "Scripted failure of quit")}, done,
       std::nullopt, busyTwice, 2, 0},
      {"the spreadsheet application is running and Yes goes on", {kColumn},
       [](FakeForm& form) { form.sheets.running = true; }, kColumnTexts, {}, {kWarning, "Done."},
       QStringList{"attach#0", "name#0", "release#0"} +
           referenceCalls(1, kBook, kColumn, kColumnTexts),
       {11, 11, 0}, 1, 1},
      {"the spreadsheet application is running and No stops before anything", {kColumn},
       [](FakeForm& form) {
         form.sheets.running = true;
         form.messages.answers = {mb::No};
       },
       {"old"}, {}, {kWarning}, QStringList{"attach#0", "name#0", "release#0"}, {11, 0}, 0, 0},
      {"another application's name raises no question", {kColumn},
       [](FakeForm& form) {
         form.sheets.running = true;
         form.sheets.runningName = QStringLiteral("Lomandra");
       },
       kColumnTexts, {}, done, std::nullopt, {11, 11, 0}, 1, 1},
      {"a warning that fails is reported and the run goes on", {kColumn},
       [](FakeForm& form) {
         form.sheets.running = true;
         form.messages.onShow = [](const fakes::FakeMessageBox::Shown& box) {
           if (box.style == mb::YesNo) throw Failure("The question cannot be shown.");
         };
       },
       kColumnTexts, {at(104, "The question cannot be shown.")}, {kWarning, "Done."},
       std::nullopt, {11, 11, 0}, 1, 1},
      {"duplicates removed: exact texts, across references", {kColumn, kBlock, kColumn},
       [](FakeForm& form) { form.option = QStringLiteral("Remove duplicates from results"); },
       QStringList{"x", ""} + kBlockTexts, {}, done, std::nullopt, busyThrice, 3, 3},
      {"duplicates allowed", {kColumn, kColumn},
       [](FakeForm& form) { form.option = QStringLiteral("Allow duplicates in results"); },
       kColumnTexts + kColumnTexts, {}, done, std::nullopt, busyTwice, 2, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeForm form;
    prepare(form, c.ranges);
    if (c.script) c.script(form);
    PushButton2_Click(form);

    EXPECT_EQ(entries(form.results), c.results);
    EXPECT_EQ(form.reports(), c.reports);
    EXPECT_EQ(notices(form), c.notices);
    if (c.log) {
      EXPECT_EQ(form.sheets.log, *c.log);
    }
    EXPECT_EQ(form.pointerHistory, c.pointers);
    EXPECT_EQ(form.sheets.created, c.created);
    EXPECT_EQ(form.sheets.quit, c.quit);
    EXPECT_EQ(form.sheets.released, form.sheets.created + (form.sheets.running ? 1 : 0))
        << "every instance is let go before the run ends";
    for (int entry = 1; entry <= form.results.count(); ++entry)
      EXPECT_TRUE(form.results.checked(entry)) << "the run appends entries checked";
  }
}

TEST(MergeRun, NoticesUseThePlainBox) {
  FakeForm form;
  PushButton2_Click(form);  // "No files added."
  prepare(form, {kColumn});
  PushButton2_Click(form);  // "Done."
  ASSERT_EQ(form.messages.shown.size(), 2u);
  for (const auto& box : form.messages.shown) {
    EXPECT_EQ(box.style, mb::OkOnly);
    EXPECT_EQ(box.title, QStringLiteral("Lomandra"));
  }
}

TEST(MergeRun, ThePointerStaysBusyWhileDoneIsOpen) {
  FakeForm form;
  prepare(form, {kColumn});
  int pointerDuringDone = -1;
  form.messages.onShow = [&](const auto& box) {
    if (box.text == QStringLiteral("Done.")) pointerDuringDone = form.pointerKind;
  };
  PushButton2_Click(form);
  EXPECT_EQ(pointerDuringDone, pointer::Hourglass);
  EXPECT_EQ(form.pointerKind, pointer::Default);
}

TEST(MergeRun, ASecondRunReplacesTheFirst) {
  FakeForm form;
  prepare(form, {kBlock, kColumn});
  PushButton2_Click(form);
  form.sheets.workbooks[kBook][kColumn] = {"changed"};
  PushButton2_Click(form);
  EXPECT_EQ(entries(form.results), kBlockTexts + QStringList{"changed"});
  EXPECT_EQ(form.sheets.created, 4);
  EXPECT_EQ(form.sheets.quit, 4);
  EXPECT_EQ(notices(form), (QStringList{"Done.", "Done."}));
}

TEST(MergeRun, DuplicatesAreJudgedWithinOneRunOnly) {
  FakeForm form;
  prepare(form, {kColumn});
  form.option = QStringLiteral("Remove duplicates from results");
  PushButton2_Click(form);
  PushButton2_Click(form);
  EXPECT_EQ(entries(form.results), (QStringList{"x", ""}));
}

TEST(MergeRun, ReferencesPickedInOneWorkbookAreReadFromTheOneThePathBoxNowNames) {
  QTemporaryDir dir;
  const QString first = dir.path() + QStringLiteral("/first.xlsx");
  QFile file(first);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const QString second = QStringLiteral("/data/second.xlsx");

  FakeForm form;
  form.path = first;
  form.sheets.workbooks[first] = {{"'Data'!$B$2:$B$3", {"first 1", "first 2"}}};
  form.sheets.workbooks[second] = {{"'Data'!$B$2:$B$3", {"second 1", "second 2"}}};
  form.sheets.pickedSheet = QStringLiteral("Data");
  form.sheets.pickedAddress = QStringLiteral("$B$2:$B$3");
  ranges::PushButton5_Click(form);
  ASSERT_EQ(entries(form.ranges), (QStringList{"'Data'!$B$2:$B$3"}));

  form.path = second;
  form.sheets.log.clear();
  PushButton2_Click(form);
  EXPECT_EQ(entries(form.results), (QStringList{"second 1", "second 2"}));
  EXPECT_TRUE(form.sheets.log.contains("open#2 " + second));
  EXPECT_TRUE(form.reports().isEmpty());
}

TEST(ResultsClearList, EmptiesTheResultListWithoutAWord) {
  FakeForm form;
  for (const char* text : {"a", "b"}) form.results.add(QString::fromUtf8(text));
  PushButton3_Click(form);
  EXPECT_EQ(form.results.count(), 0);
  PushButton3_Click(form);
  EXPECT_EQ(form.results.count(), 0);
  EXPECT_TRUE(form.messages.shown.empty());
  EXPECT_TRUE(form.pointerHistory.empty());
}

}  // namespace
}  // namespace lomandra::merge
