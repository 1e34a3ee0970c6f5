// IF and the other logical functions, and the IS functions.

#include "sheet/formula/FunctionSupport.h"

namespace lomandra::formula {

namespace {

// The chosen branch of IF-like functions: a reference stays one; a left-out branch is 0.
Operand branch(FunctionCall& call, std::size_t i) {
  if (i < call.size() && call.missing(i)) return numberResult(0);
  return call.operand(i);
}

Operand ifFunction(FunctionCall& call) {
  const Value condition = call.scalar(0);
  if (condition.isError()) return condition;
  if (call.evaluation().toBoolean(condition)) return branch(call, 1);
  if (call.size() < 3) return booleanResult(false);
  return branch(call, 2);
}

Operand ifs(FunctionCall& call) {
  if (call.size() % 2 != 0) fail(Error::NA);
  for (std::size_t i = 0; i + 1 < call.size(); i += 2) {
    const Value condition = call.scalar(i);
    if (condition.isError()) return condition;
    if (call.evaluation().toBoolean(condition)) return branch(call, i + 1);
  }
  fail(Error::NA);
}

Operand ifError(FunctionCall& call) {
  const Value v = call.scalar(0);
  if (v.isError()) return branch(call, 1);
  return v.isEmpty() ? numberResult(0) : Operand(v);
}

Operand ifNA(FunctionCall& call) {
  const Value v = call.scalar(0);
  if (v.isError() && v.error == Error::NA) return branch(call, 1);
  return v.isEmpty() ? numberResult(0) : Operand(v);
}

// The truth values AND, OR and XOR combine: booleans and numbers; texts only given directly
// (and then only "TRUE" or "FALSE"). No value at all is #VALUE!.
std::vector<bool> truths(FunctionCall& call) {
  std::vector<bool> out;
  for (std::size_t i = 0; i < call.size(); ++i) {
    call.forEach(i, [&](const Value& v, bool direct) {
      if (v.isError()) fail(v.error);
      if (v.isNumber() || v.isBoolean()) out.push_back(v.number != 0);
      else if (direct && v.isText()) out.push_back(call.evaluation().toBoolean(v));
      else if (direct && v.isEmpty()) out.push_back(false);
    });
  }
  if (out.empty()) fail(Error::Value);
  return out;
}

Operand andFunction(FunctionCall& call) {
  for (bool t : truths(call))
    if (!t) return booleanResult(false);
  return booleanResult(true);
}

Operand orFunction(FunctionCall& call) {
  for (bool t : truths(call))
    if (t) return booleanResult(true);
  return booleanResult(false);
}

Operand xorFunction(FunctionCall& call) {
  bool result = false;
  for (bool t : truths(call)) result = result != t;
  return booleanResult(result);
}

Operand notFunction(FunctionCall& call) { return booleanResult(!call.boolean(0)); }
Operand trueFunction(FunctionCall&) { return booleanResult(true); }
Operand falseFunction(FunctionCall&) { return booleanResult(false); }
Operand na(FunctionCall&) { return Value::fromError(Error::NA); }

Operand isBlank(FunctionCall& call) { return booleanResult(call.scalar(0).isEmpty()); }
Operand isNumber(FunctionCall& call) { return booleanResult(call.scalar(0).isNumber()); }
Operand isText(FunctionCall& call) { return booleanResult(call.scalar(0).isText()); }
Operand isNonText(FunctionCall& call) { return booleanResult(!call.scalar(0).isText()); }
Operand isLogical(FunctionCall& call) { return booleanResult(call.scalar(0).isBoolean()); }
Operand isError(FunctionCall& call) { return booleanResult(call.scalar(0).isError()); }
Operand isErr(FunctionCall& call) {
  const Value v = call.scalar(0);
  return booleanResult(v.isError() && v.error != Error::NA);
}
Operand isNA(FunctionCall& call) {
  const Value v = call.scalar(0);
  return booleanResult(v.isError() && v.error == Error::NA);
}

}  // namespace

void addLogicalFunctions(std::vector<Function>& table) {
  table.insert(table.end(), {
      {"IF", 1, 3, ifFunction},
      {"IFS", 2, 254, ifs},
      {"IFERROR", 2, 2, ifError},
      {"IFNA", 2, 2, ifNA},
      {"AND", 1, 255, andFunction},
      {"OR", 1, 255, orFunction},
      {"XOR", 1, 254, xorFunction},
      {"NOT", 1, 1, notFunction},
      {"TRUE", 0, 0, trueFunction},
      {"FALSE", 0, 0, falseFunction},
      {"NA", 0, 0, na},
      {"ISBLANK", 1, 1, isBlank},
      {"ISNUMBER", 1, 1, isNumber},
      {"ISTEXT", 1, 1, isText},
      {"ISNONTEXT", 1, 1, isNonText},
      {"ISLOGICAL", 1, 1, isLogical},
      {"ISERROR", 1, 1, isError},
      {"ISERR", 1, 1, isErr},
      {"ISNA", 1, 1, isNA},
  });
}

}  // namespace lomandra::formula
