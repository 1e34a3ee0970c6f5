#include "sheet/window/WorkbookWindow.h"

#include <QCloseEvent>
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
  connect(grid_, &SheetGrid::selectionEdited, this, [this] { bar_->showFrom(*grid_); });
  connect(grid_, &SheetGrid::sheetStepRequested, this, &WorkbookWindow::stepSheet);
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
  if (box_ && !applyingTyped_) {
    // As after any pick, the box shows the new sheet's selection; the keyboard goes back to the
    // field (a click on a tab leaves it nowhere useful), so the user can type a reference.
    box_->setAddress(currentAddress());
    box_->focusField();
  }
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
    bar_->showFrom(*grid_);
    if (box_) box_->setAddress(currentAddress());
  }
  if (!progress.finished) {
    status_->setText(progress.percent >= 0
                         ? tr("Reading rows: %1 %").arg(progress.percent)
                         : tr("Reading rows: %1").arg(QLocale().toString(progress.rows)));
    status_->show();
    return;
  }
  status_->hide();
  if (!progress.failure.empty()) {
    // As when a sheet cannot be read at all; the rows read before the failure stay shown.
    problem_->setText(
        tr("This sheet could not be read: %1").arg(QString::fromStdString(progress.failure)));
    problem_->show();
  }
}

QString WorkbookWindow::currentAddress() const {
  if (current_ < 0) return {};
  return QString::fromStdString(
      engine::formatAddress(selections_[static_cast<std::size_t>(current_)].areas(),
                            workbook_.grid()));
}

std::optional<PickedRange> WorkbookWindow::typedRange(const QString& text) const {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty() || trimmed.size() > 2000) return std::nullopt;
  engine::Reference reference;
  try {
    reference = engine::parseReference(trimmed.toStdString(), workbook_.grid());
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (reference.areas.empty()) return std::nullopt;
  PickedRange picked{current_, reference.areas};
  if (reference.hasSheet) {
    // The sheet's name as typed; a visible sheet only, since only those have a tab.
    const auto& sheets = workbook_.sheets();
    const QString wanted = QString::fromStdString(reference.sheet);
    picked.sheet = -1;
    for (std::size_t i = 0; i < sheets.size() && picked.sheet < 0; ++i) {
      if (sheets[i].visible && QString::fromStdString(sheets[i].name) == wanted)
        picked.sheet = static_cast<int>(i);
    }
    for (std::size_t i = 0; i < sheets.size() && picked.sheet < 0; ++i) {
      if (sheets[i].visible &&
          QString::fromStdString(sheets[i].name).compare(wanted, Qt::CaseInsensitive) == 0)
        picked.sheet = static_cast<int>(i);
    }
    if (picked.sheet < 0) return std::nullopt;
  }
  if (picked.sheet < 0) return std::nullopt;
  return picked;
}

void WorkbookWindow::referenceTyped(const QString& text) {
  const auto typed = typedRange(text);
  if (!typed) return;  // an unfinished reference selects nothing yet
  applyingTyped_ = true;
  showSheet(typed->sheet);
  selections_[static_cast<std::size_t>(typed->sheet)].setAreas(typed->areas);
  grid_->showSelection(true);
  bar_->showFrom(*grid_);
  applyingTyped_ = false;
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
  box->setAddress(currentAddress());
  // Top right of the workbook window, clear of the first cells.
  box->adjustSize();
  box->move(frameGeometry().topRight() - QPoint(box->width() + 40, -60));

  QEventLoop loop;
  std::optional<PickedRange> answer;
  const auto accept = [&] {
    if (!box) return;
    auto picked = typedRange(box->field()->text());
    if (!picked) {
      box->showProblem(tr("Type a reference such as $A$1:$B$3, or select cells in the sheet."));
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
    if (box) box->setAddress(currentAddress());
  });
  connect(box, &RangeBox::referenceEdited, &loop, [this](const QString& text) { referenceTyped(text); });
  connect(grid_, &SheetGrid::textTyped, &loop, [&](const QString& text) {
    if (box) box->typeText(text);
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
