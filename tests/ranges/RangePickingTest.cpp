#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <stdexcept>

#include "ranges/RangeCommands.h"
#include "tests/fakes/FakeForm.h"

namespace lomandra::ranges {
namespace {

using fakes::FakeForm;

const QString kForgot = QStringLiteral("You forgot to select Excel file.");
const QString kMissing = QStringLiteral("Excel file does not exists.");
const QString kNoInstance = QStringLiteral(
    "Object variable not set: the workbook was not opened, so there is no spreadsheet "
    "application instance to use.");
const QString kNoRange = QStringLiteral(
    "Object variable not set: no range was picked, so there is no sheet or address to read.");
const QString kCancelled = QStringLiteral("The range box was cancelled: no range was selected.");

const QString kBoxFailed = QStringLiteral("The message box could not be shown.");

// A message box that fails while it shows `text`; every other box shows normally.
std::function<void(FakeForm&)> failingNotice(const QString& text) {
  return [text](FakeForm& form) {
    form.messages.onShow = [text](const fakes::FakeMessageBox::Shown& box) {
      if (box.text == text) throw std::runtime_error(kBoxFailed.toStdString());
    };
  };
}

QString at(int line, const QString& description) {
  return QStringLiteral("PushButton5_Click@%1: %2").arg(line).arg(description);
}

// The plain notices among the boxes shown (everything but Error Reports), checking their style.
QStringList notices(const FakeForm& form) {
  QStringList result;
  for (const auto& box : form.messages.shown) {
    if (box.title == QStringLiteral("Application Error")) continue;
    EXPECT_EQ(box.style, mb::OkOnly) << box.text.toStdString();
    EXPECT_EQ(box.title, QStringLiteral("Lomandra"));
    result << box.text;
  }
  return result;
}

QStringList entries(const EntryList& list) {
  QStringList result;
  for (int i = 1; i <= list.count(); ++i) result << list.text(i);
  return result;
}

class RangePicking : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"book.xlsx", "book.xlsx ", "notes.txt"}) {
      QFile file(dir.path() + QLatin1Char('/') + QString::fromUtf8(name));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
  }
  QString expand(QString text) const { return text.replace(QStringLiteral("{dir}"), dir.path()); }
  QStringList expand(QStringList lines) const {
    for (QString& line : lines) line = expand(line);
    return lines;
  }

  QTemporaryDir dir;
};

TEST_F(RangePicking, StepsMessagesAndFailureConsequences) {
  const QStringList pickCalls = {
      "create#1", "open#1 {path}", "show#1", "pickRange#1 Please select range",
      "sheetName#1", "address#1", "quit#1", "release#1"};
  struct Case {
    const char* name;
    QString path;
    std::function<void(FakeForm&)> script;
    QStringList reports, notices, log, ranges;
    std::vector<int> pointers;
  };
  const QString book = QStringLiteral("{dir}/book.xlsx");
  const Case cases[] = {
      {"a pick appends its reference", book,
       [&](FakeForm& form) {
         form.sheets.workbooks[expand(book)];
         form.sheets.pickedSheet = QStringLiteral("Data");
         form.sheets.pickedAddress = QStringLiteral("$A$1:$B$4");
       },
       {}, {}, pickCalls, {"'Old'!$A$1", "'Data'!$A$1:$B$4"}, {11, 0}},
      {"a sheet name with spaces and an apostrophe stays as it is", book,
       [&](FakeForm& form) {
         form.sheets.workbooks[expand(book)];
         form.sheets.pickedSheet = QStringLiteral("Bob's Q1 data");
         form.sheets.pickedAddress = QStringLiteral("$A:$A,$C$3");
       },
       {}, {}, pickCalls, {"'Old'!$A$1", "'Bob's Q1 data'!$A:$A,$C$3"}, {11, 0}},
      {"empty path", "", {}, {}, {kForgot}, {}, {"'Old'!$A$1"}, {}},
      {"a notice that cannot be shown still ends the command", "", failingNotice(kForgot),
       {at(102, kBoxFailed)}, {kForgot}, {}, {"'Old'!$A$1"}, {}},
      {"so does the missing-file notice", "{dir}/gone.xlsx", failingNotice(kMissing),
       {at(106, kBoxFailed)}, {kMissing}, {}, {"'Old'!$A$1"}, {}},
      {"spaces only", "    ", {}, {}, {kForgot}, {}, {"'Old'!$A$1"}, {}},
      {"a tab is not a space, then no such file", "\t", {}, {}, {kMissing}, {}, {"'Old'!$A$1"}, {}},
      {"missing file", "{dir}/gone.xlsx", {}, {}, {kMissing}, {}, {"'Old'!$A$1"}, {}},
      {"a folder is not a file", "{dir}", {}, {}, {kMissing}, {}, {"'Old'!$A$1"}, {}},
      {"a name the platform rejects", QStringLiteral("{dir}/a") + QChar(0) + QStringLiteral("b.xlsx"), {},
       {at(104, "Bad file name: the path contains a NUL character.")}, {kMissing}, {},
       {"'Old'!$A$1"}, {}},
      {"a trailing space is kept for the test and the open", "{dir}/book.xlsx ",
       [&](FakeForm& form) { form.sheets.workbooks[expand("{dir}/book.xlsx ")]; }, {}, {},
       pickCalls, {"'Old'!$A$1", "'Sheet1'!$A$1"}, {11, 0}},
      {"wildcards that match a file pass, and the pattern is what is opened", "{dir}/b??k.*",
       [&](FakeForm& form) { form.sheets.workbooks[expand("{dir}/b??k.*")]; }, {}, {}, pickCalls,
       {"'Old'!$A$1", "'Sheet1'!$A$1"}, {11, 0}},
      {"Cancel in the range box", book,
       [&](FakeForm& form) {
         form.sheets.workbooks[expand(book)];
         form.sheets.pickCancels = true;
       },
       {at(116, kCancelled), at(118, kNoRange)}, {},
       {"create#1", "open#1 {path}", "show#1", "pickRange#1 Please select range", "quit#1",
        "release#1"},
       {"'Old'!$A$1"}, {11, 0}},
      {"a file that is not a workbook", "{dir}/notes.txt", {},
       {at(110, "The file cannot be opened as a workbook."), at(114, kNoInstance),
        at(116, kNoInstance), at(118, kNoRange), at(120, kNoInstance)},
       {}, {"create#1", "open#1 {path}", "release#1"}, {"'Old'!$A$1"}, {11, 0}},
      {"no instance can be created", book,
       [&](FakeForm& form) {
         form.sheets.workbooks[expand(book)];
         form.sheets.failing = {"create"};
       },
       {at(110, "Scripted failure of create"), at(114, kNoInstance), at(116, kNoInstance),
        at(118, kNoRange), at(120, kNoInstance)},
       {}, {"create#1"}, {"'Old'!$A$1"}, {11, 0}},
      {"show fails and the pick still goes on", book,
       [&](FakeForm& form) {
         form.sheets.workbooks[expand(book)];
         form.sheets.failing = {"show"};
       },
       {at(114, "Scripted failure of show")}, {}, pickCalls, {"'Old'!$A$1", "'Sheet1'!$A$1"},
       {11, 0}},
      {"the address cannot be read: nothing is appended", book,
       [&](FakeForm& form) {
         form.sheets.workbooks[expand(book)];
         form.sheets.failing = {"address"};
       },
       {at(118, "Scripted failure of address")}, {}, pickCalls, {"'Old'!$A$1"}, {11, 0}},
      {"quit fails and the pointer still comes back", book,
       [&](FakeForm& form) {
         form.sheets.workbooks[expand(book)];
         form.sheets.failing = {"quit"};
       },
       {at(120, "Scripted failure of quit")}, {}, pickCalls, {"'Old'!$A$1", "'Sheet1'!$A$1"},
       {11, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeForm form;
    form.path = expand(c.path);
    form.ranges.add(QStringLiteral("'Old'!$A$1"));
    if (c.script) c.script(form);
    PushButton5_Click(form);

    QStringList log = expand(c.log);
    for (QString& line : log) line.replace(QStringLiteral("{path}"), form.path);
    EXPECT_EQ(form.reports(), c.reports);
    EXPECT_EQ(notices(form), c.notices);
    EXPECT_EQ(form.sheets.log, log);
    EXPECT_EQ(entries(form.ranges), c.ranges);
    EXPECT_EQ(form.pointerHistory, c.pointers);
    EXPECT_EQ(form.sheets.released, form.sheets.created) << "every instance is let go";
  }
}

TEST_F(RangePicking, PickingTheSameCellsTwiceGivesTwoEntries) {
  FakeForm form;
  form.path = dir.path() + QStringLiteral("/book.xlsx");
  form.sheets.workbooks[form.path];
  form.sheets.pickedAddress = QStringLiteral("$B$2:$C$3");
  PushButton5_Click(form);
  PushButton5_Click(form);
  EXPECT_EQ(entries(form.ranges), (QStringList{"'Sheet1'!$B$2:$C$3", "'Sheet1'!$B$2:$C$3"}));
  EXPECT_EQ(form.sheets.created, 2);
  EXPECT_EQ(form.sheets.quit, 2);
  EXPECT_TRUE(form.messages.shown.empty());
}

}  // namespace
}  // namespace lomandra::ranges
