#pragma once

// Computes the formula cells of a workbook that the file holds no value for, or holds stale
// values for: lazily, each cell once and only with what it depends on, reading each sheet a
// formula refers to through the workbook file when first needed.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sheet/formula/Value.h"
#include "sheet/model/WorkbookFile.h"

namespace lomandra::formula {

class CellTable;
class Evaluation;

/// What could not be computed: the cells that keep their saved value (or stay empty) and why.
struct UncomputedReport {
  std::uint64_t cells = 0;
  std::set<std::string> functions;  ///< functions not built in, upper case
  std::set<std::string> reasons;    ///< other causes: another workbook, a dynamic array, ...
};

class WorkbookFormulas {
 public:
  /// Reads all of sheet `index` into `visitor` (the caller holds whatever the file needs).
  using SheetLoader = std::function<void(int index, model::SheetVisitor& visitor)>;

  /// Computes with `file`'s sheets, names and date system; `loader` reads a sheet of it.
  WorkbookFormulas(const model::WorkbookFile& file, SheetLoader loader);
  ~WorkbookFormulas();
  WorkbookFormulas(const WorkbookFormulas&) = delete;
  WorkbookFormulas& operator=(const WorkbookFormulas&) = delete;

  /// The computed value of the formula cell at (sheet, row, column); nothing when it cannot be
  /// computed (the cell keeps its saved value) or holds no formula to compute. Throws
  /// lomandra::Failure when a sheet it needs cannot be read.
  std::optional<Value> value(int sheet, std::uint32_t row, std::uint32_t column);

  /// The formula cells met so far that could not be computed.
  const UncomputedReport& uncomputed() const { return uncomputed_; }

  /// The date and time TODAY and NOW give (serial number, local time); fixed for a workbook.
  void setNow(double serial) { now_ = serial; }
  double now() const { return now_; }

 private:
  friend class Evaluation;
  CellTable& table(int sheet);

  const model::WorkbookFile& file_;
  SheetLoader loader_;
  std::vector<std::unique_ptr<CellTable>> tables_;
  std::unique_ptr<Evaluation> evaluation_;
  UncomputedReport uncomputed_;
  double now_ = 0;
};

/// The current local date and time as a serial number of the given date system.
double currentSerial(bool date1904);

}  // namespace lomandra::formula
