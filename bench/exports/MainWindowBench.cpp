// bench_main_window [entries] [buttons]: the three export buttons of the real main window on a Result
// List of `entries` entries (default 1,000,000) shown in its list view, with the system
// clipboard and the built-in engine: the program's own services (PlatformServices), its yield
// included, with only the message box answered and the save dialog named. For each: the time from the click to the command's end,
// the longest stretch without a turn of the event loop (the window frozen), the pointer shown
// while the command works, and peak memory. Message boxes are answered at once and the save
// dialog names a temporary file. Run under Xvfb (xvfb-run -a) or with QT_QPA_PLATFORM=offscreen.

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <tuple>

#include "app/Form1.h"
#include "app/PlatformServices.h"
#include "app/WidgetMessageBox.h"
#include "app/core/SettingsStore.h"
#include "bench/ProcessUsage.h"

namespace {

using lomandra::bench::cpuSeconds;
using lomandra::bench::peakMegabytes;

/// The real message box, answered with Return as soon as it is up; records when it came up.
class AnsweringBox : public lomandra::MessageBoxService {
 public:
  explicit AnsweringBox(const QElapsedTimer& clock) : clock_(clock) {}
  QStringList shown;
  int show(const QString& text, int style, const QString& title) override {
    const qint64 asked = clock_.elapsed();
    qint64 up = -1;
    QTimer answer;
    answer.setInterval(1);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box || !box->isVisible()) return;
      if (up < 0) up = clock_.elapsed();
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QApplication::sendEvent(box, &press);
    });
    answer.start();
    const int result = real_.show(text, style, title);
    shown << QStringLiteral("\"%1...\" up after %2 ms, answered at %3 ms")
                 .arg(text.left(20)).arg(up - asked).arg(clock_.elapsed());
    return result;
  }

 private:
  const QElapsedTimer& clock_;
  lomandra::app::WidgetMessageBox real_;
};

class NamingDialog : public lomandra::CommonDialog {
 public:
  QString answer;
  void showOpen() override { fileName = answer; }
  void showSave() override { fileName = answer; }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int entries = argc > 1 ? std::atoi(argv[1]) : 1000000;
  // Which commands to run, by their buttons' numbers ("4,8,13", the default, is all three).
  const QStringList only = QString::fromLatin1(argc > 2 ? argv[2] : "4,8,13").split(u',');
  QTemporaryDir dir;
  QElapsedTimer clock;
  clock.start();
  AnsweringBox messages(clock);
  NamingDialog dialog;
  dialog.answer = dir.filePath(QStringLiteral("results.txt"));
  // The running program's services: clipboard, spreadsheet application, yield. The boxes are
  // answered, the dialog names a file, and the settings stay in a temporary folder.
  lomandra::app::PlatformServices platform;
  lomandra::app::Form1Services services = platform.services();
  lomandra::SettingsStore settings(dir.path());
  services.messages = &messages;
  services.dialog = &dialog;
  services.settings = &settings;
  services.programFolder = dir.path();

  lomandra::app::Form1 form(services);
  if (!form.load()) return 1;
  form.showCentred();
  clock.restart();
  for (int i = 0; i < entries; ++i)
    form.resultList().add(QStringLiteral("Cell text %1").arg(i));
  QCoreApplication::processEvents();
  std::printf("%d entries in the Result List: %lld ms, peak %.1f MB\n", entries,
              static_cast<long long>(clock.elapsed()), peakMegabytes());

  // A timer that fires whenever the event loop turns: the longest gap between two firings is
  // the longest time the window could not answer; it also samples the pointer kind.
  qint64 lastTick = 0, longestGap = 0;
  bool sawHourglass = false;
  QTimer ticker;
  ticker.setInterval(1);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longestGap = std::max(longestGap, now - lastTick);
    lastTick = now;
    if (form.mousePointer() == lomandra::pointer::Hourglass) sawHourglass = true;
  });

  const lomandra::app::Form1Controls& c = form.controls();
  const std::tuple<const char*, const char*, QPushButton*> commands[] = {
      {"4", "Save Results As Text File", c.PushButton4},
      {"8", "Copy Results To Clipboard", c.PushButton8},
      {"13", "Send Results As Excel File", c.PushButton13},
  };
  for (const auto& [number, name, button] : commands) {
    if (!only.contains(QLatin1String(number))) continue;
    messages.shown.clear();
    longestGap = 0;
    sawHourglass = false;
    QCoreApplication::processEvents();
    ticker.start();
    const double cpuBefore = cpuSeconds();
    clock.restart();
    lastTick = 0;
    button->click();
    const qint64 took = clock.elapsed();
    ticker.stop();
    std::printf("%-27s %6lld ms  cpu %6.2f s  longest freeze %5lld ms  hourglass %-3s  peak %6.1f MB  %s\n",
                name, static_cast<long long>(took), cpuSeconds() - cpuBefore,
                static_cast<long long>(longestGap), sawHourglass ? "yes" : "no", peakMegabytes(),
                qUtf8Printable(messages.shown.join(QStringLiteral(" | "))));
    std::fflush(stdout);
  }
  return 0;
}
