#pragma once

// The formula cells of a sheet store that the file holds no current value for, given their
// computed values; and what could not be computed, for the command-line tool's notice.

#include <memory>

#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::formula {
class WorkbookFormulas;
}

namespace lomandra::engine {

class SheetStore;

class FormulaCells {
 public:
  /// Computes with the sheets of `file`, which must outlive this object. Every call must hold
  /// whatever serves the file to one reader at a time: computing reads sheets through it.
  explicit FormulaCells(model::WorkbookFile& file);
  ~FormulaCells();

  /// Gives every formula `store` (a part of sheet `sheet`) holds to compute its value; a
  /// formula that cannot be computed keeps its saved value. Costs nothing when there are none.
  /// Throws lomandra::Failure when a sheet a formula needs cannot be read.
  void compute(int sheet, SheetStore& store);
  /// The computed value of one formula cell as a reader gives cells; false when it keeps its
  /// saved value. `text` holds the text of a text or error value.
  bool value(int sheet, std::uint32_t row, std::uint32_t column, model::CellRef& out,
             std::string& text);
  /// What could not be computed so far.
  UncomputedFormulas uncomputed() const;

 private:
  formula::WorkbookFormulas& formulas();

  model::WorkbookFile& file_;
  std::unique_ptr<formula::WorkbookFormulas> formulas_;
};

}  // namespace lomandra::engine
