#include "sheet/window/WrittenSheet.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

#include "sheet/Failure.h"

namespace lomandra::window {

std::optional<double> plainNumber(QStringView text) {
  // Longer texts are never plain numbers worth storing; bounds the work below.
  if (text.isEmpty() || text.size() > 400) return std::nullopt;
  qsizetype i = 0;
  const qsizetype n = text.size();
  if (text[i] == u'+' || text[i] == u'-') ++i;
  QString digits;  // the mantissa's digits, to count the significant ones
  qsizetype before = 0, after = 0;
  while (i < n && text[i] >= u'0' && text[i] <= u'9') digits += text[i++], ++before;
  if (i < n && text[i] == u'.') {
    ++i;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') digits += text[i++], ++after;
  }
  if (before + after == 0) return std::nullopt;
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
    const qsizetype expStart = i;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') ++i;
    if (i == expStart) return std::nullopt;
  }
  if (i != n) return std::nullopt;

  // Significant digits: without leading and trailing zeros. More than 15 would be rounded
  // away by a spreadsheet application; such a text (an account number, say) stays text.
  qsizetype first = 0, last = digits.size();
  while (first < last && digits[first] == u'0') ++first;
  while (last > first && digits[last - 1] == u'0') --last;
  if (last - first > 15) return std::nullopt;

  bool ok = false;
  double value = QLocale::c().toDouble(text, &ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  if (value == 0) value = 0;  // "-0" is stored as 0
  return value;
}

std::string generalNumberText(double value) {
  if (value == 0) return "0";
  QString s = QString::number(value, 'g', 15);
  s.replace(u'e', u'E');
  return s.toStdString();
}

void WrittenSheet::write(std::uint32_t row, std::uint32_t column, const QString& text) {
  if (row >= model::kMaxRows || column >= model::kMaxColumns)
    throw Failure("The cell lies outside the sheet.");
  if (text.size() > kMaxCellText)
    throw Failure("A cell holds at most 32,767 characters; the text is longer.");
  if (text.isEmpty()) {  // writing nothing empties the cell
    cells_.erase(key(row, column));
    return;
  }
  WrittenCell cell;
  if (auto number = plainNumber(text)) {
    cell.isNumber = true;
    cell.number = *number;
    cell.text = generalNumberText(*number);
  } else {
    cell.text = text.toStdString();
  }
  cells_.insert_or_assign(key(row, column), std::move(cell));
  usedRows_ = std::max(usedRows_, row + 1);
  usedColumns_ = std::max(usedColumns_, column + 1);
}

const WrittenCell* WrittenSheet::cell(std::uint32_t row, std::uint32_t column) const {
  auto it = cells_.find(key(row, column));
  return it == cells_.end() ? nullptr : &it->second;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> WrittenSheet::cellsInOrder() const {
  std::vector<std::uint64_t> keys;
  keys.reserve(cells_.size());
  for (const auto& entry : cells_) keys.push_back(entry.first);
  std::sort(keys.begin(), keys.end());
  std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
  out.reserve(keys.size());
  for (auto k : keys)
    out.emplace_back(static_cast<std::uint32_t>(k >> 16), static_cast<std::uint32_t>(k & 0xFFFF));
  return out;
}

void WrittenSheet::fit(const std::function<double(const QString&)>& widthInCharacters) {
  std::vector<double> widest(usedColumns_, 0.0);
  for (const auto& [k, cell] : cells_) {
    const auto column = static_cast<std::uint32_t>(k & 0xFFFF);
    widest[column] = std::max(widest[column], widthInCharacters(QString::fromStdString(cell.text)));
  }
  if (widths_.size() < widest.size()) widths_.resize(widest.size(), 0.0);
  for (std::size_t c = 0; c < widest.size(); ++c) {
    // A spreadsheet application caps a column at 255 characters.
    if (widest[c] > 0) widths_[c] = std::min(widest[c], 255.0);
  }
}

bool WrittenSheet::hasWidth(std::uint32_t column) const {
  return column < widths_.size() && widths_[column] > 0;
}

std::string WrittenSheet::text(std::uint32_t row, std::uint32_t column) const {
  const WrittenCell* found = cell(row, column);
  return found ? found->text : std::string();
}

void WrittenSheet::forEachText(const engine::Area& area,
                               const std::function<bool(std::string_view text)>& visit) const {
  for (std::uint32_t r = area.firstRow; r <= area.lastRow; ++r) {
    for (std::uint32_t c = area.firstColumn; c <= area.lastColumn; ++c) {
      const WrittenCell* found = r < usedRows_ && c < usedColumns_ ? cell(r, c) : nullptr;
      if (!visit(found ? std::string_view(found->text) : std::string_view())) return;
    }
  }
}

double WrittenSheet::columnWidth(std::uint32_t column) const {
  return hasWidth(column) ? widths_[column] : kDefaultWidth;
}

}  // namespace lomandra::window
