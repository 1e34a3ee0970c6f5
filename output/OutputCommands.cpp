#include "output/OutputCommands.h"

#include <algorithm>
#include <cstdint>

#include "output/Main.h"
#include "sheet/Failure.h"

namespace lomandra::output {

namespace {

const QString kSaveFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");
// Long file names, explorer-style, several files may be selected, read-only box checked; no
// overwrite question and no need for the file or its folder to exist.
constexpr int kSaveDialogFlags = 2621953;

const QString kCopiedMessage =
    QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where you "
                   "normally type and press Ctrl+V to paste the clipboard.");
const QString kProbeMessage =
    QStringLiteral("Excel is not installed on this computer. You need to have it installed to use "
                   "this software without error.");
const QString kNotInstalledMessage =
    QStringLiteral("Excel is not installed on this computer. You need to have it installed to use "
                   "this feature.");

/// The instance a step works on; a step whose instance was never made fails like any other.
sheet::Application& instance(const std::unique_ptr<sheet::Application>& application) {
  if (!application) throw Failure("The spreadsheet application is not available.");
  return *application;
}

QString withoutEquals(QString text) { return text.remove(u'='); }

}  // namespace

void PushButton4_Click(MainForm& form) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton4_Click"));
  CommonDialog& dialog = form.commonDialog();
  QString fileName;

  trap.step(108, [&] { dialog.flags = kSaveDialogFlags; });
  trap.step(110, [&] { dialog.dialogTitle = QStringLiteral("Save"); });
  // The filter and the emptied file name share line 112; the name is emptied even when the
  // filter could not be set.
  trap.step(112, [&] { dialog.filter = kSaveFilter; });
  trap.step(112, [&] { dialog.fileName = QString(); });
  trap.step(114, [&] { dialog.showSave(); });
  trap.step(116, [&] { fileName = dialog.fileName; });
  if (trap.test(118, [&] { return fileName.isEmpty(); })) return;
  trap.step(120, [&] { form.setMousePointer(pointer::Hourglass); });
  trap.step(122, [&] {
    SaveListViewToTextFile(form.resultList(), fileName, [&form] { form.doEvents(); });
  });
  trap.step(124, [&] { form.setMousePointer(pointer::Default); });
}

void PushButton8_Click(MainForm& form) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton8_Click"));

  trap.step(108, [&] { form.setMousePointer(pointer::Hourglass); });
  trap.step(110, [&] {
    CopyListViewToClipboard(form.resultList(), form.clipboard(), [&form] { form.doEvents(); });
  });
  trap.step(112, [&] { form.msgBox(kCopiedMessage, mb::OkOnly); });
  trap.step(114, [&] { form.setMousePointer(pointer::Default); });
}

bool SaveResultsAsExcelFileIsExcelInstalled(MainForm& form) {
  bool installed = true;
  try {
    // The probe's instance is released at once, never told to quit.
    const std::unique_ptr<sheet::Application> probe = form.automation().create();
  } catch (...) {
    form.msgBox(kProbeMessage, mb::OkOnly);
    installed = false;
  }
  return installed;
}

void PushButton13_Click(MainForm& form) { SendListToNewWorkbook(form, form.resultList()); }

void SendListToNewWorkbook(MainForm& form, const ListSource& list) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton13_Click"));
  std::unique_ptr<sheet::Application> application;  // released, not quit, when the command ends
  int column = 0;
  int row = 0;

  if (trap.test(100, [&] { return !SaveResultsAsExcelFileIsExcelInstalled(form); })) {
    trap.step(174, [&] { form.msgBox(kNotInstalledMessage, mb::OkOnly); });
    return;
  }
  if (trap.test(108, [&] { return list.count() == 0; })) return;
  trap.step(110, [&] { application = form.automation().create(); });
  trap.step(112, [&] { instance(application).add(); });
  trap.step(114, [&] { instance(application).show(); });

  // Header row: a caption for each column whose text in the FIRST entry is not empty, packed left.
  trap.step(116, [&] { column = 1; });
  int columns = 0;
  trap.step(118, [&] { columns = list.columnCount(); });
  for (int x = 1; x <= columns; ++x) {
    trap.step(120, [&] { form.doEvents(); });
    if (trap.test(122, [&] { return x == 1; })) {
      if (trap.test(124, [&] { return !list.text(1, 1).isEmpty(); })) {
        trap.step(126, [&] { instance(application).write(1, column, list.columnHeader(x)); });
        trap.step(128, [&] { ++column; });
      }
    } else {
      if (trap.test(130, [&] { return !list.text(1, x).isEmpty(); })) {
        trap.step(132, [&] { instance(application).write(1, column, list.columnHeader(x)); });
        trap.step(134, [&] { ++column; });
      }
    }
  }  // 136

  // Entry rows: entry y goes to row y + 1; its non-empty texts packed left. Once a row lies past
  // the sheet's last, no later entry can fit either: that is reported once, with how many
  // entries were sent and how many were not, and the entries stop there.
  bool sheetFull = false;
  int entries = 0;
  const auto writeEntryCell = [&](int y, const QString& text) {
    try {
      instance(application).write(row, column, text);
    } catch (const OutsideSheet& outside) {
      if (static_cast<std::int64_t>(row) <= outside.rows) throw;  // a column too far: this cell only
      sheetFull = true;
      // The entries whose rows the sheet holds (row 1 is the header): an empty entry past the
      // last row, which wrote nothing, did not fit either.
      const std::uint64_t sent = std::min<std::uint64_t>(static_cast<std::uint64_t>(y - 1), outside.rows - 1ULL);
      throw Failure("The sheet has no room for the rest of the list: its last row is " +
                    withThousands(outside.rows) + ". Entries sent: " + withThousands(sent) +
                    ". Entries that did not fit: " +
                    withThousands(static_cast<std::uint64_t>(entries) - sent) + ".");
    }
  };
  trap.step(138, [&] { row = 2; });
  trap.step(140, [&] { entries = list.count(); });
  for (int y = 1; y <= entries && !sheetFull; ++y) {
    trap.step(142, [&] { form.doEvents(); });
    if (trap.test(144, [&] { return list.checked(y); })) {
      trap.step(146, [&] { column = 1; });
      int entryColumns = 0;
      trap.step(148, [&] { entryColumns = list.columnCount(); });
      for (int x = 1; x <= entryColumns && !sheetFull; ++x) {
        trap.step(150, [&] { form.doEvents(); });
        if (trap.test(152, [&] { return x == 1; })) {
          if (trap.test(154, [&] { return !list.text(y, 1).isEmpty(); })) {
            // The entry's own text goes over as it is; the spreadsheet back ends keep a
            // leading "=" as text.
            trap.step(156, [&] { writeEntryCell(y, list.text(y, 1)); });
            trap.step(158, [&] { ++column; });
          }
        } else {
          if (trap.test(160, [&] { return !list.text(y, x).isEmpty(); })) {
            trap.step(162, [&] { writeEntryCell(y, withoutEquals(list.text(y, x))); });
            trap.step(164, [&] { ++column; });
          }
        }
      }  // 166
    }
    trap.step(168, [&] { ++row; });
  }  // 170

  trap.step(172, [&] { instance(application).fit(); });
}

}  // namespace lomandra::output
