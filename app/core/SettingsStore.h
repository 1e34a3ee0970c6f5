#pragma once

#include <QString>

namespace lomandra {

/// The Settings Store: per-user text values addressed by application name, section and key,
/// kept between runs.
///
/// Where the values live:
/// - Windows: the registry area of the platform's own settings functions,
///   HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>, so values
///   stored there by earlier versions are read back.
/// - elsewhere: one INI file per application name, "<folder>/<application>.ini", with a
///   "[section]" group per section and "key=value" lines (UTF-8; '%', CR and LF written as %XX);
///   <folder> is the per-user configuration folder ($XDG_CONFIG_HOME, normally ~/.config), so
///   this program's values are in ~/.config/Quillbrook.ini under [Lomandra].
/// A store constructed with a folder uses "<folder>/<application>.ini" on every platform (tests).
///
/// Every call reads the store afresh: nothing is cached. A save writes a new file that replaces
/// the old one only when complete, and a store file that cannot be read is never rewritten, so
/// a failed save leaves every stored value as it was.
class SettingsStore {
 public:
  /// The per-user store of this platform.
  SettingsStore();
  /// A store kept in `folder` (an INI file per application name).
  explicit SettingsStore(QString folder);

  /// Get: the stored text, or `defaultValue` when the key or its section does not exist.
  /// A key stored with the empty text yields the empty text. Never fails.
  QString get(const QString& application, const QString& section, const QString& key,
              const QString& defaultValue) const;
  /// Save: stores `value` under the key, creating the section and key as needed. Returns false
  /// when the store could not be written (the earlier stored values then stay as they were).
  bool save(const QString& application, const QString& section, const QString& key,
            const QString& value);

  /// The file (or registry path) that holds `application`'s values.
  QString location(const QString& application) const;

 private:
  QString folder_;  // empty: the platform's per-user store
};

}  // namespace lomandra
