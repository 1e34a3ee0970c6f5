#pragma once

// The spreadsheet application as the commands see it: the operations Create, Attach, Name,
// Open, Add, Show, Pick range, Sheet and address, Resolve, Walk, Cell text, Write, Fit and Quit.
// The built-in engine and the Windows automation back end both sit behind these classes, so
// nothing here may assume the application runs in this process. Every operation reports a
// failure by throwing lomandra::Failure (or another std::exception) with a readable description.

#include <QString>
#include <memory>

namespace lomandra::sheet {

/// Walk: the cells of a range, one at a time, in the application's own order.
class CellWalk {
 public:
  virtual ~CellWalk() = default;
  /// Moves to the next cell; false when every cell has been visited.
  virtual bool next() = 0;
  /// Cell text: the displayed text of the current cell, as the application formats it.
  virtual QString text() = 0;
};

/// A range of cells in an open workbook (one or several areas on one worksheet).
class Range {
 public:
  virtual ~Range() = default;
  /// Sheet: the worksheet's name exactly as the workbook has it.
  virtual QString sheetName() = 0;
  /// Address without arguments, as the application writes it: "$A$1:$B$3", "$A:$A", "$3:$3",
  /// areas joined by commas.
  virtual QString address() = 0;
  /// Walk: enumerates every cell of every area, row by row, left to right, areas in turn.
  virtual std::unique_ptr<CellWalk> walk() = 0;
};

/// One instance of the spreadsheet application. Destroying the object releases the instance
/// without telling it to quit (what the availability probes and a failed open rely on).
class Application {
 public:
  virtual ~Application() = default;
  /// Name: the instance's default member, e.g. "Microsoft Excel" for the real application.
  virtual QString name() = 0;
  /// Open: opens the workbook at the path exactly as typed and makes it the active workbook.
  virtual void open(const QString& path) = 0;
  /// Add: adds a new, empty workbook and makes it active; its first sheet is the active sheet.
  virtual void add() = 0;
  /// Show: makes the application's window visible.
  virtual void show() = 0;
  /// Pick range: the application's range box with the given prompt; null when the user cancels.
  virtual std::unique_ptr<Range> pickRange(const QString& prompt) = 0;
  /// Resolve: a Range Reference ("'Sheet'!$A$1:$B$3") against the active workbook.
  virtual std::unique_ptr<Range> resolve(const QString& reference) = 0;
  /// Write: puts a text into the active sheet's cell at a 1-based row and column.
  virtual void write(int row, int column, const QString& text) = 0;
  /// Fit: sizes every column of the active sheet to its widest text.
  virtual void fit() = 0;
  /// Quit: tells the instance to end.
  virtual void quit() = 0;
};

/// The spreadsheet application as installed on this machine.
class Automation {
 public:
  virtual ~Automation() = default;
  /// Create: a new instance, not shown.
  virtual std::unique_ptr<Application> create() = 0;
  /// Attach: the instance that is already running; throws when none runs.
  virtual std::unique_ptr<Application> attach() = 0;
};

}  // namespace lomandra::sheet
