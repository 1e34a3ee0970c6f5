#pragma once

#include <QString>

#include "app/core/MainForm.h"

namespace lomandra::app {

/// The message shown when no instance of the spreadsheet application can be created.
QString notInstalledMessage();

/// The start-up availability check: creates an instance of the spreadsheet application and
/// releases it (without Quit). When that fails, shows notInstalledMessage() (OK, no icon,
/// application title) and returns false: the program must then end. Never throws.
bool IsInstalled(MainForm& form);

}  // namespace lomandra::app
