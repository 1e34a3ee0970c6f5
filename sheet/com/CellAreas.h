#pragma once

// Cell addresses as the spreadsheet application writes them ("$A$1:$B$4,$C:$C,$3:$3"), read
// into blocks of cells so that a walk can tell, without asking, which cells lie outside the
// sheet's used range, and cut into groups short enough for the application's `Range`.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::com {

/// A block of cells, 1-based and inclusive. A whole column has bottom 0 and a whole row right
/// 0: "to the sheet's last row / column", which only the sheet knows.
struct CellArea {
  long top = 1, left = 1, bottom = 1, right = 1;
  bool operator==(const CellArea&) const = default;
};

/// The areas of an address in A1 form, with or without "$"; nothing when it is not one.
std::optional<std::vector<CellArea>> parseAddress(std::wstring_view address);

/// `area` with a whole row or column made to end at the sheet's last row and column.
CellArea bounded(CellArea area, long lastRow, long lastColumn);

/// The cells two blocks share, or nothing.
std::optional<CellArea> overlap(const CellArea& a, const CellArea& b);

/// "$A$1" or "$A$1:$D$9".
std::wstring areaAddress(const CellArea& area);

/// The longest text the application's `Range` takes.
inline constexpr std::size_t kLongestRangeText = 255;

/// An address cut at the commas between areas into groups of at most `limit` characters, in
/// order; an address that fits is one group. An area longer than the limit stays whole.
std::vector<std::wstring> addressGroups(std::wstring_view address, std::size_t limit = kLongestRangeText);

}  // namespace lomandra::com
