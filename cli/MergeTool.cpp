#include "cli/MergeTool.h"

#include <QFile>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/ErrorTrap.h"
#include "app/core/ListSource.h"
#include "cli/CommandLine.h"
#include "cli/JsonText.h"
#include "merge/DuplicateFilter.h"
#include "output/Main.h"
#include "sheet/Failure.h"
#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::cli {

namespace {

constexpr std::size_t kFlushBytes = 1 << 20;

// Standard output, written in large pieces.
class BufferedOut {
 public:
  explicit BufferedOut(const ToolStreams& streams) : streams_(streams) { buffer_.reserve(kFlushBytes); }
  std::string& buffer() { return buffer_; }
  void maybeFlush() {
    if (buffer_.size() >= kFlushBytes) flush();
  }
  void flush() {
    if (!buffer_.empty()) streams_.out(buffer_);
    buffer_.clear();
  }

 private:
  const ToolStreams& streams_;
  std::string buffer_;
};

// The merged texts kept for --save and --clipboard: one column headed "Result(s)", every
// entry checked, as the Result List holds them after a run. UTF-8 in one buffer, so a million
// entries cost little more than their bytes.
class KeptResults : public ListSource {
 public:
  static constexpr std::size_t kMaxBytes = std::size_t{512} << 20;

  void add(std::string_view text) {
    if (bytes_.size() + text.size() > kMaxBytes)
      throw Failure("The results grew past 512 MiB of text, more than --save and --clipboard take.");
    bytes_.append(text);
    ends_.push_back(bytes_.size());
  }
  int columnCount() const override { return 1; }
  QString columnHeader(int column) const override {
    checkColumn(column);
    return QStringLiteral("Result(s)");
  }
  int count() const override { return static_cast<int>(ends_.size()); }
  QString text(int entry, int column) const override {
    checkEntry(entry);
    checkColumn(column);
    const std::size_t index = static_cast<std::size_t>(entry - 1);
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return QString::fromUtf8(bytes_.data() + begin, static_cast<qsizetype>(ends_[index] - begin));
  }
  bool checked(int entry) const override {
    checkEntry(entry);
    return true;
  }

 private:
  void checkEntry(int entry) const {
    if (entry < 1 || entry > count())
      throw Failure("Index out of bounds: the list has no entry " + std::to_string(entry) + ".");
  }
  static void checkColumn(int column) {
    if (column != 1)
      throw Failure("Index out of bounds: the list has no column " + std::to_string(column) + ".");
  }

  std::string bytes_;
  std::vector<std::size_t> ends_;
};

// Where each merged text goes: printed as a line or a JSON element, and kept for the exports.
class ResultTexts {
 public:
  ResultTexts(const MergeToolOptions& options, BufferedOut& out)
      : out_(out),
        duplicates_(options.unique),
        printLines_(!options.json && !options.clipboard && !options.saveFile),
        printJson_(options.json),
        keep_(options.clipboard || options.saveFile) {
    if (printJson_) out_.buffer() += '[';
  }

  void add(std::string_view text) {
    if (!duplicates_.admit(text)) return;
    if (keep_) kept_.add(text);
    if (printLines_) {
      out_.buffer().append(text);
      out_.buffer() += '\n';
    } else if (printJson_) {
      if (printed_++ > 0) out_.buffer() += ',';
      appendJsonString(out_.buffer(), text);
    }
    out_.maybeFlush();
  }
  void finish() {
    if (printJson_) out_.buffer() += "]\n";
    out_.flush();
  }
  const KeptResults& kept() const { return kept_; }

 private:
  BufferedOut& out_;
  merge::DuplicateFilter duplicates_;
  bool printLines_, printJson_, keep_;
  std::size_t printed_ = 0;
  KeptResults kept_;
};

// At most 2^34 for an area within a sheet's 1,048,576 rows and 16,384 columns.
std::uint64_t checkedCellCount(const engine::Area& area) {
  if (area.lastRow < area.firstRow || area.lastColumn < area.firstColumn ||
      area.lastRow >= model::kMaxRows || area.lastColumn >= model::kMaxColumns)
    throw Failure("The range names cells outside the sheet.");
  return engine::cellCount(area);
}

// One Range Reference: resolved in the open workbook, each area walked row by row from the
// top, left to right, every cell once, empty cells included.
void mergeReference(engine::BuiltinWorkbook& workbook, std::string_view reference,
                    std::uint64_t& cellsLeft, ResultTexts& results) {
  const engine::BuiltinWorkbook::Resolved resolved = workbook.resolve(reference);
  std::uint64_t cells = 0;
  for (const engine::Area& area : resolved.areas) cells += checkedCellCount(area);
  if (cells > cellsLeft)
    throw Failure("The range holds " + std::to_string(cells) + " cells, more than the " +
                  std::to_string(cellsLeft) + " this run has left: a run reads at most " +
                  std::to_string(kMaxCellsPerRun) + " cells in all.");
  cellsLeft -= cells;

  // Only the cells the areas need are read; a damaged sheet fails this reference alone.
  const engine::SheetData& sheet = workbook.sheet(resolved.sheet, engine::boundsOf(resolved.areas));
  for (const engine::Area& area : resolved.areas)
    sheet.forEachText(area, [&results](std::string_view text) {
      results.add(text);
      return true;
    });
}

void writeLine(const ToolStreams& streams, const QString& line) {
  streams.err((line + QLatin1Char('\n')).toStdString());
}

}  // namespace

int runMergeTool(const QStringList& arguments, const ToolStreams& streams) {
  MergeToolOptions options;
  try {
    options = parseCommandLine(arguments);
  } catch (const UsageError& problem) {
    writeLine(streams, QStringLiteral("lomandra-merge: ") + QString::fromUtf8(problem.what()));
    return 2;
  }
  if (options.help) {
    streams.out(helpText().toStdString());
    return 0;
  }

  // One opening serves every reference: the built-in engine reads the same texts from it as
  // from a fresh opening per reference.
  std::unique_ptr<engine::BuiltinWorkbook> workbook;
  try {
    workbook = engine::BuiltinWorkbook::open(QFile::encodeName(options.workbook).toStdString());
    if (!workbook) throw Failure("The workbook cannot be opened.");
  } catch (...) {
    writeLine(streams, QStringLiteral("lomandra-merge: %1: %2")
                           .arg(options.workbook, describeCurrentException()));
    return 2;
  }

  BufferedOut out(streams);
  ResultTexts results(options, out);
  std::uint64_t cellsLeft = kMaxCellsPerRun;
  bool anyFailed = false;
  for (const QString& reference : options.references) {
    // Texts read before a failure stay, as in the window's Result List.
    const auto report = [&] {
      anyFailed = true;
      out.flush();
      writeLine(streams, reference + QStringLiteral(": ") + describeCurrentException());
    };
    try {
      mergeReference(*workbook, reference.toStdString(), cellsLeft, results);
    } catch (...) {
      report();
    }
  }
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
  return anyFailed ? 1 : 0;
}

}  // namespace lomandra::cli
