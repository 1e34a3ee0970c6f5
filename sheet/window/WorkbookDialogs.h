#pragma once

// The questions the new workbook window asks, behind an interface so tests can answer them.

#include <QString>
#include <memory>

class QWidget;

namespace lomandra::window {

class WorkbookDialogs {
 public:
  enum class SaveChanges { Save, DontSave, Cancel };
  virtual ~WorkbookDialogs() = default;
  /// "Do you want to save the changes you made to <book>?" with Save, Don't Save and Cancel.
  virtual SaveChanges askSaveChanges(QWidget* window, const QString& bookName) = 0;
  /// The file to save to (.xlsx or .csv), starting from `suggested`; empty when cancelled.
  virtual QString askSavePath(QWidget* window, const QString& suggested) = 0;
  /// Tells the user a save failed, with the reason.
  virtual void showSaveFailure(QWidget* window, const QString& description) = 0;
};

/// The dialogs as plain Qt message boxes and file dialogs.
std::shared_ptr<WorkbookDialogs> qtWorkbookDialogs();

}  // namespace lomandra::window
