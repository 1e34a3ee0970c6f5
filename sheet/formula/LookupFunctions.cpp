// VLOOKUP, HLOOKUP, XLOOKUP, INDEX, MATCH and CHOOSE.

#include "sheet/formula/Conversions.h"
#include "sheet/formula/Criteria.h"
#include "sheet/formula/FunctionSupport.h"

namespace lomandra::formula {

namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

bool sameKind(const Value& a, const Value& b) {
  if (a.isText() || b.isText()) return a.isText() && b.isText();
  if (a.isBoolean() || b.isBoolean()) return a.isBoolean() && b.isBoolean();
  return a.isNumber() && b.isNumber();
}

// Exact match: texts without regard to case, with wildcards when `wildcards`.
bool equalForLookup(const Value& wanted, const Value& candidate, bool wildcards) {
  if (!sameKind(wanted, candidate)) return false;
  if (wanted.isText() && wildcards) return wildcardMatch(wanted.text, candidate.text);
  return compareValues(wanted, candidate) == 0;
}

// The position of `wanted` among `values`: type 0 exact (wildcards for text), 1 the last of
// an ascending run not greater than it, -1 the last of a descending run not less than it.
std::size_t findPosition(const Value& wanted, const std::vector<Value>& values, int type) {
  if (type == 0) {
    for (std::size_t i = 0; i < values.size(); ++i)
      if (equalForLookup(wanted, values[i], true)) return i;
    return kNotFound;
  }
  std::size_t found = kNotFound;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const Value& v = values[i];
    if (!sameKind(wanted, v)) continue;
    const int order = compareValues(v, wanted);
    if (type > 0 ? order <= 0 : order >= 0)
      found = i;
    else
      break;  // sorted data: nothing further can match
  }
  return found;
}

Value lookupValue(FunctionCall& call) {
  Value v = call.scalar(0);
  if (v.isError()) fail(v.error);
  if (v.isEmpty()) v = Value::fromNumber(0);
  return v;
}

Operand tableLookup(FunctionCall& call, bool vertical) {
  const Value wanted = lookupValue(call);
  const Array table = call.array(1);
  const double index = std::trunc(call.number(2));
  const bool approximate = call.boolean(3, true);
  if (index < 1) fail(Error::Value);
  const std::uint32_t span = vertical ? table.columns : table.rows;
  if (index > span) fail(Error::Ref);
  std::vector<Value> keys;
  const std::uint32_t length = vertical ? table.rows : table.columns;
  keys.reserve(length);
  for (std::uint32_t i = 0; i < length; ++i) keys.push_back(vertical ? table.at(i, 0) : table.at(0, i));
  const std::size_t at = findPosition(wanted, keys, approximate ? 1 : 0);
  if (at == kNotFound) fail(Error::NA);
  const auto k = static_cast<std::uint32_t>(index - 1);
  const Value& result = vertical ? table.at(static_cast<std::uint32_t>(at), k) : table.at(k, static_cast<std::uint32_t>(at));
  return result.isEmpty() ? numberResult(0) : Operand(result);
}

Operand vlookup(FunctionCall& call) { return tableLookup(call, true); }
Operand hlookup(FunctionCall& call) { return tableLookup(call, false); }

Operand match(FunctionCall& call) {
  const Value wanted = lookupValue(call);
  const std::vector<Value> values = vectorOf(call.array(1));
  const double type = call.number(2, 1);
  const std::size_t at = findPosition(wanted, values, type > 0 ? 1 : type < 0 ? -1 : 0);
  if (at == kNotFound) fail(Error::NA);
  return numberResult(static_cast<double>(at + 1));
}

// One cell, a whole row or a whole column (index 0) of a block.
Operand index(FunctionCall& call) {
  const Operand source = call.operand(0);
  if (source.kind == Operand::Kind::Value && source.value.isError()) return source;
  std::uint32_t rows = 1, columns = 1;
  if (source.kind == Operand::Kind::Reference) {
    if (source.areas.size() != 1) fail(Error::Ref);
    rows = source.areas[0].rows();
    columns = source.areas[0].columns();
  } else if (source.kind == Operand::Kind::Array) {
    rows = source.array->rows;
    columns = source.array->columns;
  }
  double row = call.number(1, 0);
  double column = call.number(2, 0);
  if (call.size() < 3 && rows == 1 && columns > 1) {
    // INDEX(A1:E1, 3): the one index counts along the row.
    column = row;
    row = 0;
  }
  row = std::trunc(row);
  column = std::trunc(column);
  if (row < 0 || column < 0) fail(Error::Value);
  if (row > rows || column > columns) fail(Error::Ref);
  if (rows == 1 && row == 0) row = 1;
  if (columns == 1 && column == 0) column = 1;
  if (source.kind == Operand::Kind::Reference) {
    Area a = source.areas[0];
    if (row > 0) a.firstRow = a.lastRow = a.firstRow + static_cast<std::uint32_t>(row) - 1;
    if (column > 0) a.firstColumn = a.lastColumn = a.firstColumn + static_cast<std::uint32_t>(column) - 1;
    return Operand::reference({a});
  }
  const Array a = call.evaluation().toArray(source);
  if (row == 0 || column == 0) {
    Array part;
    part.rows = row == 0 ? a.rows : 1;
    part.columns = column == 0 ? a.columns : 1;
    for (std::uint32_t r = 0; r < part.rows; ++r)
      for (std::uint32_t c = 0; c < part.columns; ++c)
        part.values.push_back(a.at(row == 0 ? r : static_cast<std::uint32_t>(row) - 1,
                                   column == 0 ? c : static_cast<std::uint32_t>(column) - 1));
    return Operand::fromArray(std::move(part));
  }
  return a.at(static_cast<std::uint32_t>(row) - 1, static_cast<std::uint32_t>(column) - 1);
}

Operand choose(FunctionCall& call) {
  const double i = std::trunc(call.number(0));
  if (i < 1 || i >= static_cast<double>(call.size())) fail(Error::Value);
  const auto k = static_cast<std::size_t>(i);
  if (call.missing(k)) return numberResult(0);
  return call.operand(k);
}

Operand xlookup(FunctionCall& call) {
  const Value wanted = lookupValue(call);
  const Array keys = call.array(1);
  if (keys.rows != 1 && keys.columns != 1) fail(Error::Value);
  const Operand results = call.operand(2);
  const double matchMode = std::trunc(call.number(4, 0));
  const double searchMode = std::trunc(call.number(5, 1));
  if (matchMode < -1 || matchMode > 2 || (searchMode != 1 && searchMode != -1 && searchMode != 2 && searchMode != -2))
    fail(Error::Value);
  const std::vector<Value>& values = keys.values;
  const bool backwards = searchMode == -1 || searchMode == -2;
  std::size_t found = kNotFound;
  std::size_t nearest = kNotFound;
  for (std::size_t step = 0; step < values.size(); ++step) {
    const std::size_t i = backwards ? values.size() - 1 - step : step;
    const Value& v = values[i];
    if (equalForLookup(wanted, v, matchMode == 2)) {
      found = i;
      break;
    }
    if ((matchMode == -1 || matchMode == 1) && sameKind(wanted, v)) {
      const int order = compareValues(v, wanted);
      if ((matchMode == -1 && order < 0) || (matchMode == 1 && order > 0)) {
        if (nearest == kNotFound || (matchMode == -1 ? compareValues(v, values[nearest]) > 0
                                                     : compareValues(v, values[nearest]) < 0))
          nearest = i;
      }
    }
  }
  if (found == kNotFound) found = nearest;
  if (found == kNotFound) {
    if (call.size() > 3 && !call.missing(3)) return call.operand(3);
    fail(Error::NA);
  }
  const bool vertical = keys.columns == 1 && keys.rows > 1;
  const auto k = static_cast<std::uint32_t>(found);
  if (results.kind == Operand::Kind::Reference) {
    if (results.areas.size() != 1) fail(Error::Value);
    Area a = results.areas[0];
    const std::uint32_t length = vertical ? a.rows() : a.columns();
    if (length != values.size()) fail(Error::Value);
    if (vertical) a.firstRow = a.lastRow = a.firstRow + k;
    else a.firstColumn = a.lastColumn = a.firstColumn + k;
    return Operand::reference({a});
  }
  const Array r = call.evaluation().toArray(results);
  if ((vertical ? r.rows : r.columns) != values.size()) fail(Error::Value);
  return vertical ? r.at(k, 0) : r.at(0, k);
}

}  // namespace

void addLookupFunctions(std::vector<Function>& table) {
  table.insert(table.end(), {
      {"VLOOKUP", 3, 4, vlookup},
      {"HLOOKUP", 3, 4, hlookup},
      {"XLOOKUP", 3, 6, xlookup},
      {"INDEX", 2, 3, index},
      {"MATCH", 2, 3, match},
      {"CHOOSE", 2, 255, choose},
  });
}

}  // namespace lomandra::formula
