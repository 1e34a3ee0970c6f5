#include "sheet/window/RangeBox.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lomandra::window {

RangeBox::RangeBox(const QString& prompt, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setWindowTitle(tr("Input"));
  setObjectName(QStringLiteral("rangeBox"));
  prompt_ = new QLabel(prompt, this);
  prompt_->setWordWrap(true);
  field_ = new QLineEdit(this);
  field_->setObjectName(QStringLiteral("referenceField"));
  field_->setMinimumWidth(260);
  problem_ = new QLabel(this);
  problem_->setStyleSheet(QStringLiteral("color: #b00020"));
  problem_->hide();
  ok_ = new QPushButton(tr("OK"), this);
  cancel_ = new QPushButton(tr("Cancel"), this);
  ok_->setDefault(true);
  ok_->setAutoDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt_);
  layout->addWidget(field_);
  layout->addWidget(problem_);
  layout->addLayout(buttons);

  connect(ok_, &QPushButton::clicked, this, &RangeBox::okChosen);
  connect(cancel_, &QPushButton::clicked, this, &RangeBox::cancelChosen);
  connect(field_, &QLineEdit::returnPressed, this, &RangeBox::okChosen);
  connect(field_, &QLineEdit::textEdited, this, [this](const QString& text) {
    showProblem({});
    emit referenceEdited(text);
  });
}

QString RangeBox::problem() const { return problem_->isHidden() ? QString() : problem_->text(); }

void RangeBox::setAddress(const QString& address) {
  field_->setText(address);
  field_->selectAll();
  showProblem({});
}

void RangeBox::showProblem(const QString& text) {
  problem_->setText(text);
  problem_->setVisible(!text.isEmpty());
}

void RangeBox::focusField() {
  activateWindow();
  field_->setFocus(Qt::OtherFocusReason);
  field_->selectAll();
}

void RangeBox::typeText(const QString& text, bool replaceAll) {
  activateWindow();
  field_->setFocus(Qt::OtherFocusReason);
  if (replaceAll) field_->selectAll();
  field_->insert(text);
  showProblem({});
  emit referenceEdited(field_->text());
}

void RangeBox::closeEvent(QCloseEvent* event) {
  event->accept();
  emit cancelChosen();
}

void RangeBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit cancelChosen();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace lomandra::window
