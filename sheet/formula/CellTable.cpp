#include "sheet/formula/CellTable.h"

#include <algorithm>

namespace lomandra::formula {

bool CellTable::cell(std::uint32_t row, std::uint32_t column, const model::CellRef& ref) {
  Cell c;
  c.row = row;
  c.column = column;
  switch (ref.kind) {
    case model::CellKind::Empty:
      break;
    case model::CellKind::Number:
      c.value = Value::fromNumber(ref.number);
      break;
    case model::CellKind::Boolean:
      c.value = Value::fromBoolean(ref.number != 0);
      break;
    case model::CellKind::Text:
      c.value = Value::fromText(std::string(model::cellTextPrefix(ref.text)));
      break;
    case model::CellKind::Error: {
      Error e = Error::Value;
      c.value = parseError(ref.text, e) ? Value::fromError(e) : Value::fromText(std::string(ref.text));
      break;
    }
  }
  if (!ref.formula.text.empty()) {
    Formula f;
    f.row = row;
    f.column = column;
    f.originRow = ref.formula.row;
    f.originColumn = ref.formula.column;
    f.spills = ref.formula.spills;
    f.array = ref.formula.array;
    // A formula written for another cell is a shared formula's later cell: one text serves all.
    const bool shared = f.originRow != row || f.originColumn != column;
    const std::uint64_t origin = (std::uint64_t{f.originRow} << 32) | f.originColumn;
    const auto found = shared ? sharedTexts_.find(origin) : sharedTexts_.end();
    if (found != sharedTexts_.end() && texts_[found->second] == ref.formula.text) {
      f.text = found->second;
    } else {
      f.text = static_cast<std::uint32_t>(texts_.size());
      texts_.emplace_back(ref.formula.text);
      uses_.push_back(0);
      if (shared) sharedTexts_[origin] = f.text;
    }
    ++uses_[f.text];
    c.formula = static_cast<std::int32_t>(formulas_.size());
    formulas_.push_back(std::move(f));
  } else if (ref.kind == model::CellKind::Empty) {
    return true;
  }
  usedRows_ = std::max(usedRows_, row + 1);
  usedColumns_ = std::max(usedColumns_, column + 1);
  cells_.push_back(std::move(c));
  return true;
}

void CellTable::finish() {
  std::stable_sort(cells_.begin(), cells_.end(), [](const Cell& a, const Cell& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  });
  // A cell given twice: the last one stands.
  std::vector<Cell> kept;
  kept.reserve(cells_.size());
  for (Cell& c : cells_) {
    if (!kept.empty() && kept.back().row == c.row && kept.back().column == c.column)
      kept.back() = std::move(c);
    else
      kept.push_back(std::move(c));
  }
  cells_ = std::move(kept);
  rowNumbers_.clear();
  rowStarts_.clear();
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    if (rowNumbers_.empty() || rowNumbers_.back() != cells_[i].row) {
      rowNumbers_.push_back(cells_[i].row);
      rowStarts_.push_back(static_cast<std::uint32_t>(i));
    }
    if (cells_[i].formula != kNoFormula) {
      FormulaColumn& column = formulaColumns_[cells_[i].column];
      column.rows.emplace_back(cells_[i].row, cells_[i].formula);
      ++column.pending;
    }
  }
  sharedTexts_ = {};
}

const CellTable::Cell* CellTable::find(std::uint32_t row, std::uint32_t column) const {
  const auto r = std::lower_bound(rowNumbers_.begin(), rowNumbers_.end(), row);
  if (r == rowNumbers_.end() || *r != row) return nullptr;
  const std::size_t index = static_cast<std::size_t>(r - rowNumbers_.begin());
  const auto begin = cells_.begin() + rowStarts_[index];
  const auto end = index + 1 < rowStarts_.size() ? cells_.begin() + rowStarts_[index + 1] : cells_.end();
  const auto at = std::lower_bound(begin, end, column,
                                   [](const Cell& c, std::uint32_t col) { return c.column < col; });
  return at != end && at->column == column ? &*at : nullptr;
}

void CellTable::forEach(const Area& area, const std::function<void(const Cell&)>& visit) const {
  auto r = std::lower_bound(rowNumbers_.begin(), rowNumbers_.end(), area.firstRow);
  for (; r != rowNumbers_.end() && *r <= area.lastRow; ++r) {
    const std::size_t index = static_cast<std::size_t>(r - rowNumbers_.begin());
    const auto begin = cells_.begin() + rowStarts_[index];
    const auto end =
        index + 1 < rowStarts_.size() ? cells_.begin() + rowStarts_[index + 1] : cells_.end();
    auto at = std::lower_bound(begin, end, area.firstColumn,
                               [](const Cell& c, std::uint32_t col) { return c.column < col; });
    for (; at != end && at->column <= area.lastColumn; ++at) visit(*at);
  }
}

void CellTable::forEachPendingFormula(const Area& area,
                                      const std::function<void(std::int32_t)>& visit) const {
  for (auto column = formulaColumns_.lower_bound(area.firstColumn);
       column != formulaColumns_.end() && column->first <= area.lastColumn; ++column) {
    if (column->second.pending == 0) continue;
    const auto& rows = column->second.rows;
    auto at = std::lower_bound(rows.begin(), rows.end(), std::make_pair(area.firstRow, std::int32_t{-1}));
    for (; at != rows.end() && at->first <= area.lastRow; ++at)
      if (formulas_[static_cast<std::size_t>(at->second)].state != State::Done) visit(at->second);
  }
}

void CellTable::done(std::int32_t index) {
  Formula& f = formulas_[static_cast<std::size_t>(index)];
  f.state = State::Done;
  const auto column = formulaColumns_.find(f.column);
  if (column != formulaColumns_.end() && column->second.pending > 0) --column->second.pending;
}

}  // namespace lomandra::formula
