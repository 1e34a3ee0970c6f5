#pragma once

// The evaluator's working state for one workbook: parsed formulas, defined names, the cell a
// formula is computed for, and the order in which formula cells are computed.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sheet/formula/CellTable.h"
#include "sheet/formula/Expression.h"
#include "sheet/formula/Functions.h"

namespace lomandra::formula {

class WorkbookFormulas;

/// Thrown when a workbook's formulas have visited more cells than one workbook may make them.
struct WorkExhausted {};

class Evaluation {
 public:
  explicit Evaluation(WorkbookFormulas& owner);

  /// Computes formula `index` of sheet `sheet` (and first what it depends on) unless done.
  void ensure(int sheet, std::int32_t index);

  // --- for FunctionCall and the functions
  Operand evaluate(const Node& node);
  /// The value of one cell (its computed value for a formula cell); Empty when none.
  const Value& cellValue(int sheet, std::uint32_t row, std::uint32_t column);
  /// Each cell holding a value within the area (formula cells computed first).
  void forEachValue(const Area& area,
                    const std::function<void(std::uint32_t row, std::uint32_t column, const Value&)>& visit);
  /// An operand as one value (implicit intersection for references).
  Value scalar(const Operand& operand);
  /// An operand as an array (a reference's cells; a value as 1 x 1).
  Array toArray(const Operand& operand);
  /// One past the last row and column of `sheet` holding a cell.
  std::uint32_t usedRows(int sheet);
  std::uint32_t usedColumns(int sheet);
  bool date1904() const { return date1904_; }
  double now() const;
  /// True while computing an array formula or an argument that takes arrays (SUMPRODUCT).
  bool arrayMode() const { return arrayMode_; }
  void setArrayMode(bool on) { arrayMode_ = on; }
  /// The sheet, row and column of the formula being computed.
  int sheet() const { return frame_.sheet; }
  std::uint32_t row() const { return frame_.row; }
  std::uint32_t column() const { return frame_.column; }

  /// Counts `cells` visited; past the budget for one workbook, computing stops (the formulas
  /// not yet computed keep their saved values) rather than running on for hours.
  void spend(std::uint64_t cells);

  double toNumber(const Value& v) const;
  std::string toText(const Value& v) const;
  bool toBoolean(const Value& v) const;

 private:
  struct Frame {
    int sheet = 0;
    std::uint32_t row = 0, column = 0;
    std::int64_t rowShift = 0, columnShift = 0;
  };
  struct Task {
    int sheet;
    std::int32_t index;
  };

  const Expression& expression(CellTable& table, const CellTable::Formula& f);
  std::optional<int> sheetNamed(std::string_view name) const;
  void compute(int sheet, std::int32_t index);
  void precedents(const Node& node, const Frame& frame, std::vector<Area>& out, int depth);
  bool resolve(const ReferenceText& written, const Frame& frame, Area& area) const;
  const Expression* name(const std::string& upperName, int sheet);
  Operand unary(const Node& node);
  Operand binary(const Node& node);
  Operand rangeOf(const Operand& a, const Operand& b);
  Operand intersectionOf(const Operand& a, const Operand& b);

  WorkbookFormulas& owner_;
  bool date1904_;
  std::vector<std::string> sheetNames_;
  struct NameEntry {
    int sheet;
    std::shared_ptr<Expression> expression;
  };
  std::unordered_map<std::string, std::vector<NameEntry>> names_;
  Frame frame_;
  bool arrayMode_ = false;
  int depth_ = 0;
  std::uint64_t work_ = 0;
  bool exhausted_ = false;
};

}  // namespace lomandra::formula
