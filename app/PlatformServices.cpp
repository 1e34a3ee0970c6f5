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
  // No doEvents of its own: the window's yield (Form1::doEvents), which processes events at
  // most every few milliseconds, is the one the program runs and the benchmark measures.
  return s;
}

}  // namespace lomandra::app
