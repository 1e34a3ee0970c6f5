#include "app/PlatformServices.h"

#include <QCoreApplication>
#include <QDir>

#include "app/SpreadsheetApplication.h"

namespace lomandra::app {

PlatformServices::PlatformServices() : automation_(createSpreadsheetApplication()) {}

PlatformServices::~PlatformServices() = default;

Form1Services PlatformServices::services() {
  Form1Services s;
  s.messages = &messages_;
  s.dialog = &dialog_;
  s.clipboard = &clipboard_;
  s.automation = automation_.get();
  s.settings = &settings_;
  s.programFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
  s.doEvents = [] { QCoreApplication::processEvents(); };
  return s;
}

}  // namespace lomandra::app
