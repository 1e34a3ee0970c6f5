#include "sheet/window/SheetTableModel.h"

#include <algorithm>

#include "sheet/window/CellFit.h"

namespace lomandra::window {

namespace {
constexpr std::uint32_t kMinRows = 200, kMinColumns = 26;
}

SheetTableModel::SheetTableModel(const engine::SheetData& sheet, QObject* parent)
    : QAbstractTableModel(parent), sheet_(sheet) {
  const model::Grid grid = sheet.grid();
  rows_ = std::min(grid.rows, std::max(kMinRows, sheet.usedRows() + kRowMargin));
  columns_ = std::min(grid.columns, std::max(kMinColumns, sheet.usedColumns() + kColumnMargin));
  rowsKnown_ = sheet.usedRows();
}

int SheetTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_);
}

int SheetTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_);
}

namespace {

// Whether a displayed text reads as a number, date or time ("1,234.50", "-1.3%", "$5",
// "(12)", "2021-08-31"): those stand at the right of their cell, as in a spreadsheet
// application. Judged on the first and last characters only, so drawing stays cheap.
bool looksNumeric(QStringView text) {
  if (text.isEmpty() || text.size() > 64) return false;
  const QChar first = text.front(), last = text.back();
  const bool startsLikeNumber = first.isDigit() || first == u'-' || first == u'+' ||
                                first == u'(' || first == u'.' ||
                                first.category() == QChar::Symbol_Currency;
  const bool endsLikeNumber = last.isDigit() || last == u'%' || last == u')' ||
                              last.category() == QChar::Symbol_Currency;
  if (!startsLikeNumber || !endsLikeNumber) return false;
  for (QChar c : text) {
    if (c.isLetter() && c != u'E' && c != u'e') return false;  // "1E+20" is a number
  }
  return true;
}

}  // namespace

QVariant SheetTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::TextAlignmentRole) {
    const engine::CellLook look = sheet_.look(static_cast<std::uint32_t>(index.row()),
                                              static_cast<std::uint32_t>(index.column()));
    if (look.typed) return QVariant::fromValue(alignmentOf(look));
    return QVariant::fromValue(Qt::AlignVCenter | (standsRight(index) ? Qt::AlignRight : Qt::AlignLeft));
  }
  if (role != Qt::DisplayRole) return {};
  const auto row = static_cast<std::uint32_t>(index.row());
  const auto column = static_cast<std::uint32_t>(index.column());
  if (row >= sheet_.usedRows() || column >= sheet_.usedColumns()) return {};
  const std::string text = sheet_.text(row, column);
  if (text.empty()) return {};
  return QString::fromStdString(text);
}

bool SheetTableModel::standsRight(const QModelIndex& index) const {
  if (isNumber_)
    return isNumber_(static_cast<std::uint32_t>(index.row()), static_cast<std::uint32_t>(index.column()));
  return looksNumeric(data(index, Qt::DisplayRole).toString());
}

QVariant SheetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignCenter);
  if (role != Qt::DisplayRole || section < 0) return {};
  if (orientation == Qt::Horizontal)
    return QString::fromStdString(engine::columnName(static_cast<std::uint32_t>(section)));
  return QString::number(section + 1);
}

Qt::ItemFlags SheetTableModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void SheetTableModel::ensureRows(std::uint32_t rows) {
  rows = std::min(rows, sheet_.grid().rows);
  if (rows <= rows_) return;
  beginInsertRows({}, static_cast<int>(rows_), static_cast<int>(rows - 1));
  rows_ = rows;
  endInsertRows();
}

void SheetTableModel::ensureColumns(std::uint32_t columns) {
  columns = std::min(columns, sheet_.grid().columns);
  if (columns <= columns_) return;
  beginInsertColumns({}, static_cast<int>(columns_), static_cast<int>(columns - 1));
  columns_ = columns;
  endInsertColumns();
}

void SheetTableModel::sheetGrew(bool complete, std::uint32_t changedFrom) {
  const std::uint32_t used = sheet_.usedRows();
  ensureRows(used + kRowMargin);
  ensureColumns(sheet_.usedColumns() + kColumnMargin);
  const std::uint32_t first = complete ? 0 : std::min(rowsKnown_, used);
  rowsKnown_ = used;
  // The rows that may have changed; a view draws again only the part of them it shows.
  const std::uint32_t from = complete ? 0 : std::min(changedFrom, rows_ - 1);
  emit dataChanged(index(static_cast<int>(from), 0),
                   index(static_cast<int>(rows_) - 1, static_cast<int>(columns_) - 1),
                   {Qt::DisplayRole, Qt::TextAlignmentRole});
  emit rowsRead(static_cast<int>(first));
}

void SheetTableModel::cellChanged(std::uint32_t row, std::uint32_t column) {
  // Grow in steps so a long run of writes down a column inserts rows rarely.
  if (row >= rows_) ensureRows(row + kRowStep);
  if (column >= columns_) ensureColumns(column + kColumnStep);
  const QModelIndex changed = index(static_cast<int>(row), static_cast<int>(column));
  emit dataChanged(changed, changed, {Qt::DisplayRole});
}

}  // namespace lomandra::window
