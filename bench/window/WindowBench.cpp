// bench_window WORKBOOK: the steps of "Add Range Of Cells To Merge" on the built-in engine,
// timed from the start of the command: the workbook opened, the window shown, the range box
// up, the first rows drawn, and the sheet read to its end in the background. Peak memory is the
// process's maximum resident size at each point, and the processor time of the whole read.
// `bench_window WORKBOOK --synchronous` instead reads the same sheet at once, as a merge does
// (open and read the whole sheet), in a process of its own so that neither reading finds the
// other's memory ready: the two processor times compare the window's reading with the
// synchronous one. Run under Xvfb or with QT_QPA_PLATFORM=offscreen.

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QTimer>
#include <cstdio>

#include "sheet/builtin/BuiltinAutomation.h"
#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/window/RangeBox.h"
#include "sheet/window/SheetGrid.h"
#include "sheet/window/SheetTableModel.h"
#include "sheet/window/WorkbookWindow.h"
#include "bench/ProcessUsage.h"

namespace {

using lomandra::bench::cpuSeconds;
using lomandra::bench::peakMegabytes;

void report(const char* what, qint64 ms, const QString& extra = {}) {
  std::printf("%-26s %7lld ms  cpu %6.2f s (this thread %5.2f s)  peak %7.1f MB  %s\n", what,
              static_cast<long long>(ms), cpuSeconds(), lomandra::bench::threadCpuSeconds(), peakMegabytes(),
              qUtf8Printable(extra));
  std::fflush(stdout);
}

lomandra::window::WorkbookWindow* workbookWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* window = qobject_cast<lomandra::window::WorkbookWindow*>(widget)) return window;
  return nullptr;
}

// In the program the main window is up before a workbook window opens, so fonts, the style and
// the painter are ready by then: a small window with a text and a table, drawn once, stands in
// for it, and the figures are the workbook window's own.
void warmUp() {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(new QLabel(QStringLiteral("Range References 123,456.78")));
  auto* table = new QTableWidget(3, 3);
  table->setItem(0, 0, new QTableWidgetItem(QStringLiteral("Result(s) 2024-01-31")));
  layout->addWidget(table);
  layout->addWidget(new QPushButton(QStringLiteral("Start Merging")));
  window.show();
  window.grab();
  QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_window WORKBOOK\n");
    return 2;
  }
  const QString path = QString::fromLocal8Bit(argv[1]);
  if (argc > 2 && QByteArray(argv[2]) == "--synchronous") {
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    auto book = lomandra::engine::BuiltinWorkbook::open(path.toStdString());
    const lomandra::engine::SheetData& sheet = book->sheet(book->activeSheet());
    report("synchronous read", clock.elapsed(),
           QStringLiteral("%1 rows, %2 s cpu").arg(sheet.usedRows()).arg(cpuSeconds() - cpuBefore, 0, 'f', 2));
    return 0;
  }
  auto automation = lomandra::builtin::createBuiltinAutomation();
  warmUp();

  QElapsedTimer clock;
  clock.start();
  const double cpuAtStart = cpuSeconds();
  const double threadCpuAtStart = lomandra::bench::threadCpuSeconds();
  double windowCpu = 0, windowThreadCpu = 0;
  auto instance = automation->create();
  instance->open(path);
  report("open", clock.elapsed());
  instance->show();
  lomandra::window::WorkbookWindow* window = workbookWindow();
  if (!window) return 1;
  report("window shown", clock.elapsed());

  // Inside the range box's wait: the box up and drawn, then the first rows, then the end.
  QTimer::singleShot(0, window, [&] {
    lomandra::window::RangeBox* box = window->rangeBox();
    while (box && !box->isVisible()) QCoreApplication::processEvents();
    box->repaint();
    window->repaint();
    report("range box up", clock.elapsed(), window->status());
    const QAbstractItemModel* model = window->grid()->model();
    while (model->index(0, 0).data().toString().isEmpty() && !window->status().isEmpty())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    report("first rows shown", clock.elapsed(), window->status());
    while (!window->status().isEmpty())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    windowCpu = cpuSeconds() - cpuAtStart;
    windowThreadCpu = lomandra::bench::threadCpuSeconds() - threadCpuAtStart;
    const lomandra::engine::SheetData* sheet = &window->grid()->sheetModel()->sheet();
    report("sheet read to its end", clock.elapsed(),
           QStringLiteral("%1 rows, %2 in the grid, %3").arg(sheet->usedRows())
               .arg(model->rowCount())
               .arg(window->problem().isEmpty() ? QStringLiteral("no problem") : window->problem()));
    const std::uint32_t last = sheet->usedRows() - 1;
    report("last row's first cell", clock.elapsed(),
           QString::fromStdString(sheet->text(last, 0)));
    box->cancelButton()->click();
  });
  instance->pickRange(QStringLiteral("Please select range"));
  instance->quit();
  report("quit", clock.elapsed(),
         QStringLiteral("the window's full read: %1 s cpu (window's thread %2 s, reading %3 s)")
             .arg(windowCpu, 0, 'f', 2)
             .arg(windowThreadCpu, 0, 'f', 2)
             .arg(windowCpu - windowThreadCpu, 0, 'f', 2));
  return 0;
}
