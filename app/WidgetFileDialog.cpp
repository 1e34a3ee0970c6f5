#include "app/WidgetFileDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

namespace lomandra::app {

namespace {
constexpr int kOverwritePrompt = 2;
}

QString qtFileFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString caption = parts[i].trimmed();
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString p = pattern.trimmed();
      if (!p.isEmpty()) patterns << (p == QStringLiteral("*.*") ? QStringLiteral("*") : p);
    }
    if (caption.isEmpty() && patterns.isEmpty()) continue;
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    filters << caption + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

void WidgetFileDialog::showOpen() {
  // The captions carry their own patterns ("Excel Files (*.xl*)"): Qt's are not shown again.
  const QString chosen = QFileDialog::getOpenFileName(QApplication::activeWindow(), dialogTitle,
                                                      fileName.isEmpty() ? initDir : fileName,
                                                      qtFileFilter(filter), nullptr,
                                                      QFileDialog::HideNameFilterDetails);
  if (!chosen.isEmpty()) fileName = chosen;
}

void WidgetFileDialog::showSave() {
  QFileDialog::Options options = QFileDialog::HideNameFilterDetails;
  if (!(flags & kOverwritePrompt)) options |= QFileDialog::DontConfirmOverwrite;
  const QString chosen = QFileDialog::getSaveFileName(QApplication::activeWindow(), dialogTitle,
                                                      fileName, qtFileFilter(filter), nullptr,
                                                      options);
  if (!chosen.isEmpty()) fileName = chosen;
}

}  // namespace lomandra::app
