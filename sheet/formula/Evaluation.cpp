#include "sheet/formula/Evaluation.h"

#include <QDateTime>
#include <cmath>

#include "sheet/formula/Conversions.h"
#include "sheet/formula/WorkbookFormulas.h"

namespace lomandra::formula {

namespace {

constexpr std::uint32_t kRows = 1048576, kColumns = 16384;
// Names that refer to names, and formulas reached through cells a first look did not find,
// nest no deeper than this.
constexpr int kMaxNesting = 64;
// The most values one array may hold (a whole column is cut to the rows in use first).
constexpr std::uint64_t kMaxArrayValues = 16u << 20;
// The most cells the formulas of one workbook may visit: some seconds of work. A hostile file
// (every formula summing a million cells) stops here instead of running for hours.
constexpr std::uint64_t kMaxWork = std::uint64_t{4} << 30;
constexpr const char* kTooLong = "formulas that take too long to compute";

const Value kEmpty;

Value arithmetic(Operator op, double x, double y) {
  double r = 0;
  switch (op) {
    case Operator::Add:
    case Operator::Subtract: {
      r = op == Operator::Add ? x + y : x - y;
      // A sum that cancels to within the last digit is zero, as the application computes it.
      if (r != 0 && std::fabs(r) < std::max(std::fabs(x), std::fabs(y)) * 1e-15) r = 0;
      break;
    }
    case Operator::Multiply:
      r = x * y;
      break;
    case Operator::Divide:
      if (y == 0) return Value::fromError(Error::Div0);
      r = x / y;
      break;
    case Operator::Power:
      if (x == 0 && y == 0) return Value::fromError(Error::Num);
      if (x == 0 && y < 0) return Value::fromError(Error::Div0);
      if (x < 0 && y != std::floor(y)) {
        // An odd root of a negative number is real: (-8)^(1/3) is -2.
        const double inverse = 1 / y;
        if (std::fabs(inverse - std::round(inverse)) < 1e-9 && std::fmod(std::round(inverse), 2) != 0)
          r = -std::pow(-x, y);
        else
          return Value::fromError(Error::Num);
      } else {
        r = std::pow(x, y);
      }
      break;
    default:
      break;
  }
  if (!std::isfinite(r)) return Value::fromError(Error::Num);
  return Value::fromNumber(r);
}

}  // namespace

Evaluation::Evaluation(WorkbookFormulas& owner)
    : owner_(owner), date1904_(owner.file_.date1904()) {
  for (const model::SheetInfo& sheet : owner.file_.sheets()) sheetNames_.push_back(sheet.name);
  for (const model::DefinedName& defined : owner.file_.definedNames()) {
    auto parsed = std::make_shared<Expression>(
        parseFormula(defined.formula, [this](std::string_view name) { return sheetNamed(name); }));
    std::string key = defined.name;
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    names_[key].push_back({defined.sheet, std::move(parsed)});
  }
}

double Evaluation::now() const { return owner_.now(); }

void Evaluation::spend(std::uint64_t cells) {
  work_ += cells;
  if (work_ > kMaxWork) exhausted_ = true;
  if (exhausted_) throw WorkExhausted{};
}

std::uint32_t Evaluation::usedRows(int sheet) { return owner_.table(sheet).usedRows(); }
std::uint32_t Evaluation::usedColumns(int sheet) { return owner_.table(sheet).usedColumns(); }

std::optional<int> Evaluation::sheetNamed(std::string_view name) const {
  for (std::size_t i = 0; i < sheetNames_.size(); ++i)
    if (equalsIgnoringCase(sheetNames_[i], name)) return static_cast<int>(i);
  return std::nullopt;
}

const Expression& Evaluation::expression(CellTable& table, const CellTable::Formula& f) {
  return table.parsed(f.text, [this](const std::string& text) {
    return parseFormula(text, [this](std::string_view name) { return sheetNamed(name); });
  });
}

const Expression* Evaluation::name(const std::string& upperName, int sheet) {
  const auto found = names_.find(upperName);
  if (found == names_.end()) return nullptr;
  const Expression* global = nullptr;
  for (const NameEntry& entry : found->second) {
    if (entry.sheet == sheet) return entry.expression.get();
    if (entry.sheet < 0) global = entry.expression.get();
  }
  return global;
}

bool Evaluation::resolve(const ReferenceText& written, const Frame& frame, Area& area) const {
  if (written.sheet == ReferenceText::kMissingSheet) return false;
  area.sheet = written.sheet == ReferenceText::kOwnSheet ? frame.sheet : written.sheet;
  // Relative parts move with a shared formula's cell; moved off the sheet they are #REF!.
  auto place = [](std::uint32_t at, bool absolute, std::int64_t shift, std::uint32_t limit,
                  std::uint32_t& out) {
    const std::int64_t moved = absolute ? at : static_cast<std::int64_t>(at) + shift;
    if (moved < 0 || moved >= limit) return false;
    out = static_cast<std::uint32_t>(moved);
    return true;
  };
  if (written.wholeRows) {
    area.firstColumn = 0;
    area.lastColumn = kColumns - 1;
  } else if (!place(written.firstColumn, written.firstColumnAbsolute, frame.columnShift, kColumns, area.firstColumn) ||
             !place(written.lastColumn, written.lastColumnAbsolute, frame.columnShift, kColumns, area.lastColumn)) {
    return false;
  }
  if (written.wholeColumns) {
    area.firstRow = 0;
    area.lastRow = kRows - 1;
  } else if (!place(written.firstRow, written.firstRowAbsolute, frame.rowShift, kRows, area.firstRow) ||
             !place(written.lastRow, written.lastRowAbsolute, frame.rowShift, kRows, area.lastRow)) {
    return false;
  }
  if (area.firstRow > area.lastRow) std::swap(area.firstRow, area.lastRow);
  if (area.firstColumn > area.lastColumn) std::swap(area.firstColumn, area.lastColumn);
  return area.sheet >= 0 && area.sheet < static_cast<int>(sheetNames_.size());
}

void Evaluation::precedents(const Node& node, const Frame& frame, std::vector<Area>& out,
                            int depth) {
  if (depth > kMaxNesting) return;
  switch (node.kind) {
    case Node::Kind::Reference: {
      Area area;
      if (resolve(node.reference, frame, area)) out.push_back(area);
      return;
    }
    case Node::Kind::Name:
      if (const Expression* e = name(node.text, frame.sheet)) {
        Frame named = frame;
        named.rowShift = named.columnShift = 0;
        precedents(e->root, named, out, depth + 1);
      }
      return;
    case Node::Kind::Binary:
      if ((node.op == Operator::Range || node.op == Operator::Intersect) &&
          node.children[0].kind == Node::Kind::Reference &&
          node.children[1].kind == Node::Kind::Reference) {
        Area a, b;
        if (resolve(node.children[0].reference, frame, a) &&
            resolve(node.children[1].reference, frame, b) && a.sheet == b.sheet) {
          out.push_back({a.sheet, std::min(a.firstRow, b.firstRow), std::min(a.firstColumn, b.firstColumn),
                         std::max(a.lastRow, b.lastRow), std::max(a.lastColumn, b.lastColumn)});
          return;
        }
      }
      [[fallthrough]];
    default:
      for (const Node& child : node.children) precedents(child, frame, out, depth + 1);
  }
}

void Evaluation::ensure(int sheet, std::int32_t index) {
  {
    const CellTable::Formula& first = owner_.table(sheet).formulas()[static_cast<std::size_t>(index)];
    if (first.state != CellTable::State::Pending) return;  // done, or being computed (circular)
  }
  if (depth_ >= kMaxNesting) return;  // reached through a path no first look found: saved value
  ++depth_;
  std::vector<Task> stack{{sheet, index}};
  std::vector<Area> areas;
  while (!stack.empty()) {
    const Task task = stack.back();
    CellTable& table = owner_.table(task.sheet);
    CellTable::Formula& f = table.formulas()[static_cast<std::size_t>(task.index)];
    if (f.state == CellTable::State::Done) {
      stack.pop_back();
      continue;
    }
    if (f.state == CellTable::State::Visiting) {
      // Everything it depends on is computed (or part of a circle): now it can be.
      compute(task.sheet, task.index);
      stack.pop_back();
      continue;
    }
    f.state = CellTable::State::Visiting;
    const Expression& e = expression(table, f);
    if (e.unsupported.any() || f.spills) continue;
    areas.clear();
    const Frame frame{task.sheet, f.row, f.column,
                      static_cast<std::int64_t>(f.row) - f.originRow,
                      static_cast<std::int64_t>(f.column) - f.originColumn};
    precedents(e.root, frame, areas, 0);
    for (const Area& area : areas) {
      CellTable& source = owner_.table(area.sheet);
      source.forEachPendingFormula(area, [&](std::int32_t p) {
        spend(1);
        CellTable::Formula& precedent = source.formulas()[static_cast<std::size_t>(p)];
        if (precedent.state == CellTable::State::Pending) {
          stack.push_back({area.sheet, p});
        } else if (precedent.state == CellTable::State::Visiting) {
          // A circle: every cell on the path from the precedent to here is part of it, and
          // shows 0 as the application shows such cells.
          bool onPath = false;
          for (const Task& t : stack) {
            CellTable::Formula& member = owner_.table(t.sheet).formulas()[static_cast<std::size_t>(t.index)];
            if (t.sheet == area.sheet && t.index == p) onPath = true;
            if (onPath && member.state == CellTable::State::Visiting) member.circular = true;
          }
        }
      });
    }
  }
  --depth_;
}

void Evaluation::compute(int sheet, std::int32_t index) {
  CellTable& table = owner_.table(sheet);
  table.done(index);
  CellTable::Formula& f = table.formulas()[static_cast<std::size_t>(index)];
  UncomputedReport& report = owner_.uncomputed_;
  if (f.circular) {
    f.result = Value::fromNumber(0);
    f.computed = true;
    return;
  }
  if (exhausted_) {
    ++report.cells;
    report.reasons.insert(kTooLong);
    return;
  }
  if (f.spills) {
    ++report.cells;
    report.reasons.insert("a dynamic array or an array formula over several cells");
    return;
  }
  const Expression& e = expression(table, f);
  if (e.unsupported.any()) {
    ++report.cells;
    for (const std::string& name : e.unsupported.functions) report.functions.insert(name);
    if (!e.unsupported.reason.empty()) report.reasons.insert(e.unsupported.reason);
    return;
  }
  const Frame saved = frame_;
  const bool savedMode = arrayMode_;
  frame_ = {sheet, f.row, f.column, static_cast<std::int64_t>(f.row) - f.originRow,
            static_cast<std::int64_t>(f.column) - f.originColumn};
  arrayMode_ = f.array;
  Value result;
  try {
    result = scalar(evaluate(e.root));
  } catch (const ErrorResult& error) {
    result = Value::fromError(error.error);
  } catch (const WorkExhausted&) {
    frame_ = saved;
    arrayMode_ = savedMode;
    ++report.cells;
    report.reasons.insert(kTooLong);
    return;
  }
  frame_ = saved;
  arrayMode_ = savedMode;
  // A formula giving an empty cell shows 0.
  if (result.isEmpty()) result = Value::fromNumber(0);
  if (result.isNumber() && !std::isfinite(result.number)) result = Value::fromError(Error::Num);
  if (result.isNumber() && result.number == 0) result.number = 0;  // no negative zero
  CellTable::Formula& done = table.formulas()[static_cast<std::size_t>(index)];
  done.result = std::move(result);
  done.computed = true;
  table.computed(done.text);
}

const Value& Evaluation::cellValue(int sheet, std::uint32_t row, std::uint32_t column) {
  CellTable& table = owner_.table(sheet);
  const CellTable::Cell* cell = table.find(row, column);
  if (!cell) return kEmpty;
  if (cell->formula == CellTable::kNoFormula) return cell->value;
  const std::int32_t index = cell->formula;
  ensure(sheet, index);
  const CellTable::Formula& f = table.formulas()[static_cast<std::size_t>(index)];
  return f.computed ? f.result : cell->value;
}

void Evaluation::forEachValue(
    const Area& area,
    const std::function<void(std::uint32_t, std::uint32_t, const Value&)>& visit) {
  CellTable& table = owner_.table(area.sheet);
  // Formula cells first, so that visiting never computes while the cells are walked.
  table.forEachPendingFormula(area, [&](std::int32_t index) { ensure(area.sheet, index); });
  table.forEach(area, [&](const CellTable::Cell& cell) {
    spend(1);
    const Value* v = &cell.value;
    if (cell.formula != CellTable::kNoFormula) {
      const CellTable::Formula& f = table.formulas()[static_cast<std::size_t>(cell.formula)];
      if (f.computed) v = &f.result;
    }
    if (!v->isEmpty()) visit(cell.row, cell.column, *v);
  });
}

Operand Evaluation::evaluate(const Node& node) {
  switch (node.kind) {
    case Node::Kind::Constant:
      return node.value;
    case Node::Kind::Missing:
      return Value();
    case Node::Kind::Array: {
      Operand o;
      o.kind = Operand::Kind::Array;
      o.array = node.array;
      return o;
    }
    case Node::Kind::Reference: {
      Area area;
      if (!resolve(node.reference, frame_, area)) return Value::fromError(Error::Ref);
      return Operand::reference({area});
    }
    case Node::Kind::Name: {
      const Expression* e = name(node.text, frame_.sheet);
      if (!e || e->unsupported.any() || depth_ > kMaxNesting) return Value::fromError(Error::Name);
      const Frame saved = frame_;
      frame_.rowShift = frame_.columnShift = 0;
      ++depth_;
      Operand result;
      try {
        result = evaluate(e->root);
      } catch (...) {
        --depth_;
        frame_ = saved;
        throw;
      }
      --depth_;
      frame_ = saved;
      return result;
    }
    case Node::Kind::Unary:
      return unary(node);
    case Node::Kind::Binary:
      return binary(node);
    case Node::Kind::Union: {
      std::vector<Area> areas;
      for (const Node& child : node.children) {
        Operand o = evaluate(child);
        if (o.kind != Operand::Kind::Reference) {
          if (o.kind == Operand::Kind::Value && o.value.isError()) return o;
          return Value::fromError(Error::Value);
        }
        areas.insert(areas.end(), o.areas.begin(), o.areas.end());
      }
      return Operand::reference(std::move(areas));
    }
    case Node::Kind::Call: {
      FunctionCall call(*this, node);
      try {
        return node.function->compute(call);
      } catch (const ErrorResult& error) {
        return Value::fromError(error.error);
      }
    }
  }
  return Value::fromError(Error::Value);
}

Value Evaluation::scalar(const Operand& operand) {
  switch (operand.kind) {
    case Operand::Kind::Value:
      return operand.value;
    case Operand::Kind::Array:
      if (operand.array->values.empty()) return Value::fromError(Error::Value);
      return operand.array->values.front();
    case Operand::Kind::Reference:
      break;
  }
  if (operand.areas.size() != 1) return Value::fromError(Error::Value);
  const Area& a = operand.areas.front();
  if (a.firstRow == a.lastRow && a.firstColumn == a.lastColumn)
    return cellValue(a.sheet, a.firstRow, a.firstColumn);
  if (arrayMode_) return cellValue(a.sheet, a.firstRow, a.firstColumn);
  // Implicit intersection: the cell of the range in the formula's own row or column.
  if (a.firstColumn == a.lastColumn && frame_.row >= a.firstRow && frame_.row <= a.lastRow)
    return cellValue(a.sheet, frame_.row, a.firstColumn);
  if (a.firstRow == a.lastRow && frame_.column >= a.firstColumn && frame_.column <= a.lastColumn)
    return cellValue(a.sheet, a.firstRow, frame_.column);
  return Value::fromError(Error::Value);
}

Array Evaluation::toArray(const Operand& operand) {
  Array out;
  switch (operand.kind) {
    case Operand::Kind::Value:
      out.rows = out.columns = 1;
      out.values.push_back(operand.value);
      return out;
    case Operand::Kind::Array:
      return *operand.array;
    case Operand::Kind::Reference:
      break;
  }
  if (operand.areas.size() != 1) throw ErrorResult{Error::Value};
  Area a = operand.areas.front();
  // Whole columns and rows stop at the last row and column in use.
  CellTable& table = owner_.table(a.sheet);
  if (a.lastRow == kRows - 1) a.lastRow = std::max(a.firstRow, std::min(a.lastRow, table.usedRows()));
  if (a.lastColumn == kColumns - 1)
    a.lastColumn = std::max(a.firstColumn, std::min(a.lastColumn, table.usedColumns()));
  if (std::uint64_t{a.rows()} * a.columns() > kMaxArrayValues) throw ErrorResult{Error::Num};
  spend(std::uint64_t{a.rows()} * a.columns());
  out.rows = a.rows();
  out.columns = a.columns();
  out.values.resize(std::size_t{out.rows} * out.columns);
  forEachValue(a, [&](std::uint32_t row, std::uint32_t column, const Value& v) {
    out.values[std::size_t{row - a.firstRow} * out.columns + (column - a.firstColumn)] = v;
  });
  return out;
}

double Evaluation::toNumber(const Value& v) const {
  switch (v.type) {
    case Value::Type::Number:
    case Value::Type::Boolean:
      return v.number;
    case Value::Type::Empty:
      return 0;
    case Value::Type::Error:
      throw ErrorResult{v.error};
    case Value::Type::Text:
      if (const auto n = textToNumber(v.text, date1904_)) return *n;
      throw ErrorResult{Error::Value};
  }
  return 0;
}

std::string Evaluation::toText(const Value& v) const {
  switch (v.type) {
    case Value::Type::Number:
      return numberToText(v.number);
    case Value::Type::Boolean:
      return v.number != 0 ? "TRUE" : "FALSE";
    case Value::Type::Empty:
      return {};
    case Value::Type::Error:
      throw ErrorResult{v.error};
    case Value::Type::Text:
      return v.text;
  }
  return {};
}

bool Evaluation::toBoolean(const Value& v) const {
  switch (v.type) {
    case Value::Type::Number:
    case Value::Type::Boolean:
      return v.number != 0;
    case Value::Type::Empty:
      return false;
    case Value::Type::Error:
      throw ErrorResult{v.error};
    case Value::Type::Text:
      if (equalsIgnoringCase(v.text, "TRUE")) return true;
      if (equalsIgnoringCase(v.text, "FALSE")) return false;
      throw ErrorResult{Error::Value};
  }
  return false;
}

namespace {

// Applies `op` to two values.
Value applyBinary(const Evaluation& ev, Operator op, const Value& x, const Value& y) {
  if (x.isError()) return x;
  if (y.isError()) return y;
  try {
    switch (op) {
      case Operator::Concat:
        return Value::fromText(ev.toText(x) + ev.toText(y));
      case Operator::Equal: return Value::fromBoolean(compareValues(x, y) == 0);
      case Operator::NotEqual: return Value::fromBoolean(compareValues(x, y) != 0);
      case Operator::Less: return Value::fromBoolean(compareValues(x, y) < 0);
      case Operator::LessEqual: return Value::fromBoolean(compareValues(x, y) <= 0);
      case Operator::Greater: return Value::fromBoolean(compareValues(x, y) > 0);
      case Operator::GreaterEqual: return Value::fromBoolean(compareValues(x, y) >= 0);
      default:
        return arithmetic(op, ev.toNumber(x), ev.toNumber(y));
    }
  } catch (const ErrorResult& e) {
    return Value::fromError(e.error);
  }
}

Value applyUnary(const Evaluation& ev, Operator op, const Value& x) {
  if (x.isError()) return x;
  if (op == Operator::Plus) return x;
  try {
    const double n = ev.toNumber(x);
    return Value::fromNumber(op == Operator::Negate ? (n == 0 ? 0 : -n) : n / 100);
  } catch (const ErrorResult& e) {
    return Value::fromError(e.error);
  }
}

bool isMany(const Operand& o) {
  if (o.kind == Operand::Kind::Array) return true;
  if (o.kind != Operand::Kind::Reference) return false;
  return o.areas.size() == 1 && (o.areas[0].rows() > 1 || o.areas[0].columns() > 1);
}

// The element at (row, column) of an array broadcast to a larger shape: a single row or column
// repeats, and places past its end are #N/A.
const Value& broadcast(const Array& a, std::uint32_t row, std::uint32_t column) {
  static const Value kNA = Value::fromError(Error::NA);
  const std::uint32_t r = a.rows == 1 ? 0 : row;
  const std::uint32_t c = a.columns == 1 ? 0 : column;
  if (r >= a.rows || c >= a.columns) return kNA;
  return a.at(r, c);
}

}  // namespace

Operand Evaluation::unary(const Node& node) {
  Operand operand = evaluate(node.children[0]);
  if (operand.kind == Operand::Kind::Array || (arrayMode_ && isMany(operand))) {
    Array a = toArray(operand);
    for (Value& v : a.values) v = applyUnary(*this, node.op, v);
    return Operand::fromArray(std::move(a));
  }
  if (node.op == Operator::Plus && operand.kind == Operand::Kind::Reference) return operand;
  return applyUnary(*this, node.op, scalar(operand));
}

Operand Evaluation::rangeOf(const Operand& a, const Operand& b) {
  if (a.kind == Operand::Kind::Value && a.value.isError()) return a;
  if (b.kind == Operand::Kind::Value && b.value.isError()) return b;
  if (a.kind != Operand::Kind::Reference || b.kind != Operand::Kind::Reference ||
      a.areas.empty() || b.areas.empty())
    return Value::fromError(Error::Value);
  Area out = a.areas.front();
  for (const auto* o : {&a, &b}) {
    for (const Area& area : o->areas) {
      if (area.sheet != out.sheet) return Value::fromError(Error::Value);
      out.firstRow = std::min(out.firstRow, area.firstRow);
      out.firstColumn = std::min(out.firstColumn, area.firstColumn);
      out.lastRow = std::max(out.lastRow, area.lastRow);
      out.lastColumn = std::max(out.lastColumn, area.lastColumn);
    }
  }
  return Operand::reference({out});
}

Operand Evaluation::intersectionOf(const Operand& a, const Operand& b) {
  if (a.kind == Operand::Kind::Value && a.value.isError()) return a;
  if (b.kind == Operand::Kind::Value && b.value.isError()) return b;
  if (a.kind != Operand::Kind::Reference || b.kind != Operand::Kind::Reference)
    return Value::fromError(Error::Value);
  std::vector<Area> common;
  for (const Area& x : a.areas) {
    for (const Area& y : b.areas) {
      if (x.sheet != y.sheet) continue;
      const Area c{x.sheet, std::max(x.firstRow, y.firstRow), std::max(x.firstColumn, y.firstColumn),
                   std::min(x.lastRow, y.lastRow), std::min(x.lastColumn, y.lastColumn)};
      if (c.firstRow <= c.lastRow && c.firstColumn <= c.lastColumn) common.push_back(c);
    }
  }
  if (common.empty()) return Value::fromError(Error::Null);
  return Operand::reference(std::move(common));
}

Operand Evaluation::binary(const Node& node) {
  Operand left = evaluate(node.children[0]);
  Operand right = evaluate(node.children[1]);
  if (node.op == Operator::Range) return rangeOf(left, right);
  if (node.op == Operator::Intersect) return intersectionOf(left, right);
  const bool elementwise = left.kind == Operand::Kind::Array || right.kind == Operand::Kind::Array ||
                           (arrayMode_ && (isMany(left) || isMany(right)));
  if (!elementwise) return applyBinary(*this, node.op, scalar(left), scalar(right));
  const Array a = toArray(left), b = toArray(right);
  Array out;
  out.rows = std::max(a.rows, b.rows);
  out.columns = std::max(a.columns, b.columns);
  out.values.reserve(std::size_t{out.rows} * out.columns);
  for (std::uint32_t r = 0; r < out.rows; ++r)
    for (std::uint32_t c = 0; c < out.columns; ++c)
      out.values.push_back(applyBinary(*this, node.op, broadcast(a, r, c), broadcast(b, r, c)));
  return Operand::fromArray(std::move(out));
}

// --- FunctionCall

Operand FunctionCall::operand(std::size_t i) {
  if (missing(i)) return Value();
  return evaluation_.evaluate(node_.children[i]);
}

Value FunctionCall::scalar(std::size_t i) { return evaluation_.scalar(operand(i)); }

double FunctionCall::number(std::size_t i) { return evaluation_.toNumber(scalar(i)); }

std::string FunctionCall::text(std::size_t i) { return evaluation_.toText(scalar(i)); }

bool FunctionCall::boolean(std::size_t i) { return evaluation_.toBoolean(scalar(i)); }

Array FunctionCall::array(std::size_t i) { return evaluation_.toArray(operand(i)); }

void FunctionCall::forEach(std::size_t i, const std::function<void(const Value&, bool)>& visit) {
  const Operand o = operand(i);
  switch (o.kind) {
    case Operand::Kind::Value:
      visit(o.value, true);
      return;
    case Operand::Kind::Array:
      for (const Value& v : o.array->values) visit(v, false);
      return;
    case Operand::Kind::Reference:
      for (const Area& area : o.areas)
        evaluation_.forEachValue(area, [&](std::uint32_t, std::uint32_t, const Value& v) { visit(v, false); });
      return;
  }
}

// --- WorkbookFormulas

WorkbookFormulas::WorkbookFormulas(const model::WorkbookFile& file, SheetLoader loader)
    : file_(file), loader_(std::move(loader)), tables_(file.sheets().size()),
      now_(currentSerial(file.date1904())) {
  evaluation_ = std::make_unique<Evaluation>(*this);
}

WorkbookFormulas::~WorkbookFormulas() = default;

CellTable& WorkbookFormulas::table(int sheet) {
  auto& slot = tables_.at(static_cast<std::size_t>(sheet));
  if (!slot) {
    auto table = std::make_unique<CellTable>();
    loader_(sheet, *table);
    table->finish();
    slot = std::move(table);
  }
  return *slot;
}

std::optional<Value> WorkbookFormulas::value(int sheet, std::uint32_t row, std::uint32_t column) {
  if (sheet < 0 || sheet >= static_cast<int>(tables_.size())) return std::nullopt;
  CellTable& t = table(sheet);
  const CellTable::Cell* cell = t.find(row, column);
  if (!cell || cell->formula == CellTable::kNoFormula) return std::nullopt;
  const std::int32_t index = cell->formula;
  try {
    evaluation_->ensure(sheet, index);
  } catch (const WorkExhausted&) {
    // Past the budget: this cell and the ones after it keep their saved values.
    if (t.formulas()[static_cast<std::size_t>(index)].state != CellTable::State::Done) {
      ++uncomputed_.cells;
      uncomputed_.reasons.insert(kTooLong);
      t.done(index);
    }
  }
  const CellTable::Formula& f = t.formulas()[static_cast<std::size_t>(index)];
  if (!f.computed) return std::nullopt;
  return f.result;
}

double currentSerial(bool date1904) {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const auto serial = serialFromDate(d.year(), d.month(), d.day(), date1904);
  const QTime t = now.time();
  return (serial ? *serial : 0) + (t.msecsSinceStartOfDay() / 86400000.0);
}

}  // namespace lomandra::formula
