#include "sheet/engine/BuiltinWorkbook.h"

#include <QString>
#include <mutex>

#include "sheet/Failure.h"
#include "sheet/container/ZipArchive.h"
#include "sheet/engine/CellFormatter.h"
#include "sheet/engine/FormulaCells.h"
#include "sheet/engine/SheetReading.h"
#include "sheet/engine/SheetStore.h"
#include "sheet/engine/WorkbookSniffer.h"
#include "sheet/csv/CsvWorkbook.h"
#include "sheet/ods/OdsWorkbook.h"
#include "sheet/xls/XlsWorkbook.h"
#include "sheet/xlsx/XlsxWorkbook.h"

namespace lomandra::engine {

namespace {

std::unique_ptr<model::WorkbookFile> openFile(const std::string& path) {
  RecognisedWorkbook found = recogniseWorkbook(path);
  switch (found.format) {
    case WorkbookFormat::Xlsx:  // the package the recognition opened, handed on
      return xlsx::openXlsx(std::move(found.package));
    case WorkbookFormat::Ods:  // a zip package or a flat XML document
      return found.package ? ods::openOdsPackage(std::move(found.package), path)
                           : ods::openOds(path);
    case WorkbookFormat::Xls:
      return xls::openXls(path);
    case WorkbookFormat::Csv:
      return csv::openCsv(path);
    case WorkbookFormat::Xlsb:
      throw Failure("The workbook \"" + path +
                    "\" is an Excel binary workbook (.xlsb), which this program cannot read. Save "
                    "it as an .xlsx workbook and try again.");
    case WorkbookFormat::Encrypted:
      throw Failure("The workbook \"" + path +
                    "\" is protected by a password and cannot be read. Save it without a "
                    "password and try again.");
    case WorkbookFormat::Unknown:
      break;
  }
  throw Failure("The file \"" + path + "\" is not a workbook this program can read.");
}

std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

class Workbook : public BuiltinWorkbook {
 public:
  Workbook(std::unique_ptr<model::WorkbookFile> file, std::string fileName)
      : file_(std::move(file)), fileName_(std::move(fileName)), formatter_(*file_),
        formulas_(*file_) {
    if (file_->sheets().empty()) throw Failure("The workbook holds no sheets.");
    loaded_.resize(file_->sheets().size());
  }

  const std::vector<model::SheetInfo>& sheets() const override { return file_->sheets(); }
  int activeSheet() const override {
    const int active = file_->activeSheet();
    return active >= 0 && active < static_cast<int>(file_->sheets().size()) ? active : 0;
  }
  model::Grid grid() const override { return file_->grid(); }
  std::string fileName() const override { return fileName_; }

  using BuiltinWorkbook::sheet;
  const SheetData& sheet(int index, const model::CellBounds& wanted) override {
    requireSheet(index);
    // Within the grid of the workbook's format (65,536 x 256 for .xls).
    const model::Grid grid = file_->grid();
    model::CellBounds asked = wanted;
    asked.lastRow = std::min(asked.lastRow, grid.rows - 1);
    asked.lastColumn = std::min(asked.lastColumn, grid.columns - 1);
    if (asked.firstRow > asked.lastRow || asked.firstColumn > asked.lastColumn)
      throw Failure("The range names cells outside the sheet.");
    std::lock_guard lock(fileLock_);  // a reading in the background has the file meanwhile
    Loaded& slot = loaded_[static_cast<std::size_t>(index)];
    if (!slot.store || !contains(slot.bounds, asked)) {
      // A sheet read only in part is read again from its start, this time taking in both what
      // was read before and what is asked now.
      const model::CellBounds bounds = slot.store ? join(slot.bounds, asked) : asked;
      auto store = std::make_unique<SheetStore>(formatter_, grid, bounds);
      slot.store.reset();  // the old cells go before the new ones come
      file_->readSheet(index, *store,
                       bounds.lastRow >= grid.rows - 1 ? model::kAllRows : bounds.lastRow);
      store->finish();
      formulas_.compute(index, *store);
      slot.store = std::move(store);
      slot.bounds = bounds;
    }
    return *slot.store;
  }

  std::unique_ptr<SheetReading> readInBackground(int index,
                                                 std::function<void()> listener) override {
    requireSheet(index);
    return startReading(*file_, fileLock_, formatter_, index, std::move(listener), {}, &formulas_);
  }

  UncomputedFormulas uncomputedFormulas() const override {
    std::lock_guard lock(fileLock_);
    return formulas_.uncomputed();
  }

  Resolved resolve(std::string_view reference) const override {
    const Reference ref = parseReference(reference, file_->grid());
    Resolved result;
    result.areas = ref.areas;
    result.sheet = ref.hasSheet ? findSheet(ref) : activeSheet();
    return result;
  }

 private:
  struct Loaded {
    std::unique_ptr<SheetStore> store;
    model::CellBounds bounds;
  };

  void requireSheet(int index) const {
    if (index < 0 || index >= static_cast<int>(loaded_.size()))
      throw Failure("The workbook has no sheet number " + std::to_string(index + 1) + ".");
  }

  static bool contains(const model::CellBounds& outer, const model::CellBounds& inner) {
    return outer.firstRow <= inner.firstRow && outer.firstColumn <= inner.firstColumn &&
           outer.lastRow >= inner.lastRow && outer.lastColumn >= inner.lastColumn;
  }
  static model::CellBounds join(const model::CellBounds& a, const model::CellBounds& b) {
    return {std::min(a.firstRow, b.firstRow), std::min(a.firstColumn, b.firstColumn),
            std::max(a.lastRow, b.lastRow), std::max(a.lastColumn, b.lastColumn)};
  }

  int findSheet(const Reference& ref) const {
    const auto& sheets = file_->sheets();
    // The name as written first (the range box's undoubled form), then with doubled
    // apostrophes read as one, then either without regard to case as the application does.
    for (const std::string* name : {&ref.sheetAsWritten, &ref.sheet})
      for (std::size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].name == *name) return static_cast<int>(i);
    for (const std::string* name : {&ref.sheetAsWritten, &ref.sheet}) {
      const QString wanted = QString::fromStdString(*name);
      for (std::size_t i = 0; i < sheets.size(); ++i)
        if (QString::fromStdString(sheets[i].name).compare(wanted, Qt::CaseInsensitive) == 0)
          return static_cast<int>(i);
    }
    throw Failure("The workbook has no sheet named \"" + ref.sheet + "\".");
  }

  std::unique_ptr<model::WorkbookFile> file_;
  std::string fileName_;
  CellFormatter formatter_;
  FormulaCells formulas_;  // used with fileLock_ held: computing reads sheets through the file
  std::vector<Loaded> loaded_;
  mutable std::mutex fileLock_;  // the file serves one reader at a time
};

}  // namespace

model::CellBounds boundsOf(const std::vector<Area>& areas) {
  if (areas.empty()) return {};
  model::CellBounds bounds{model::kMaxRows - 1, model::kMaxColumns - 1, 0, 0};
  for (const Area& area : areas) {
    bounds.firstRow = std::min({bounds.firstRow, area.firstRow, area.lastRow});
    bounds.firstColumn = std::min({bounds.firstColumn, area.firstColumn, area.lastColumn});
    bounds.lastRow = std::min(std::max({bounds.lastRow, area.firstRow, area.lastRow}), model::kMaxRows - 1);
    bounds.lastColumn =
        std::min(std::max({bounds.lastColumn, area.firstColumn, area.lastColumn}), model::kMaxColumns - 1);
  }
  bounds.firstRow = std::min(bounds.firstRow, bounds.lastRow);
  bounds.firstColumn = std::min(bounds.firstColumn, bounds.lastColumn);
  return bounds;
}

std::unique_ptr<SheetReading> BuiltinWorkbook::readInBackground(int index,
                                                               std::function<void()>) {
  return finishedReading(sheet(index));
}

std::unique_ptr<BuiltinWorkbook> BuiltinWorkbook::open(const std::string& path) {
  if (path.empty()) throw Failure("No workbook file is named.");
  return std::make_unique<Workbook>(openFile(path), baseName(path));
}

}  // namespace lomandra::engine
