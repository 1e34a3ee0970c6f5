#pragma once

// A formula's text (A1 style, as .xlsx files store it, without the leading "=") read into a
// tree: constants, references, names, operators and function calls.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/formula/Value.h"

namespace lomandra::formula {

struct Function;

/// A cell or area reference as written: each corner's row and column, each relative unless
/// marked absolute with "$". Relative parts move with the cell a shared formula is copied to.
struct ReferenceText {
  static constexpr int kOwnSheet = -1;    ///< the sheet of the formula's cell
  static constexpr int kMissingSheet = -2;  ///< a sheet the workbook does not have: #REF!
  int sheet = kOwnSheet;
  std::uint32_t firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;
  bool firstRowAbsolute = false, firstColumnAbsolute = false;
  bool lastRowAbsolute = false, lastColumnAbsolute = false;
  bool wholeColumns = false;  ///< "A:C": every row
  bool wholeRows = false;     ///< "2:5": every column
};

enum class Operator : std::uint8_t {
  Add, Subtract, Multiply, Divide, Power, Concat,
  Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual,
  Range,      ///< ":" between two references
  Intersect,  ///< a space between two references
  Negate, Plus, Percent,
};

struct Node {
  enum class Kind : std::uint8_t {
    Constant,   ///< value
    Array,      ///< array constant {1,2;3,4}
    Reference,  ///< reference
    Name,       ///< a defined name, text
    Unary,      ///< op, children[0]
    Binary,     ///< op, children[0], children[1]
    Call,       ///< function, children are the arguments
    Union,      ///< children: references joined by ","
    Missing,    ///< an argument left out: IF(A1,,2)
  };
  Kind kind = Kind::Constant;
  Operator op = Operator::Add;
  Value value;
  std::shared_ptr<const formula::Array> array;
  ReferenceText reference;
  std::string text;
  const Function* function = nullptr;
  std::vector<Node> children;
};

/// Why a formula is not computed: the functions it calls that are not built in, an external
/// workbook, a table's structured reference, or text that is no formula.
struct Unsupported {
  std::vector<std::string> functions;  ///< names of functions not built in (upper case)
  std::string reason;                  ///< otherwise, what stands in the way
  bool any() const { return !functions.empty() || !reason.empty(); }
};

/// A parsed formula, or what keeps it from being computed.
struct Expression {
  Node root;
  Unsupported unsupported;
};

/// Sheet index by name (as a formula writes it, quotes removed), nullopt when not found.
using SheetLookup = std::function<std::optional<int>(std::string_view name)>;

/// Parses `text`. Never throws: what it cannot read goes into Expression::unsupported.
Expression parseFormula(std::string_view text, const SheetLookup& sheets);

}  // namespace lomandra::formula
