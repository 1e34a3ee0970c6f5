#include "app/SkinFramework.h"

#include <QFile>
#include <QWidget>

#include "sheet/Failure.h"

namespace lomandra::app {

void SkinFramework::loadSkin(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw Failure("The skin file \"" + path.toStdString() + "\" could not be read: " +
                  file.errorString().toStdString());
  if (file.size() > kLargestSkin)
    throw Failure("The skin file \"" + path.toStdString() + "\" is too large to be a skin.");
  const QByteArray bytes = file.read(kLargestSkin + 1);
  if (bytes.size() > kLargestSkin)
    throw Failure("The skin file \"" + path.toStdString() + "\" is too large to be a skin.");
  styleSheet_ = QString::fromUtf8(bytes);
}

void SkinFramework::applyWindow(QWidget& window) const {
  if (!styleSheet_.isEmpty()) window.setStyleSheet(styleSheet_);
}

}  // namespace lomandra::app
