#include <gtest/gtest.h>

#include <functional>

#include "ranges/RangeCommands.h"
#include "tests/fakes/FakeForm.h"

namespace lomandra::ranges {
namespace {

using fakes::FakeForm;

QStringList entries(const EntryList& list) {
  QStringList result;
  for (int i = 1; i <= list.count(); ++i) result << list.text(i);
  return result;
}

struct EditCase {
  const char* name;
  QStringList before;
  int selected;  // 0: none
  bool busy;
  std::function<void(FakeForm&)> command;
  QStringList after;
  QStringList reports;
};

void runCases(const std::vector<EditCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeForm form;
    for (const QString& text : c.before) form.ranges.add(text);
    form.selectedRange = c.selected;
    form.pointerKind = c.busy ? pointer::Hourglass : pointer::Default;
    c.command(form);
    EXPECT_EQ(entries(form.ranges), c.after);
    EXPECT_EQ(form.reports(), c.reports);
    EXPECT_EQ(form.messages.shown.size(), static_cast<size_t>(c.reports.size()))
        << "no message but the reports";
    EXPECT_TRUE(form.pointerHistory.empty());
  }
}

const QStringList kThree = {"'A'!$A$1", "'B'!$B$2", "'C'!$C$3"};
const auto deleteSelected = [](FakeForm& form) { PushButton6_Click(form); };
const auto clearList = [](FakeForm& form) { PushButton7_Click(form); };
const auto deleteKey = [](FakeForm& form) { ListView1_KeyDown(form, 46); };
const auto doubleClick = [](FakeForm& form) { ListView1_DblClick(form); };

TEST(RangeListEditing, DeleteSelected) {
  runCases({
      {"removes the selected entry and closes the gap", kThree, 1, false, deleteSelected,
       {"'B'!$B$2", "'C'!$C$3"}, {}},
      {"the last entry", kThree, 3, false, deleteSelected, {"'A'!$A$1", "'B'!$B$2"}, {}},
      {"acts while busy too", kThree, 2, true, deleteSelected, {"'A'!$A$1", "'C'!$C$3"}, {}},
      {"an empty list: nothing", {}, 0, false, deleteSelected, {}, {}},
      {"entries but none selected: the removal is reported at 102", kThree, 0, false,
       deleteSelected, kThree, {"PushButton6_Click@102: No entry of the list is selected."}},
  });
}

TEST(RangeListEditing, ClearList) {
  runCases({
      {"empties the list without a question", kThree, 0, false, clearList, {}, {}},
      {"an empty list stays empty", {}, 0, false, clearList, {}, {}},
      {"does nothing while busy", kThree, 2, true, clearList, kThree, {}},
  });
}

TEST(RangeListEditing, DeleteKeyAndDoubleClick) {
  runCases({
      {"Delete removes the selected entry", kThree, 2, false, deleteKey, {"'A'!$A$1", "'C'!$C$3"}, {}},
      {"double-click removes the selected entry", kThree, 1, false, doubleClick,
       {"'B'!$B$2", "'C'!$C$3"}, {}},
      {"Delete does nothing while busy", kThree, 2, true, deleteKey, kThree, {}},
      {"double-click does nothing while busy", kThree, 2, true, doubleClick, kThree, {}},
      {"Delete on an empty list", {}, 0, false, deleteKey, {}, {}},
      {"double-click on an empty list", {}, 0, false, doubleClick, {}, {}},
      {"Delete with none selected", kThree, 0, false, deleteKey, kThree, {}},
      {"double-click with none selected", kThree, 0, false, doubleClick, kThree, {}},
      {"Backspace removes nothing", kThree, 2, false,
       [](FakeForm& form) { ListView1_KeyDown(form, 8); }, kThree, {}},
      {"a letter removes nothing", kThree, 2, false,
       [](FakeForm& form) { ListView1_KeyDown(form, 'D'); }, kThree, {}},
  });
}

TEST(RangeListEditing, AfterADeletionTheLaterEntriesMoveUpInOrder) {
  FakeForm form;
  for (const QString& text : kThree + QStringList{"'D'!$D$4"}) form.ranges.add(text);
  form.selectedRange = 1;
  ListView1_KeyDown(form, 46);
  form.selectedRange = 2;
  ListView1_DblClick(form);
  EXPECT_EQ(entries(form.ranges), (QStringList{"'B'!$B$2", "'D'!$D$4"}));
}

}  // namespace
}  // namespace lomandra::ranges
