#include "app/core/EntryList.h"

#include <QMetaObject>

#include "sheet/Failure.h"

namespace lomandra {

EntryList::EntryList(QString header, bool checkable, QObject* parent)
    : QAbstractListModel(parent), header_(std::move(header)), checkable_(checkable) {}

void EntryList::checkEntry(int entry) const {
  if (entry < 1 || entry > count())
    throw Failure("Index out of bounds: the list has no entry " + std::to_string(entry) + ".");
}

QString EntryList::text(int entry) const {
  checkEntry(entry);
  return texts_[static_cast<size_t>(entry - 1)];
}

QString EntryList::text(int entry, int column) const {
  if (column != 1)
    throw Failure("Index out of bounds: the list has no column " + std::to_string(column) + ".");
  return text(entry);
}

bool EntryList::checked(int entry) const {
  checkEntry(entry);
  return checked_[static_cast<size_t>(entry - 1)];
}

QString EntryList::columnHeader(int column) const {
  if (column != 1)
    throw Failure("Index out of bounds: the list has no column " + std::to_string(column) + ".");
  return header_;
}

void EntryList::add(const QString& text) {
  texts_.push_back(text);
  checked_.push_back(true);
  if (!flushQueued_) {
    flushQueued_ = true;
    QMetaObject::invokeMethod(this, &EntryList::flush, Qt::QueuedConnection);
  }
}

void EntryList::flush() {
  flushQueued_ = false;
  const int total = count();
  if (total <= announced_) return;
  beginInsertRows({}, announced_, total - 1);
  announced_ = total;
  endInsertRows();
}

void EntryList::remove(int entry) {
  checkEntry(entry);
  flush();
  const int row = entry - 1;
  beginRemoveRows({}, row, row);
  texts_.erase(texts_.begin() + row);
  checked_.erase(checked_.begin() + row);
  announced_ = count();
  endRemoveRows();
}

void EntryList::clear() {
  beginResetModel();
  texts_.clear();
  texts_.shrink_to_fit();
  checked_.clear();
  checked_.shrink_to_fit();
  announced_ = 0;
  endResetModel();
}

void EntryList::setChecked(int entry, bool isChecked) {
  checkEntry(entry);
  checked_[static_cast<size_t>(entry - 1)] = isChecked;
  if (entry - 1 < announced_) {
    const QModelIndex changed = index(entry - 1);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
  }
}

int EntryList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : announced_;
}

QVariant EntryList::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= announced_ || index.column() != 0) return {};
  const auto row = static_cast<size_t>(index.row());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return texts_[row];
    case Qt::CheckStateRole:
      if (checkable_) return checked_[row] ? Qt::Checked : Qt::Unchecked;
      return {};
    default:
      return {};
  }
}

bool EntryList::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!checkable_ || role != Qt::CheckStateRole || !index.isValid() || index.row() >= announced_)
    return false;
  setChecked(index.row() + 1, value.toInt() == Qt::Checked);
  return true;
}

QVariant EntryList::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) return header_;
  return {};
}

Qt::ItemFlags EntryList::flags(const QModelIndex& index) const {
  Qt::ItemFlags result = QAbstractListModel::flags(index);
  if (checkable_ && index.isValid()) result |= Qt::ItemIsUserCheckable;
  return result;
}

}  // namespace lomandra
