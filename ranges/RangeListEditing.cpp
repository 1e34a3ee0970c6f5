// Taking entries out of the Range List: "Delete Selected", "Clear List", the Delete key and a
// double-click. None asks for confirmation; all but "Delete Selected" do nothing while a
// command that drives the spreadsheet application shows the hourglass.

#include "ranges/RangeCommands.h"
#include "sheet/Failure.h"

namespace lomandra::ranges {

namespace {

constexpr int kDeleteKey = 46;

// The Delete key and the double-click: the selected entry goes, unless the window is busy,
// the list is empty or nothing is selected.
void removeSelectedUnlessBusy(MainForm& form) {
  runUntrapped([&] {
    if (form.mousePointer() == pointer::Hourglass) return;
    EntryList& list = form.rangeList();
    if (list.count() <= 0) return;
    int selected = 0;
    try {
      selected = form.rangeListSelectedIndex();
    } catch (const Failure&) {
      return;  // entries but none selected: nothing to remove
    }
    list.remove(selected);
  });
}

}  // namespace

void PushButton6_Click(MainForm& form) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton6_Click"));
  // A count that cannot be read lets the removal try; with none selected it fails at 102.
  if (trap.test(100, [&] { return form.rangeList().count() > 0; }))
    trap.step(102, [&] { form.rangeList().remove(form.rangeListSelectedIndex()); });
}

void PushButton7_Click(MainForm& form) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton7_Click"));
  // Both the busy test and the clearing cite line 100; a pointer that cannot be read clears.
  if (trap.test(100, [&] { return form.mousePointer() != pointer::Hourglass; }))
    trap.step(100, [&] { form.rangeList().clear(); });
}

void ListView1_KeyDown(MainForm& form, int keyCode) {
  // Shift, Ctrl and Alt are not looked at: Shift+Delete removes as Delete does.
  if (keyCode != kDeleteKey) return;
  removeSelectedUnlessBusy(form);
}

void ListView1_DblClick(MainForm& form) {
  // Where the double-click landed does not matter: the selected entry goes.
  removeSelectedUnlessBusy(form);
}

}  // namespace lomandra::ranges
