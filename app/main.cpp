// Lomandra: gathers the displayed text of cell ranges of a workbook into one list.
#include <QApplication>

#include "app/Form1.h"
#include "app/PlatformServices.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Quillbrook"));
  QApplication::setApplicationName(QStringLiteral("Lomandra"));

  lomandra::app::PlatformServices platform;
  lomandra::app::Form1 form(platform.services());
  if (!form.load()) return 0;  // no spreadsheet application: the window is never shown

  // Closing the main window ends the program at once, whatever other windows are open.
  QObject::connect(&form, &lomandra::app::Form1::unloaded, &application, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  form.showCentred();
  return QApplication::exec();
}
