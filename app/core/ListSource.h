#pragma once

#include <QString>

namespace lomandra {

/// A list of the main window's kind as the exports read it: columns with header captions,
/// entries with a text per column and a checked state. Entries and columns count from 1.
/// Reading an entry or column that does not exist throws lomandra::Failure.
class ListSource {
 public:
  virtual ~ListSource() = default;
  virtual int columnCount() const = 0;
  virtual QString columnHeader(int column) const = 0;
  virtual int count() const = 0;
  /// Column 1 is the entry's own text, column c > 1 its sub-item c - 1.
  virtual QString text(int entry, int column) const = 0;
  virtual bool checked(int entry) const = 0;
};

}  // namespace lomandra
