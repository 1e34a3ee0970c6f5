#pragma once

#include <QString>

class QWidget;

namespace lomandra::app {

class SkinFramework;

/// The product name, also the main window's caption and the Settings Store section.
inline const QString kProductName = QStringLiteral("Lomandra");
/// The Settings Store's application name.
inline const QString kSettingsApplication = QStringLiteral("Quillbrook");

/// FileExists: true when the modification date and time of the file (or folder) at `path` can
/// be read; false on any failure (no such file, an empty or malformed path). Never throws.
bool FileExists(const QString& path);

/// The application title derived from a product name: the name cut just before its last space,
/// again and again until it is 40 characters or shorter. A text without a space cannot be cut
/// and is kept whole, so a one-word product name is its own title.
QString AppTitleFor(const QString& productName);

/// ApplySkin: when "x/o.cjs" under `programFolder` is an ordinary file (not hidden), gives the
/// window and its frames, option buttons, check boxes and labels the system button-face colour,
/// then loads the file into `skin` and applies it to the window. Without the file nothing
/// changes. Failures go to the caller.
void ApplySkin(QWidget& window, SkinFramework& skin, const QString& programFolder);

/// The skin file's place under the program folder.
QString skinFilePath(const QString& programFolder);

}  // namespace lomandra::app
