#pragma once

#include <QCursor>
#include <QString>

namespace lomandra::app {

/// Reads a Windows cursor file (.cur; an icon file is taken with its hotspot at the top left)
/// into a pointer with the hotspot stored in the file. Throws lomandra::Failure with a readable
/// description when the file cannot be read or is not a cursor file.
QCursor loadCursorFile(const QString& path);

}  // namespace lomandra::app
