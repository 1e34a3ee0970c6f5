#include <gtest/gtest.h>

#include "output/Main.h"
#include "output/OutputCommands.h"
#include "sheet/Failure.h"
#include "tests/fakes/FakeForm.h"
#include "tests/output/ListTable.h"

namespace lomandra::output {
namespace {

using fakes::FakeClipboard;
using fakes::FakeForm;
using testing::fill;
using testing::ListTable;

const QString kCopied = QStringLiteral(
    "Results have been copied to the clipboard.\r\rClick a text area where you normally type and "
    "press Ctrl+V to paste the clipboard.");

TEST(ClipboardLayout, SingleColumnListGivesThisText) {
  struct Case {
    const char* name;
    QStringList entries;  // "-text": unchecked
    QString text;
  };
  const std::vector<Case> cases = {
      {"a, empty, b", {"a", "", "b"}, "a\r\n\r\nb\r\n"},
      {"one letter", {"x"}, "x\r\n"},
      {"trailing spaces go, leading stay", {"abc  ", "  abc"}, "abc\r\n  abc\r\n"},
      {"spaces only give an empty line", {"   ", ""}, "\r\n\r\n"},
      {"unchecked entries give no line", {"-a", "b", "-c"}, "b\r\n"},
      {"nothing checked", {"-a", "-b"}, ""},
      {"no header line even with an empty first entry", {"", "x"}, "\r\nx\r\n"},
      {"TAB, CR and LF stay; only spaces are trimmed", {"a\t ", "b\r\n c "}, "a\t\r\nb\r\n c\r\n"},
      {"empty list", {}, ""},
  };
  for (const auto& c : cases) {
    EntryList list(QStringLiteral("Result(s)"), true);
    fill(list, c.entries);
    EXPECT_EQ(buildClipboardText(list), c.text) << c.name;
  }
}

TEST(ClipboardLayout, ColumnsArePaddedToTheirWidestTextOverAllEntries) {
  struct Case {
    const char* name;
    std::vector<ListTable::Row> rows;
    QString text;
  };
  const std::vector<Case> cases = {
      {"widths 5 and 3", {{{"ab", "c"}}, {{"abcde", "xyz"}}}, "ab   \tc\r\nabcde\txyz\r\n"},
      {"an unchecked entry still counts", {{{"ab", "c"}}, {{"abcde", "xyz"}, false}}, "ab   \tc\r\n"},
      {"an empty first cell is padded", {{{"", "y"}}, {{"abc", ""}}}, "   \ty\r\nabc\t\r\n"},
      {"widths count UTF-16 code units", {{{QString::fromUtf8("😀"), "x"}}, {{"a", "y"}}},
       QString::fromUtf8("😀\tx\r\na \ty\r\n")},
      {"spaces before a TAB are kept", {{{"a ", " "}}, {{"abc", "  "}}}, "a  \t\r\nabc\t\r\n"},
  };
  for (const auto& c : cases) {
    ListTable list;
    list.headers = {"A", "B"};
    list.rows = c.rows;
    EXPECT_EQ(buildClipboardText(list), c.text) << c.name;
  }
}

TEST(ClipboardLayout, YieldsPerMeasuredCellThenPerEntryAndCheckedCell) {
  ListTable list;
  list.headers = {"A", "B"};
  list.rows = {{{"a", "b"}}, {{"c", "d"}, false}, {{"e", "f"}}};
  int yields = 0;
  buildClipboardText(list, [&] { ++yields; });
  EXPECT_EQ(yields, 2 * 3 + 3 + 2 * 2);
}

TEST(ClipboardLayout, ATextThatGrowsDuringAYieldIsNotShortened) {
  ListTable list;
  list.headers = {"A", "B"};
  list.rows = {{{"ab", "x"}}, {{"a", "y"}}};
  int yields = 0;
  const QString text = buildClipboardText(list, [&] {
    if (++yields == 4) list.rows[1].texts[0] = QStringLiteral("abcdef");  // after measuring
  });
  EXPECT_EQ(text, QStringLiteral("ab\tx\r\nabcdef\ty\r\n"));
}

/// A clipboard that throws instead of answering.
class BrokenClipboard : public ClipboardService {
 public:
  int attempts = 0;
  bool clear() override {
    ++attempts;
    throw Failure("broken");
  }
  bool setText(const QString&) override {
    ++attempts;
    throw Failure("broken");
  }
};

TEST(ClipboardRetry, AttemptsAtMostAThousandTimesAndNeverFailsOutward) {
  struct Case {
    int refusals;
    int attempts;
    bool taken;
  };
  const std::vector<Case> cases = {
      {0, 1, true}, {1, 2, true}, {999, 1000, true}, {1000, 1000, false}, {1500, 1000, false}};
  for (const auto& c : cases) {
    FakeClipboard clipboard;
    clipboard.refuseClears = c.refusals;
    clipboard.refuseSets = c.refusals;
    ClearClipboard(clipboard);
    EXPECT_EQ(clipboard.clearAttempts, c.attempts) << c.refusals;
    EXPECT_EQ(clipboard.content.isEmpty(), c.taken) << c.refusals;
    clipboard.content = QStringLiteral("before");
    EXPECT_EQ(SetClipboardText(clipboard, QStringLiteral("text")), c.taken) << c.refusals;
    EXPECT_EQ(clipboard.setAttempts, c.attempts) << c.refusals;
    EXPECT_EQ(clipboard.content, c.taken ? QStringLiteral("text") : QStringLiteral("before")) << c.refusals;
  }
  BrokenClipboard broken;
  EXPECT_NO_THROW(ClearClipboard(broken));
  EXPECT_FALSE(SetClipboardText(broken, QStringLiteral("x")));
  EXPECT_EQ(broken.attempts, 2 * kClipboardAttempts);
}

TEST(CopyListViewToClipboard, AnEmptyListLeavesTheClipboardUntouched) {
  EntryList list(QStringLiteral("Result(s)"), true);
  FakeClipboard clipboard;
  CopyListViewToClipboard(list, clipboard, {});
  EXPECT_EQ(clipboard.content, QStringLiteral("<previous content>"));
  EXPECT_EQ(clipboard.clearAttempts + clipboard.setAttempts, 0);
}

TEST(CopyListViewToClipboard, NothingCheckedLeavesAnEmptyClipboard) {
  EntryList list(QStringLiteral("Result(s)"), true);
  fill(list, {"-a"});
  FakeClipboard clipboard;
  CopyListViewToClipboard(list, clipboard, {});
  EXPECT_EQ(clipboard.content, QString());
  EXPECT_EQ(clipboard.clearAttempts, 1);
  EXPECT_EQ(clipboard.setAttempts, 1);
}

// --- the command -------------------------------------------------------------------------

TEST(CopyResultsCommand, CopiesThenShowsTheMessageUnderTheHourglass) {
  FakeForm form;
  fill(form.results, {"abc  ", "-x", "d"});
  int pointerDuringBox = -1;
  form.messages.onShow = [&](const auto&) { pointerDuringBox = form.pointerKind; };
  PushButton8_Click(form);
  EXPECT_EQ(form.clip.content, QStringLiteral("abc\r\nd\r\n"));
  ASSERT_EQ(form.messages.shown.size(), 1u);
  EXPECT_EQ(form.messages.shown[0].text, kCopied);
  EXPECT_EQ(form.messages.shown[0].style, mb::OkOnly);
  EXPECT_EQ(form.messages.shown[0].title, QStringLiteral("Lomandra"));
  EXPECT_EQ(pointerDuringBox, pointer::Hourglass);
  EXPECT_EQ(form.pointerHistory, (std::vector<int>{pointer::Hourglass, pointer::Default}));
  EXPECT_EQ(form.yields, 3 + 3 + 2);
}

TEST(CopyResultsCommand, ShowsTheMessageWhateverTheCopyDid) {
  struct Case {
    const char* name;
    QStringList entries;
    int refusals;
    QString content;
  };
  const std::vector<Case> cases = {
      {"empty list", {}, 0, "<previous content>"},
      {"clipboard refuses every attempt", {"a"}, 5000, "<previous content>"},
  };
  for (const auto& c : cases) {
    FakeForm form;
    fill(form.results, c.entries);
    form.clip.refuseClears = c.refusals;
    form.clip.refuseSets = c.refusals;
    PushButton8_Click(form);
    EXPECT_EQ(form.clip.content, c.content) << c.name;
    EXPECT_EQ(form.messages.texts(), QStringList{kCopied}) << c.name;
    EXPECT_EQ(form.pointerHistory, (std::vector<int>{pointer::Hourglass, pointer::Default})) << c.name;
  }
}

TEST(CopyResultsCommand, AListClearedDuringAYieldIsReportedAt110ThenTheMessageShows) {
  for (int clearAt : {1, 2, 3, 4}) {  // while measuring, and while building
    FakeForm form;
    fill(form.results, {"a", "b"});
    form.onDoEvents = [&] {
      if (form.yields == clearAt) form.results.clear();
    };
    PushButton8_Click(form);
    ASSERT_EQ(form.messages.shown.size(), 2u) << clearAt;
    ASSERT_EQ(form.reports().size(), 1) << clearAt;
    EXPECT_TRUE(form.reports()[0].startsWith("PushButton8_Click@110: Index out of bounds: the list has no entry"))
        << clearAt;
    EXPECT_EQ(form.messages.shown[1].text, kCopied) << clearAt;
    EXPECT_EQ(form.clip.content, QStringLiteral("<previous content>")) << clearAt;
    EXPECT_EQ(form.pointerHistory, (std::vector<int>{pointer::Hourglass, pointer::Default})) << clearAt;
  }
}

// A notice that cannot be shown is reported at its own line; the steps after it still run and
// the steps it ends the command before are still skipped.
TEST(OutputNotices, AFailingNoticeIsReportedAndTheCommandGoesOnAsBefore) {
  const QString notInstalled = QStringLiteral(
      "Excel is not installed on this computer. You need to have it installed to use this feature.");
  struct Case {
    const char* name;
    void (*command)(MainForm&);
    QString failingText;
    bool installed;
    QStringList reports;
    std::vector<int> pointers;
    QStringList log;
    QString clipboard;
  };
  const std::vector<Case> cases = {
      {"the paste hint: the pointer still comes back", &PushButton8_Click, kCopied, true,
       {"PushButton8_Click@112: The message box could not be shown."},
       {pointer::Hourglass, pointer::Default}, {}, "a\r\n"},
      {"no spreadsheet application: the command still ends there", &PushButton13_Click,
       notInstalled, false, {"PushButton13_Click@174: The message box could not be shown."}, {},
       {"create#1"}, "<previous content>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeForm form;
    fill(form.results, {"a"});
    if (!c.installed) form.sheets.failing = {"create"};
    form.messages.onShow = [&](const fakes::FakeMessageBox::Shown& box) {
      if (box.text == c.failingText) throw Failure("The message box could not be shown.");
    };
    c.command(form);
    EXPECT_EQ(form.reports(), c.reports);
    EXPECT_EQ(form.pointerHistory, c.pointers);
    EXPECT_EQ(form.sheets.log, c.log);
    EXPECT_EQ(form.clip.content, c.clipboard);
  }
}

}  // namespace
}  // namespace lomandra::output
