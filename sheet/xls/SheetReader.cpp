#include "sheet/xls/SheetReader.h"

#include <algorithm>
#include <string>
#include <vector>

#include "sheet/Failure.h"
#include "sheet/xls/BiffRecords.h"

namespace lomandra::xls {
namespace {

using model::CellKind;
using model::CellRef;

constexpr std::uint32_t kColumns = model::kXlsGrid.columns;  // A to IV, in every version

/// A cell read from a sheet, its text kept until it is handed on.
struct PendingCell {
  std::uint32_t row = 0, column = 0;
  CellKind kind = CellKind::Empty;
  double number = 0;
  std::uint32_t format = 0;
  std::string text;
};

// Spreadsheet applications write a sheet's cells row by row, left to right; a file that does
// not is read whole and sorted, since a reader cannot stop early on it.
bool cellsInOrder(std::string_view stream, std::size_t offset, int biff) {
  RecordStream records(stream, offset);
  Record rec;
  int depth = 0;
  std::uint64_t last = 0;
  bool any = false;
  while (records.next(rec)) {
    if (isBof(rec.id))
      ++depth;
    else if (rec.id == record::kEof && --depth <= 0)
      break;
    if (depth != 1 || !isCellRecord(rec.id, biff) || rec.data.size() < 4) continue;
    const std::uint64_t row = read16(rec.data, 0);
    std::uint64_t first = read16(rec.data, 2);
    std::uint64_t lastColumn = first;
    if ((rec.id == record::kMulRk || rec.id == record::kMulBlank) && rec.data.size() >= 6)
      lastColumn = read16(rec.data, rec.data.size() - 2);
    const std::uint64_t key = row << 16 | first;
    if (any && key <= last) return false;
    last = row << 16 | std::max(first, lastColumn);
    any = true;
  }
  return true;
}

template <typename Emit>
void parseSheet(const WorkbookGlobals& g, std::string_view stream, int sheet,
                model::SheetVisitor& visitor, std::uint32_t lastRow, bool ordered, Emit&& emit) {
  RecordStream records(stream, g.sheetOffsets[static_cast<std::size_t>(sheet)]);
  Record rec;
  if (!records.next(rec) || !isBof(rec.id))
    damaged("a sheet does not begin where the workbook says");
  const bool formatInAttributes =
      !g.sheetFormats.empty() && g.sheetFormats[static_cast<std::size_t>(sheet)].formatInAttributes;
  int depth = 1;
  bool standardWidth = false;
  std::uint32_t ixfe2 = 0;
  PendingCell cell;
  bool formulaString = false;  // a FORMULA whose text result is in the STRING record after it
  bool haveView = false, frozen = false;
  int activePane = 3;  // without a PANE record the one pane is number 3
  model::SheetView view;

  // Hands on one cell; false when reading should stop.
  auto deliver = [&]() -> bool {
    if (cell.row > lastRow) return !ordered;
    if (cell.column >= kColumns) return true;
    return emit(cell);
  };
  auto flushFormula = [&]() -> bool {
    if (!formulaString) return true;
    formulaString = false;
    cell.kind = CellKind::Text;
    cell.text.clear();
    return deliver();
  };
  auto result = [&](std::string_view r) {
    // A formula's cached result: a double, or a tag in the first byte with 0xFFFF at the end.
    if (read16(r, 6) != 0xFFFF) {
      cell.kind = CellKind::Number;
      cell.number = readDouble(r, 0);
      return;
    }
    switch (static_cast<std::uint8_t>(r[0])) {
      case 0:
        formulaString = true;
        cell.kind = CellKind::Text;
        break;
      case 1:
        cell.kind = CellKind::Boolean;
        cell.number = r[2] ? 1 : 0;
        break;
      case 2:
        cell.kind = CellKind::Error;
        cell.text = errorText(static_cast<std::uint8_t>(r[2]));
        break;
      default:
        cell.kind = CellKind::Text;
        break;  // an empty text
    }
  };

  while (records.next(rec)) {
    const std::uint16_t id = rec.id;
    const std::string_view d = rec.data;
    if (isBof(id)) {
      ++depth;  // a chart embedded in the sheet, read past
      continue;
    }
    if (id == record::kEof) {
      if (--depth == 0) break;
      continue;
    }
    if (depth != 1) continue;
    if (id == record::kMergedCells && g.biff == 8) {
      // A count, then (first row, last row, first column, last column) per area.
      const std::size_t count = d.size() >= 2 ? std::min<std::size_t>(read16(d, 0), (d.size() - 2) / 8) : 0;
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 2 + 8 * i;
        const std::uint32_t firstRow = read16(d, at), lastRowOf = read16(d, at + 2);
        const std::uint32_t firstColumn = read16(d, at + 4), lastColumn = read16(d, at + 6);
        if (firstRow <= lastRowOf && firstColumn <= lastColumn && firstColumn < kColumns)
          visitor.mergedCells(firstRow, firstColumn, lastRowOf, std::min(lastColumn, kColumns - 1));
      }
      continue;
    }
    if (id == record::kWindow2 && g.biff >= 5 && d.size() >= 6) {
      haveView = true;
      frozen = (read16(d, 0) & 0x0008) != 0;
      view.topRow = read16(d, 2);
      view.leftColumn = read16(d, 4);
      continue;
    }
    if (id == record::kPane && d.size() >= 9) {
      // Frozen panes: the columns left of and the rows above the split, the first scrolled cell.
      if (frozen) {
        view.frozenColumns = read16(d, 0);
        view.frozenRows = read16(d, 2);
        view.topRow = read16(d, 4);
        view.leftColumn = read16(d, 6);
      }
      activePane = static_cast<std::uint8_t>(d[8]);
      continue;
    }
    if (id == record::kSelection && d.size() >= 5) {
      if (static_cast<std::uint8_t>(d[0]) == activePane) {
        view.activeRow = read16(d, 1);
        view.activeColumn = std::min<std::uint32_t>(read16(d, 3), kColumns - 1);
      }
      continue;
    }
    if (id == record::kFilePass) throw Failure(kEncryptedWorkbook);
    if (id == record::kString || id == record::kString2) {
      if (!formulaString) continue;
      RecordCursor cursor(d, records.continuations());
      formulaString = false;
      cell.kind = CellKind::Text;
      cell.text = g.biff == 8 ? cursor.unicodeString(2)
                              : g.text8(cursor.byteString(id == record::kString2 ? 1 : 2));
      if (!deliver()) return;
      continue;
    }
    const bool isCell = isCellRecord(id, g.biff);
    if (isCell && !flushFormula()) return;
    switch (id) {
      case record::kDefColWidth:
        // Characters without the cell's padding (5 pixels at the usual 7-pixel digit), which
        // the width of a column includes; STANDARDWIDTH, when present, gives the full width.
        if (!standardWidth && d.size() >= 2) visitor.defaultColumnWidth(read16(d, 0) + 5.0 / 7.0);
        continue;
      case record::kStandardWidth:
        if (d.size() >= 2) visitor.defaultColumnWidth(read16(d, 0) / 256.0);
        standardWidth = true;
        continue;
      case record::kColWidth2: {
        // BIFF2: first and last column (a byte each), width in 1/256 of a character.
        if (d.size() < 4) continue;
        const std::uint32_t first = static_cast<std::uint8_t>(d[0]);
        const std::uint32_t last = static_cast<std::uint8_t>(d[1]);
        if (first <= last) visitor.columns(first, last, read16(d, 2) / 256.0, false);
        continue;
      }
      case record::kColInfo: {
        if (d.size() < 10) continue;
        const std::uint32_t first = read16(d, 0);
        const std::uint32_t last = std::min<std::uint32_t>(read16(d, 2), kColumns - 1);
        if (first <= last) visitor.columns(first, last, read16(d, 4) / 256.0, read16(d, 8) & 0x01);
        continue;
      }
      case record::kRow:
        if (d.size() >= 14 && (read16(d, 12) & 0x20) && read16(d, 0) <= lastRow)
          visitor.hiddenRow(read16(d, 0));
        continue;
      case record::kIxfe2:
        if (d.size() >= 2) ixfe2 = read16(d, 0);
        continue;
      default:
        break;
    }
    if (!isCell) continue;
    if (d.size() < 6) damaged("a cell record is too short");
    cell.row = read16(d, 0);
    cell.column = read16(d, 2);
    cell.text.clear();
    cell.number = 0;
    std::size_t valueAt = 6;
    if (g.biff == 2 && id < 0x0100) {
      // BIFF2 cells carry three attribute bytes instead of an XF index: the XF index (63: the
      // IXFE record before the cell has it), or without XF records the FORMAT index.
      if (d.size() < 7) damaged("a cell record is too short");
      std::uint32_t xf = static_cast<std::uint8_t>(d[formatInAttributes ? 5 : 4]) & 0x3F;
      if (!formatInAttributes && xf == 63) xf = ixfe2;
      cell.format = g.cellFormat(sheet, xf);
      valueAt = 7;
    } else {
      cell.format = g.cellFormat(sheet, read16(d, 4));
    }
    const std::string_view v = d.substr(valueAt);
    switch (id) {
      case record::kBlank:
      case record::kBlank2:
        cell.kind = CellKind::Empty;
        break;
      case record::kNumber:
      case record::kNumber2:
        if (v.size() < 8) damaged("a number record is too short");
        cell.kind = CellKind::Number;
        cell.number = readDouble(v, 0);
        break;
      case record::kInteger2:
        if (v.size() < 2) damaged("a number record is too short");
        cell.kind = CellKind::Number;
        cell.number = read16(v, 0);
        break;
      case record::kRk:
        if (v.size() < 4) damaged("a number record is too short");
        cell.kind = CellKind::Number;
        cell.number = decodeRk(read32(v, 0));
        break;
      case record::kBoolErr:
      case record::kBoolErr2:
        if (v.size() < 2) damaged("a logical value record is too short");
        if (v[1]) {
          cell.kind = CellKind::Error;
          cell.text = errorText(static_cast<std::uint8_t>(v[0]));
        } else {
          cell.kind = CellKind::Boolean;
          cell.number = v[0] ? 1 : 0;
        }
        break;
      case record::kLabel:
      case record::kLabel2:
      case record::kRString: {
        RecordCursor cursor(
            v, id == record::kLabel ? records.continuations() : std::vector<std::string_view>{});
        cell.kind = CellKind::Text;
        cell.text = g.biff == 8 ? cursor.unicodeString(2)
                                : g.text8(cursor.byteString(id == record::kLabel2 ? 1 : 2));
        break;
      }
      case record::kLabelSst: {
        if (v.size() < 4) damaged("a text record is too short");
        const std::uint32_t index = read32(v, 0);
        if (index >= g.sst.size()) damaged("a cell refers to a shared text that does not exist");
        cell.kind = CellKind::Text;
        cell.text = g.sst[index];
        break;
      }
      case record::kFormula:
      case record::kFormula3:
      case record::kFormula4:
        if (v.size() < 8) damaged("a formula record is too short");
        result(v);
        if (formulaString) continue;  // the STRING record that follows holds the text
        break;
      case record::kMulRk: {
        // MULRK: row, first column, (XF index, RK value) per cell, last column.
        const std::size_t count = (d.size() - 6) / 6;
        for (std::size_t i = 0; i < count; ++i) {
          cell.column = read16(d, 2) + static_cast<std::uint32_t>(i);
          cell.format = g.cellFormat(sheet, read16(d, 4 + 6 * i));
          cell.kind = CellKind::Number;
          cell.number = decodeRk(read32(d, 6 + 6 * i));
          if (!deliver()) return;
        }
        continue;
      }
      case record::kMulBlank: {
        const std::size_t count = (d.size() - 6) / 2;
        for (std::size_t i = 0; i < count; ++i) {
          cell.column = read16(d, 2) + static_cast<std::uint32_t>(i);
          cell.format = g.cellFormat(sheet, read16(d, 4 + 2 * i));
          cell.kind = CellKind::Empty;
          if (!deliver()) return;
        }
        continue;
      }
      default:
        continue;
    }
    if (!deliver()) return;
  }
  flushFormula();
  if (haveView) visitor.view(view);
}

}  // namespace

void readXlsSheet(const WorkbookGlobals& globals, std::string_view stream, int index,
                  model::SheetVisitor& visitor, std::uint32_t lastRow) {
  if (index < 0 || index >= static_cast<int>(globals.sheets.size()))
    throw Failure("The workbook has no sheet number " + std::to_string(index + 1) + ".");
  const std::size_t offset = globals.sheetOffsets[static_cast<std::size_t>(index)];
  if (cellsInOrder(stream, offset, globals.biff)) {
    parseSheet(globals, stream, index, visitor, lastRow, true, [&](const PendingCell& cell) {
      CellRef ref{cell.kind, cell.number, cell.text, cell.format, {}};
      return visitor.cell(cell.row, cell.column, ref);
    });
    return;
  }
  std::vector<PendingCell> cells;
  parseSheet(globals, stream, index, visitor, lastRow, false, [&](PendingCell& cell) {
    cells.push_back(std::move(cell));
    return true;
  });
  std::stable_sort(cells.begin(), cells.end(), [](const PendingCell& a, const PendingCell& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  });
  // Two records for one cell both go on, in file order: the sheet's store keeps the rule for a
  // cell given twice.
  for (const PendingCell& cell : cells) {
    CellRef ref{cell.kind, cell.number, cell.text, cell.format, {}};
    if (!visitor.cell(cell.row, cell.column, ref)) return;
  }
}

}  // namespace lomandra::xls
