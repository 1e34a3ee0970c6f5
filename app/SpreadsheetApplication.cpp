#include "app/SpreadsheetApplication.h"

#if LOMANDRA_HAVE_BUILTIN
#include "sheet/builtin/BuiltinAutomation.h"
#else
#include "sheet/Failure.h"
#endif

namespace lomandra::app {

#if LOMANDRA_HAVE_BUILTIN

std::unique_ptr<sheet::Automation> createSpreadsheetApplication() {
  return builtin::createBuiltinAutomation();
}

#else

namespace {

// A build without the built-in engine: instances can be created, so the program starts, but
// every workbook operation says plainly why it cannot be done.
[[noreturn]] void unavailable() {
  throw Failure("The built-in spreadsheet engine is not part of this build of Lomandra, so no "
                "workbook can be opened or written.");
}

class EnginelessApplication : public sheet::Application {
 public:
  QString name() override { return QStringLiteral("Lomandra"); }
  void open(const QString&) override { unavailable(); }
  void add() override { unavailable(); }
  void show() override { unavailable(); }
  std::unique_ptr<sheet::Range> pickRange(const QString&) override { unavailable(); }
  std::unique_ptr<sheet::Range> resolve(const QString&) override { unavailable(); }
  void write(int, int, const QString&) override { unavailable(); }
  void fit() override { unavailable(); }
  void quit() override {}
};

class EnginelessAutomation : public sheet::Automation {
 public:
  std::unique_ptr<sheet::Application> create() override {
    return std::make_unique<EnginelessApplication>();
  }
  std::unique_ptr<sheet::Application> attach() override {
    throw Failure("No spreadsheet application is running.");
  }
};

}  // namespace

std::unique_ptr<sheet::Automation> createSpreadsheetApplication() {
  return std::make_unique<EnginelessAutomation>();
}

#endif

}  // namespace lomandra::app
