#include "sheet/xlsx/WorksheetReader.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "sheet/Failure.h"
#include "sheet/container/PlainMarkup.h"
#include "sheet/container/XmlReader.h"
#include "sheet/container/ZipArchive.h"
#include "sheet/xlsx/SharedStringTable.h"
#include "sheet/xlsx/XlsxValues.h"
#include "sheet/xlsx/XlsxWorkbook.h"

namespace lomandra::xlsx {

namespace {

using container::xmlAttribute;
using model::CellKind;

bool isTrue(const char* value) {
  return value && (std::string_view(value) == "1" || std::string_view(value) == "true");
}

std::optional<std::uint32_t> parseIndex(std::optional<std::string_view> text) {
  if (!text) return std::nullopt;
  // Plain digits, as writers give indexes, without the general number parse.
  std::uint32_t index = 0;
  std::size_t digits = 0;
  for (; digits < text->size() && (*text)[digits] >= '0' && (*text)[digits] <= '9' && digits < 9; ++digits)
    index = index * 10 + static_cast<std::uint32_t>((*text)[digits] - '0');
  if (digits > 0 && digits == text->size()) return index;
  const auto value = parseNumber(*text);
  if (!value || *value < 0 || *value > 4294967295.0) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}
std::optional<std::uint32_t> parseIndex(const char* text) {
  return text ? parseIndex(std::string_view(text)) : std::optional<std::uint32_t>();
}

enum class CellType { Number, SharedString, InlineString, FormulaString, Boolean, Error, Date };

CellType cellType(std::optional<std::string_view> t) {
  if (!t) return CellType::Number;
  const std::string_view type = *t;
  if (type == "s") return CellType::SharedString;
  if (type == "inlineStr") return CellType::InlineString;
  if (type == "str") return CellType::FormulaString;
  if (type == "b") return CellType::Boolean;
  if (type == "e") return CellType::Error;
  if (type == "d") return CellType::Date;
  return CellType::Number;
}

// The attributes of a cell the reader reads, as the start tag gives them.
struct CellAttributes {
  std::optional<std::string_view> r, t, s;
  bool dynamicArray = false;  // cell metadata (cm): the first cell of a dynamic array formula

  // One attribute; a name given twice counts as written last.
  void take(std::string_view name, std::string_view value) {
    if (name == "r") r = value;
    else if (name == "t") t = value;
    else if (name == "s") s = value;
    else if (name == "cm") dynamicArray = true;
  }
};

class WorksheetHandler : public container::XmlHandler {
 public:
  WorksheetHandler(std::string part, SharedStringTable& strings, bool date1904,
                   const XlsxLimits& limits, model::SheetVisitor& visitor, std::uint32_t lastRow,
                   bool valuesStale)
      : part_(std::move(part)), strings_(strings), date1904_(date1904), limits_(limits),
        visitor_(visitor), lastRow_(lastRow), valuesStale_(valuesStale) {
    namespaces = kSpreadsheetNamespaces;
    takesPlainElements = true;
  }

  // The usual cells, <c ...><v>...</v></c> and <c ...><is><t>...</t></is></c>, read straight
  // from the part's bytes, one after another: the same reading as through the events.
  std::size_t takePlainElements(std::string_view bytes) override {
    if (inCell_ || phonetic_ > 0 || bytes.size() < 3 || bytes[1] != 'c') return 0;
    std::size_t taken = 0;
    for (std::size_t at = 0; !stopRequested; at = container::skipXmlSpace(bytes, taken)) {
      const std::size_t end = plainCell(bytes, at);
      if (end == 0) break;
      taken = end;
    }
    return taken;
  }

  void startElement(std::string_view name, const char** attributes) override {
    if (name == "c") {
      CellAttributes cell;
      for (const char** a = attributes; *a; a += 2) cell.take(*a, a[1]);
      startCell(cell);
    } else if (name == "v") {
      if (inCell_ && !skip_) {
        collecting_ = Collect::Value;
        valueSeen_ = true;
      }
    } else if (name == "f") {
      if (inCell_) startFormula(attributes);
    } else if (name == "t") {
      if (inInline_ && phonetic_ == 0 && !skip_) collecting_ = Collect::Inline;
    } else if (name == "is") {
      if (inCell_) inInline_ = true;
    } else if (name == "rPh") {
      ++phonetic_;
    } else if (name == "row") {
      startRow(attributes);
    } else if (name == "col") {
      column(attributes);
    } else if (name == "sheetFormatPr") {
      sheetFormat(attributes);
    } else if (name == "mergeCell") {
      mergeCell(attributes);
    } else if (name == "sheetView") {
      ++views_;
    } else if (views_ == 1 && name == "pane") {
      pane(attributes);
    } else if (views_ == 1 && name == "selection") {
      selection(attributes);
    } else if (afterCells_ && endsTheMerges(name)) {
      stopRequested = true;  // the merged cells come right after the cells; nothing further matters
    }
  }

  void endElement(std::string_view name) override {
    if (name == "c") {
      if (inCell_) endCell(value_, inline_);
    } else if (name == "v" || name == "t" || name == "f") {
      collecting_ = Collect::None;
    } else if (name == "is") {
      inInline_ = false;
    } else if (name == "rPh") {
      if (phonetic_ > 0) --phonetic_;
    } else if (name == "sheetData") {
      // Read on only for the merged cells, and only when the whole sheet was asked for.
      afterCells_ = true;
      if (lastRow_ != model::kAllRows) stopRequested = true;
    } else if (name == "mergeCells") {
      stopRequested = true;
    } else if (name == "sheetView" && views_ == 1) {
      visitor_.view(view_);
    }
  }

  /// The part's inflated size as the zip directory gives it, for progress (0: unknown).
  std::uint64_t partBytes = 0;
  void consumed(std::uint64_t bytes) override { visitor_.progress(bytes, partBytes); }

  void characters(std::string_view text) override {
    if (collecting_ == Collect::None) return;
    if (collecting_ == Collect::Formula) {
      if (formula_.size() + text.size() <= kMaxFormulaBytes) formula_.append(text);
      else formulaTooLong_ = true;
      return;
    }
    std::string& target = collecting_ == Collect::Value ? value_ : inline_;
    if (target.size() + text.size() > limits_.cellTextBytes + 64) {
      text = text.substr(0, limits_.cellTextBytes + 64 - std::min(target.size(),
                                                                  limits_.cellTextBytes + 64));
    }
    target.append(text);
  }

 private:
  enum class Collect { None, Value, Inline, Formula };

  // A formula element: its kind, the shared formula it belongs to, the cells it covers.
  void startFormula(const char** attributes) {
    hasFormula_ = true;
    formula_.clear();
    formulaTooLong_ = false;
    collecting_ = Collect::Formula;
    const char* t = xmlAttribute(attributes, "t");
    const std::string_view type = t ? t : "normal";
    formulaShared_ = type == "shared";
    formulaArray_ = type == "array";
    formulaTable_ = type == "dataTable";
    sharedIndex_ = parseIndex(xmlAttribute(attributes, "si"));
    formulaCells_ = 1;
    if (const char* ref = xmlAttribute(attributes, "ref")) {
      const std::string_view text(ref);
      const std::size_t colon = text.find(':');
      if (colon != std::string_view::npos) {
        const auto first = parseCellPosition(text.substr(0, colon));
        const auto last = parseCellPosition(text.substr(colon + 1));
        if (first && last && (first->row != last->row || first->column != last->column))
          formulaCells_ = 2;
      }
    }
  }

  // The formula of the cell just read, when its value is to be computed: no value saved, or
  // every saved value stale. A shared formula's later cells take the text of its first.
  model::FormulaText cellFormula(std::string_view value, std::string_view inlineText) {
    model::FormulaText f;
    if (!hasFormula_) return f;
    if (formulaShared_ && sharedIndex_ && !formula_.empty() && sharedFormulas_.size() < kMaxSharedFormulas)
      sharedFormulas_[*sharedIndex_] = {formula_, row_, column_};
    // A text result may be empty: the application saves a formula giving "" as an empty text.
    const bool saved = !trimmedEmpty(value) || !inlineText.empty() ||
                       (type_ == CellType::FormulaString && valueSeen_);
    if (saved && !valuesStale_) return f;
    f.row = row_;
    f.column = column_;
    if (formulaShared_ && formula_.empty()) {
      if (!sharedIndex_) return f;
      const auto found = sharedFormulas_.find(*sharedIndex_);
      if (found == sharedFormulas_.end()) return f;
      f.text = found->second.text;
      f.row = found->second.row;
      f.column = found->second.column;
    } else {
      f.text = formula_;
    }
    if (formulaTooLong_) f.text = "#TOO.LONG()";  // not computed: keeps its saved value
    // An array over one cell is computed; one over several cells, or a data table, is not.
    f.array = formulaArray_ || dynamicArray_;
    f.spills = (f.array && formulaCells_ > 1) || formulaTable_;
    return f;
  }

  void startRow(const char** attributes) {
    const char* number = xmlAttribute(attributes, "r");
    if (number) {
      // A row numbered beyond the sheet, or not a number, lies outside it: its cells are left
      // out, and the rows after it are placed by their own numbers.
      const auto r = parseIndex(number);
      row_ = r && *r >= 1 ? std::min(*r - 1, model::kMaxRows) : model::kMaxRows;
    } else {
      // A row without a number follows the previous one.
      row_ = rowSeen_ ? std::min(row_ + 1, model::kMaxRows) : 0;
    }
    rowSeen_ = true;
    column_ = 0;
    nextColumn_ = 0;
    if (wanted(row_) && row_ < model::kMaxRows && isTrue(xmlAttribute(attributes, "hidden")))
      visitor_.hiddenRow(row_);
  }

  // A file may hold its rows in any order (the spreadsheet application repairs such a file
  // rather than dropping rows), and a row asked for may come after any number of others: the
  // cells are read to the end of the sheet's data whatever rows are asked for, the cells of
  // other rows passed over without being kept.
  bool wanted(std::uint32_t row) const { return lastRow_ == model::kAllRows || row <= lastRow_; }

  // A plain cell at `at`: the offset after it, or 0 when it is not plain (left to the events).
  std::size_t plainCell(std::string_view bytes, std::size_t at) {
    CellAttributes attributes;
    bool empty = false;
    const std::size_t tagEnd = container::readPlainStartTag(
        bytes, at, "c", empty, [&](std::string_view name, std::string_view value) { attributes.take(name, value); });
    if (tagEnd == 0) return 0;
    if (empty) {
      startCell(attributes);
      endCell({}, {});
      return tagEnd;
    }
    std::string_view value, inlineText;
    bool hasValue = false;
    at = container::skipXmlSpace(bytes, tagEnd);
    std::size_t inlineStart = 0;
    if (const auto v = container::readPlainTextElement(bytes, at, "v")) {
      value = v->text;
      hasValue = true;
      at = container::skipXmlSpace(bytes, v->end);
    } else if ((inlineStart = container::readPlainStartTag(bytes, at, "is", empty,
                                                           [](std::string_view, std::string_view) {})) > 0 &&
               !empty) {
      const auto t = container::readPlainTextElement(bytes, container::skipXmlSpace(bytes, inlineStart), "t");
      if (!t) return 0;
      inlineText = t->text;
      at = container::readPlainEndTag(bytes, container::skipXmlSpace(bytes, t->end), "is");
      if (at == 0) return 0;
      at = container::skipXmlSpace(bytes, at);
    }
    const std::size_t end = container::readPlainEndTag(bytes, at, "c");
    if (end == 0) return 0;
    startCell(attributes);
    valueSeen_ = hasValue;
    const std::size_t most = limits_.cellTextBytes + 64;  // as the events would collect them
    endCell(value.substr(0, most), inlineText.substr(0, most));
    return end;
  }

  void startCell(const CellAttributes& attributes) {
    inCell_ = true;
    value_.clear();
    inline_.clear();
    hasFormula_ = false;
    valueSeen_ = false;
    dynamicArray_ = attributes.dynamicArray;
    const auto& r = attributes.r;
    bool inside = true;
    if (r) {
      const auto position = parseCellPosition(*r);
      if (position) {
        if (!rowSeen_ || position->row != row_) {
          row_ = position->row;
          rowSeen_ = true;
        }
        column_ = position->column;
      } else {
        inside = false;  // beyond the sheet's limits or malformed: left out
      }
    } else {
      // A cell without a reference follows the previous cell of its row.
      column_ = nextColumn_;
    }
    nextColumn_ = std::min(column_ + 1, model::kMaxColumns);
    if (row_ >= model::kMaxRows || column_ >= model::kMaxColumns) inside = false;
    // A few cells beyond the sheet are left out; a part full of them is damaged (or a bomb).
    if (!inside && ++outside_ > kMaxCellsOutside)
      throw Failure("The workbook is damaged: its sheet part \"" + part_ + "\" places more than " +
                    std::to_string(kMaxCellsOutside) +
                    " cells outside the sheet's 1,048,576 rows and 16,384 columns.");
    if (!wanted(row_)) inside = false;
    skip_ = !inside;
    type_ = cellType(attributes.t);
    const auto s = parseIndex(attributes.s);
    format_ = s ? *s : 0;
  }

  void endCell(std::string_view value, std::string_view inlineText) {
    inCell_ = false;
    inInline_ = false;
    collecting_ = Collect::None;
    if (skip_) return;
    model::CellRef cell;
    cell.format = format_;
    cell.formula = cellFormula(value, inlineText);
    switch (type_) {
      case CellType::Number:
        if (const auto n = parseNumber(value)) {
          cell.kind = CellKind::Number;
          cell.number = *n;
        } else if (!trimmedEmpty(value)) {
          cell.kind = CellKind::Text;  // a value that is no number is shown as written
          cell.text = value;
        }
        break;
      case CellType::SharedString:
        if (const auto index = parseIndex(value)) {
          cell.kind = CellKind::Text;
          cell.text = strings_.at(*index);
        } else if (!trimmedEmpty(value)) {
          throw Failure("The workbook is damaged: a cell refers to shared text \"" +
                        std::string(value.substr(0, 40)) + "\", which is no number.");
        }
        break;
      case CellType::InlineString:
        decoded_.clear();
        appendUnescaped(decoded_, inlineText.empty() ? value : inlineText);
        truncateUtf8(decoded_, limits_.cellTextBytes);
        cell.kind = CellKind::Text;
        cell.text = decoded_;
        break;
      case CellType::FormulaString:
        decoded_.clear();
        appendUnescaped(decoded_, value);
        truncateUtf8(decoded_, limits_.cellTextBytes);
        cell.kind = CellKind::Text;
        cell.text = decoded_;
        break;
      case CellType::Boolean:
        if (const auto n = parseNumber(value)) {
          cell.kind = CellKind::Boolean;
          cell.number = *n != 0 ? 1 : 0;
        } else if (value == "true" || value == "false") {
          cell.kind = CellKind::Boolean;
          cell.number = value == "true" ? 1 : 0;
        }
        break;
      case CellType::Error:
        if (!value.empty()) {
          decoded_.assign(value.substr(0, 64 + 4));
          truncateUtf8(decoded_, 64);
          cell.kind = CellKind::Error;
          cell.text = decoded_;
        }
        break;
      case CellType::Date:
        if (const auto serial = isoDateToSerial(value, date1904_)) {
          cell.kind = CellKind::Number;
          cell.number = *serial;
        } else if (!value.empty()) {
          cell.kind = CellKind::Error;  // a date the application cannot place
          cell.text = "#VALUE!";
        }
        break;
    }
    if (!visitor_.cell(row_, column_, cell)) stopRequested = true;
  }

  void column(const char** attributes) {
    const auto min = parseIndex(xmlAttribute(attributes, "min"));
    const auto max = parseIndex(xmlAttribute(attributes, "max"));
    if (!min || !max || *min < 1 || *min > model::kMaxColumns || *max < *min) return;
    const std::uint32_t last = std::min<std::uint32_t>(*max, model::kMaxColumns);
    double width = -1;
    if (const char* w = xmlAttribute(attributes, "width")) {
      if (const auto value = parseNumber(w); value && *value >= 0 && *value <= 65535) width = *value;
    }
    visitor_.columns(*min - 1, last - 1, width, isTrue(xmlAttribute(attributes, "hidden")));
  }

  void sheetFormat(const char** attributes) {
    if (const char* w = xmlAttribute(attributes, "defaultColWidth")) {
      if (const auto value = parseNumber(w); value && *value >= 0 && *value <= 255) {
        visitor_.defaultColumnWidth(*value);
        return;
      }
    }
    if (const char* b = xmlAttribute(attributes, "baseColWidth")) {
      // The default width is the base width in digits plus the cell's padding (5 pixels at the
      // usual 7-pixel digit), as the application computes it.
      if (const auto value = parseNumber(b); value && *value >= 0 && *value <= 255)
        visitor_.defaultColumnWidth(*value + 5.0 / 7.0);
    }
  }

  // Elements that follow the merged cells in a worksheet.
  static bool endsTheMerges(std::string_view name) {
    return name == "phoneticPr" || name == "conditionalFormatting" || name == "dataValidations" ||
           name == "hyperlinks" || name == "printOptions" || name == "pageMargins" ||
           name == "pageSetup" || name == "drawing" || name == "tableParts" || name == "extLst";
  }

  void mergeCell(const char** attributes) {
    const char* ref = xmlAttribute(attributes, "ref");
    if (!ref) return;
    const std::string_view text(ref);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return;
    const auto first = parseCellPosition(text.substr(0, colon));
    const auto last = parseCellPosition(text.substr(colon + 1));
    if (!first || !last) return;
    visitor_.mergedCells(std::min(first->row, last->row), std::min(first->column, last->column),
                         std::max(first->row, last->row), std::max(first->column, last->column));
  }

  // The frozen split: xSplit columns and ySplit rows stay in view (a plain split is not kept).
  void pane(const char** attributes) {
    const char* state = xmlAttribute(attributes, "state");
    activePane_ = xmlAttribute(attributes, "activePane") ? xmlAttribute(attributes, "activePane") : "";
    if (!state || (std::string_view(state) != "frozen" && std::string_view(state) != "frozenSplit"))
      return;
    const auto x = parseIndex(xmlAttribute(attributes, "xSplit"));
    const auto y = parseIndex(xmlAttribute(attributes, "ySplit"));
    view_.frozenColumns = x ? std::min(*x, model::kMaxColumns - 1) : 0;
    view_.frozenRows = y ? std::min(*y, model::kMaxRows - 1) : 0;
    if (const char* top = xmlAttribute(attributes, "topLeftCell")) {
      if (const auto position = parseCellPosition(top)) {
        view_.topRow = position->row;
        view_.leftColumn = position->column;
      }
    }
  }

  // The active cell of the active pane (a view without panes has one selection).
  void selection(const char** attributes) {
    const char* paneName = xmlAttribute(attributes, "pane");
    if (!activePane_.empty() && (!paneName || activePane_ != paneName)) return;
    if (const char* active = xmlAttribute(attributes, "activeCell")) {
      if (const auto position = parseCellPosition(active)) {
        view_.activeRow = position->row;
        view_.activeColumn = position->column;
      }
    }
  }

  static bool trimmedEmpty(std::string_view s) {
    return s.find_first_not_of(" \t\r\n") == std::string::npos;
  }

  std::string part_;
  SharedStringTable& strings_;
  bool date1904_;
  const XlsxLimits& limits_;
  model::SheetVisitor& visitor_;
  std::uint32_t lastRow_;
  bool valuesStale_;

  static constexpr std::uint64_t kMaxCellsOutside = 65536;
  // The application's limit on a formula's length, in bytes of UTF-8 at most four a character.
  static constexpr std::size_t kMaxFormulaBytes = 8192 * 4;
  static constexpr std::size_t kMaxSharedFormulas = 1u << 20;

  struct SharedFormula {
    std::string text;
    std::uint32_t row = 0, column = 0;
  };
  bool hasFormula_ = false, formulaShared_ = false, formulaArray_ = false, formulaTable_ = false;
  bool dynamicArray_ = false, formulaTooLong_ = false, valueSeen_ = false;
  std::optional<std::uint32_t> sharedIndex_;
  int formulaCells_ = 1;
  std::string formula_;
  std::unordered_map<std::uint32_t, SharedFormula> sharedFormulas_;

  std::uint32_t row_ = 0, column_ = 0, nextColumn_ = 0;
  bool rowSeen_ = false;
  std::uint64_t outside_ = 0;
  bool inCell_ = false, inInline_ = false, skip_ = false;
  int phonetic_ = 0;
  Collect collecting_ = Collect::None;
  CellType type_ = CellType::Number;
  std::uint32_t format_ = 0;
  std::string value_, inline_, decoded_;
  int views_ = 0;  // sheetView elements begun; only the first is the view shown
  bool afterCells_ = false;
  std::string activePane_;
  model::SheetView view_;
};

}  // namespace

void readWorksheet(const container::ZipArchive& zip, const std::string& part,
                   SharedStringTable& strings, bool date1904, const XlsxLimits& limits,
                   model::SheetVisitor& visitor, std::uint32_t lastRow, bool valuesStale) {
  WorksheetHandler handler(part, strings, date1904, limits, visitor, lastRow, valuesStale);
  handler.partBytes = zip.claimedSize(part);
  // The shortest cell, <c><v>1</v></c>, takes 15 bytes: the part holds no more cells than that.
  visitor.expectCells(handler.partBytes / 15);
  visitor.progress(0, handler.partBytes);
  container::scanXmlPart(zip, part, handler, limits.sheetPartBytes);
}

void readWorksheetText(std::string_view xml, const std::string& part, SharedStringTable& strings,
                       bool date1904, const XlsxLimits& limits, model::SheetVisitor& visitor,
                       std::uint32_t lastRow, bool valuesStale, CellReading reading) {
  WorksheetHandler handler(part, strings, date1904, limits, visitor, lastRow, valuesStale);
  handler.takesPlainElements = reading == CellReading::Direct;
  container::scanXmlText(xml, part, handler);
}

}  // namespace lomandra::xlsx
