#include "app/core/SettingsStore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <memory>

namespace lomandra {

namespace {

#ifdef Q_OS_WIN
const QString kRegistryRoot =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\");
#endif

QString iniPath(const QString& folder, const QString& application) {
  return QDir(folder).filePath(application + QStringLiteral(".ini"));
}

std::unique_ptr<QSettings> open(const QString& folder, const QString& application) {
#ifdef Q_OS_WIN
  if (folder.isEmpty())
    return std::make_unique<QSettings>(kRegistryRoot + application, QSettings::NativeFormat);
#endif
  const QString base =
      folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                       : folder;
  return std::make_unique<QSettings>(iniPath(base, application), QSettings::IniFormat);
}

// A value written by another program may read back as a list (unquoted commas in an INI file);
// the store deals in texts only.
QString asText(const QVariant& value) {
  if (value.userType() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", "));
  return value.toString();
}

}  // namespace

SettingsStore::SettingsStore() = default;

SettingsStore::SettingsStore(QString folder) : folder_(std::move(folder)) {}

QString SettingsStore::location(const QString& application) const { return open(folder_, application)->fileName(); }

QString SettingsStore::get(const QString& application, const QString& section, const QString& key,
                           const QString& defaultValue) const {
  try {
    auto settings = open(folder_, application);
    settings->beginGroup(section);
    if (!settings->contains(key)) return defaultValue;
    return asText(settings->value(key));
  } catch (...) {
    return defaultValue;
  }
}

bool SettingsStore::save(const QString& application, const QString& section, const QString& key,
                         const QString& value) {
  try {
    auto settings = open(folder_, application);
    // A file that exists but cannot be read would be rewritten holding this key alone.
    if (settings->status() != QSettings::NoError) return false;
    settings->beginGroup(section);
    settings->setValue(key, value);
    settings->endGroup();
    settings->sync();
    return settings->status() == QSettings::NoError;
  } catch (...) {
    return false;
  }
}

}  // namespace lomandra
