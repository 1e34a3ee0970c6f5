#include "sheet/engine/FormulaCells.h"

#include "sheet/engine/SheetStore.h"
#include "sheet/formula/WorkbookFormulas.h"

namespace lomandra::engine {

FormulaCells::FormulaCells(model::WorkbookFile& file) : file_(file) {}

FormulaCells::~FormulaCells() = default;

formula::WorkbookFormulas& FormulaCells::formulas() {
  if (!formulas_) {
    formulas_ = std::make_unique<formula::WorkbookFormulas>(
        file_, [this](int index, model::SheetVisitor& visitor) {
          file_.readSheet(index, visitor, model::kAllRows);
        });
  }
  return *formulas_;
}

bool FormulaCells::value(int sheet, std::uint32_t row, std::uint32_t column, model::CellRef& out,
                         std::string& text) {
  const auto computed = formulas().value(sheet, row, column);
  if (!computed) return false;
  using Type = formula::Value::Type;
  out = {};
  switch (computed->type) {
    case Type::Empty:
      return false;
    case Type::Number:
      out.kind = model::CellKind::Number;
      out.number = computed->number;
      break;
    case Type::Boolean:
      out.kind = model::CellKind::Boolean;
      out.number = computed->number;
      break;
    case Type::Text:
      out.kind = model::CellKind::Text;
      text = computed->text;
      break;
    case Type::Error:
      out.kind = model::CellKind::Error;
      text = formula::errorText(computed->error);
      break;
  }
  out.text = text;
  return true;
}

void FormulaCells::compute(int sheet, SheetStore& store) {
  if (store.pendingFormulas().empty()) return;
  model::CellRef cell;
  std::string text;
  for (const auto& [row, column] : store.pendingFormulas())
    if (value(sheet, row, column, cell, text)) store.setComputed(row, column, cell);
  store.clearPending();
}

UncomputedFormulas FormulaCells::uncomputed() const {
  UncomputedFormulas out;
  if (!formulas_) return out;
  const formula::UncomputedReport& report = formulas_->uncomputed();
  out.cells = report.cells;
  out.functions.assign(report.functions.begin(), report.functions.end());
  out.reasons.assign(report.reasons.begin(), report.reasons.end());
  return out;
}

}  // namespace lomandra::engine
