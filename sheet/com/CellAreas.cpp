#include "sheet/com/CellAreas.h"

#include <algorithm>

namespace lomandra::com {

namespace {

constexpr long kMostRows = 1048576;
constexpr long kMostColumns = 16384;

bool isLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// One end of an area: a cell ("$B$2"), a column ("$B") or a row ("$2"); 0 for the part not given.
bool parseEnd(std::wstring_view text, long& row, long& column) {
  std::size_t i = 0;
  row = column = 0;
  if (i < text.size() && text[i] == L'$') ++i;
  const std::size_t letters = i;
  while (i < text.size() && isLetter(text[i])) {
    column = column * 26 + ((text[i] | 0x20) - L'a' + 1);
    if (column > kMostColumns) return false;
    ++i;
  }
  if (i > letters && i < text.size() && text[i] == L'$') ++i;
  const std::size_t digits = i;
  while (i < text.size() && isDigit(text[i])) {
    row = row * 10 + (text[i] - L'0');
    if (row > kMostRows) return false;
    ++i;
  }
  if (i != text.size() || (i == digits && column == 0)) return false;
  if (i > digits && row == 0) return false;
  return column > 0 || row > 0;
}

std::wstring columnName(long column) {
  std::wstring name;
  for (; column > 0; column = (column - 1) / 26) name.insert(name.begin(), static_cast<wchar_t>(L'A' + (column - 1) % 26));
  return name;
}

}  // namespace

std::optional<std::vector<CellArea>> parseAddress(std::wstring_view address) {
  std::vector<CellArea> areas;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = address.find(L',', start);
    const std::wstring_view piece =
        address.substr(start, comma == std::wstring_view::npos ? std::wstring_view::npos : comma - start);
    const std::size_t colon = piece.find(L':');
    long r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (colon == std::wstring_view::npos) {
      if (!parseEnd(piece, r1, c1) || r1 == 0 || c1 == 0) return std::nullopt;  // a lone cell
      r2 = r1;
      c2 = c1;
    } else if (!parseEnd(piece.substr(0, colon), r1, c1) || !parseEnd(piece.substr(colon + 1), r2, c2)) {
      return std::nullopt;
    }
    CellArea area;
    if (r1 > 0 && c1 > 0 && r2 > 0 && c2 > 0) {
      area = {std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
    } else if (r1 == 0 && r2 == 0 && c1 > 0 && c2 > 0) {
      area = {1, std::min(c1, c2), 0, std::max(c1, c2)};  // whole columns
    } else if (c1 == 0 && c2 == 0 && r1 > 0 && r2 > 0) {
      area = {std::min(r1, r2), 1, std::max(r1, r2), 0};  // whole rows
    } else {
      return std::nullopt;
    }
    areas.push_back(area);
    if (comma == std::wstring_view::npos) break;
    start = comma + 1;
  }
  return areas;
}

CellArea bounded(CellArea area, long lastRow, long lastColumn) {
  if (area.bottom == 0) area.bottom = lastRow;
  if (area.right == 0) area.right = lastColumn;
  return area;
}

std::optional<CellArea> overlap(const CellArea& a, const CellArea& b) {
  const CellArea shared{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
                        std::min(a.right, b.right)};
  if (shared.top > shared.bottom || shared.left > shared.right) return std::nullopt;
  return shared;
}

std::wstring areaAddress(const CellArea& area) {
  std::wstring out = L"$" + columnName(area.left) + L"$" + std::to_wstring(area.top);
  if (area.bottom != area.top || area.right != area.left)
    out += L":$" + columnName(area.right) + L"$" + std::to_wstring(area.bottom);
  return out;
}

std::vector<std::wstring> addressGroups(std::wstring_view address, std::size_t limit) {
  std::vector<std::wstring> groups;
  std::wstring current;
  std::size_t start = 0;
  while (start <= address.size()) {
    const std::size_t comma = address.find(L',', start);
    const std::wstring_view piece =
        address.substr(start, comma == std::wstring_view::npos ? std::wstring_view::npos : comma - start);
    if (!current.empty() && current.size() + 1 + piece.size() > limit) {
      groups.push_back(std::move(current));
      current.clear();
    }
    if (!current.empty()) current += L',';
    current += piece;
    if (comma == std::wstring_view::npos) break;
    start = comma + 1;
  }
  groups.push_back(std::move(current));
  return groups;
}

}  // namespace lomandra::com
