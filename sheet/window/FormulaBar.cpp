#include "sheet/window/FormulaBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "sheet/window/SheetGrid.h"

namespace lomandra::window {

QString barAddress(const GridSelection& selection, bool dragging) {
  const engine::Area& last = selection.areas().back();
  if (dragging && !(last.firstRow == last.lastRow && last.firstColumn == last.lastColumn)) {
    return QStringLiteral("%1R x %2C")
        .arg(std::uint64_t{last.lastRow} - last.firstRow + 1)
        .arg(std::uint64_t{last.lastColumn} - last.firstColumn + 1);
  }
  const CellPos active = selection.active();
  return QString::fromStdString(engine::columnName(active.column)) + QString::number(active.row + 1ULL);
}

FormulaBar::FormulaBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("formulaBar"));
  address_ = new QLineEdit(this);
  address_->setObjectName(QStringLiteral("nameBox"));
  address_->setReadOnly(true);
  address_->setFixedWidth(110);
  address_->setAlignment(Qt::AlignCenter);
  content_ = new QLineEdit(this);
  content_->setObjectName(QStringLiteral("cellContent"));
  content_->setReadOnly(true);
  // Read-only: the keyboard stays with the grid and the range box.
  address_->setFocusPolicy(Qt::ClickFocus);
  content_->setFocusPolicy(Qt::ClickFocus);
  auto* fx = new QLabel(QStringLiteral("fx"), this);
  fx->setStyleSheet(QStringLiteral("font-style: italic; color: #606060"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 3, 4, 3);
  layout->addWidget(address_);
  layout->addWidget(fx);
  layout->addWidget(content_, 1);
}

void FormulaBar::showFrom(const SheetGrid& grid) {
  const GridSelection* selection = grid.gridSelection();
  const SheetTableModel* model = grid.sheetModel();
  if (!selection || !model) {
    address_->clear();
    content_->clear();
    return;
  }
  address_->setText(barAddress(*selection, grid.isDragging()));
  const CellPos active = selection->active();
  content_->setText(QString::fromStdString(model->sheet().text(active.row, active.column)));
  content_->setCursorPosition(0);
}

}  // namespace lomandra::window
