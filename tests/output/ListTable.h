#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "app/core/EntryList.h"
#include "app/core/ListSource.h"
#include "sheet/Failure.h"

namespace lomandra::testing {

/// A list of several columns for the exports: rows of texts, each with a checked state.
class ListTable : public ListSource {
 public:
  struct Row {
    QStringList texts;
    bool checked = true;
  };
  QStringList headers;
  std::vector<Row> rows;

  int columnCount() const override { return static_cast<int>(headers.size()); }
  QString columnHeader(int column) const override {
    if (column < 1 || column > columnCount()) throw Failure("no such column");
    return headers.at(column - 1);
  }
  int count() const override { return static_cast<int>(rows.size()); }
  QString text(int entry, int column) const override {
    if (entry < 1 || entry > count()) throw Failure("no such entry");
    if (column < 1 || column > columnCount()) throw Failure("no such column");
    const QStringList& texts = rows.at(static_cast<size_t>(entry - 1)).texts;
    return column <= texts.size() ? texts.at(column - 1) : QString();
  }
  bool checked(int entry) const override {
    if (entry < 1 || entry > count()) throw Failure("no such entry");
    return rows.at(static_cast<size_t>(entry - 1)).checked;
  }
};

/// Fills a single-column list; an entry written "-text" reads as unchecked.
inline void fill(EntryList& list, const QStringList& entries) {
  for (const QString& entry : entries) {
    const bool unchecked = entry.startsWith(u'-');
    list.add(unchecked ? entry.mid(1) : entry);
    if (unchecked) list.setChecked(list.count(), false);
  }
}

}  // namespace lomandra::testing
