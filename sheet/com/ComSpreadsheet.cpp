#include "sheet/com/ComSpreadsheet.h"

#include <cstdint>
#include <string>

#include "sheet/Failure.h"
#include "sheet/com/ComAutomation.h"

namespace lomandra::com {

namespace {

// QString and the Win32 wide strings are both UTF-16.
std::wstring wide(const QString& text) { return text.toStdWString(); }
QString qt(const std::wstring& text) { return QString::fromStdWString(text); }

class ComSheetWalk final : public sheet::CellWalk {
 public:
  explicit ComSheetWalk(std::unique_ptr<ComCellWalk> walk) : walk_(std::move(walk)) {}
  bool next() override { return walk_->next(); }
  QString text() override { return qt(walk_->text()); }

 private:
  std::unique_ptr<ComCellWalk> walk_;
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
    // The new workbook's sheet has 1,048,576 rows and 16,384 columns; past them the application
    // refuses the cell with a code that does not say why.
    constexpr std::uint32_t kSheetRows = 1048576, kSheetColumns = 16384;
    if (row < 1 || column < 1 || static_cast<std::uint32_t>(row) > kSheetRows ||
        static_cast<std::uint32_t>(column) > kSheetColumns)
      throw OutsideSheet(kSheetRows, kSheetColumns);
    // A number only when the application's General format shows it as the very same text, with
    // the application's own separators; everything else stays literal text, so the cell shows
    // exactly what was merged.
    application_.writeShown(row, column, wide(text));
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
