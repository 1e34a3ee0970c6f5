#pragma once

// The values a formula works with: numbers, texts, booleans, errors and the empty cell, and
// the rectangular arrays that ranges and array constants give.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::formula {

/// The error values of the spreadsheet application.
enum class Error : std::uint8_t { Null, Div0, Value, Ref, Name, Num, NA };

/// The error's code as a cell shows it ("#DIV/0!").
std::string_view errorText(Error error);
/// The error a code names ("#N/A" -> NA); nullptr-like false when `text` is no error code.
bool parseError(std::string_view text, Error& error);

struct Value {
  enum class Type : std::uint8_t { Empty, Number, Text, Boolean, Error };
  Type type = Type::Empty;
  double number = 0;           ///< Number; Boolean as 0 or 1
  Error error = Error::Value;  ///< Error
  std::string text;            ///< Text (UTF-8)

  static Value fromNumber(double n) { return {Type::Number, n, Error::Value, {}}; }
  static Value fromBoolean(bool b) { return {Type::Boolean, b ? 1.0 : 0.0, Error::Value, {}}; }
  static Value fromText(std::string t) { return {Type::Text, 0, Error::Value, std::move(t)}; }
  static Value fromError(Error e) { return {Type::Error, 0, e, {}}; }

  bool isNumber() const { return type == Type::Number; }
  bool isText() const { return type == Type::Text; }
  bool isBoolean() const { return type == Type::Boolean; }
  bool isError() const { return type == Type::Error; }
  bool isEmpty() const { return type == Type::Empty; }
};

/// A rectangular array of values, row by row.
struct Array {
  std::uint32_t rows = 0, columns = 0;
  std::vector<Value> values;
  const Value& at(std::uint32_t row, std::uint32_t column) const {
    return values[std::size_t{row} * columns + column];
  }
};

}  // namespace lomandra::formula
