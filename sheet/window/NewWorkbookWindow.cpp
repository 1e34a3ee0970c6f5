#include "sheet/window/NewWorkbookWindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QTabBar>
#include <QVBoxLayout>

#include "sheet/window/SheetGrid.h"
#include "sheet/window/WorkbookSaver.h"

namespace lomandra::window {

namespace {
const QString kSheetName = QStringLiteral("Sheet1");
}

NewWorkbookWindow::NewWorkbookWindow(const QString& bookName,
                                     std::shared_ptr<WorkbookDialogs> dialogs, QWidget* parent)
    : QMainWindow(parent), bookName_(bookName), dialogs_(std::move(dialogs)) {
  setWindowTitle(bookName_);
  setObjectName(QStringLiteral("newWorkbookWindow"));
  auto* central = new QWidget(this);
  grid_ = new SheetGrid(central);
  tabs_ = new QTabBar(central);
  tabs_->setShape(QTabBar::RoundedSouth);
  tabs_->setDrawBase(false);
  tabs_->addTab(kSheetName);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(grid_, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(tabs_);
  bottom->addStretch(1);
  layout->addLayout(bottom);
  setCentralWidget(central);
  grid_->setSheet(&sheet_, &selection_);
  // Written texts that stayed text ("1,250", "$5") stand left, as they would be saved.
  grid_->sheetModel()->setNumberTest([this](std::uint32_t row, std::uint32_t column) {
    const WrittenCell* cell = sheet_.cell(row, column);
    return cell != nullptr && cell->isNumber;
  });
  createActions();
  resize(800, 600);
}

NewWorkbookWindow::~NewWorkbookWindow() { grid_->setSheet(nullptr, nullptr); }

void NewWorkbookWindow::createActions() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  QAction* saveAction = file->addAction(tr("&Save"), this, [this] { save(); });
  saveAction->setShortcut(QKeySequence::Save);
  QAction* saveAsAction = file->addAction(tr("Save &As..."), this, [this] { saveAs(); });
  saveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  file->addSeparator();
  QAction* closeAction = file->addAction(tr("&Close"), this, [this] { close(); });
  closeAction->setShortcut(QKeySequence::Close);
}

void NewWorkbookWindow::write(std::uint32_t row, std::uint32_t column, const QString& text) {
  sheet_.write(row, column, text);
  modified_ = true;
  grid_->sheetModel()->cellChanged(row, column);
}

void NewWorkbookWindow::fit() {
  sheet_.fit([this](const QString& text) { return grid_->charactersForText(text); });
  grid_->applyColumnWidths();
  // Widths count as a change only when there is something to save.
  if (sheet_.cellCount() > 0) modified_ = true;
}

bool NewWorkbookWindow::save() {
  if (path_.isEmpty()) return saveAs();
  return saveTo(path_);
}

bool NewWorkbookWindow::saveAs() {
  const QString suggested =
      path_.isEmpty() ? QDir::home().filePath(bookName_ + QStringLiteral(".xlsx")) : path_;
  const QString chosen = dialogs_->askSavePath(this, suggested);
  if (chosen.isEmpty()) return false;
  return saveTo(chosen);
}

bool NewWorkbookWindow::saveTo(const QString& path) {
  try {
    saveWorkbook(sheet_, kSheetName, path);
  } catch (const std::exception& e) {
    dialogs_->showSaveFailure(this, QString::fromUtf8(e.what()));
    return false;
  }
  path_ = path;
  modified_ = false;
  bookName_ = QFileInfo(path).fileName();
  setWindowTitle(bookName_);
  return true;
}

void NewWorkbookWindow::closeEvent(QCloseEvent* event) {
  if (modified_) {
    switch (dialogs_->askSaveChanges(this, bookName_)) {
      case WorkbookDialogs::SaveChanges::Save:
        if (!save()) {
          event->ignore();  // the save was cancelled or failed: the workbook stays open
          return;
        }
        break;
      case WorkbookDialogs::SaveChanges::DontSave: break;
      case WorkbookDialogs::SaveChanges::Cancel: event->ignore(); return;
    }
  }
  event->accept();
}

}  // namespace lomandra::window
