#include "sheet/ods/OdsContentReader.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "sheet/Failure.h"

namespace lomandra::ods {

namespace {

using container::xmlAttribute;

constexpr std::string_view kTableNamespace = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::size_t kMaxStyles = 1u << 20;
constexpr std::size_t kMaxSheets = 32767;
constexpr std::size_t kMaxSheetNameBytes = 4096;
constexpr std::size_t kMaxActiveTableBytes = 4096;
// Hidden empty rows repeated in blocks larger than this are reported only when cells follow
// them: "hide every unused row" writes one block reaching to the last row of the sheet.
constexpr std::uint32_t kLargeHiddenBlock = 1024;

std::string_view attribute(const char** attributes, std::string_view name) {
  const char* value = xmlAttribute(attributes, name);
  return value ? std::string_view(value) : std::string_view();
}

bool isHiddenVisibility(std::string_view visibility) {
  return visibility == "collapse" || visibility == "filter";
}

// Elements of a cell whose text is not the cell's displayed text: comments, drawings, notes.
bool isSkippedInCell(std::string_view name) {
  static constexpr std::array<std::string_view, 18> kSkipped = {
      "annotation", "note",    "frame",           "custom-shape",   "rect", "line",      "polyline",
      "polygon",    "path",    "circle",          "ellipse",        "g",    "connector", "control",
      "caption",    "measure", "regular-polygon", "tracked-changes"};
  return std::find(kSkipped.begin(), kSkipped.end(), name) != kSkipped.end();
}

// Cuts `text` to at most `limit` bytes without splitting a UTF-8 character.
void cutAtCharacter(std::string& text, std::size_t limit) {
  if (text.size() <= limit) return;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
}

}  // namespace

std::uint32_t repeatCount(const char* value, std::uint32_t limit) {
  if (!value) return 1;
  std::uint64_t count = 0;
  const char* p = value;
  for (; *p >= '0' && *p <= '9'; ++p) {
    count = count * 10 + static_cast<std::uint64_t>(*p - '0');
    if (count > limit) return limit;
  }
  if (*p != '\0' || count == 0) return 1;
  return static_cast<std::uint32_t>(count);
}

double columnWidthInCharacters(std::string_view length) {
  double value = 0;
  const auto [end, error] = std::from_chars(length.data(), length.data() + length.size(), value);
  if (error != std::errc() || value < 0 || value > 1e6) return -1;
  const std::string_view unit(end, static_cast<std::size_t>(length.data() + length.size() - end));
  double inches = 0;
  if (unit == "in")
    inches = value;
  else if (unit == "cm")
    inches = value / 2.54;
  else if (unit == "mm")
    inches = value / 25.4;
  else if (unit == "pt")
    inches = value / 72;
  else if (unit == "pc")
    inches = value / 6;
  else if (unit == "px")
    inches = value / 96;
  else
    return -1;
  return std::max(0.0, (inches * 96 - 5) / 7);
}

bool OdsStyleCollector::startElement(std::string_view name, const char** attributes) {
  if (name == "style") {
    current_ = attribute(attributes, "name");
    if (!current_.empty() && styles_.size() < kMaxStyles)
      styles_.try_emplace(current_).first->second.dataStyle = attribute(attributes, "data-style-name");
    return true;
  }
  if (current_.empty()) return false;
  const auto it = styles_.find(current_);
  if (it == styles_.end()) return false;
  if (name == "table-properties") {
    it->second.tableHidden = attribute(attributes, "display") == "false";
    return true;
  }
  if (name == "table-column-properties") {
    const std::string_view width = attribute(attributes, "column-width");
    if (!width.empty()) it->second.columnWidth = columnWidthInCharacters(width);
    return true;
  }
  return false;
}

void OdsStyleCollector::endElement(std::string_view name) {
  if (name == "style") current_.clear();
}

const OdsStyle* OdsStyleCollector::find(std::string_view name) const {
  if (name.empty()) return nullptr;
  const auto it = styles_.find(std::string(name));
  return it == styles_.end() ? nullptr : &it->second;
}

// --- the sheet list ------------------------------------------------------------------------

void OdsIndexHandler::startElement(std::string_view name, const char** attributes) {
  if (spreadsheetDepth_ == 0) {
    if (stopAtBody) {
      if (inBody_) {
        sawSpreadsheet = name == "spreadsheet";
        reachedBody = true;
        stopRequested = true;
        return;
      }
      if (name == "body") inBody_ = true;
    }
    if (name == "config-item") {
      if (!haveActiveTable_ && activeTable.empty() &&
          attribute(attributes, "name") == "ActiveTable")
        inActiveTableItem_ = true;
      return;
    }
    if (name == "spreadsheet") {
      spreadsheetDepth_ = 1;
      sawSpreadsheet = true;
      return;
    }
    styles_.startElement(name, attributes);
    dataStyles_.startElement(name, attributes);
    return;
  }
  if (name != "table") return;
  if (tableNesting_++ > 0) return;  // a table inside a cell is that cell's content
  addSheet(std::string(attribute(attributes, "name")), attribute(attributes, "style-name"));
}

void OdsIndexHandler::namespaceDeclared(std::string_view prefix, std::string_view uri) {
  if (spreadsheetDepth_ == 0 && tablePrefix.empty() && !prefix.empty() && uri == kTableNamespace)
    tablePrefix = prefix;
}

void OdsIndexHandler::addSheet(std::string name, std::string_view styleName) {
  if (sheets.size() >= kMaxSheets)
    throw Failure("The workbook has more sheets than this program reads; the file may be damaged.");
  cutAtCharacter(name, kMaxSheetNameBytes);
  const OdsStyle* style = styles_.find(styleName);
  sheets.push_back({std::move(name), !(style && style->tableHidden)});
}

void OdsIndexHandler::endElement(std::string_view name) {
  if (spreadsheetDepth_ == 0) {
    if (name == "config-item" && inActiveTableItem_) {
      inActiveTableItem_ = false;
      haveActiveTable_ = true;
    }
    styles_.endElement(name);
    dataStyles_.endElement(name);
    return;
  }
  if (name == "table" && tableNesting_ > 0) --tableNesting_;
  if (name == "spreadsheet") spreadsheetDepth_ = 0;
}

std::unordered_map<std::string, std::string> OdsIndexHandler::cellFormatCodes() const {
  std::unordered_map<std::string, std::string> codes;
  for (const auto& [name, style] : styles_.all()) {
    if (style.dataStyle.empty()) continue;
    std::string code = dataStyles_.code(style.dataStyle);
    if (!code.empty()) codes.emplace(name, std::move(code));
  }
  return codes;
}

void OdsIndexHandler::characters(std::string_view text) {
  if (spreadsheetDepth_ == 0) dataStyles_.characters(text);
  if (inActiveTableItem_ && activeTable.size() < kMaxActiveTableBytes)
    activeTable.append(text.substr(0, kMaxActiveTableBytes - activeTable.size()));
}

// --- one sheet -----------------------------------------------------------------------------

OdsSheetHandler::OdsSheetHandler(int tableIndex, std::string sheetName,
                                 model::SheetVisitor& visitor, std::uint32_t lastRow)
    : wantedTable_(tableIndex),
      sheetName_(std::move(sheetName)),
      visitor_(visitor),
      lastRow_(lastRow) {
  namespaces = kOdsNamespaces;
}

void OdsSheetHandler::startElement(std::string_view name, const char** attributes) {
  if (inCell_) {
    ++cellDepth_;
    if (skipDepth_ > 0) {
      ++skipDepth_;
    } else if (covered_) {
      // A covered cell's content is hidden under the merged cell: it is not shown.
    } else if (isSkippedInCell(name)) {
      skipDepth_ = 1;
    } else if (paragraphDepth_ > 0) {
      ++paragraphDepth_;
      if (name == "s") {
        const char* count = xmlAttribute(attributes, "c");
        appendSpaces(count ? repeatCount(count, kMaxCellBytes) : 1);
      } else if (name == "tab") {
        appendText("\t");
      } else if (name == "line-break") {
        appendText("\n");
      }
      if (name == "s" || name == "tab" || name == "line-break") {
        paragraphStart_ = false;
        lastSpace_ = false;
      }
    } else if (name == "p" || name == "h") {
      if (paragraphs_++ > 0) appendText("\n");
      paragraphDepth_ = 1;
      paragraphStart_ = true;
      lastSpace_ = false;
    }
    return;
  }
  if (spreadsheetDepth_ == 0) {
    if (name == "spreadsheet")
      spreadsheetDepth_ = 1;
    else
      styles_.startElement(name, attributes);
    return;
  }
  if (name == "table") {
    if (tableNesting_++ > 0) return;
    ++tableIndex_;
    if (tableIndex_ == wantedTable_) {
      inWanted_ = found_ = true;
      column_ = row_ = 0;
    } else if (tableIndex_ > wantedTable_) {
      stop();
    }
    return;
  }
  if (!inWanted_ || tableNesting_ != 1) return;
  if (name == "table-row") {
    startRow(attributes);
  } else if (inRow_ && (name == "table-cell" || name == "covered-table-cell")) {
    startCell(name, attributes);
  } else if (!inRow_ && name == "table-column") {
    startColumn(attributes);
  }
}

void OdsSheetHandler::endElement(std::string_view name) {
  if (inCell_) {
    if (cellDepth_ == 0) {
      endCell();
      return;
    }
    --cellDepth_;
    if (skipDepth_ > 0)
      --skipDepth_;
    else if (paragraphDepth_ > 0)
      --paragraphDepth_;
    return;
  }
  if (spreadsheetDepth_ == 0) {
    styles_.endElement(name);
    return;
  }
  if (name == "table") {
    if (--tableNesting_ == 0 && inWanted_) {
      inWanted_ = false;
      stop();  // the wanted table is read; nothing after it matters
    }
    return;
  }
  if (name == "spreadsheet") spreadsheetDepth_ = 0;
  if (inWanted_ && tableNesting_ == 1 && inRow_ && name == "table-row") endRow();
}

void OdsSheetHandler::characters(std::string_view text) {
  if (!inCell_ || covered_ || skipDepth_ > 0 || paragraphDepth_ == 0) return;
  // Paragraph text collapses runs of white space to one space and drops it at the start of
  // the paragraph; spaces the application means to keep are written as text:s elements.
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') continue;
    appendText(text.substr(runStart, i - runStart));
    if (i > runStart) paragraphStart_ = lastSpace_ = false;
    if (!paragraphStart_ && !lastSpace_) {
      appendText(" ");
      lastSpace_ = true;
    }
    runStart = i + 1;
  }
  if (runStart < text.size()) {
    appendText(text.substr(runStart));
    paragraphStart_ = lastSpace_ = false;
  }
}

void OdsSheetHandler::appendText(std::string_view text) {
  if (text_.size() >= kMaxCellBytes) return;
  text_.append(text.substr(0, kMaxCellBytes - text_.size() + 4));
  cutAtCharacter(text_, kMaxCellBytes);
}

void OdsSheetHandler::appendSpaces(std::uint64_t count) {
  const std::size_t room = kMaxCellBytes > text_.size() ? kMaxCellBytes - text_.size() : 0;
  text_.append(static_cast<std::size_t>(std::min<std::uint64_t>(count, room)), ' ');
}

void OdsSheetHandler::startColumn(const char** attributes) {
  const std::uint32_t repeat =
      repeatCount(xmlAttribute(attributes, "number-columns-repeated"), model::kMaxColumns);
  const std::string_view defaultStyle = attribute(attributes, "default-cell-style-name");
  if (column_ < model::kMaxColumns && columnStyles_.size() < model::kMaxColumns)
    columnStyles_.emplace_back(
        static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{column_} + repeat - 1,
                                                           model::kMaxColumns - 1)),
        std::string(defaultStyle));
  if (column_ < model::kMaxColumns) {
    const std::uint32_t last = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{column_} + repeat - 1, model::kMaxColumns - 1));
    const OdsStyle* style = styles_.find(attribute(attributes, "style-name"));
    const bool hidden = isHiddenVisibility(attribute(attributes, "visibility"));
    const double width = style ? style->columnWidth : -1;
    if (hidden || width >= 0)
      visitor_.columns(column_, last, width >= 0 ? width : columnWidthInCharacters("0.889in"),
                       hidden);
  }
  column_ = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(std::uint64_t{column_} + repeat, model::kMaxColumns));
}

void OdsSheetHandler::startRow(const char** attributes) {
  if (row_ > lastRow_ || row_ >= model::kMaxRows) {
    stop();
    return;
  }
  inRow_ = true;
  rowRepeat_ = repeatCount(xmlAttribute(attributes, "number-rows-repeated"), model::kMaxRows);
  rowHidden_ = isHiddenVisibility(attribute(attributes, "visibility"));
  rowStyle_ = attribute(attributes, "default-cell-style-name");
  column_ = 0;
  rowCells_.clear();
}

void OdsSheetHandler::endRow() {
  inRow_ = false;
  const std::uint32_t first = row_;
  const std::uint32_t count = std::min(rowRepeat_, model::kMaxRows - first);
  const std::uint32_t last = std::min(first + count - 1, lastRow_);
  row_ = first + count;
  if (rowCells_.empty()) {
    if (rowHidden_) {
      if (count <= kLargeHiddenBlock)
        reportHidden(first, last);
      else
        pendingHidden_.emplace_back(first, last);
    }
  } else {
    flushPendingHidden();
    // Repeated rows and cells are handed over only within the cells the visitor keeps: a row
    // repeated a million times with a cell repeated over every column costs what is asked.
    const model::CellBounds keep = visitor_.bounds();
    for (std::uint32_t r = first; r <= last && !stopRequested; ++r) {
      if (rowHidden_) visitor_.hiddenRow(r);
      if (r < keep.firstRow) {
        if (!rowHidden_) r = std::min(last, keep.firstRow - 1);  // skip to the rows kept
        continue;
      }
      if (r > keep.lastRow) break;
      for (const RowCell& cell : rowCells_) {
        model::CellRef ref;
        ref.kind = cell.kind;
        ref.number = cell.number;
        ref.text = cell.text;
        ref.format = cell.format;
        const std::uint32_t from = std::max(cell.firstColumn, keep.firstColumn);
        const std::uint32_t to = std::min(cell.lastColumn, keep.lastColumn);
        for (std::uint32_t c = from; c <= to; ++c) {
          if (r != first || c != cell.firstColumn) {
            // A cell the file writes once but repeats: bounded, as repeats cost the file nothing.
            repeatedBytes_ += cell.text.size();
            if (++repeatedCells_ > kMaxRepeatedCells || repeatedBytes_ > kMaxRepeatedBytes)
              tooMuch();
          }
          if (!visitor_.cell(r, c, ref)) {
            stop();
            return;
          }
        }
      }
    }
  }
  if (row_ > lastRow_ || row_ >= model::kMaxRows) stop();
}

void OdsSheetHandler::reportHidden(std::uint32_t first, std::uint32_t last) {
  for (std::uint32_t r = first; r <= last; ++r) visitor_.hiddenRow(r);
}

void OdsSheetHandler::flushPendingHidden() {
  for (const auto& [first, last] : pendingHidden_) reportHidden(first, last);
  pendingHidden_.clear();
}

void OdsSheetHandler::startCell(std::string_view name, const char** attributes) {
  inCell_ = true;
  covered_ = name == "covered-table-cell";
  cellRepeat_ =
      repeatCount(xmlAttribute(attributes, "number-columns-repeated"), model::kMaxColumns);
  cellDepth_ = skipDepth_ = paragraphDepth_ = paragraphs_ = 0;
  text_.clear();
  valueType_ = attribute(attributes, "value-type");
  cellStyle_ = attribute(attributes, "style-name");
  value_.clear();
  if (!covered_ && column_ < model::kMaxColumns && row_ < model::kMaxRows) {
    const std::uint32_t columns =
        repeatCount(xmlAttribute(attributes, "number-columns-spanned"), model::kMaxColumns);
    const std::uint32_t rows =
        repeatCount(xmlAttribute(attributes, "number-rows-spanned"), model::kMaxRows);
    if (columns > 1 || rows > 1)
      visitor_.mergedCells(row_, column_, row_ + std::min(rows, model::kMaxRows - row_) - 1,
                           column_ + std::min(columns, model::kMaxColumns - column_) - 1);
  }
  if (covered_ || valueType_.empty()) return;
  // The value, for a cell a generator wrote without paragraphs.
  const char* value = nullptr;
  if (valueType_ == "float" || valueType_ == "percentage" || valueType_ == "currency")
    value = xmlAttribute(attributes, "value");
  else if (valueType_ == "boolean")
    value = xmlAttribute(attributes, "boolean-value");
  else if (valueType_ == "date")
    value = xmlAttribute(attributes, "date-value");
  else if (valueType_ == "time")
    value = xmlAttribute(attributes, "time-value");
  else if (valueType_ == "string")
    value = xmlAttribute(attributes, "string-value");
  if (value) {
    value_ = value;
    cutAtCharacter(value_, kMaxCellBytes);
  }
}

void OdsSheetHandler::endCell() {
  inCell_ = false;
  if (column_ < model::kMaxColumns && !covered_) {
    RowCell cell{column_,
                 static_cast<std::uint32_t>(std::min<std::uint64_t>(
                     std::uint64_t{column_} + cellRepeat_ - 1, model::kMaxColumns - 1)),
                 model::CellKind::Text,
                 0,
                 {}};
    bool hasContent = false;
    if (valueType_ == "float" || valueType_ == "percentage" || valueType_ == "currency" ||
        valueType_ == "date" || valueType_ == "time")
      cell.format = kNumericText;
    if (paragraphs_ > 0) {
      hasContent = !text_.empty();
      cell.text = std::move(text_);
    } else if (!value_.empty()) {
      // No text saved: the value, in the format of its data style where it has one.
      hasContent = true;
      const std::uint32_t styled = formatOf(cellStyle_);
      if (valueType_ == "boolean") {
        cell.kind = model::CellKind::Boolean;
        cell.number = value_ == "true" || value_ == "1" ? 1 : 0;
      } else if (valueType_ == "float" || valueType_ == "percentage" || valueType_ == "currency") {
        double number = 0;
        const char* end = value_.data() + value_.size();
        const auto parsed = std::from_chars(value_.data(), end, number);
        if (parsed.ec == std::errc() && parsed.ptr == end) {
          cell.kind = model::CellKind::Number;
          cell.number = number;
          if (styled) cell.format = styled;
        } else {
          cell.text = value_;
        }
      } else if (const auto serial = !styled              ? std::nullopt
                                     : valueType_ == "date" ? odsDateSerial(value_)
                                     : valueType_ == "time" ? odsDurationDays(value_)
                                                            : std::nullopt) {
        cell.kind = model::CellKind::Number;
        cell.number = *serial;
        cell.format = styled;
      } else {
        cell.text = value_;
      }
    }
    if (hasContent) rowCells_.push_back(std::move(cell));
  }
  column_ = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(std::uint64_t{column_} + cellRepeat_, model::kMaxColumns));
  text_.clear();
}

std::uint32_t OdsSheetHandler::formatOf(std::string_view styleName) const {
  if (!cellFormats) return 0;
  const auto lookUp = [&](std::string_view name) -> std::uint32_t {
    if (name.empty()) return 0;
    const auto found = cellFormats->find(std::string(name));
    return found == cellFormats->end() ? 0 : found->second;
  };
  if (!styleName.empty()) return lookUp(styleName);
  if (!rowStyle_.empty()) return lookUp(rowStyle_);
  const auto column = std::lower_bound(
      columnStyles_.begin(), columnStyles_.end(), column_,
      [](const std::pair<std::uint32_t, std::string>& range, std::uint32_t c) { return range.first < c; });
  return column == columnStyles_.end() ? 0 : lookUp(column->second);
}

void OdsSheetHandler::tooMuch() const {
  throw Failure("The sheet \"" + sheetName_ +
                "\" repeats more cells than this program reads; the file may be damaged.");
}

}  // namespace lomandra::ods
