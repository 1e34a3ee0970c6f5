#pragma once

// Turns a cell's value into its displayed text through the number-format engine, compiling each
// cell format's code once.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/model/WorkbookFile.h"
#include "sheet/numfmt/Locale.h"

namespace lomandra::engine {

class CellFormatter {
 public:
  /// Formats with the codes and date system of `file`, which must outlive the formatter, in
  /// `locale` (the program's rendering locale unless given).
  explicit CellFormatter(const model::WorkbookFile& file,
                         std::shared_ptr<const numfmt::Locale> locale = numfmt::Locale::display());
  ~CellFormatter();
  CellFormatter(const CellFormatter&) = delete;
  CellFormatter& operator=(const CellFormatter&) = delete;

  /// True when cell format `format` shows numbers in General.
  bool isGeneral(std::uint32_t format) const;
  /// The drawing style the file stores for cell format `format`.
  model::CellStyle style(std::uint32_t format) const { return file_.cellStyle(format); }

  /// Compiles cell format `format` now. Returns true when format() and isGeneral() then only
  /// read for it, so that several threads may format with it at once (a format past the cache
  /// is compiled again at each use, and is never shared).
  bool prepare(std::uint32_t format) const;

  /// The displayed text of a value of `kind` in cell format `format`, written to `out`.
  /// Booleans show TRUE/FALSE, errors their code, text goes through the format's text section.
  void format(model::CellKind kind, double number, std::string_view text, std::uint32_t format,
              std::string& out) const;
  /// The colour (0xRRGGBB) the format's colour tag gives a number or text cell, or
  /// numfmt::kNoColor.
  std::uint32_t color(model::CellKind kind, double number, std::uint32_t format) const;

 private:
  struct Compiled;
  const Compiled& compiled(std::uint32_t format) const;

  std::string codeOf(std::uint32_t format) const;

  const model::WorkbookFile& file_;
  std::shared_ptr<const numfmt::Locale> locale_;
  bool date1904_;
  mutable std::vector<std::unique_ptr<Compiled>> cache_;
  mutable std::unique_ptr<Compiled> general_;
  mutable std::unique_ptr<Compiled> uncached_;
};

/// The displayed text of a number in the General format, in the program's rendering locale.
std::string formatGeneralNumber(double value);

}  // namespace lomandra::engine
