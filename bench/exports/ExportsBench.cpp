// bench_exports [entries] [rows]: times the three exports at scale.
//
//   text file   buildTextFile + WriteTextFile of `entries` entries (default 1,000,000)
//   clipboard   buildClipboardText of the same list
//   workbook    the "Send Results As Excel File" steps over `rows` rows (default 100,000)
//               into an application that only counts its calls
//
// Each is run with a free yield, with the window's yield (QApplication::processEvents with
// nothing pending, the list shown in a view) and with a throttled yield that processes events
// at most every 5 ms. Peak memory is the process's maximum resident size after each stage.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeView>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

#include "app/core/EntryList.h"
#include "app/core/MainForm.h"
#include "output/Main.h"
#include "output/OutputCommands.h"

namespace {

using lomandra::output::Yield;

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void report(const char* what, const char* yieldName, qint64 ms, qint64 extra = -1) {
  std::printf("%-28s %-10s %7lld ms   peak %7.1f MB", what, yieldName, static_cast<long long>(ms),
              peakMegabytes());
  if (extra >= 0) std::printf("   (%lld)", static_cast<long long>(extra));
  std::printf("\n");
  std::fflush(stdout);
}

/// Processes events at most every `intervalMs`: the cheap yield recommended for the window.
Yield throttledYield(int intervalMs) {
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  return [clock, intervalMs] {
    if (clock->elapsed() < intervalMs) return;
    QCoreApplication::processEvents();
    clock->restart();
  };
}

// --- a counting spreadsheet application and a window without widgets ---------------------

struct Counts {
  qint64 writes = 0;
  qint64 characters = 0;
};

class CountingApplication : public lomandra::sheet::Application {
 public:
  explicit CountingApplication(Counts& counts) : counts_(counts) {}
  QString name() override { return QStringLiteral("Counting"); }
  void open(const QString&) override {}
  void add() override {}
  void show() override {}
  std::unique_ptr<lomandra::sheet::Range> pickRange(const QString&) override { return nullptr; }
  std::unique_ptr<lomandra::sheet::Range> resolve(const QString&) override { return nullptr; }
  void write(int, int, const QString& text) override {
    ++counts_.writes;
    counts_.characters += text.size();
  }
  void fit() override {}
  void quit() override {}

 private:
  Counts& counts_;
};

class CountingAutomation : public lomandra::sheet::Automation {
 public:
  Counts counts;
  std::unique_ptr<lomandra::sheet::Application> create() override {
    return std::make_unique<CountingApplication>(counts);
  }
  std::unique_ptr<lomandra::sheet::Application> attach() override { return create(); }
};

class NoDialog : public lomandra::CommonDialog {
 public:
  void showOpen() override {}
  void showSave() override {}
};

class NoClipboard : public lomandra::ClipboardService {
 public:
  bool clear() override { return true; }
  bool setText(const QString&) override { return true; }
};

class BenchForm : public lomandra::MainForm {
 public:
  explicit BenchForm(Yield yield) : yield_(std::move(yield)) {}
  lomandra::EntryList ranges{QStringLiteral("Range(s)"), false};
  lomandra::EntryList results{QStringLiteral("Result(s)"), true};
  CountingAutomation sheets;
  int boxes = 0;

  QString pathText() const override { return {}; }
  void setPathText(const QString&) override {}
  QString optionText() const override { return {}; }
  lomandra::EntryList& rangeList() override { return ranges; }
  lomandra::EntryList& resultList() override { return results; }
  int rangeListSelectedIndex() const override { return 0; }
  int mousePointer() const override { return 0; }
  void setMousePointer(int) override {}
  int msgBox(const QString&, int, const QString&) override { return ++boxes, lomandra::mb::Ok; }
  lomandra::CommonDialog& commonDialog() override { return dialog_; }
  lomandra::ClipboardService& clipboard() override { return clipboard_; }
  lomandra::sheet::Automation& automation() override { return sheets; }
  void doEvents() override {
    if (yield_) yield_();
  }
  QString programFolder() const override { return {}; }

 private:
  Yield yield_;
  NoDialog dialog_;
  NoClipboard clipboard_;
};

void fill(lomandra::EntryList& list, int entries) {
  for (int i = 0; i < entries; ++i) list.add(QStringLiteral("Cell text %1").arg(i));
  list.flush();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int entries = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;

  const std::vector<std::pair<const char*, Yield>> yields = {
      {"none", Yield{}},
      {"events", [] { QCoreApplication::processEvents(); }},
      {"every5ms", throttledYield(5)},
  };

  QElapsedTimer clock;
  lomandra::EntryList list(QStringLiteral("Result(s)"), true);
  clock.start();
  fill(list, entries);
  report("fill the list", "-", clock.elapsed(), entries);
  // The list in a view, as in the window, so that processing events has what the window has.
  QTreeView view;
  view.setUniformRowHeights(true);
  view.setModel(&list);
  view.resize(400, 300);
  view.show();
  QCoreApplication::processEvents();
  report("show the list in a view", "-", clock.elapsed());

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("results.txt"));
  for (const auto& [name, yield] : yields) {
    clock.restart();
    const QString text = lomandra::output::buildTextFileText(list, yield);
    const qint64 built = clock.elapsed();
    lomandra::output::WriteTextFile(text, path);
    report("text file: build", name, built, text.size());
    report("text file: build + write", name, clock.elapsed(), QFileInfo(path).size());
  }
  for (const auto& [name, yield] : yields) {
    clock.restart();
    const QString text = lomandra::output::buildClipboardText(list, yield);
    report("clipboard: build", name, clock.elapsed(), text.size());
  }
  for (const auto& [name, yield] : yields) {
    BenchForm form(yield);
    fill(form.results, rows);
    clock.restart();
    lomandra::output::PushButton13_Click(form);
    report("workbook: rows", name, clock.elapsed(), form.sheets.counts.writes);
  }
  return 0;
}
