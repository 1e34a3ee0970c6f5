// "...", "Load Sample/Example File" and "Clear File": the three ways of naming the source
// workbook in the path box. Every change of the path box is written through to the settings
// by the path box's own change notification, not here.

#include <QDir>
#include <QFileInfo>

#include "ranges/RangeCommands.h"

namespace lomandra::ranges {

namespace {
// The sample workbook beside the program, with the platform's separator.
QString sampleWorkbookPath(const QString& programFolder) {
  return programFolder + QDir::separator() + QStringLiteral("Samples") + QDir::separator() +
         QStringLiteral("sample1.xls");
}

// The folder of the workbook a path names, as a browse starts there: the path's own folder when
// it exists, "" otherwise (a relative, empty or vanished path leaves the dialog's default).
QString workbookFolder(const QString& path) {
  const QFileInfo file(path.trimmed());
  if (path.trimmed().isEmpty() || file.isRelative()) return {};
  const QDir folder = file.isDir() ? QDir(file.absoluteFilePath()) : file.absoluteDir();
  return folder.exists() ? QDir::toNativeSeparators(folder.absolutePath()) : QString();
}
}  // namespace

void PushButton1_Click(MainForm& form) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton1_Click"));
  CommonDialog& dialog = form.commonDialog();

  // Every browse starts from an empty file name, so a cancelled dialog leaves it empty.
  trap.step(100, [&] { dialog.fileName = QString(); });
  trap.step(102, [&] { dialog.dialogTitle = QStringLiteral("Select Excel File"); });
  // Excel workbooks first, then the other formats the engine reads, then any file (its content
  // decides how it is read).
  trap.step(104, [&] {
    dialog.filter = QStringLiteral(
        "Excel Files (*.xl*)|*.xl*|"
        "OpenDocument Spreadsheets (*.ods *.fods)|*.ods;*.fods|"
        "Text Files (*.csv *.txt)|*.csv;*.txt|"
        "All Files (*)|*|");
  });
  // The dialog starts in the folder of the workbook the path box names, when there is one.
  trap.step(104, [&] { dialog.initDir = workbookFolder(form.pathText()); });
  trap.step(106, [&] { dialog.showOpen(); });
  if (trap.test(108, [&] { return dialog.fileName.isEmpty(); })) return;
  trap.step(110, [&] { form.setPathText(dialog.fileName); });
}

void PushButton10_Click(MainForm& form) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton10_Click"));
  // Whether the sample exists is found out when a range is picked from it.
  trap.step(100, [&] { form.setPathText(sampleWorkbookPath(form.programFolder())); });
}

void PushButton11_Click(MainForm& form) {
  ErrorTrap trap(errorReportSink(form), QStringLiteral("PushButton11_Click"));
  trap.step(100, [&] { form.setPathText(QString()); });
}

}  // namespace lomandra::ranges
