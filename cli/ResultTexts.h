#pragma once

// The writing end of lomandra-merge: every text of a run, in order, printed as a line, a JSON
// element or a source-tagged record, and kept for --save and --clipboard.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/ListSource.h"
#include "cli/CommandLine.h"
#include "cli/MergeSink.h"
#include "merge/DuplicateFilter.h"

namespace lomandra::cli {

/// Where lomandra-merge writes: standard output and standard error, as byte sinks.
struct ToolStreams {
  std::function<void(std::string_view)> out;
  std::function<void(std::string_view)> err;
  /// Standard error is a terminal: a run over several workbooks shows its progress there.
  bool errIsTerminal = false;
};

/// Appends one field of a --with-source line: a tab, CR, LF or backslash written as \t, \r,
/// \n or \\, every other byte as it stands.
void appendEscapedField(std::string& out, std::string_view field);

/// The address of one cell as a spreadsheet application writes it, without $: 0,1 -> "B1".
std::string cellName(std::uint32_t row, std::uint32_t column);

/// Standard output, written in large pieces.
class BufferedOut {
 public:
  explicit BufferedOut(const ToolStreams& streams);
  std::string& buffer() { return buffer_; }
  void maybeFlush();
  void flush();

 private:
  const ToolStreams& streams_;
  std::string buffer_;
};

/// The merged texts kept for --save and --clipboard: one column headed "Result(s)", every
/// entry checked, as the Result List holds them after a run. UTF-8 in one buffer, so a million
/// entries cost little more than their bytes.
class KeptResults : public ListSource {
 public:
  static constexpr std::size_t kMaxBytes = std::size_t{512} << 20;

  void add(std::string_view text);
  int columnCount() const override { return 1; }
  QString columnHeader(int column) const override;
  int count() const override { return static_cast<int>(ends_.size()); }
  QString text(int entry, int column) const override;
  bool checked(int entry) const override;

 private:
  void checkEntry(int entry) const;
  static void checkColumn(int column);

  std::string bytes_;
  std::vector<std::size_t> ends_;
};

/// Where each merged text goes, in the run's order: the duplicates rule, then printed and kept
/// as the options ask. Failure lines go to standard error after the texts before them.
class ResultTexts final : public MergeSink {
 public:
  ResultTexts(const MergeToolOptions& options, const ToolStreams& streams, BufferedOut& out);

  void text(const CellSource& source, std::string_view text) override;
  void failure(std::string_view line) override;
  /// Closes the JSON array and writes what is left.
  void finish();
  const KeptResults& kept() const { return kept_; }

 private:
  // Starts the JSON array before its first element, so a run that ends before any text prints
  // nothing at all.
  void openArray();

  const ToolStreams& streams_;
  BufferedOut& out_;
  merge::DuplicateFilter duplicates_;
  bool opened_ = false;
  bool withSource_, printLines_, printJson_, keep_;
  std::size_t printed_ = 0;
  KeptResults kept_;
};

}  // namespace lomandra::cli
