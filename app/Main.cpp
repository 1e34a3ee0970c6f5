#include "app/Main.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

#include "app/SkinFramework.h"

namespace lomandra::app {

bool FileExists(const QString& path) {
  try {
    if (path.isEmpty() || path.contains(QChar(0))) return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
  } catch (...) {
    return false;
  }
}

QString AppTitleFor(const QString& productName) {
  constexpr qsizetype kLongest = 40;
  QString title = productName;
  do {
    const qsizetype lastSpace = title.lastIndexOf(QLatin1Char(' '));
    if (lastSpace < 0) break;  // nothing left to cut
    title.truncate(lastSpace);
  } while (title.size() > kLongest);
  return title;
}

QString skinFilePath(const QString& programFolder) {
  return programFolder + QDir::separator() + QStringLiteral("x") + QDir::separator() +
         QStringLiteral("o.cjs");
}

namespace {

// The kinds of control that take the window's colour once a skin is applied.
bool takesWindowColour(const QWidget* control) {
  return qobject_cast<const QGroupBox*>(control) || qobject_cast<const QRadioButton*>(control) ||
         qobject_cast<const QCheckBox*>(control) || qobject_cast<const QLabel*>(control);
}

void paintBackground(QWidget& widget, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, colour);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

}  // namespace

void ApplySkin(QWidget& window, SkinFramework& skin, const QString& programFolder) {
  const QString path = skinFilePath(programFolder);
  const QFileInfo info(path);
  if (!info.isFile() || info.isHidden()) return;

  const QColor buttonFace = QApplication::palette().color(QPalette::Button);
  paintBackground(window, buttonFace);
  for (QWidget* control : window.findChildren<QWidget*>())
    if (takesWindowColour(control)) paintBackground(*control, buttonFace);

  skin.loadSkin(info.absoluteFilePath());
  skin.applyWindow(window);
}

}  // namespace lomandra::app
