#include "sheet/xls/WorkbookGlobals.h"

#include <algorithm>
#include <optional>

#include "sheet/Failure.h"
#include "sheet/xls/BiffRecords.h"
#include "sheet/xls/BiffText.h"
#include "sheet/xls/BuiltinFormats.h"

namespace lomandra::xls {

namespace {

// A format id no FORMAT record carries: its cells show General.
constexpr std::uint32_t kNoFormat = 0xFFFFFFFF;

struct RawText {
  std::string bytes;
  bool decoded;  // already UTF-8 (BIFF8), else 8-bit text in the workbook's code page
};

// The records of the workbook as read, before the code page (which may come late) decodes them.
struct Pending {
  std::vector<RawText> names;
  std::vector<std::pair<std::uint32_t, RawText>> formats;
};

// The records every generation's workbook part shares: password protection (refused), the code
// page and the date system. True when `rec` was one of them.
bool readWorkbookWide(const Record& rec, WorkbookGlobals& w) {
  const std::string_view d = rec.data;
  switch (rec.id) {
    case record::kFilePass:
      throw Failure(kEncryptedWorkbook);
    case record::kCodePage:
      if (d.size() >= 2) w.codePage = read16(d, 0);
      return true;
    case record::kDateMode:
      if (d.size() >= 2) w.date1904 = read16(d, 0) == 1;
      return true;
    default:
      return false;
  }
}

int versionOf(const Record& bof) {
  switch (bof.id) {
    case record::kBof2:
      return 2;
    case record::kBof3:
      return 3;
    case record::kBof4:
      return 4;
    default: {
      const std::uint16_t version = read16(bof.data, 0);
      return version == 0x0600 || (version != 0x0500 && bof.data.size() >= 16) ? 8 : 5;
    }
  }
}

// Reads the formatting records (FORMAT, XF), the code page and the date system of the BIFF2-4
// substream whose BOF is at `offset`, up to its EOF, into `w` and `formatsOut`. Those sheets
// number their FORMAT records by order, so each substream's formats get the ids from
// `formatIds` on. Returns where the record after the substream's EOF starts.
std::size_t readOldSubstream(std::string_view stream, std::size_t offset, WorkbookGlobals& w,
                             Pending& pending, std::uint32_t& formatIds,
                             WorkbookGlobals::SheetFormats& own) {
  RecordStream records(stream, offset);
  Record rec;
  records.next(rec);  // the BOF
  const std::uint32_t formatBase = formatIds;
  std::uint32_t formatCount = 0;
  std::vector<std::uint32_t> xfs;  // the FORMAT index of each XF record, in order
  int depth = 1;
  while (records.next(rec)) {
    if (isBof(rec.id)) {
      ++depth;  // a chart in the sheet
      continue;
    }
    if (rec.id == record::kEof) {
      if (--depth == 0) break;
      continue;
    }
    if (depth != 1 || readWorkbookWide(rec, w)) continue;
    const std::string_view d = rec.data;
    switch (rec.id) {
      case record::kFormat2:
      case record::kFormat: {
        RecordCursor cursor(d);
        // BIFF4 puts two bytes before the code that no reader may rely on: the order counts.
        if (rec.id == record::kFormat) cursor.skip(2);
        pending.formats.push_back({formatBase + formatCount++, {cursor.byteString(1), false}});
        break;
      }
      case record::kXf2:
        if (d.size() >= 3) xfs.push_back(static_cast<std::uint8_t>(d[2]) & 0x3F);
        break;
      case record::kXf3:
      case record::kXf4:
        if (d.size() >= 2) xfs.push_back(static_cast<std::uint8_t>(d[1]));
        break;
      default:
        break;
    }
  }
  formatIds += formatCount;
  own = {};
  if (xfs.empty() && w.biff == 2) {
    // BIFF2 without XF records: each cell names its FORMAT record (six bits) itself.
    own.formatInAttributes = true;
    for (std::uint32_t i = 0; i < 64; ++i) xfs.push_back(i);
  }
  if (xfs.empty()) return records.offset();
  own.base = static_cast<std::uint32_t>(w.xfFormats.size());
  own.count = static_cast<std::uint32_t>(xfs.size());
  for (const std::uint32_t index : xfs)
    w.xfFormats.push_back(index < formatCount ? formatBase + index : kNoFormat);
  return records.offset();
}

// A BIFF2-4 file: one worksheet (or chart, or macro sheet) that is the whole stream, or a BIFF4
// workbook: its own records, then each sheet as a header record with the sheet's name followed
// by the sheet's BOF ... EOF.
void readOldGenerations(std::string_view stream, std::uint16_t type, WorkbookGlobals& w,
                        Pending& pending, const std::string& singleSheetName) {
  std::uint32_t formatIds = 0;
  WorkbookGlobals::SheetFormats globalFormats;
  const std::size_t afterGlobals =
      readOldSubstream(stream, 0, w, pending, formatIds, globalFormats);
  if (type != substream::kWorkbook4) {
    pending.names.push_back({singleSheetName, true});
    w.sheets.push_back({});
    w.sheetOffsets.push_back(0);
    w.sheetFormats.push_back(globalFormats);
    return;
  }
  RecordStream records(stream, afterGlobals);
  Record rec;
  std::optional<std::string> name;
  while (records.next(rec)) {
    if (rec.id == record::kSheetHeader4) {
      // The substream's length, which the walk does not need, then the sheet's name.
      RecordCursor cursor(rec.data);
      cursor.skip(4);
      name = cursor.byteString(1);
      continue;
    }
    if (!isBof(rec.id)) continue;
    const std::size_t offset = rec.offset;
    WorkbookGlobals::SheetFormats own;
    const std::size_t after = readOldSubstream(stream, offset, w, pending, formatIds, own);
    // A sheet without formatting records of its own uses the workbook's.
    w.sheetFormats.push_back(own.count > 0 ? own : globalFormats);
    if (name) {
      pending.names.push_back({std::move(*name), false});
    } else {
      pending.names.push_back({"Sheet" + std::to_string(w.sheets.size() + 1), true});
    }
    name.reset();
    w.sheets.push_back({});
    w.sheetOffsets.push_back(offset);
    records = RecordStream(stream, after);
  }
  if (w.sheets.empty()) damaged("the workbook lists no sheets");
}

// The workbook's own records of a BIFF5-8 stream, after its BOF, up to their EOF.
void readGlobals(RecordStream& records, WorkbookGlobals& w, Pending& pending) {
  Record rec;
  bool haveWindow = false;
  while (records.next(rec)) {
    if (readWorkbookWide(rec, w)) continue;
    const std::string_view d = rec.data;
    switch (rec.id) {
      case record::kEof:
        return;
      case record::kWindow1:
        if (!haveWindow && d.size() >= 12) {
          w.active = read16(d, 10);
          haveWindow = true;
        }
        break;
      case record::kBoundSheet: {
        if (d.size() < 7) break;
        RecordCursor cursor(d);
        const std::uint32_t offset = cursor.u32();
        const std::uint8_t state = cursor.u8();
        // Worksheets, macro and dialog sheets and charts have a tab; a Visual Basic module of
        // an Excel 5.0/95 workbook is part of the macro project instead, as the application
        // opens such a workbook.
        if (cursor.u8() == 0x06) break;
        model::SheetInfo info;
        info.visible = (state & 0x03) == 0;
        if (w.biff == 8) {
          pending.names.push_back({cursor.unicodeString(1), true});
        } else {
          pending.names.push_back({cursor.byteString(1), false});
        }
        w.sheets.push_back(info);
        w.sheetOffsets.push_back(offset);
        break;
      }
      case record::kFormat:
      case record::kFormat2: {
        RecordCursor cursor(d, records.continuations());
        const std::uint16_t id = cursor.u16();
        if (w.biff == 8) {
          pending.formats.push_back({id, {cursor.unicodeString(2), true}});
        } else {
          pending.formats.push_back({id, {cursor.byteString(1), false}});
        }
        break;
      }
      case record::kXf:
        if (d.size() >= 4) {
          w.xfFormats.push_back(read16(d, 2));
          // Bits 0-2 of byte 6: general, left, centre, right, fill, justify, centre across
          // selection, distributed.
          static constexpr model::HorizontalAlign kAligns[8] = {
              model::HorizontalAlign::General, model::HorizontalAlign::Left,
              model::HorizontalAlign::Center,  model::HorizontalAlign::Right,
              model::HorizontalAlign::Left,    model::HorizontalAlign::Left,
              model::HorizontalAlign::Center,  model::HorizontalAlign::Center};
          w.xfAligns.push_back(d.size() >= 7 ? kAligns[static_cast<std::uint8_t>(d[6]) & 0x07]
                                             : model::HorizontalAlign::General);
        }
        break;
      case record::kSst: {
        if (w.biff != 8) break;
        RecordCursor cursor(d, records.continuations());
        cursor.u32();  // total references
        const std::uint32_t unique = cursor.u32();
        // The count may lie: every string takes at least three bytes.
        w.sst.reserve(std::min<std::size_t>(unique, cursor.remaining() / 3));
        for (std::uint32_t i = 0; i < unique && !cursor.atEnd(); ++i)
          w.sst.push_back(cursor.unicodeString(2));
        break;
      }
      default:
        break;
    }
  }
}

}  // namespace

std::string WorkbookGlobals::text8(std::string_view raw) const {
  return decodeCodePage(raw, codePage);
}

std::string WorkbookGlobals::formatCode(std::uint32_t format) const {
  if (format >= xfFormats.size()) return "General";
  const std::uint32_t id = xfFormats[format];
  const auto custom = formats.find(id);
  if (custom != formats.end()) return custom->second;
  if (biff <= 4 || id == kNoFormat) return "General";  // BIFF2-4 list every format they use
  return std::string(builtinFormatCode(id));
}

int WorkbookGlobals::builtinFormatId(std::uint32_t format) const {
  if (format >= xfFormats.size()) return -1;
  const std::uint32_t id = xfFormats[format];
  if (biff <= 4 || id == kNoFormat || id >= 50 || formats.count(id) != 0) return -1;
  return static_cast<int>(id);
}

std::uint32_t WorkbookGlobals::cellFormat(int sheet, std::uint32_t xf) const {
  if (sheetFormats.empty()) return xf;
  const SheetFormats& own = sheetFormats[static_cast<std::size_t>(sheet)];
  // An XF index past the sheet's own list falls past the end of all of them: General.
  return xf < own.count ? own.base + xf : static_cast<std::uint32_t>(xfFormats.size());
}

WorkbookGlobals readWorkbookGlobals(std::string_view stream, const std::string& singleSheetName) {
  WorkbookGlobals w;
  RecordStream records(stream, 0);
  Record rec;
  if (!records.next(rec) || !isBof(rec.id) || rec.data.size() < 4)
    throw Failure(
        "The file is not an Excel workbook: its workbook stream does not begin with a "
        "beginning-of-file record.");
  const std::uint16_t type = read16(rec.data, 2);
  w.biff = versionOf(rec);
  if (w.biff == 8) w.codePage = 1200;
  Pending pending;
  if (w.biff <= 4) {
    readOldGenerations(stream, type, w, pending, singleSheetName);
  } else {
    if (type != substream::kGlobals)
      damaged("its workbook stream does not begin with the workbook's own records");
    readGlobals(records, w, pending);
  }
  for (std::size_t i = 0; i < pending.names.size(); ++i)
    w.sheets[i].name = pending.names[i].decoded ? std::move(pending.names[i].bytes)
                                                : w.text8(pending.names[i].bytes);
  for (auto& [id, raw] : pending.formats)
    w.formats[id] = raw.decoded ? std::move(raw.bytes) : w.text8(raw.bytes);
  if (w.active < 0 || w.active >= static_cast<int>(w.sheets.size())) w.active = 0;
  for (const std::size_t offset : w.sheetOffsets)
    if (offset >= stream.size()) damaged("a sheet lies beyond the end of the workbook stream");
  return w;
}

}  // namespace lomandra::xls
