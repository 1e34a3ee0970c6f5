#pragma once

// The functions the evaluator computes: each takes its call's arguments through FunctionCall,
// which evaluates them and converts them as the spreadsheet application does.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/formula/Expression.h"
#include "sheet/formula/Value.h"

namespace lomandra::formula {

/// A block of cells of one sheet, 0-based and inclusive.
struct Area {
  int sheet = 0;
  std::uint32_t firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;
  std::uint32_t rows() const { return lastRow - firstRow + 1; }
  std::uint32_t columns() const { return lastColumn - firstColumn + 1; }
};

/// What an expression gives: a value, a reference to cells, or an array of values.
struct Operand {
  enum class Kind : std::uint8_t { Value, Reference, Array };
  Kind kind = Kind::Value;
  formula::Value value;
  std::vector<Area> areas;
  std::shared_ptr<const formula::Array> array;

  Operand() = default;
  Operand(formula::Value v) : value(std::move(v)) {}  // NOLINT: a value is an operand
  static Operand reference(std::vector<Area> areas) {
    Operand o;
    o.kind = Kind::Reference;
    o.areas = std::move(areas);
    return o;
  }
  static Operand fromArray(formula::Array a) {
    Operand o;
    o.kind = Kind::Array;
    o.array = std::make_shared<const formula::Array>(std::move(a));
    return o;
  }
};

/// Thrown inside a function to give an error value as its result.
struct ErrorResult {
  Error error;
};

class Evaluation;

/// The arguments of one function call and the conversions functions need.
class FunctionCall {
 public:
  FunctionCall(Evaluation& evaluation, const Node& node) : evaluation_(evaluation), node_(node) {}

  std::size_t size() const { return node_.children.size(); }
  bool missing(std::size_t i) const {
    return i >= size() || node_.children[i].kind == Node::Kind::Missing;
  }
  /// Argument i evaluated (a reference stays a reference).
  Operand operand(std::size_t i);
  /// Argument i as one value: a reference to several cells meets the formula's row or column
  /// (implicit intersection), an array gives its first value.
  Value scalar(std::size_t i);
  /// Argument i converted; an error value is thrown as the function's result.
  double number(std::size_t i);
  double number(std::size_t i, double fallback) { return missing(i) ? fallback : number(i); }
  std::string text(std::size_t i);
  bool boolean(std::size_t i);
  bool boolean(std::size_t i, bool fallback) { return missing(i) ? fallback : boolean(i); }
  /// Argument i as an array of values (a reference's cells, empty ones Empty).
  Array array(std::size_t i);
  /// Calls `visit` with each value argument i holds: every cell of a reference that holds
  /// a value, every element of an array, or the value itself (`direct` true).
  void forEach(std::size_t i, const std::function<void(const Value&, bool direct)>& visit);

  Evaluation& evaluation() { return evaluation_; }
  const Node& node() const { return node_; }

 private:
  Evaluation& evaluation_;
  const Node& node_;
};

struct Function {
  std::string_view name;
  int minArguments = 0, maxArguments = 0;
  Operand (*compute)(FunctionCall& call) = nullptr;
  bool volatileResult = false;  ///< TODAY, NOW: a new value at every calculation
  /// Newer than the file format: stored as "_xlfn.NAME". Written without the prefix, the
  /// application does not know the name and shows #NAME?.
  bool prefixed = false;
};

/// The built-in function of that name (upper case, prefixes removed), or nullptr.
const Function* findFunction(std::string_view name);
/// The names of every built-in function, sorted.
std::vector<std::string_view> functionNames();

// The groups of functions, each in its own file.
void addMathFunctions(std::vector<Function>& table);
void addLogicalFunctions(std::vector<Function>& table);
void addLookupFunctions(std::vector<Function>& table);
void addTextFunctions(std::vector<Function>& table);
void addDateFunctions(std::vector<Function>& table);
void addConditionalFunctions(std::vector<Function>& table);

}  // namespace lomandra::formula
