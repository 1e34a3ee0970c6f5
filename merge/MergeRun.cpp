// "Start Merging" and the results "Clear List". The merge run reads, for every Range
// Reference of the Range List in order, the displayed text of every cell of that range in the
// workbook the path box names, and appends each text to the Result List. Every Range
// Reference gets a spreadsheet-application instance of its own, started and quit in turn.

#include "merge/DuplicateFilter.h"
#include "merge/MergeCommands.h"
#include "sheet/Excel1.h"
#include "sheet/Failure.h"

namespace lomandra::merge {

namespace {

using sheet::kNoInstance;
using sheet::need;

constexpr const char* kNoRange =
    "Object variable not set: the range was not resolved, so there are no cells to walk.";
constexpr const char* kNoCell =
    "Object variable not set: the walk over the range never started, so there is no cell "
    "to read.";

// Steps 110 to 126 for one Range Reference. Its instance, range and walk start empty here, so
// nothing of an earlier reference is ever used again.
void mergeReference(MainForm& form, ErrorTrap& trap, int entry, DuplicateFilter& duplicates) {
  EntryList& results = form.resultList();
  QString reference;
  std::unique_ptr<sheet::Application> instance;
  std::unique_ptr<sheet::Range> range;
  std::unique_ptr<sheet::CellWalk> walk;

  trap.step(110, [&] { reference = form.rangeList().text(entry); });
  trap.step(112, [&] { form.setMousePointer(pointer::Hourglass); });
  // A new hidden instance with the path box as it reads now, untrimmed and unchecked.
  trap.step(114, [&] { instance = sheet::OpenWorkbook(form.automation(), form.pathText()); });
  trap.step(116, [&] { range = need(instance, kNoInstance).resolve(reference); });

  // 118 starts the walk at its first cell; 120 reads and appends one cell; 122 moves on.
  bool atCell = false;
  const bool walking = trap.step(118, [&] {
    walk = need(range, kNoRange).walk();
    atCell = walk->next();
  });
  if (!walking) {
    // A walk that never started runs its body once without a cell; that fails and is reported.
    trap.step(120, [&] { throw Failure(kNoCell); });
  } else {
    while (atCell) {
      trap.step(120, [&] {
        const QString text = walk->text();
        if (duplicates.admit(text)) results.add(text);
      });
      // A walk that cannot go on ends here.
      if (!trap.step(122, [&] { atCell = walk->next(); })) break;
    }
  }

  // The workbook is neither saved nor closed first. A failed open has no instance to quit:
  // OpenWorkbook already released it.
  trap.step(124, [&] { need(instance, kNoInstance).quit(); });
  walk.reset();
  range.reset();
  instance.reset();
}

}  // namespace

void PushButton2_Click(MainForm& form) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton2_Click"));

  // The pointer and the Result List stay as they are when there is nothing to merge.
  if (trap.test(100, [&] { return form.rangeList().count() <= 0; })) {
    trap.step(142, [&] { form.msgBox(QStringLiteral("No files added.")); });
    return;
  }
  trap.step(102, [&] { form.setMousePointer(pointer::Hourglass); });

  // A warning that fails is reported and the run goes on as if it had been allowed.
  bool stop = false;
  trap.step(104, [&] { stop = ExcelOpenWarning(form); });
  if (!stop) {
    trap.step(106, [&] { form.resultList().clear(); });
    // The Result List was just emptied, so the duplicates rule starts with nothing seen.
    DuplicateFilter duplicates = DuplicateFilter::forOption(form.optionText());

    int entries = 0;
    trap.step(108, [&] { entries = form.rangeList().count(); });
    for (int entry = 1; entry <= entries; ++entry)  // 126: on with the next entry
      mergeReference(form, trap, entry, duplicates);

    // The pointer stays busy while the message is open.
    trap.step(138, [&] { form.msgBox(QStringLiteral("Done.")); });
  }
  trap.step(140, [&] { form.setMousePointer(pointer::Default); });
}

void PushButton3_Click(MainForm& form) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton3_Click"));
  trap.step(100, [&] { form.resultList().clear(); });
}

}  // namespace lomandra::merge
