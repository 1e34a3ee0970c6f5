#include "sheet/window/WorkbookDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace lomandra::window {

namespace {

const QString kXlsxFilter = QStringLiteral("Excel Workbook (*.xlsx)");
const QString kCsvFilter = QStringLiteral("CSV UTF-8 (Comma delimited) (*.csv)");

class QtWorkbookDialogs final : public WorkbookDialogs {
 public:
  SaveChanges askSaveChanges(QWidget* window, const QString& bookName) override {
    QMessageBox box(QMessageBox::Warning, window ? window->windowTitle() : QString(),
                    QStringLiteral("Do you want to save the changes you made to %1?").arg(bookName),
                    QMessageBox::NoButton, window);
    QPushButton* save = box.addButton(QObject::tr("Save"), QMessageBox::AcceptRole);
    QPushButton* dontSave = box.addButton(QObject::tr("Don't Save"), QMessageBox::DestructiveRole);
    box.addButton(QObject::tr("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.exec();
    if (box.clickedButton() == save) return SaveChanges::Save;
    if (box.clickedButton() == dontSave) return SaveChanges::DontSave;
    return SaveChanges::Cancel;
  }

  QString askSavePath(QWidget* window, const QString& suggested) override {
    QString chosenFilter;
    QString path = QFileDialog::getSaveFileName(window, QObject::tr("Save As"), suggested,
                                                kXlsxFilter + QStringLiteral(";;") + kCsvFilter,
                                                &chosenFilter);
    if (path.isEmpty()) return {};
    // A name without an extension gets the one of the chosen type.
    if (QFileInfo(path).suffix().isEmpty())
      path += chosenFilter == kCsvFilter ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
    return path;
  }

  void showSaveFailure(QWidget* window, const QString& description) override {
    QMessageBox::warning(window, window ? window->windowTitle() : QString(), description);
  }
};

}  // namespace

std::shared_ptr<WorkbookDialogs> qtWorkbookDialogs() {
  return std::make_shared<QtWorkbookDialogs>();
}

}  // namespace lomandra::window
