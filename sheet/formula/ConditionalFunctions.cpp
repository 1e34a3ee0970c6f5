// SUMIF, COUNTIF, AVERAGEIF, their several-criteria forms, MAXIFS and MINIFS.

#include <algorithm>
#include <limits>

#include "sheet/formula/Criteria.h"
#include "sheet/formula/FunctionSupport.h"

namespace lomandra::formula {

namespace {

enum class Aggregate { Sum, Count, Average, Max, Min };

// A range argument: a reference or an array, read cell by cell from its top-left corner.
struct Block {
  Operand operand;
  std::uint32_t rows = 0, columns = 0;
};

Block blockOf(FunctionCall& call, std::size_t i) {
  Block b;
  b.operand = call.operand(i);
  switch (b.operand.kind) {
    case Operand::Kind::Reference:
      if (b.operand.areas.size() != 1) fail(Error::Value);
      b.rows = b.operand.areas[0].rows();
      b.columns = b.operand.areas[0].columns();
      break;
    case Operand::Kind::Array:
      b.rows = b.operand.array->rows;
      b.columns = b.operand.array->columns;
      break;
    case Operand::Kind::Value:
      if (b.operand.value.isError()) fail(b.operand.value.error);
      fail(Error::Value);
  }
  return b;
}

const Value& valueAt(Evaluation& ev, const Block& b, std::uint32_t row, std::uint32_t column) {
  static const Value kEmpty;
  if (b.operand.kind == Operand::Kind::Array) {
    const Array& a = *b.operand.array;
    return row < a.rows && column < a.columns ? a.at(row, column) : kEmpty;
  }
  const Area& area = b.operand.areas[0];
  const std::uint64_t r = std::uint64_t{area.firstRow} + row, c = std::uint64_t{area.firstColumn} + column;
  if (r >= 1048576 || c >= 16384) return kEmpty;
  return ev.cellValue(area.sheet, static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c));
}

// How far into a block cells may hold values: past it every cell is empty.
void usedExtent(Evaluation& ev, const Block& b, std::uint32_t& rows, std::uint32_t& columns) {
  if (const formula::Array* a = b.operand.array.get()) {
    rows = std::max(rows, a->rows);
    columns = std::max(columns, a->columns);
    return;
  }
  const Area& area = b.operand.areas[0];
  const std::uint32_t usedRows = ev.usedRows(area.sheet), usedColumns = ev.usedColumns(area.sheet);
  rows = std::max(rows, usedRows > area.firstRow ? usedRows - area.firstRow : 0);
  columns = std::max(columns, usedColumns > area.firstColumn ? usedColumns - area.firstColumn : 0);
}

// Aggregates the cells of `values` (or counts) where every criterion holds.
// `values` < 0: no values block (COUNTIF/COUNTIFS). `sized`: the values block takes the
// shape of the first criteria range (SUMIF's rule) rather than needing it.
Operand conditional(FunctionCall& call, int values, std::vector<std::pair<std::size_t, std::size_t>> tests,
                    Aggregate aggregate, bool sized) {
  Evaluation& ev = call.evaluation();
  std::vector<Block> ranges;
  std::vector<Criterion> criteria;
  for (const auto& [range, criterion] : tests) {
    ranges.push_back(blockOf(call, range));
    const Value c = call.scalar(criterion);
    criteria.emplace_back(c.isEmpty() ? Value::fromNumber(0) : c, ev.date1904());
  }
  if (ranges.empty()) fail(Error::Value);
  const std::uint32_t rows = ranges[0].rows, columns = ranges[0].columns;
  for (const Block& b : ranges)
    if (b.rows != rows || b.columns != columns) fail(Error::Value);
  Block valueBlock;
  if (values >= 0) {
    valueBlock = blockOf(call, static_cast<std::size_t>(values));
    if (!sized && (valueBlock.rows != rows || valueBlock.columns != columns)) fail(Error::Value);
  }
  std::uint32_t usedRows = 0, usedColumns = 0;
  for (const Block& b : ranges) usedExtent(ev, b, usedRows, usedColumns);
  if (values >= 0) usedExtent(ev, valueBlock, usedRows, usedColumns);
  usedRows = std::min(usedRows, rows);
  usedColumns = std::min(usedColumns, columns);

  double total = 0, n = 0;
  double best = aggregate == Aggregate::Max ? -std::numeric_limits<double>::infinity()
                                            : std::numeric_limits<double>::infinity();
  ev.spend(std::uint64_t{usedRows} * usedColumns * ranges.size());
  for (std::uint32_t r = 0; r < usedRows; ++r) {
    for (std::uint32_t c = 0; c < usedColumns; ++c) {
      bool all = true;
      for (std::size_t k = 0; k < ranges.size() && all; ++k)
        all = criteria[k].matches(valueAt(ev, ranges[k], r, c));
      if (!all) continue;
      if (values < 0) {
        ++n;
        continue;
      }
      const Value& v = valueAt(ev, valueBlock, r, c);
      if (v.isError()) fail(v.error);
      if (!v.isNumber()) continue;
      total += v.number;
      ++n;
      best = aggregate == Aggregate::Max ? std::max(best, v.number) : std::min(best, v.number);
    }
  }
  if (values < 0) {
    // The cells past the last one in use are empty: counted when every criterion meets empty.
    const double outside = static_cast<double>(std::uint64_t{rows} * columns) -
                           static_cast<double>(std::uint64_t{usedRows} * usedColumns);
    bool blankMatches = outside > 0;
    for (const Criterion& c : criteria) blankMatches = blankMatches && c.matches(Value());
    if (blankMatches) n += outside;
    return numberResult(n);
  }
  switch (aggregate) {
    case Aggregate::Sum: return numberResult(total);
    case Aggregate::Average:
      if (n == 0) fail(Error::Div0);
      return numberResult(total / n);
    case Aggregate::Max:
    case Aggregate::Min: return numberResult(n == 0 ? 0 : best);
    case Aggregate::Count: return numberResult(n);
  }
  return numberResult(0);
}

// (range, criterion) pairs from argument `first` on.
std::vector<std::pair<std::size_t, std::size_t>> pairsFrom(FunctionCall& call, std::size_t first) {
  if ((call.size() - first) % 2 != 0) fail(Error::Value);
  std::vector<std::pair<std::size_t, std::size_t>> out;
  for (std::size_t i = first; i + 1 < call.size(); i += 2) out.emplace_back(i, i + 1);
  return out;
}

Operand sumIf(FunctionCall& call) {
  return conditional(call, call.size() > 2 && !call.missing(2) ? 2 : 0, {{0, 1}}, Aggregate::Sum, true);
}
Operand averageIf(FunctionCall& call) {
  return conditional(call, call.size() > 2 && !call.missing(2) ? 2 : 0, {{0, 1}}, Aggregate::Average, true);
}
Operand countIf(FunctionCall& call) { return conditional(call, -1, {{0, 1}}, Aggregate::Count, false); }
Operand sumIfs(FunctionCall& call) { return conditional(call, 0, pairsFrom(call, 1), Aggregate::Sum, false); }
Operand averageIfs(FunctionCall& call) {
  return conditional(call, 0, pairsFrom(call, 1), Aggregate::Average, false);
}
Operand countIfs(FunctionCall& call) { return conditional(call, -1, pairsFrom(call, 0), Aggregate::Count, false); }
Operand maxIfs(FunctionCall& call) { return conditional(call, 0, pairsFrom(call, 1), Aggregate::Max, false); }
Operand minIfs(FunctionCall& call) { return conditional(call, 0, pairsFrom(call, 1), Aggregate::Min, false); }

}  // namespace

void addConditionalFunctions(std::vector<Function>& table) {
  table.insert(table.end(), {
      {"SUMIF", 2, 3, sumIf},
      {"SUMIFS", 3, 255, sumIfs},
      {"COUNTIF", 2, 2, countIf},
      {"COUNTIFS", 2, 254, countIfs},
      {"AVERAGEIF", 2, 3, averageIf},
      {"AVERAGEIFS", 3, 255, averageIfs},
      {"MAXIFS", 3, 255, maxIfs},
      {"MINIFS", 3, 255, minIfs},
  });
}

}  // namespace lomandra::formula
