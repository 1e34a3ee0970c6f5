#include "sheet/xls/XlsWorkbook.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "sheet/Failure.h"
#include "sheet/xls/BiffRecords.h"
#include "sheet/xls/BiffText.h"
#include "sheet/xls/BuiltinFormats.h"
#include "sheet/xls/CompoundFile.h"

namespace lomandra::xls {
namespace {

using model::CellKind;
using model::CellRef;

constexpr std::uint32_t kColumns = 256;  // columns A to IV; no version of the format has more
constexpr std::uint64_t kMaxFileSize = 1ull << 31;  // far beyond any workbook the format allows
constexpr char kEncrypted[] = "The workbook is protected by a password and cannot be read.";

std::uint16_t u16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t u32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16;
}
double f64(std::string_view b, std::size_t at) {
  std::uint64_t bits = u32(b, at) | static_cast<std::uint64_t>(u32(b, at + 4)) << 32;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

[[noreturn]] void damaged(const std::string& why) {
  throw Failure("The workbook is damaged: " + why + ".");
}

std::string readFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error))
    throw Failure("The file \"" + path + "\" does not exist.");
  if (!std::filesystem::is_regular_file(path, error))
    throw Failure("\"" + path + "\" is not a file.");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure("The file \"" + path + "\" cannot be opened.");
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) throw Failure("The file \"" + path + "\" cannot be read.");
  if (static_cast<std::uint64_t>(size) > kMaxFileSize)
    throw Failure("The file \"" + path + "\" is too large to be an Excel 97-2003 workbook.");
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), size)) throw Failure("The file \"" + path + "\" cannot be read.");
  return bytes;
}

// The file name without folder and extension: the name of the one sheet of a BIFF2-4 file.
std::string baseName(const std::string& path) {
  std::string name = path.substr(path.find_last_of("/\\") + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name.empty() ? "Sheet1" : name;
}

bool isBof(std::uint16_t id) {
  return id == record::kBof || id == record::kBof4 || id == record::kBof3 || id == record::kBof2;
}

bool isCellRecord(std::uint16_t id, int biff) {
  switch (id) {
    case record::kBlank: case record::kNumber: case record::kLabel: case record::kBoolErr:
    case record::kRk: case record::kMulRk: case record::kMulBlank: case record::kLabelSst:
    case record::kRString: case record::kFormula3: case record::kFormula4:
      return true;
    case record::kFormula:
      return true;
    case record::kBlank2: case record::kInteger2: case record::kNumber2: case record::kLabel2:
    case record::kBoolErr2:
      return biff == 2;
    default:
      return false;
  }
}

/// A cell read from a sheet, its text kept until it is handed on.
struct PendingCell {
  std::uint32_t row = 0, column = 0;
  CellKind kind = CellKind::Empty;
  double number = 0;
  std::uint32_t format = 0;
  std::string text;
};

class XlsWorkbook final : public model::WorkbookFile {
 public:
  XlsWorkbook(std::string stream, const std::string& path) : stream_(std::move(stream)) {
    readGlobals(path);
  }

  const std::vector<model::SheetInfo>& sheets() const override { return sheets_; }
  int activeSheet() const override { return active_; }
  bool date1904() const override { return date1904_; }

  std::string formatCode(std::uint32_t format) const override {
    if (format >= xfFormats_.size()) return "General";
    const std::uint16_t id = xfFormats_[format];
    const auto custom = formats_.find(id);
    if (custom != formats_.end()) return custom->second;
    if (biff_ <= 4) return "General";  // BIFF2-4 list every format they use
    return std::string(builtinFormatCode(id));
  }

  void readSheet(int index, model::SheetVisitor& visitor, std::uint32_t lastRow) override;

 private:
  void readGlobals(const std::string& path);
  std::string text8(std::string raw) const { return decodeCodePage(raw, codePage_); }
  std::string cellString(RecordCursor& cursor) const {
    return biff_ == 8 ? cursor.unicodeString(2) : text8(cursor.byteString(biff_ == 2 ? 1 : 2));
  }
  bool cellsInOrder(std::size_t offset) const;
  template <typename Emit>
  void parseSheet(std::size_t offset, model::SheetVisitor& visitor, std::uint32_t lastRow,
                  bool ordered, Emit&& emit);

  std::string stream_;
  int biff_ = 8;
  std::uint16_t codePage_ = 1252;
  bool date1904_ = false;
  int active_ = 0;
  std::vector<model::SheetInfo> sheets_;
  std::vector<std::size_t> sheetOffsets_;
  std::map<std::uint16_t, std::string> formats_;
  std::vector<std::uint16_t> xfFormats_;
  std::vector<std::string> sst_;
};

void XlsWorkbook::readGlobals(const std::string& path) {
  RecordStream records(stream_, 0);
  Record rec;
  if (!records.next(rec) || !isBof(rec.id) || rec.data.size() < 4)
    throw Failure("The file is not an Excel workbook: its workbook stream does not begin with a "
                  "beginning-of-file record.");
  const std::uint16_t version = u16(rec.data, 0);
  const std::uint16_t type = u16(rec.data, 2);
  if (rec.id == record::kBof2) biff_ = 2;
  else if (rec.id == record::kBof3) biff_ = 3;
  else if (rec.id == record::kBof4) biff_ = 4;
  else if (version == 0x0600 || (version != 0x0500 && rec.data.size() >= 16)) biff_ = 8;
  else biff_ = 5;
  if (biff_ == 8) codePage_ = 1200;
  const bool singleSheet = biff_ <= 4;
  if (singleSheet && type == 0x0100)
    throw Failure("The workbook is an Excel 4.0 workbook, which cannot be read; save it in a "
                  "later Excel format.");
  if (!singleSheet && type != 0x0005)
    damaged("its workbook stream does not begin with the workbook's own records");

  struct RawName {
    std::string bytes;
    bool decoded;
  };
  std::vector<RawName> names;
  std::vector<std::pair<std::uint16_t, RawName>> rawFormats;
  bool haveWindow = false;
  std::uint16_t implicitFormat = 0;
  while (records.next(rec)) {
    const std::string_view d = rec.data;
    switch (rec.id) {
      case record::kEof:
        goto done;
      case record::kFilePass:
        throw Failure(kEncrypted);
      case record::kCodePage:
        if (d.size() >= 2) codePage_ = u16(d, 0);
        break;
      case record::kDateMode:
        if (d.size() >= 2) date1904_ = u16(d, 0) == 1;
        break;
      case record::kWindow1:
        if (!haveWindow && d.size() >= 12) {
          active_ = u16(d, 10);
          haveWindow = true;
        }
        break;
      case record::kBoundSheet: {
        if (singleSheet || d.size() < 7) break;
        RecordCursor cursor(d);
        const std::uint32_t offset = cursor.u32();
        const std::uint8_t state = cursor.u8();
        cursor.u8();  // sheet type: worksheet, macro sheet, chart or module
        model::SheetInfo info;
        info.visible = (state & 0x03) == 0;
        RawName name;
        if (biff_ == 8) {
          name = {cursor.unicodeString(1), true};
        } else {
          name = {cursor.byteString(1), false};
        }
        names.push_back(std::move(name));
        sheets_.push_back(info);
        sheetOffsets_.push_back(offset);
        break;
      }
      case record::kFormat:
      case record::kFormat2: {
        RecordCursor cursor(d, records.continuations());
        if (biff_ == 8) {
          const std::uint16_t id = cursor.u16();
          rawFormats.push_back({id, {cursor.unicodeString(2), true}});
        } else if (biff_ == 5) {
          const std::uint16_t id = cursor.u16();
          rawFormats.push_back({id, {cursor.byteString(1), false}});
        } else {
          if (rec.id == record::kFormat) cursor.skip(2);  // BIFF4: two unused bytes
          rawFormats.push_back({implicitFormat++, {cursor.byteString(1), false}});
        }
        break;
      }
      case record::kXf:
        if (d.size() >= 4) xfFormats_.push_back(u16(d, 2));
        break;
      case record::kXf3:
      case record::kXf4:
        if (d.size() >= 2) xfFormats_.push_back(static_cast<std::uint8_t>(d[1]));
        break;
      case record::kXf2:
        if (d.size() >= 3) xfFormats_.push_back(static_cast<std::uint8_t>(d[2]) & 0x3F);
        break;
      case record::kSst: {
        if (biff_ != 8) break;
        RecordCursor cursor(d, records.continuations());
        cursor.u32();  // total references
        const std::uint32_t unique = cursor.u32();
        // The count may lie: every string takes at least three bytes.
        sst_.reserve(std::min<std::size_t>(unique, cursor.remaining() / 3));
        for (std::uint32_t i = 0; i < unique && !cursor.atEnd(); ++i)
          sst_.push_back(cursor.unicodeString(2));
        break;
      }
      default:
        if (singleSheet && isCellRecord(rec.id, biff_)) goto done;  // the sheet itself begins
        break;
    }
  }
done:
  for (std::size_t i = 0; i < names.size(); ++i)
    sheets_[i].name = names[i].decoded ? std::move(names[i].bytes) : text8(names[i].bytes);
  for (auto& [id, raw] : rawFormats)
    formats_[id] = raw.decoded ? std::move(raw.bytes) : text8(raw.bytes);
  if (singleSheet) {
    sheets_.push_back({baseName(path), true});
    sheetOffsets_.push_back(0);
  }
  if (active_ < 0 || active_ >= static_cast<int>(sheets_.size())) active_ = 0;
  for (const std::size_t offset : sheetOffsets_)
    if (offset >= stream_.size()) damaged("a sheet lies beyond the end of the workbook stream");
}

// Spreadsheet applications write a sheet's cells row by row, left to right; a file that does
// not is read whole and sorted, since a reader cannot stop early on it.
bool XlsWorkbook::cellsInOrder(std::size_t offset) const {
  RecordStream records(stream_, offset);
  Record rec;
  int depth = 0;
  std::uint64_t last = 0;
  bool any = false;
  while (records.next(rec)) {
    if (isBof(rec.id)) ++depth;
    else if (rec.id == record::kEof && --depth <= 0) break;
    if (depth != 1 || !isCellRecord(rec.id, biff_) || rec.data.size() < 4) continue;
    const std::uint64_t row = u16(rec.data, 0);
    std::uint64_t first = u16(rec.data, 2);
    std::uint64_t lastColumn = first;
    if ((rec.id == record::kMulRk || rec.id == record::kMulBlank) && rec.data.size() >= 6)
      lastColumn = u16(rec.data, rec.data.size() - 2);
    const std::uint64_t key = row << 16 | first;
    if (any && key <= last) return false;
    last = row << 16 | std::max(first, lastColumn);
    any = true;
  }
  return true;
}

void XlsWorkbook::readSheet(int index, model::SheetVisitor& visitor, std::uint32_t lastRow) {
  if (index < 0 || index >= static_cast<int>(sheets_.size()))
    throw Failure("The workbook has no sheet number " + std::to_string(index + 1) + ".");
  const std::size_t offset = sheetOffsets_[static_cast<std::size_t>(index)];
  if (cellsInOrder(offset)) {
    parseSheet(offset, visitor, lastRow, true, [&](const PendingCell& cell) {
      CellRef ref{cell.kind, cell.number, cell.text, cell.format};
      return visitor.cell(cell.row, cell.column, ref);
    });
    return;
  }
  std::vector<PendingCell> cells;
  parseSheet(offset, visitor, lastRow, false, [&](PendingCell& cell) {
    cells.push_back(std::move(cell));
    return true;
  });
  std::stable_sort(cells.begin(), cells.end(), [](const PendingCell& a, const PendingCell& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  });
  for (std::size_t i = 0; i < cells.size(); ++i) {
    // Of two records for one cell, the later one stands.
    if (i + 1 < cells.size() && cells[i + 1].row == cells[i].row &&
        cells[i + 1].column == cells[i].column)
      continue;
    const PendingCell& cell = cells[i];
    CellRef ref{cell.kind, cell.number, cell.text, cell.format};
    if (!visitor.cell(cell.row, cell.column, ref)) return;
  }
}

template <typename Emit>
void XlsWorkbook::parseSheet(std::size_t offset, model::SheetVisitor& visitor,
                             std::uint32_t lastRow, bool ordered, Emit&& emit) {
  RecordStream records(stream_, offset);
  Record rec;
  if (!records.next(rec) || !isBof(rec.id)) damaged("a sheet does not begin where the workbook says");
  int depth = 1;
  bool standardWidth = false;
  std::uint32_t ixfe2 = 0;
  PendingCell cell;
  bool formulaString = false;  // a FORMULA whose text result is in the STRING record after it

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
    if (u16(r, 6) != 0xFFFF) {
      cell.kind = CellKind::Number;
      cell.number = f64(r, 0);
      return;
    }
    switch (static_cast<std::uint8_t>(r[0])) {
      case 0: formulaString = true; cell.kind = CellKind::Text; break;
      case 1: cell.kind = CellKind::Boolean; cell.number = r[2] ? 1 : 0; break;
      case 2: cell.kind = CellKind::Error; cell.text = errorText(static_cast<std::uint8_t>(r[2])); break;
      default: cell.kind = CellKind::Text; break;  // an empty text
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
    if (id == record::kFilePass) throw Failure(kEncrypted);
    if (id == record::kString || id == record::kString2) {
      if (!formulaString) continue;
      RecordCursor cursor(d, records.continuations());
      formulaString = false;
      cell.kind = CellKind::Text;
      cell.text = biff_ == 8 ? cursor.unicodeString(2)
                             : text8(cursor.byteString(id == record::kString2 ? 1 : 2));
      if (!deliver()) return;
      continue;
    }
    const bool isCell = isCellRecord(id, biff_);
    if (isCell && !flushFormula()) return;
    switch (id) {
      case record::kDefColWidth:
        if (!standardWidth && d.size() >= 2) visitor.defaultColumnWidth(u16(d, 0));
        continue;
      case record::kStandardWidth:
        if (d.size() >= 2) visitor.defaultColumnWidth(u16(d, 0) / 256.0);
        standardWidth = true;
        continue;
      case record::kColInfo: {
        if (d.size() < 10) continue;
        const std::uint32_t first = u16(d, 0);
        const std::uint32_t last = std::min<std::uint32_t>(u16(d, 2), kColumns - 1);
        if (first <= last) visitor.columns(first, last, u16(d, 4) / 256.0, u16(d, 8) & 0x01);
        continue;
      }
      case record::kRow:
        if (d.size() >= 14 && (u16(d, 12) & 0x20) && u16(d, 0) <= lastRow)
          visitor.hiddenRow(u16(d, 0));
        continue;
      case record::kIxfe2:
        if (d.size() >= 2) ixfe2 = u16(d, 0);
        continue;
      default:
        break;
    }
    if (!isCell) continue;
    if (d.size() < 6) damaged("a cell record is too short");
    cell.row = u16(d, 0);
    cell.column = u16(d, 2);
    cell.text.clear();
    cell.number = 0;
    std::size_t valueAt = 6;
    if (biff_ == 2 && id != record::kFormula3 && id != record::kFormula4 &&
        id < 0x0100) {  // BIFF2 cells carry three attribute bytes instead of an XF index
      if (d.size() < 7) damaged("a cell record is too short");
      cell.format = static_cast<std::uint8_t>(d[4]) & 0x3F;
      if (cell.format == 63) cell.format = ixfe2;
      valueAt = 7;
    } else {
      cell.format = u16(d, 4);
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
        cell.number = f64(v, 0);
        break;
      case record::kInteger2:
        if (v.size() < 2) damaged("a number record is too short");
        cell.kind = CellKind::Number;
        cell.number = u16(v, 0);
        break;
      case record::kRk:
        if (v.size() < 4) damaged("a number record is too short");
        cell.kind = CellKind::Number;
        cell.number = decodeRk(u32(v, 0));
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
        RecordCursor cursor(v, id == record::kLabel ? records.continuations()
                                                    : std::vector<std::string_view>{});
        cell.kind = CellKind::Text;
        cell.text = biff_ == 8 ? cursor.unicodeString(2)
                               : text8(cursor.byteString(id == record::kLabel2 ? 1 : 2));
        break;
      }
      case record::kLabelSst: {
        if (v.size() < 4) damaged("a text record is too short");
        const std::uint32_t index = u32(v, 0);
        if (index >= sst_.size()) damaged("a cell refers to a shared text that does not exist");
        cell.kind = CellKind::Text;
        cell.text = sst_[index];
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
          cell.column = u16(d, 2) + static_cast<std::uint32_t>(i);
          cell.format = u16(d, 4 + 6 * i);
          cell.kind = CellKind::Number;
          cell.number = decodeRk(u32(d, 6 + 6 * i));
          if (!deliver()) return;
        }
        continue;
      }
      case record::kMulBlank: {
        const std::size_t count = (d.size() - 6) / 2;
        for (std::size_t i = 0; i < count; ++i) {
          cell.column = u16(d, 2) + static_cast<std::uint32_t>(i);
          cell.format = u16(d, 4 + 2 * i);
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
}

}  // namespace

std::unique_ptr<model::WorkbookFile> openXls(const std::string& path) {
  std::string bytes = readFile(path);
  std::string stream;
  if (CompoundFile::hasSignature(bytes)) {
    const CompoundFile file(bytes);
    const CompoundFile::Entry* entry = file.findStream("Workbook");
    if (!entry) entry = file.findStream("Book");
    if (!entry) {
      if (file.findStream("EncryptedPackage")) throw Failure(kEncrypted);
      throw Failure("The file \"" + path + "\" is not an Excel workbook: it holds no workbook.");
    }
    stream = file.readStream(*entry);
  } else if (bytes.size() >= 4 && isBof(u16(bytes, 0)) && u16(bytes, 2) <= 32) {
    stream = std::move(bytes);  // a BIFF2-4 file is a bare record stream
  } else {
    throw Failure("The file \"" + path + "\" is not an Excel 97-2003 workbook.");
  }
  return std::make_unique<XlsWorkbook>(std::move(stream), path);
}

}  // namespace lomandra::xls
