#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace lomandra {

/// A failure whose description (what(), UTF-8) is worded for the user; the error trap shows it.
/// Every layer below the commands throws this (or a class derived from it) for bad input.
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A count as a description shows it, with thousands separators: "17,179,869,184".
inline std::string withThousands(std::uint64_t count) {
  std::string digits = std::to_string(count);
  for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
    digits.insert(static_cast<std::size_t>(at), 1, ',');
  return digits;
}

/// Write was given a cell past the sheet's last row or column. The sheet's size comes with it,
/// so that a caller writing row after row knows no later row can fit either.
class OutsideSheet : public Failure {
 public:
  OutsideSheet(std::uint32_t sheetRows, std::uint32_t sheetColumns)
      : Failure("The cell lies outside the sheet, which has " + withThousands(sheetRows) +
                " rows and " + withThousands(sheetColumns) + " columns."),
        rows(sheetRows),
        columns(sheetColumns) {}
  std::uint32_t rows, columns;
};

}  // namespace lomandra
