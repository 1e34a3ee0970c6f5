#include "app/WidgetMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace lomandra::app {

QString messageBoxLines(const QString& text) {
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return lines;
}

namespace {

constexpr int kCancel = 2;

QMessageBox::Icon iconFor(int style) {
  switch (style & 0x70) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

struct Choice {
  QMessageBox::StandardButton button;
  int answer;
};

std::vector<Choice> buttonsFor(int style) {
  switch (style & 7) {
    case 1: return {{QMessageBox::Ok, mb::Ok}, {QMessageBox::Cancel, kCancel}};
    case 3: return {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}, {QMessageBox::Cancel, kCancel}};
    case mb::YesNo: return {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}};
    default: return {{QMessageBox::Ok, mb::Ok}};
  }
}

}  // namespace

void keepWordsWhole(QMessageBox& box) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (!label) return;
  // Qt wraps a long line at any break opportunity, a web address's slashes among them. The
  // lines are wrapped here instead, at spaces only, to about the width Qt would wrap to; a word
  // longer than that gets a line of its own, as wide as the screen allows.
  const QFontMetrics metrics(label->font());
  const QScreen* screen = box.screen();
  const int screenWidth = screen ? screen->availableGeometry().width() : 1280;
  const int target = std::max(200, std::min(screenWidth / 2, 500) - 80);
  QStringList lines;
  for (const QString& line : label->text().split(QLatin1Char('\n'))) {
    if (metrics.horizontalAdvance(line) <= target) {
      lines << line;
      continue;
    }
    QString current;
    for (const QString& word : line.split(QLatin1Char(' '))) {
      const QString longer = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
      if (current.isEmpty() || metrics.horizontalAdvance(longer) <= target) {
        current = longer;
      } else {
        lines << current;
        current = word;
      }
    }
    lines << current;
  }
  int widest = 0;
  for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
  label->setText(lines.join(QLatin1Char('\n')));
  // The box's layout takes this as the text's least width, so Qt wraps no line again.
  label->setMinimumWidth(std::min(widest + 2 * label->margin() + 4, screenWidth * 3 / 4));
}

int WidgetMessageBox::show(const QString& text, int style, const QString& title) {
  QMessageBox box(iconFor(style), title, messageBoxLines(text), QMessageBox::NoButton,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  keepWordsWhole(box);
  const std::vector<Choice> choices = buttonsFor(style);
  for (const Choice& choice : choices) box.addButton(choice.button);
  box.setDefaultButton(choices.front().button);
  box.setEscapeButton(choices.back().button);
  box.exec();
  const auto clicked = box.standardButton(box.clickedButton());
  for (const Choice& choice : choices)
    if (choice.button == clicked) return choice.answer;
  return choices.back().answer;  // closed without a button: as the escape button
}

}  // namespace lomandra::app
