#pragma once

// Scripted answers to the new workbook window's questions, with a record of what was asked.

#include <QStringList>

#include "sheet/window/WorkbookDialogs.h"

namespace lomandra::window::testing {

class FakeDialogs final : public WorkbookDialogs {
 public:
  SaveChanges answer = SaveChanges::Cancel;
  QString savePath;  ///< "" cancels the save dialog
  QStringList asked;
  QStringList failures;

  SaveChanges askSaveChanges(QWidget*, const QString& bookName) override {
    asked << QStringLiteral("Do you want to save the changes you made to %1?").arg(bookName);
    return answer;
  }
  QString askSavePath(QWidget*, const QString& suggested) override {
    asked << QStringLiteral("save as ") + suggested;
    return savePath;
  }
  void showSaveFailure(QWidget*, const QString& description) override { failures << description; }
};

}  // namespace lomandra::window::testing
