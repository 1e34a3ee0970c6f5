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
  std::function<void()> doEvents;  ///< the yield; empty: process the pending window events
};

}  // namespace lomandra::app
