// Range References: the text a range box writes ("'Sheet'!$A$1:$B$3") read into a sheet name
// and areas, and areas written back as a spreadsheet application writes an address.

#include <algorithm>
#include <cctype>
#include <optional>

#include "sheet/Failure.h"
#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::engine {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' ||
                        s.front() == '\n'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' ||
                        s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

// One end of an area: "$A$1", "A1", "$A", "3"; which parts are present tells its kind.
struct Corner {
  std::optional<std::uint32_t> column;  // 0-based
  std::optional<std::uint32_t> row;     // 0-based
};

class AreaParser {
 public:
  AreaParser(std::string_view whole, std::string_view area, model::Grid grid)
      : whole_(whole), s_(area), grid_(grid) {}

  Area parse() {
    const Corner first = corner();
    if (pos_ == s_.size()) {
      if (!first.column || !first.row) invalid();  // "A" or "3" alone names no cells
      return Area{*first.row, *first.column, *first.row, *first.column};
    }
    if (s_[pos_] != ':') invalid();
    ++pos_;
    const Corner second = corner();
    if (pos_ != s_.size()) invalid();
    const bool cells = first.column && first.row && second.column && second.row;
    const bool columns = first.column && !first.row && second.column && !second.row;
    const bool rows = !first.column && first.row && !second.column && second.row;
    Area area;
    if (cells) {
      area = {*first.row, *first.column, *second.row, *second.column};
    } else if (columns) {
      area = {0, *first.column, grid_.rows - 1, *second.column};
    } else if (rows) {
      area = {*first.row, 0, *second.row, grid_.columns - 1};
    } else {
      invalid();
    }
    // "B3:A1" names the same block as "A1:B3".
    if (area.firstRow > area.lastRow) std::swap(area.firstRow, area.lastRow);
    if (area.firstColumn > area.lastColumn) std::swap(area.firstColumn, area.lastColumn);
    return area;
  }

 private:
  Corner corner() {
    Corner c;
    bool dollarBeforeRow = false;
    if (pos_ < s_.size() && s_[pos_] == '$') ++pos_;
    const std::size_t lettersStart = pos_;
    std::uint64_t column = 0;
    while (pos_ < s_.size() && std::isalpha(static_cast<unsigned char>(s_[pos_])) &&
           static_cast<unsigned char>(s_[pos_]) < 0x80) {
      column = column * 26 + static_cast<std::uint64_t>(std::toupper(s_[pos_]) - 'A' + 1);
      if (column > 1'000'000) column = 1'000'000;  // clamp; reported as beyond XFD below
      ++pos_;
    }
    if (pos_ > lettersStart) {
      if (column > grid_.columns)
        fail("names column " + std::string(s_.substr(lettersStart, pos_ - lettersStart)) +
             ", beyond the last column " + columnName(grid_.columns - 1) + lastOfFormat());
      c.column = static_cast<std::uint32_t>(column - 1);
      if (pos_ < s_.size() && s_[pos_] == '$') {
        ++pos_;
        dollarBeforeRow = true;
      }
    }
    const std::size_t digitsStart = pos_;
    std::uint64_t row = 0;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
      row = row * 10 + static_cast<std::uint64_t>(s_[pos_] - '0');
      if (row > 100'000'000) row = 100'000'000;
      ++pos_;
    }
    if (pos_ > digitsStart) {
      if (row == 0) fail("names row 0; rows count from 1");
      if (row > grid_.rows)
        fail("names row " + std::string(s_.substr(digitsStart, pos_ - digitsStart)) +
             ", beyond the last row " + std::to_string(grid_.rows) + lastOfFormat());
      c.row = static_cast<std::uint32_t>(row - 1);
    }
    if ((!c.column && !c.row) || (dollarBeforeRow && !c.row)) invalid();
    return c;
  }

  // Says why a smaller grid ends early: the workbook's format has no more.
  std::string lastOfFormat() const {
    return grid_ == model::kLargeGrid ? "" : " of this workbook's format";
  }

  [[noreturn]] void invalid() const {
    throw Failure("The Range Reference \"" + std::string(whole_) +
                  "\" is not a valid cell address.");
  }
  [[noreturn]] void fail(const std::string& why) const {
    throw Failure("The Range Reference \"" + std::string(whole_) + "\" " + why + ".");
  }

  std::string_view whole_;
  std::string_view s_;
  model::Grid grid_;
  std::size_t pos_ = 0;
};

}  // namespace

std::string columnName(std::uint32_t column) {
  std::string name;
  std::uint64_t n = static_cast<std::uint64_t>(column) + 1;
  while (n > 0) {
    const std::uint64_t digit = (n - 1) % 26;
    name.insert(name.begin(), static_cast<char>('A' + digit));
    n = (n - 1) / 26;
  }
  return name;
}

std::string formatAddress(const std::vector<Area>& areas, model::Grid grid) {
  std::string out;
  for (const Area& a : areas) {
    if (!out.empty()) out += ',';
    const bool wholeRows = a.firstColumn == 0 && a.lastColumn == grid.columns - 1;
    const bool wholeColumns = a.firstRow == 0 && a.lastRow == grid.rows - 1;
    if (wholeRows) {
      out += '$' + std::to_string(a.firstRow + 1) + ":$" + std::to_string(a.lastRow + 1);
    } else if (wholeColumns) {
      out += '$' + columnName(a.firstColumn) + ":$" + columnName(a.lastColumn);
    } else {
      out += '$' + columnName(a.firstColumn) + '$' + std::to_string(a.firstRow + 1);
      if (a.firstRow != a.lastRow || a.firstColumn != a.lastColumn)
        out += ":$" + columnName(a.lastColumn) + '$' + std::to_string(a.lastRow + 1);
    }
  }
  return out;
}

Reference parseReference(std::string_view text, model::Grid grid) {
  const std::string_view whole = trim(text);
  if (whole.empty()) throw Failure("The Range Reference is empty.");
  if (whole.size() > 4096)
    throw Failure("The Range Reference is too long to be a cell address.");
  Reference ref;
  std::string_view address = whole;
  if (whole.front() == '\'') {
    // The name runs to the last "'!": the range box writes an apostrophe inside a name
    // undoubled ('O'Brien'!$A$1), so the first closing quote cannot be trusted.
    const std::size_t close = whole.rfind("'!");
    if (close == std::string_view::npos || close == 0)
      throw Failure("The Range Reference \"" + std::string(whole) +
                    "\" opens a sheet name with an apostrophe but does not close it with \"'!\".");
    ref.sheetAsWritten = std::string(whole.substr(1, close - 1));
    address = whole.substr(close + 2);
    for (std::size_t i = 0; i < ref.sheetAsWritten.size(); ++i) {
      ref.sheet += ref.sheetAsWritten[i];
      if (ref.sheetAsWritten[i] == '\'' && i + 1 < ref.sheetAsWritten.size() &&
          ref.sheetAsWritten[i + 1] == '\'')
        ++i;
    }
    ref.hasSheet = true;
  } else if (const std::size_t bang = whole.rfind('!'); bang != std::string_view::npos) {
    ref.sheet = ref.sheetAsWritten = std::string(trim(whole.substr(0, bang)));
    address = whole.substr(bang + 1);
    ref.hasSheet = true;
  }
  if (ref.hasSheet && ref.sheetAsWritten.empty())
    throw Failure("The Range Reference \"" + std::string(whole) + "\" names no sheet before \"!\".");
  if (trim(address).empty())
    throw Failure("The Range Reference \"" + std::string(whole) + "\" names no cells.");
  std::size_t start = 0;
  while (start <= address.size()) {
    const std::size_t comma = address.find(',', start);
    const std::string_view piece =
        trim(address.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                   : comma - start));
    ref.areas.push_back(AreaParser(whole, piece, grid).parse());
    if (ref.areas.size() > 1024)
      throw Failure("The Range Reference \"" + std::string(whole.substr(0, 80)) +
                    "...\" has more areas than this program reads.");
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return ref;
}

}  // namespace lomandra::engine
