#include "cli/MergeTool.h"

#include <QFile>
#include <QLocale>
#include <QThread>
#include <chrono>

#include "app/core/ErrorTrap.h"
#include "cli/BatchMerge.h"
#include "cli/CommandLine.h"
#include "output/Main.h"
#include "sheet/numfmt/Locale.h"

namespace lomandra::cli {

namespace {

void writeLine(const ToolStreams& streams, const QString& line) {
  streams.err((line + QLatin1Char('\n')).toStdString());
}

// The workbooks --workbook and --workbooks name, in order. Throws UsageError or a failure to
// read the list.
QStringList namedWorkbooks(const MergeToolOptions& options,
                           const std::function<QByteArray()>& readStandardInput) {
  QStringList paths = options.workbookPaths;
  if (options.workbookList) {
    QByteArray list;
    if (*options.workbookList == QStringLiteral("-")) {
      if (readStandardInput) list = readStandardInput();
    } else {
      QFile file(*options.workbookList);
      if (!file.open(QIODevice::ReadOnly))
        throw UsageError(QStringLiteral("cannot read the --workbooks list %1: %2")
                             .arg(*options.workbookList, file.errorString())
                             .toStdString());
      list = file.readAll();
    }
    paths += parseWorkbookList(list);
  }
  return paths;
}

// "12 of 200 workbooks, 60,000 cells" on one terminal line, at most ten times a second.
class ProgressLine {
 public:
  ProgressLine(const ToolStreams& streams, std::size_t workbooks)
      : streams_(streams), workbooks_(workbooks) {}
  ~ProgressLine() {
    if (shown_) streams_.err("\r\033[K");
  }
  void operator()(std::size_t done, std::uint64_t cells) {
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(100) && done < workbooks_) return;
    last_ = now;
    shown_ = true;
    streams_.err(QStringLiteral("\r\033[Klomandra-merge: %1 of %2 workbooks, %3 cells")
                     .arg(done)
                     .arg(workbooks_)
                     .arg(QLocale(QLocale::English).toString(static_cast<qulonglong>(cells)))
                     .toStdString());
  }

 private:
  const ToolStreams& streams_;
  std::size_t workbooks_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_;
};

}  // namespace

int runMergeTool(const QStringList& arguments, const ToolStreams& streams,
                 const std::function<QByteArray()>& readStandardInput) {
  MergeToolOptions options;
  QStringList paths;
  try {
    options = parseCommandLine(arguments);
    if (!options.help) paths = options.manyWorkbooks() ? namedWorkbooks(options, readStandardInput)
                                                       : QStringList{options.workbook};
  } catch (const UsageError& problem) {
    writeLine(streams, QStringLiteral("lomandra-merge: ") + QString::fromUtf8(problem.what()));
    return 2;
  }
  if (options.help) {
    streams.out(helpText().toStdString());
    return 0;
  }
  if (options.version) {
    streams.out(versionText().toStdString());
    return 0;
  }
  if (options.locale) {
    bool known = true;
    const numfmt::Locale locale = numfmt::Locale::fromTag(options.locale->toStdString(), &known);
    if (!known) {
      writeLine(streams, QStringLiteral("lomandra-merge: --locale %1 names no locale (see lomandra-merge --help)")
                             .arg(*options.locale));
      return 2;
    }
    numfmt::Locale::setDisplay(locale);
  } else {
    numfmt::Locale::setDisplay(numfmt::Locale::fromSystem());
  }

  BufferedOut out(streams);
  ResultTexts results(options, streams, out);
  WalkOptions walk;
  walk.byColumn = options.byColumn;
  walk.skipEmpty = options.skipEmpty;
  walk.nameWorkbook = options.manyWorkbooks();
  const int jobs = options.jobs > 0 ? options.jobs : std::max(1, QThread::idealThreadCount());
  BatchOutcome batch;
  {
    ProgressLine progress(streams, static_cast<std::size_t>(paths.size()));
    const bool showProgress = streams.errIsTerminal && options.manyWorkbooks();
    batch = mergeWorkbooks(paths, options.references, walk, jobs, results,
                           showProgress ? BatchProgress(std::ref(progress)) : BatchProgress());
  }
  if (batch.opened == 0) return 2;  // reported: no workbook could be opened
  results.finish();

  if (options.saveFile) {
    try {
      output::SaveListViewToTextFile(results.kept(), *options.saveFile, {});
    } catch (...) {
      writeLine(streams, QStringLiteral("lomandra-merge: %1: %2")
                             .arg(*options.saveFile, describeCurrentException()));
      return 2;
    }
  }
  if (options.clipboard) {
    try {
      streams.out(output::buildClipboardText(results.kept()).toStdString());
    } catch (...) {
      writeLine(streams, QStringLiteral("lomandra-merge: --clipboard: ") + describeCurrentException());
      return 2;
    }
  }
  return batch.anyFailed ? 1 : 0;
}

}  // namespace lomandra::cli
