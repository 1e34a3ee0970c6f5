#pragma once

// The window Show makes visible for an opened workbook: a read-only grid of the active sheet
// with tabs for the visible sheets, titled with the workbook's file name. Pick range opens the
// range box above it and waits, in a nested event loop, until the user answers.

#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/engine/SheetReading.h"
#include "sheet/window/GridSelection.h"

class QLabel;
class QTabBar;

namespace lomandra::window {

class FormulaBar;
class BackgroundSheet;
class RangeBox;
class SheetGrid;

/// The cells the user picked: a sheet of the workbook (index) and its areas.
struct PickedRange {
  int sheet = 0;
  std::vector<engine::Area> areas;
};

class WorkbookWindow final : public QWidget {
  Q_OBJECT

 public:
  /// A window over `workbook`, which must outlive it. Opens on the active sheet.
  explicit WorkbookWindow(engine::BuiltinWorkbook& workbook, QWidget* parent = nullptr);
  ~WorkbookWindow() override;

  /// The sheet (index into the workbook's sheets) the grid shows.
  int currentSheet() const { return current_; }
  /// Shows sheet `index` when it is a visible sheet; false otherwise.
  bool showSheet(int index);
  /// The selection's address on the shown sheet, as the range box writes it.
  QString currentAddress() const;

  /// Pick range: opens the range box with `prompt` and returns the picked cells, or nothing
  /// when the user cancels, presses Escape or closes either window.
  std::optional<PickedRange> pickRange(const QString& prompt);

  SheetGrid* grid() const { return grid_; }
  QTabBar* tabBar() const { return tabs_; }
  FormulaBar* formulaBar() const { return bar_; }
  /// The open range box, or null.
  RangeBox* rangeBox() const { return box_; }
  /// A description of a sheet that could not be read, shown under the grid ("" when none).
  QString problem() const;
  /// The status line while the shown sheet is being read ("Reading rows: 42 %"), else "".
  QString status() const;

 signals:
  /// The user closed the window.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void tabChosen(int tab);
  /// The previous (-1) or next (+1) visible sheet, as Ctrl+Page Up / Down choose it.
  void stepSheet(int step);
  /// Puts the active cell the file saved for sheet `index` into its selection, once; true when
  /// it did.
  bool applySavedView(int index, const engine::SheetData& sheet);
  /// More rows of the shown sheet arrived, or its reading ended.
  void sheetArrived();
  /// The status line while the shown sheet is read: how far, and whether a key waits for it.
  void showReadingStatus(const engine::ReadProgress& progress);
  void referenceTyped(const QString& text);
  /// The sheet and areas a reference typed into the range box names, or nothing; `problem`
  /// then says what is wrong with it.
  std::optional<PickedRange> typedRange(const QString& text, QString* problem = nullptr) const;
  /// The range box shows the selection's address, unless its field holds what the user typed.
  void followSelection();
  /// Before a key that needs every row of the shown sheet (Ctrl+End, Ctrl+arrows, Ctrl+A):
  /// waits while the sheet is still being read, showing how far reading has come, the
  /// window taking no other input. False when the user stopped the wait with Escape or closed
  /// the window; the key then does nothing.
  bool waitForWholeSheet();
  /// True when the shown sheet has been read through (or is not being read).
  bool shownSheetRead() const;

  engine::BuiltinWorkbook& workbook_;
  SheetGrid* grid_;
  QTabBar* tabs_;
  FormulaBar* bar_;
  std::vector<bool> viewApplied_;  ///< per sheet: its saved view was applied
  QLabel* problem_;
  QLabel* status_;
  /// The sheets being read or read, by index; a reading left unfinished stops.
  std::vector<std::unique_ptr<BackgroundSheet>> readings_;
  bool widthsShown_ = false;  ///< the shown sheet's column widths have been read
  RangeBox* box_ = nullptr;
  std::vector<GridSelection> selections_;  ///< one per sheet of the workbook
  int current_ = -1;
  bool applyingTyped_ = false;
  /// The range box's field holds what the user typed: only a gesture in the grid or a sheet
  /// chosen by the user replaces it, never what the typing itself caused.
  bool fieldTyped_ = false;
  bool waiting_ = false;  ///< a key waits for the shown sheet to be read through
};

}  // namespace lomandra::window
