// The built-in engine tests need a QApplication; they run on the offscreen platform unless told
// otherwise. Two options turn the program into a way to look at the windows by hand:
//   --pick WORKBOOK   opens the workbook window and the range box, prints the picked reference
//   --export COUNT    fills a new workbook window with COUNT rows, as the export does, and waits
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>

#include "sheet/builtin/BuiltinAutomation.h"

namespace {

int pick(const char* path) {
  auto app = lomandra::builtin::createBuiltinAutomation()->create();
  app->open(QString::fromLocal8Bit(path));
  app->show();
  auto range = app->pickRange(QStringLiteral("Please select range"));
  if (!range) {
    std::printf("cancelled\n");
    return 1;
  }
  std::printf("'%s'!%s\n", range->sheetName().toUtf8().constData(),
              range->address().toUtf8().constData());
  app->quit();
  return 0;
}

int exportRows(int count) {
  auto app = lomandra::builtin::createBuiltinAutomation()->create();
  app->add();
  app->show();
  QElapsedTimer timer;
  timer.start();
  app->write(1, 1, QStringLiteral("Result(s)"));
  for (int row = 2; row <= count + 1; ++row) {
    QCoreApplication::processEvents();  // the export yields once per entry
    app->write(row, 1, row % 7 == 0 ? QString::number(row * 1.25) : QStringLiteral("Entry %1").arg(row));
  }
  app->fit();
  std::printf("%d writes and fit: %lld ms\n", count, static_cast<long long>(timer.elapsed()));
  std::fflush(stdout);
  app.reset();  // released without Quit: the window stays until the user closes it
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      !(argc > 1 && (std::strcmp(argv[1], "--pick") == 0 || std::strcmp(argv[1], "--export") == 0)))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  try {
    if (argc > 2 && std::strcmp(argv[1], "--pick") == 0) return pick(argv[2]);
    if (argc > 2 && std::strcmp(argv[1], "--export") == 0) return exportRows(std::atoi(argv[2]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
