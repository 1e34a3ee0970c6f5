#include "sheet/window/SheetTableModel.h"

#include <algorithm>

namespace lomandra::window {

namespace {
constexpr std::uint32_t kMinRows = 200, kMinColumns = 26;
}

SheetTableModel::SheetTableModel(const engine::SheetData& sheet, QObject* parent)
    : QAbstractTableModel(parent), sheet_(sheet) {
  rows_ = std::min(model::kMaxRows, std::max(kMinRows, sheet.usedRows() + kRowMargin));
  columns_ =
      std::min(model::kMaxColumns, std::max(kMinColumns, sheet.usedColumns() + kColumnMargin));
}

int SheetTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_);
}

int SheetTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_);
}

QVariant SheetTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const auto row = static_cast<std::uint32_t>(index.row());
  const auto column = static_cast<std::uint32_t>(index.column());
  if (row >= sheet_.usedRows() || column >= sheet_.usedColumns()) return {};
  const std::string text = sheet_.text(row, column);
  if (text.empty()) return {};
  return QString::fromStdString(text);
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
  rows = std::min(rows, model::kMaxRows);
  if (rows <= rows_) return;
  beginInsertRows({}, static_cast<int>(rows_), static_cast<int>(rows - 1));
  rows_ = rows;
  endInsertRows();
}

void SheetTableModel::ensureColumns(std::uint32_t columns) {
  columns = std::min(columns, model::kMaxColumns);
  if (columns <= columns_) return;
  beginInsertColumns({}, static_cast<int>(columns_), static_cast<int>(columns - 1));
  columns_ = columns;
  endInsertColumns();
}

void SheetTableModel::cellChanged(std::uint32_t row, std::uint32_t column) {
  // Grow in steps so a long run of writes down a column inserts rows rarely.
  if (row >= rows_) ensureRows(row + kRowStep);
  if (column >= columns_) ensureColumns(column + kColumnStep);
  const QModelIndex changed = index(static_cast<int>(row), static_cast<int>(column));
  emit dataChanged(changed, changed, {Qt::DisplayRole});
}

}  // namespace lomandra::window
