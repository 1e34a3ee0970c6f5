#include "sheet/com/ComSpreadsheet.h"

#include <string>

#include "sheet/com/ComAutomation.h"
#include "sheet/numfmt/WrittenNumber.h"

namespace lomandra::com {

namespace {

// QString and the Win32 wide strings are both UTF-16.
std::wstring wide(const QString& text) { return text.toStdWString(); }
QString qt(const std::wstring& text) { return QString::fromStdWString(text); }

class ComSheetWalk final : public sheet::CellWalk {
 public:
  explicit ComSheetWalk(ComCellWalk walk) : walk_(std::move(walk)) {}
  bool next() override { return walk_.next(); }
  QString text() override { return qt(walk_.text()); }

 private:
  ComCellWalk walk_;
};

class ComSheetRange final : public sheet::Range {
 public:
  explicit ComSheetRange(ComRange range) : range_(std::move(range)) {}
  QString sheetName() override { return qt(range_.sheetName()); }
  QString address() override { return qt(range_.address()); }
  std::unique_ptr<sheet::CellWalk> walk() override { return std::make_unique<ComSheetWalk>(range_.walk()); }

 private:
  ComRange range_;
};

class ComSheetApplication final : public sheet::Application {
 public:
  explicit ComSheetApplication(ComApplication application) : application_(std::move(application)) {}
  // Destruction releases the instance; it is never told to quit here.
  QString name() override { return qt(application_.name()); }
  void open(const QString& path) override { application_.open(wide(path)); }
  void add() override { application_.add(); }
  void show() override { application_.show(); }
  std::unique_ptr<sheet::Range> pickRange(const QString& prompt) override {
    std::optional<ComRange> picked = application_.pickRange(wide(prompt));
    if (!picked) return nullptr;
    return std::make_unique<ComSheetRange>(std::move(*picked));
  }
  std::unique_ptr<sheet::Range> resolve(const QString& reference) override {
    return std::make_unique<ComSheetRange>(application_.resolve(wide(reference)));
  }
  void write(int row, int column, const QString& text) override {
    // A number only when the application's General format shows it as the very same text;
    // everything else stays literal text, so the cell shows exactly what was merged.
    if (const std::optional<double> number = numfmt::numberWrittenAs(text, *numfmt::Locale::display()))
      application_.write(row, column, *number);
    else
      application_.write(row, column, wide(text));
  }
  void fit() override { application_.fit(); }
  void quit() override { application_.quit(); }

 private:
  ComApplication application_;
};

class ComSheetAutomation final : public sheet::Automation {
 public:
  std::unique_ptr<sheet::Application> create() override {
    return std::make_unique<ComSheetApplication>(createApplication(kExcelClass));
  }
  std::unique_ptr<sheet::Application> attach() override {
    return std::make_unique<ComSheetApplication>(attachApplication(kExcelClass));
  }
};

}  // namespace

std::unique_ptr<sheet::Automation> createComAutomation() { return std::make_unique<ComSheetAutomation>(); }

}  // namespace lomandra::com
