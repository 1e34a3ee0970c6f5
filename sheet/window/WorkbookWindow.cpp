#include "sheet/window/WorkbookWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QEventLoop>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTabBar>
#include <QVBoxLayout>

#include "sheet/window/FormulaBar.h"
#include "sheet/window/GridKeys.h"
#include "sheet/window/BackgroundSheet.h"
#include "sheet/window/RangeBox.h"
#include "sheet/window/SheetGrid.h"
#include "sheet/window/SheetTableModel.h"

namespace lomandra::window {

namespace {

/// What the grid shows for a sheet that could not be read.
class EmptySheet final : public engine::SheetData {
 public:
  std::uint32_t usedRows() const override { return 0; }
  std::uint32_t usedColumns() const override { return 0; }
  std::string text(std::uint32_t, std::uint32_t) const override { return {}; }
  double columnWidth(std::uint32_t) const override { return 8.43; }
  bool columnHidden(std::uint32_t) const override { return false; }
  bool rowHidden(std::uint32_t) const override { return false; }
  void forEachText(const engine::Area& area,
                   const std::function<bool(std::string_view)>& visit) const override {
    for (std::uint32_t r = area.firstRow; r <= area.lastRow; ++r)
      for (std::uint32_t c = area.firstColumn; c <= area.lastColumn; ++c)
        if (!visit({})) return;
  }
};

const EmptySheet kEmptySheet;

}  // namespace

WorkbookWindow::WorkbookWindow(engine::BuiltinWorkbook& workbook, QWidget* parent)
    : QWidget(parent, Qt::Window), workbook_(workbook) {
  setWindowTitle(QString::fromStdString(workbook.fileName()));
  setObjectName(QStringLiteral("workbookWindow"));
  grid_ = new SheetGrid(this);
  bar_ = new FormulaBar(this);
  tabs_ = new QTabBar(this);
  tabs_->setShape(QTabBar::RoundedSouth);
  tabs_->setExpanding(false);
  tabs_->setDrawBase(false);
  problem_ = new QLabel(this);
  problem_->hide();
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("readingStatus"));
  status_->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar_);
  layout->addWidget(grid_, 1);
  layout->addWidget(problem_);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(tabs_);
  bottom->addStretch(1);
  bottom->addWidget(status_);
  layout->addLayout(bottom);

  const auto& sheets = workbook.sheets();
  // Selections span the grid of the workbook's format (65,536 x 256 for .xls).
  selections_.assign(sheets.size(), GridSelection(workbook.grid()));
  viewApplied_.assign(sheets.size(), false);
  connect(grid_, &SheetGrid::selectionEdited, this, [this] {
    // The user's own selection wins over a saved view that arrives later.
    if (current_ >= 0) viewApplied_[static_cast<std::size_t>(current_)] = true;
    bar_->showFrom(*grid_);
  });
  connect(grid_, &SheetGrid::sheetStepRequested, this, &WorkbookWindow::stepSheet);
  grid_->setWholeSheetWait([this] { return waitForWholeSheet(); });
  readings_.resize(sheets.size());
  int activeTab = -1;
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    if (!sheets[i].visible) continue;  // hidden sheets get no tab
    const int tab = tabs_->addTab(QString::fromStdString(sheets[i].name));
    tabs_->setTabData(tab, static_cast<int>(i));
    // The active sheet's tab, or the first tab when the active sheet is hidden.
    if (activeTab < 0 || static_cast<int>(i) == workbook.activeSheet()) activeTab = tab;
  }
  connect(tabs_, &QTabBar::currentChanged, this, &WorkbookWindow::tabChosen);
  if (activeTab >= 0) {
    tabs_->setCurrentIndex(activeTab);
    tabChosen(activeTab);  // currentChanged does not fire when the tab already is current
  }
  resize(960, 640);
}

WorkbookWindow::~WorkbookWindow() {
  // The grid's model refers to the workbook's sheets; let it go before anything else, then stop
  // the readings still going.
  grid_->setSheet(nullptr, nullptr);
  readings_.clear();
}

QString WorkbookWindow::problem() const { return problem_->isHidden() ? QString() : problem_->text(); }

QString WorkbookWindow::status() const { return status_->isHidden() ? QString() : status_->text(); }

bool WorkbookWindow::showSheet(int index) {
  for (int tab = 0; tab < tabs_->count(); ++tab) {
    if (tabs_->tabData(tab).toInt() == index) {
      tabs_->setCurrentIndex(tab);
      return true;
    }
  }
  return false;
}

void WorkbookWindow::tabChosen(int tab) {
  if (tab < 0) return;
  const int index = tabs_->tabData(tab).toInt();
  if (index == current_) return;
  const int previous = current_;
  current_ = index;
  problem_->hide();
  status_->hide();
  widthsShown_ = false;
  auto& reading = readings_[static_cast<std::size_t>(index)];
  try {
    // The sheet is read in the background; its rows appear as they arrive.
    if (!reading) {
      reading = std::make_unique<BackgroundSheet>(workbook_, index);
      connect(reading.get(), &BackgroundSheet::arrived, this,
              [this, from = reading.get()] {
                if (current_ >= 0 && readings_[static_cast<std::size_t>(current_)].get() == from)
                  sheetArrived();
              });
    }
    grid_->setSheet(&reading->data(), &selections_[static_cast<std::size_t>(index)]);
    sheetArrived();
  } catch (const std::exception& e) {
    reading.reset();
    grid_->setSheet(&kEmptySheet, &selections_[static_cast<std::size_t>(index)]);
    problem_->setText(tr("This sheet could not be read: %1").arg(QString::fromUtf8(e.what())));
    problem_->show();
  }
  // A sheet left before it was read through stops reading (the file serves one reading at a
  // time); choosing its tab again reads it afresh.
  if (previous >= 0 && previous != index) {
    auto& left = readings_[static_cast<std::size_t>(previous)];
    if (left && !left->progress().finished) left.reset();
  }
  bar_->showFrom(*grid_);
  if (applyingTyped_) return;  // the typed reference keeps the field and the keyboard
  // The user chose the sheet (a tab, Ctrl+Page Up / Down): the box shows its selection, and the
  // grid keeps the keys, so the sheet's keys go on working; the field is a click away.
  fieldTyped_ = false;
  followSelection();
  if (isVisible()) activateWindow();
  grid_->setFocus(Qt::OtherFocusReason);
}

void WorkbookWindow::followSelection() {
  if (box_ && !fieldTyped_) box_->setAddress(currentAddress());
}

bool WorkbookWindow::applySavedView(int index, const engine::SheetData& sheet) {
  const auto slot = static_cast<std::size_t>(index);
  if (viewApplied_[slot]) return false;
  viewApplied_[slot] = true;
  const auto saved = sheet.savedView();
  if (!saved) return false;
  const CellPos last{workbook_.grid().rows - 1, workbook_.grid().columns - 1};
  GridSelection& selection = selections_[slot];
  selection.select({std::min(saved->activeRow, last.row), std::min(saved->activeColumn, last.column)});
  if (const engine::Area* merged = mergedAreaAt(sheet.mergedAreas(), selection.active())) {
    selection.select({merged->firstRow, merged->firstColumn});
    selection.extendTo({merged->lastRow, merged->lastColumn});
  }
  return true;
}

void WorkbookWindow::stepSheet(int step) {
  const int tab = tabs_->currentIndex() + step;
  if (tab >= 0 && tab < tabs_->count()) tabs_->setCurrentIndex(tab);
}

void WorkbookWindow::sheetArrived() {
  const BackgroundSheet* reading = readings_[static_cast<std::size_t>(current_)].get();
  SheetTableModel* model = grid_->sheetModel();
  if (!reading || !model) return;
  const engine::ReadProgress progress = reading->progress();
  // The column layout comes before the cells: with the first rows (or the end) it is known.
  if (!widthsShown_ && (progress.rows > 0 || progress.finished)) {
    widthsShown_ = true;
    grid_->applyColumnWidths();
  }
  model->sheetGrew(progress.finished, progress.changedFrom);
  // The saved active cell comes ahead of the rows in the files that keep one.
  if ((progress.rows > 0 || progress.finished) && applySavedView(current_, reading->data())) {
    // Before the window is shown the grid scrolls to the active cell once it is (see setSheet).
    grid_->showSelection(grid_->isVisible());
    followSelection();
  }
  // The active cell's text may have just arrived.
  bar_->showFrom(*grid_);
  showReadingStatus(progress);
  if (!progress.finished) return;
  if (!progress.failure.empty()) {
    // As when a sheet cannot be read at all; the rows read before the failure stay shown.
    problem_->setText(
        tr("This sheet could not be read: %1").arg(QString::fromStdString(progress.failure)));
    problem_->show();
  }
}

void WorkbookWindow::showReadingStatus(const engine::ReadProgress& progress) {
  if (progress.finished) {
    status_->hide();
    return;
  }
  QString text = progress.percent >= 0 ? tr("Reading rows: %1 %").arg(progress.percent)
                                       : tr("Reading rows: %1").arg(QLocale().toString(progress.rows));
  if (waiting_) text += tr(" - the key waits for the whole sheet (Esc stops waiting)");
  status_->setText(text);
  status_->show();
}

bool WorkbookWindow::shownSheetRead() const {
  if (current_ < 0) return true;
  const BackgroundSheet* reading = readings_[static_cast<std::size_t>(current_)].get();
  return reading == nullptr || reading->progress().finished;
}

QString WorkbookWindow::currentAddress() const {
  if (current_ < 0) return {};
  return QString::fromStdString(
      engine::formatAddress(selections_[static_cast<std::size_t>(current_)].areas(),
                            workbook_.grid()));
}

std::optional<PickedRange> WorkbookWindow::typedRange(const QString& text, QString* problem) const {
  const auto fail = [problem](const QString& why) -> std::optional<PickedRange> {
    if (problem) *problem = why;
    return std::nullopt;
  };
  const QString hint = tr("Type a reference such as $A$1:$B$3, or select cells in the sheet.");
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty() || trimmed.size() > 2000) return fail(hint);
  engine::Reference reference;
  try {
    reference = engine::parseReference(trimmed.toStdString(), workbook_.grid());
  } catch (const std::exception&) {
    return fail(hint);
  }
  if (reference.areas.empty()) return fail(hint);
  PickedRange picked{current_, reference.areas};
  if (reference.hasSheet) {
    // The sheet's name as typed, in any case; a visible sheet only, since only those have a tab.
    const auto& sheets = workbook_.sheets();
    const QString wanted = QString::fromStdString(reference.sheet);
    int hidden = -1;
    picked.sheet = -1;
    for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
      for (std::size_t i = 0; i < sheets.size() && picked.sheet < 0; ++i) {
        if (QString::fromStdString(sheets[i].name).compare(wanted, cs) != 0) continue;
        if (sheets[i].visible) picked.sheet = static_cast<int>(i);
        else if (hidden < 0) hidden = static_cast<int>(i);
      }
    }
    if (picked.sheet < 0 && hidden >= 0)
      return fail(tr("The sheet \"%1\" is hidden: pick cells on a sheet that has a tab.").arg(wanted));
    if (picked.sheet < 0) return fail(tr("The workbook has no sheet named \"%1\".").arg(wanted));
  }
  if (picked.sheet < 0) return fail(hint);
  return picked;
}

void WorkbookWindow::referenceTyped(const QString& text) {
  fieldTyped_ = true;  // from now on the field keeps the text, caret and all
  const auto typed = typedRange(text);
  if (!typed) return;  // an unfinished reference selects nothing yet
  applyingTyped_ = true;
  showSheet(typed->sheet);
  const auto slot = static_cast<std::size_t>(typed->sheet);
  selections_[slot].setAreas(typed->areas);
  // The typed cells win over the sheet's saved view, however late that arrives.
  viewApplied_[slot] = true;
  // Into view as the application brings a typed reference: by its active cell, and only when
  // that is out of view (a partly typed "C", a whole column, must not scroll to the sheet's end).
  grid_->showSelection(false);
  grid_->revealActiveCell();
  bar_->showFrom(*grid_);
  applyingTyped_ = false;
}

bool WorkbookWindow::waitForWholeSheet() {
  if (shownSheetRead()) return true;
  if (waiting_) return false;
  BackgroundSheet* reading = readings_[static_cast<std::size_t>(current_)].get();

  // Until reading ends, the application's input goes nowhere but to Escape, which stops the
  // wait: no other key, click or sheet change can act on the half-read sheet meanwhile.
  class InputHold final : public QObject {
   public:
    explicit InputHold(std::function<void()> escape) : escape_(std::move(escape)) {
      qApp->installEventFilter(this);
    }
    ~InputHold() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
      switch (event->type()) {
        case QEvent::KeyPress:
          if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) escape_();
          return true;
        case QEvent::KeyRelease: case QEvent::ShortcutOverride: case QEvent::Shortcut:
        case QEvent::MouseButtonPress: case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: case QEvent::Wheel: case QEvent::ContextMenu:
          return true;
        default: return false;
      }
    }

   private:
    std::function<void()> escape_;
  };

  QEventLoop wait;
  bool stopped = false;
  const auto stop = [&] {
    stopped = true;
    wait.quit();
  };
  connect(reading, &BackgroundSheet::arrived, &wait, [&] {
    if (shownSheetRead()) wait.quit();
  });
  // The reading goes with its sheet (never while input is held) or with the window.
  connect(reading, &QObject::destroyed, &wait, [&] {
    reading = nullptr;
    stop();
  });
  connect(this, &WorkbookWindow::closed, &wait, stop);
  waiting_ = true;
  showReadingStatus(reading->progress());  // the status line says what the key waits for
  InputHold hold(stop);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  wait.exec();
  QApplication::restoreOverrideCursor();
  waiting_ = false;
  if (reading) showReadingStatus(reading->progress());
  return !stopped && shownSheetRead();
}

std::optional<PickedRange> WorkbookWindow::pickRange(const QString& prompt) {
  if (box_) return std::nullopt;  // one box at a time
  if (current_ < 0) return std::nullopt;  // no sheet to pick from
  show();
  raise();
  activateWindow();

  QPointer<WorkbookWindow> self(this);
  QPointer<RangeBox> box = new RangeBox(prompt, this);
  box_ = box;
  fieldTyped_ = false;
  box->setAddress(currentAddress());
  // Top right of the workbook window, clear of the first cells.
  box->adjustSize();
  box->move(frameGeometry().topRight() - QPoint(box->width() + 40, -60));

  QEventLoop loop;
  std::optional<PickedRange> answer;
  const auto accept = [&] {
    if (!box) return;
    QString problem;
    auto picked = typedRange(box->field()->text(), &problem);
    if (!picked) {
      box->showProblem(problem);
      box->focusField();
      return;
    }
    answer = std::move(picked);
    loop.quit();
  };
  connect(box, &RangeBox::okChosen, &loop, accept);
  connect(grid_, &SheetGrid::returnPressed, &loop, accept);
  connect(box, &RangeBox::cancelChosen, &loop, &QEventLoop::quit);
  connect(grid_, &SheetGrid::escapePressed, &loop, &QEventLoop::quit);
  connect(this, &WorkbookWindow::closed, &loop, &QEventLoop::quit);
  connect(box, &QObject::destroyed, &loop, &QEventLoop::quit);
  connect(grid_, &SheetGrid::selectionEdited, &loop, [&] {
    // A click, drag or key in the grid: the field follows the selection again.
    fieldTyped_ = false;
    followSelection();
  });
  connect(box, &RangeBox::referenceEdited, &loop, [this](const QString& text) { referenceTyped(text); });
  connect(grid_, &SheetGrid::textTyped, &loop, [&](const QString& text) {
    // Typed in the grid over the selection's address, a new reference replaces it (the field,
    // without the keyboard, may have let go of its selected text); typed text is added to.
    if (box) box->typeText(text, !fieldTyped_);
  });

  box->show();
  box->focusField();
  loop.exec(QEventLoop::DialogExec);

  if (!self) return std::nullopt;  // the window went away while the box was open
  box_ = nullptr;
  delete box.data();
  return answer;
}

void WorkbookWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  emit closed();
}

}  // namespace lomandra::window
