#include "sheet/window/WrittenSheet.h"

#include <algorithm>

#include "sheet/Failure.h"
#include "sheet/numfmt/WrittenNumber.h"

namespace lomandra::window {

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
  cell.text = text.toStdString();
  if (auto number = numfmt::numberWrittenAs(text, *numfmt::Locale::display())) {
    cell.isNumber = true;
    cell.number = *number;
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
