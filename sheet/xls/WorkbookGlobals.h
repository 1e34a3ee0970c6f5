#pragma once

// The workbook-level records of an .xls workbook stream: the BIFF version, the sheets and where
// each begins, the code page and date system, the number formats and the shared strings.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::xls {

struct WorkbookGlobals {
  int biff = 8;                   ///< 2, 3, 4, 5 (BIFF5 and BIFF7) or 8
  std::uint16_t codePage = 1252;  ///< of the 8-bit texts before BIFF8
  bool date1904 = false;
  int active = 0;
  std::vector<model::SheetInfo> sheets;
  std::vector<std::size_t> sheetOffsets;         ///< where each sheet's BOF is in the stream
  std::map<std::uint32_t, std::string> formats;  ///< FORMAT records by format id
  std::vector<std::uint32_t> xfFormats;          ///< the format id of each XF record
  std::vector<model::HorizontalAlign> xfAligns;  ///< the horizontal alignment of each XF (BIFF5/8)
  std::vector<std::string> sst;                  ///< shared strings (BIFF8)

  /// Before BIFF5 a sheet carries its own FORMAT and XF records (a BIFF4 workbook has them in
  /// each sheet): sheet i's XF index x is xfFormats[base + x] for x below `count`. A BIFF2 sheet
  /// without XF records names its FORMAT record in each cell's attributes instead.
  struct SheetFormats {
    std::uint32_t base = 0, count = 0;
    bool formatInAttributes = false;  ///< BIFF2 without XF records
  };
  std::vector<SheetFormats> sheetFormats;  ///< one per sheet before BIFF5, else empty

  /// 8-bit text in the workbook's code page, as UTF-8.
  std::string text8(std::string_view raw) const;
  /// The format code of cell format (XF) index `format`.
  std::string formatCode(std::uint32_t format) const;
  /// The built-in id of XF index `format` when no FORMAT record gives it a code; -1 otherwise.
  int builtinFormatId(std::uint32_t format) const;
  /// The workbook-wide cell format index of XF index `xf` in sheet `sheet`.
  std::uint32_t cellFormat(int sheet, std::uint32_t xf) const;
};

/// Reads the workbook-level records from the start of `stream`. A BIFF2-4 file that is one
/// sheet names it `singleSheetName`. Throws lomandra::Failure (encrypted, damaged, not a
/// workbook).
WorkbookGlobals readWorkbookGlobals(std::string_view stream, const std::string& singleSheetName);

}  // namespace lomandra::xls
