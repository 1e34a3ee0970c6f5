// bench_merge WORKBOOK [REFERENCE]: times the merge run ("Start Merging") on the built-in
// engine for one Range Reference (default: the whole of column A of sheet "Numbers"), with
// duplicates allowed and then removed, and the Result List's announcement to its views.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <ctime>

#include "app/core/MainForm.h"
#include "merge/MergeCommands.h"
#include "sheet/builtin/BuiltinAutomation.h"

namespace {

// The main window as the merge run sees it, without widgets; messages go to standard error.
class BenchForm : public lomandra::MainForm {
 public:
  QString path, option;
  lomandra::EntryList ranges{QStringLiteral("Range(s)"), false};
  lomandra::EntryList results{QStringLiteral("Result(s)"), true};
  std::unique_ptr<lomandra::sheet::Automation> engine = lomandra::builtin::createBuiltinAutomation();
  int pointerKind = 0;

  QString pathText() const override { return path; }
  void setPathText(const QString& text) override { path = text; }
  QString optionText() const override { return option; }
  lomandra::EntryList& rangeList() override { return ranges; }
  lomandra::EntryList& resultList() override { return results; }
  int rangeListSelectedIndex() const override { return 1; }
  int mousePointer() const override { return pointerKind; }
  void setMousePointer(int kind) override { pointerKind = kind; }
  int msgBox(const QString& text, int, const QString&) override {
    if (text != QStringLiteral("Done.")) std::fprintf(stderr, "%s\n", qPrintable(text));
    return lomandra::mb::Yes;
  }
  lomandra::CommonDialog& commonDialog() override { throw std::logic_error("no dialog"); }
  lomandra::ClipboardService& clipboard() override { throw std::logic_error("no clipboard"); }
  lomandra::sheet::Automation& automation() override { return *engine; }
  void doEvents() override {}
  QString programFolder() const override { return {}; }
};

// Processor time of this process, which a busy machine inflates less than wall time.
double cpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

long peakMemoryKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_merge WORKBOOK [REFERENCE]\n");
    return 2;
  }
  const QString reference = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("'Numbers'!$A:$A");
  for (const char* option : {"Allow duplicates in results", "Remove duplicates from results"}) {
    BenchForm form;
    form.path = QString::fromLocal8Bit(argv[1]);
    form.option = QString::fromUtf8(option);
    form.ranges.add(reference);
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuSeconds();
    lomandra::merge::PushButton2_Click(form);
    const double merge = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    timer.restart();
    form.results.flush();  // what the event loop does next: announce the rows to the views
    const double announce = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("merge %-32s %9d entries  %6.3f s (processor %.3f s)  announce %.3f s  peak %ld MiB\n",
                option, form.results.count(), merge, cpu, announce, peakMemoryKiB() / 1024);
  }
  return 0;
}
