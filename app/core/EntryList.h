#pragma once

#include <QAbstractListModel>
#include <QString>
#include <vector>

#include "app/core/ListSource.h"

namespace lomandra {

/// One report-view list of the main window (the Range List or the Result List): a single
/// column of texts, each with a checked state, held in a model so a million entries stay cheap.
///
/// Appends are announced to views in batches: add() stores the entry at once (count() and
/// text() see it immediately) and the rows are announced on the next turn of the event loop,
/// or before any removal. Views therefore never see a row count that was not announced.
class EntryList : public QAbstractListModel, public ListSource {
  Q_OBJECT

 public:
  /// `header` is the column caption; `checkable` shows a check box per entry that the user may clear.
  explicit EntryList(QString header, bool checkable, QObject* parent = nullptr);

  // The list as commands use it; indexes count from 1.
  int count() const override { return static_cast<int>(texts_.size()); }
  QString text(int entry) const;
  QString text(int entry, int column) const override;
  bool checked(int entry) const override;
  int columnCount() const override { return 1; }
  QString columnHeader(int column) const override;
  /// Appends an entry at the end; new entries read as checked.
  void add(const QString& text);
  /// Removes the entry at a 1-based index; throws lomandra::Failure when there is none.
  void remove(int entry);
  /// Removes every entry.
  void clear();
  /// Sets an entry's checked state (the user's check box).
  void setChecked(int entry, bool checked);
  const QString& header() const { return header_; }
  /// Announces entries appended since the last announcement (normally done by the event loop).
  void flush();

  // QAbstractItemModel
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  void checkEntry(int entry) const;

  QString header_;
  bool checkable_;
  std::vector<QString> texts_;
  std::vector<bool> checked_;
  int announced_ = 0;       // rows the views know about
  bool flushQueued_ = false;
};

}  // namespace lomandra
