#include "sheet/xls/WorkbookGlobals.h"

#include <algorithm>

#include "sheet/Failure.h"
#include "sheet/xls/BiffRecords.h"
#include "sheet/xls/BiffText.h"
#include "sheet/xls/BuiltinFormats.h"

namespace lomandra::xls {

std::string WorkbookGlobals::text8(std::string_view raw) const {
  return decodeCodePage(raw, codePage);
}

std::string WorkbookGlobals::formatCode(std::uint32_t format) const {
  if (format >= xfFormats.size()) return "General";
  const std::uint16_t id = xfFormats[format];
  const auto custom = formats.find(id);
  if (custom != formats.end()) return custom->second;
  if (biff <= 4) return "General";  // BIFF2-4 list every format they use
  return std::string(builtinFormatCode(id));
}

WorkbookGlobals readWorkbookGlobals(std::string_view stream, const std::string& singleSheetName) {
  WorkbookGlobals w;
  RecordStream records(stream, 0);
  Record rec;
  if (!records.next(rec) || !isBof(rec.id) || rec.data.size() < 4)
    throw Failure(
        "The file is not an Excel workbook: its workbook stream does not begin with a "
        "beginning-of-file record.");
  const std::uint16_t version = read16(rec.data, 0);
  const std::uint16_t type = read16(rec.data, 2);
  if (rec.id == record::kBof2)
    w.biff = 2;
  else if (rec.id == record::kBof3)
    w.biff = 3;
  else if (rec.id == record::kBof4)
    w.biff = 4;
  else if (version == 0x0600 || (version != 0x0500 && rec.data.size() >= 16))
    w.biff = 8;
  else
    w.biff = 5;
  if (w.biff == 8) w.codePage = 1200;
  const bool singleSheet = w.biff <= 4;
  if (singleSheet && type == 0x0100)
    throw Failure(
        "The workbook is an Excel 4.0 workbook, which cannot be read; save it in a "
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
        throw Failure(kEncryptedWorkbook);
      case record::kCodePage:
        if (d.size() >= 2) w.codePage = read16(d, 0);
        break;
      case record::kDateMode:
        if (d.size() >= 2) w.date1904 = read16(d, 0) == 1;
        break;
      case record::kWindow1:
        if (!haveWindow && d.size() >= 12) {
          w.active = read16(d, 10);
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
        if (w.biff == 8) {
          name = {cursor.unicodeString(1), true};
        } else {
          name = {cursor.byteString(1), false};
        }
        names.push_back(std::move(name));
        w.sheets.push_back(info);
        w.sheetOffsets.push_back(offset);
        break;
      }
      case record::kFormat:
      case record::kFormat2: {
        RecordCursor cursor(d, records.continuations());
        if (w.biff == 8) {
          const std::uint16_t id = cursor.u16();
          rawFormats.push_back({id, {cursor.unicodeString(2), true}});
        } else if (w.biff == 5) {
          const std::uint16_t id = cursor.u16();
          rawFormats.push_back({id, {cursor.byteString(1), false}});
        } else {
          if (rec.id == record::kFormat) cursor.skip(2);  // BIFF4: two unused bytes
          rawFormats.push_back({implicitFormat++, {cursor.byteString(1), false}});
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
      case record::kXf3:
      case record::kXf4:
        if (d.size() >= 2) w.xfFormats.push_back(static_cast<std::uint8_t>(d[1]));
        break;
      case record::kXf2:
        if (d.size() >= 3) w.xfFormats.push_back(static_cast<std::uint8_t>(d[2]) & 0x3F);
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
        if (singleSheet && isCellRecord(rec.id, w.biff)) goto done;  // the sheet itself begins
        break;
    }
  }
done:
  for (std::size_t i = 0; i < names.size(); ++i)
    w.sheets[i].name = names[i].decoded ? std::move(names[i].bytes) : w.text8(names[i].bytes);
  for (auto& [id, raw] : rawFormats)
    w.formats[id] = raw.decoded ? std::move(raw.bytes) : w.text8(raw.bytes);
  if (singleSheet) {
    w.sheets.push_back({singleSheetName, true});
    w.sheetOffsets.push_back(0);
  }
  if (w.active < 0 || w.active >= static_cast<int>(w.sheets.size())) w.active = 0;
  for (const std::size_t offset : w.sheetOffsets)
    if (offset >= stream.size()) damaged("a sheet lies beyond the end of the workbook stream");
  return w;
}

}  // namespace lomandra::xls
