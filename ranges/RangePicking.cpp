// "Add Range Of Cells To Merge": the user picks cells in the source workbook with the
// spreadsheet application's range box, and the pick becomes a Range Reference at the end of
// the Range List.

#include "ranges/FilePattern.h"
#include "ranges/RangeCommands.h"
#include "sheet/Excel1.h"
#include "sheet/Failure.h"

namespace lomandra::ranges {

namespace {

using sheet::kNoInstance;
using sheet::need;

constexpr const char* kNoRange =
    "Object variable not set: no range was picked, so there is no sheet or address to read.";

// The path box with leading and trailing space characters removed; tabs and other white
// space stay, as the emptiness test counts them as text.
QString trimSpaces(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text.at(first) == QLatin1Char(' ')) ++first;
  while (last > first && text.at(last - 1) == QLatin1Char(' ')) --last;
  return text.mid(first, last - first);
}

}  // namespace

void PushButton5_Click(MainForm& form) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton5_Click"));

  if (trap.test(100, [&] { return trimSpaces(form.pathText()).isEmpty(); })) {
    trap.step(102, [&] { form.msgBox(QStringLiteral("You forgot to select Excel file.")); });
    return;
  }
  // The file test and the open both take the path exactly as typed, spaces included.
  if (trap.test(104, [&] { return !ordinaryFileMatches(form.pathText()); })) {
    trap.step(106, [&] { form.msgBox(QStringLiteral("Excel file does not exists.")); });
    return;
  }
  trap.step(108, [&] { form.setMousePointer(pointer::Hourglass); });

  std::unique_ptr<sheet::Application> instance;
  trap.step(110, [&] { instance = sheet::OpenWorkbook(form.automation(), form.pathText()); });
  trap.step(114, [&] { need(instance, kNoInstance).show(); });

  // The range box waits for the user; Cancel gives no range, which fails this step.
  std::unique_ptr<sheet::Range> range;
  trap.step(116, [&] {
    range = need(instance, kNoInstance).pickRange(QStringLiteral("Please select range"));
    if (!range) throw Failure("The range box was cancelled: no range was selected.");
  });
  // The Range Reference: 'sheet'!address, the sheet name exactly as reported (an apostrophe
  // in it is not doubled).
  trap.step(118, [&] {
    sheet::Range& picked = need(range, kNoRange);
    const QString sheetName = picked.sheetName();
    const QString address = picked.address();
    form.rangeList().add(QLatin1Char('\'') + sheetName + QStringLiteral("'!") + address);
  });
  trap.step(120, [&] { need(instance, kNoInstance).quit(); });
  trap.step(122, [&] { form.setMousePointer(pointer::Default); });
}

}  // namespace lomandra::ranges
