#include "sheet/builtin/BuiltinAutomation.h"

#include <QApplication>
#include <QPointer>
#include <algorithm>
#include <vector>

#include "sheet/Failure.h"
#include "sheet/builtin/BuiltinRange.h"
#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/window/NewWorkbookWindow.h"
#include "sheet/window/WorkbookDialogs.h"
#include "sheet/window/WorkbookWindow.h"

namespace lomandra::builtin {

namespace {

/// Added workbooks are "Book1", "Book2", ... counted over the whole program run.
int nextBookNumber() {
  static int count = 0;
  return ++count;
}

class BuiltinApplication final : public sheet::Application {
 public:
  explicit BuiltinApplication(std::shared_ptr<window::WorkbookDialogs> dialogs)
      : dialogs_(std::move(dialogs)) {}

  ~BuiltinApplication() override {
    // Released without Quit: the opened workbook's window goes with the instance, but an added
    // workbook the user can see stays open, unsaved, in the user's hands (it deletes itself
    // when closed). One never shown would be out of reach, so it goes too.
    window_.reset();
    for (const auto& added : added_) {
      window::NewWorkbookWindow* book = added.data();
      if (book != nullptr && !book->isVisible()) delete book;
    }
  }

  QString name() override { return QString::fromUtf8(kEngineName); }

  void open(const QString& path) override {
    requireRunning();
    // The path exactly as typed, as UTF-8 (the engine's paths are UTF-8 on every system).
    auto opened = engine::BuiltinWorkbook::open(path.toStdString());
    window_.reset();
    workbook_ = std::move(opened);
    active_ = Active::Opened;
  }

  void add() override {
    requireRunning();
    requireDesktop();
    auto* book = new window::NewWorkbookWindow(
        QStringLiteral("Book%1").arg(nextBookNumber()), dialogs_);
    book->setAttribute(Qt::WA_DeleteOnClose);
    added_.emplace_back(book);
    active_ = Active::Added;
  }

  void show() override {
    requireRunning();
    switch (active_) {
      case Active::None: return;  // an instance without a workbook shows nothing
      case Active::Opened: workbookWindow().show(); workbookWindow().raise(); return;
      case Active::Added: {
        window::NewWorkbookWindow& book = addedBook();
        book.show();
        book.raise();
        return;
      }
    }
  }

  std::unique_ptr<sheet::Range> pickRange(const QString& prompt) override {
    requireRunning();
    if (!workbook_) throw Failure("No workbook is open to pick a range from.");
    const auto& sheets = workbook_->sheets();
    if (std::none_of(sheets.begin(), sheets.end(), [](const auto& s) { return s.visible; }))
      throw Failure("The workbook has no visible sheet to pick a range from.");
    auto picked = workbookWindow().pickRange(prompt);
    if (!picked) return nullptr;
    return std::make_unique<BuiltinRange>(workbook_, picked->sheet, std::move(picked->areas));
  }

  std::unique_ptr<sheet::Range> resolve(const QString& reference) override {
    requireRunning();
    if (!workbook_) throw Failure("No workbook is open to find the range in.");
    auto resolved = workbook_->resolve(reference.toStdString());
    return std::make_unique<BuiltinRange>(workbook_, resolved.sheet, std::move(resolved.areas));
  }

  void write(int row, int column, const QString& text) override {
    requireRunning();
    if (row < 1 || column < 1 || static_cast<std::uint32_t>(row) > model::kMaxRows ||
        static_cast<std::uint32_t>(column) > model::kMaxColumns)
      throw OutsideSheet(model::kMaxRows, model::kMaxColumns);
    addedBook().write(static_cast<std::uint32_t>(row - 1), static_cast<std::uint32_t>(column - 1), text);
  }

  void fit() override {
    requireRunning();
    addedBook().fit();
  }

  void quit() override {
    requireRunning();
    window_.reset();
    workbook_.reset();
    // Added workbooks close as the user would close them: unsaved ones ask first.
    for (const auto& added : added_) {
      if (window::NewWorkbookWindow* book = added.data()) book->close();
    }
    added_.clear();
    active_ = Active::None;
    quit_ = true;
  }

 private:
  enum class Active { None, Opened, Added };

  void requireRunning() const {
    if (quit_) throw Failure("The workbook engine instance has already quit.");
  }

  static void requireDesktop() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
      throw Failure("The workbook window cannot be shown: the program runs without a desktop.");
  }

  window::WorkbookWindow& workbookWindow() {
    requireDesktop();
    if (!window_) window_ = std::make_unique<window::WorkbookWindow>(*workbook_);
    return *window_;
  }

  window::NewWorkbookWindow& addedBook() {
    if (active_ != Active::Added || added_.empty())
      throw Failure("No added workbook to write to: the built-in engine writes only into a "
                    "workbook it added.");
    const QPointer<window::NewWorkbookWindow>& book = added_.back();
    if (!book) throw Failure("The workbook window was closed.");
    return *book;
  }

  std::shared_ptr<window::WorkbookDialogs> dialogs_;
  std::shared_ptr<engine::BuiltinWorkbook> workbook_;
  std::unique_ptr<window::WorkbookWindow> window_;
  std::vector<QPointer<window::NewWorkbookWindow>> added_;
  Active active_ = Active::None;
  bool quit_ = false;
};

class BuiltinAutomation final : public sheet::Automation {
 public:
  explicit BuiltinAutomation(std::shared_ptr<window::WorkbookDialogs> dialogs)
      : dialogs_(std::move(dialogs)) {}

  std::unique_ptr<sheet::Application> create() override {
    return std::make_unique<BuiltinApplication>(dialogs_);
  }

  std::unique_ptr<sheet::Application> attach() override {
    // The built-in engine lives inside this program; no instance of it runs outside.
    throw Failure("No spreadsheet application is running.");
  }

 private:
  std::shared_ptr<window::WorkbookDialogs> dialogs_;
};

}  // namespace

std::unique_ptr<sheet::Automation> createBuiltinAutomation() {
  return createBuiltinAutomation(window::qtWorkbookDialogs());
}

std::unique_ptr<sheet::Automation> createBuiltinAutomation(
    std::shared_ptr<window::WorkbookDialogs> dialogs) {
  return std::make_unique<BuiltinAutomation>(std::move(dialogs));
}

}  // namespace lomandra::builtin
