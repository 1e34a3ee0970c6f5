#pragma once

#include <QString>
#include <functional>

#include "app/core/Services.h"
#include "app/core/SettingsStore.h"
#include "sheet/Spreadsheet.h"

namespace lomandra::app {

/// The platform services behind the main window, each replaceable (tests pass recorders).
/// Form1 does not own them; they must outlive it.
struct Form1Services {
  MessageBoxService* messages = nullptr;
  CommonDialog* dialog = nullptr;
  ClipboardService* clipboard = nullptr;
  sheet::Automation* automation = nullptr;  ///< the spreadsheet application
  SettingsStore* settings = nullptr;
  QString programFolder;           ///< without a trailing separator
  /// The yield, for tests that count yields; empty (the running program): the window's own,
  /// which processes the pending events at most every few milliseconds.
  std::function<void()> doEvents;
};

}  // namespace lomandra::app
