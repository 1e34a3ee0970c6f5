// Lomandra: gathers the displayed text of cell ranges of a workbook into one list.
#include <QApplication>

#include "app/Form1.h"
#include "app/PlatformServices.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Quillbrook"));
  QApplication::setApplicationName(QStringLiteral("Lomandra"));
  // The installed desktop entry (packaging/), so desktops match the window to its menu entry.
  QGuiApplication::setDesktopFileName(QStringLiteral("com.quillbrook.lomandra"));

  lomandra::app::PlatformServices platform;
  lomandra::app::Form1 form(platform.services());
  platform.setMainWindow(&form);
  if (!form.load()) return 0;  // no spreadsheet application: the window is never shown

  // Closing the main window ends Lomandra's part at once, without a question. A workbook window
  // that an export left open belongs to the spreadsheet application, which outlives Lomandra:
  // the process ends when the last such window is closed too, so an unsaved book is never lost.
  QApplication::setQuitOnLastWindowClosed(true);
  form.showCentred();
  return QApplication::exec();
}
