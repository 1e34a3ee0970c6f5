#pragma once

#include <memory>

#include "app/Form1Services.h"
#include "app/SystemClipboard.h"
#include "app/WidgetFileDialog.h"
#include "app/WidgetMessageBox.h"

namespace lomandra::app {

/// The real services of a running program: Qt message boxes and file dialogs, the system
/// clipboard, the built-in spreadsheet engine, the per-user Settings Store and the folder the
/// executable sits in. Create it after the QApplication.
class PlatformServices {
 public:
  PlatformServices();
  ~PlatformServices();
  PlatformServices(const PlatformServices&) = delete;
  PlatformServices& operator=(const PlatformServices&) = delete;

  Form1Services services();
  /// The main window, which owns what the program puts on the clipboard.
  void setMainWindow(QWidget* window) { clipboard_.setOwner(window); }

 private:
  WidgetMessageBox messages_;
  WidgetFileDialog dialog_;
  SystemClipboard clipboard_;
  std::unique_ptr<sheet::Automation> automation_;
  SettingsStore settings_;
};

}  // namespace lomandra::app
