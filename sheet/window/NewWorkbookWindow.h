#pragma once

// The window of a workbook the built-in engine adds ("Book1", "Book2", ...): one sheet that the
// export writes into cell by cell while the user watches. The user can save it as .xlsx or
// .csv; closing it with unsaved changes asks whether to save them.

#include <QMainWindow>
#include <memory>

#include "sheet/window/GridSelection.h"
#include "sheet/window/WorkbookDialogs.h"
#include "sheet/window/WrittenSheet.h"

class QTabBar;

namespace lomandra::window {

class SheetGrid;

class NewWorkbookWindow final : public QMainWindow {
  Q_OBJECT

 public:
  NewWorkbookWindow(const QString& bookName, std::shared_ptr<WorkbookDialogs> dialogs,
                    QWidget* parent = nullptr);
  ~NewWorkbookWindow() override;

  /// The name the workbook goes by: "Book1" until saved, then the file name.
  QString bookName() const { return bookName_; }
  const WrittenSheet& sheet() const { return sheet_; }
  SheetGrid* grid() const { return grid_; }
  /// True when cells were written since the last save.
  bool isModified() const { return modified_; }
  /// The file the workbook was last saved to ("" before the first save).
  QString filePath() const { return path_; }

  /// Write: puts a text into a cell (0-based); the grid shows it at its next paint.
  void write(std::uint32_t row, std::uint32_t column, const QString& text);
  /// Fit: sizes every column to its widest text.
  void fit();

  /// Save: to the file saved to before, else as Save As. False when cancelled or failed.
  bool save();
  /// Save As: asks for a file (.xlsx or .csv) and saves there. False when cancelled or failed.
  bool saveAs();
  /// Saves to `path`; tells the user and returns false when that fails.
  bool saveTo(const QString& path);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createActions();

  QString bookName_;
  std::shared_ptr<WorkbookDialogs> dialogs_;
  WrittenSheet sheet_;
  GridSelection selection_;
  SheetGrid* grid_;
  QTabBar* tabs_;
  QString path_;
  bool modified_ = false;
};

}  // namespace lomandra::window
