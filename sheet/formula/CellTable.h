#pragma once

// All cells of one sheet as formulas read them: values in row and column order, and the
// formulas to compute with their state and result.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sheet/formula/Functions.h"
#include "sheet/model/WorkbookFile.h"

namespace lomandra::formula {

class CellTable : public model::SheetVisitor {
 public:
  static constexpr std::int32_t kNoFormula = -1;

  struct Cell {
    std::uint32_t row = 0, column = 0;
    std::int32_t formula = kNoFormula;  ///< index into formulas(), or kNoFormula
    Value value;                        ///< the saved value
  };

  enum class State : std::uint8_t { Pending, Visiting, Done };
  struct Formula {
    std::uint32_t row = 0, column = 0;
    std::uint32_t originRow = 0, originColumn = 0;  ///< the cell the text was written for
    std::uint32_t text = 0;                         ///< index into texts()
    bool spills = false, array = false;
    State state = State::Pending;
    bool computed = false;  ///< result holds the computed value; otherwise the saved one stands
    bool circular = false;  ///< part of a circular reference
    Value result;
  };

  bool cell(std::uint32_t row, std::uint32_t column, const model::CellRef& value) override;
  /// Orders the cells; a cell given twice keeps its last value.
  void finish();

  const Cell* find(std::uint32_t row, std::uint32_t column) const;
  /// Calls `visit` for each cell held within the area, row by row.
  void forEach(const Area& area, const std::function<void(const Cell&)>& visit) const;
  /// Calls `visit` with the index of each formula cell within the area that is not yet
  /// computed (columns whose formulas are all computed are passed over at once).
  void forEachPendingFormula(const Area& area, const std::function<void(std::int32_t)>& visit) const;
  /// Notes that formula `index` is computed (or will not be).
  void done(std::int32_t index);
  /// One past the last row and column holding a cell.
  std::uint32_t usedRows() const { return usedRows_; }
  std::uint32_t usedColumns() const { return usedColumns_; }

  std::vector<Formula>& formulas() { return formulas_; }
  const std::string& text(std::uint32_t index) const { return texts_[index]; }
  /// The parsed form of formula text `index`, parsed by `parse` the first time it is asked for.
  template <typename Parse>
  const Expression& parsed(std::uint32_t index, Parse&& parse) {
    if (parsed_.size() < texts_.size()) parsed_.resize(texts_.size());
    auto& slot = parsed_[index];
    if (!slot) slot = std::make_unique<Expression>(parse(texts_[index]));
    return *slot;
  }
  /// Notes that one formula of text `index` is computed: the parsed form goes once every
  /// formula of that text is, so that memory holds only the formulas still to compute.
  void computed(std::uint32_t index) {
    if (--uses_[index] == 0 && index < parsed_.size()) parsed_[index].reset();
  }

 private:
  std::vector<Cell> cells_;
  std::vector<std::uint32_t> rowNumbers_, rowStarts_;
  std::vector<Formula> formulas_;
  std::vector<std::string> texts_;
  std::vector<std::unique_ptr<Expression>> parsed_;
  std::vector<std::uint32_t> uses_;  // formulas of each text not yet computed
  // The text of each shared formula by the cell it was written for: its later cells share it.
  std::unordered_map<std::uint64_t, std::uint32_t> sharedTexts_;
  struct FormulaColumn {
    std::vector<std::pair<std::uint32_t, std::int32_t>> rows;  // (row, formula), ascending
    std::uint32_t pending = 0;                                 // formulas not yet computed
  };
  std::map<std::uint32_t, FormulaColumn> formulaColumns_;
  std::uint32_t usedRows_ = 0, usedColumns_ = 0;
};

}  // namespace lomandra::formula
