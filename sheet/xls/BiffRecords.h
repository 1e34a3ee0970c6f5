#pragma once

// The record stream of an .xls workbook: records of a 2-byte id and a 2-byte length, and the
// CONTINUE records that carry on a record longer than one record can hold.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::xls {

/// Record ids this reader interprets (BIFF5/BIFF8 numbering unless marked).
namespace record {
constexpr std::uint16_t kDimension2 = 0x0000, kBlank2 = 0x0001, kInteger2 = 0x0002, kNumber2 = 0x0003, kLabel2 = 0x0004,
                        kBoolErr2 = 0x0005, kFormula = 0x0006, kString2 = 0x0007, kBof2 = 0x0009,
                        kEof = 0x000A, kFormat2 = 0x001E, kDateMode = 0x0022, kFilePass = 0x002F,
                        kContinue = 0x003C, kWindow1 = 0x003D, kCodePage = 0x0042, kXf2 = 0x0043,
                        kIxfe2 = 0x0044, kColWidth2 = 0x0024, kDefColWidth = 0x0055, kColInfo = 0x007D,
                        kBoundSheet = 0x0085, kSheetHeader4 = 0x008F, kStandardWidth = 0x0099, kMulRk = 0x00BD,
                        kMulBlank = 0x00BE, kRString = 0x00D6, kXf = 0x00E0, kSst = 0x00FC,
                        kLabelSst = 0x00FD, kDimension = 0x0200, kBlank = 0x0201, kNumber = 0x0203,
                        kLabel = 0x0204, kBoolErr = 0x0205, kFormula3 = 0x0206, kString = 0x0207,
                        kRow = 0x0208, kBof3 = 0x0209, kXf3 = 0x0243, kRk = 0x027E,
                        kFormula4 = 0x0406, kBof4 = 0x0409, kFormat = 0x041E, kXf4 = 0x0443,
                        kBof = 0x0809, kSelection = 0x001D, kPane = 0x0041, kMergedCells = 0x00E5,
                        kWindow2 = 0x023E;
}  // namespace record

/// The description of an encrypted workbook.
inline constexpr char kEncryptedWorkbook[] =
    "The workbook is protected by a password and cannot be read.";

/// Throws lomandra::Failure("The workbook is damaged: <why>.").
[[noreturn]] void damaged(const std::string& why);

/// Little-endian values at `at` in `bytes`; the caller has checked the length.
std::uint16_t read16(std::string_view bytes, std::size_t at);
std::uint32_t read32(std::string_view bytes, std::size_t at);
double readDouble(std::string_view bytes, std::size_t at);

/// Substream types a beginning-of-file record names.
namespace substream {
constexpr std::uint16_t kGlobals = 0x0005, kWorksheet = 0x0010, kChart = 0x0020,
                        kMacroSheet = 0x0040, kWorkbook4 = 0x0100;
}  // namespace substream

/// True for the beginning-of-file record of any BIFF version.
bool isBof(std::uint16_t id);
/// True when `firstBytes` (the start of a file) is a BIFF record stream: a beginning-of-file
/// record of any version, of a plausible length, naming a known substream type. Such a stream
/// stands alone for BIFF2-4 and, from some writers, for later versions too.
bool looksLikeBiffStream(std::string_view firstBytes);
/// True for a record that holds one or more cells in a sheet of BIFF version `biff`.
bool isCellRecord(std::uint16_t id, int biff);

/// One record: its id, its data and where its header starts in the stream.
struct Record {
  std::uint16_t id = 0;
  std::string_view data;
  std::size_t offset = 0;
};

/// Walks the records of a workbook stream from a given offset.
class RecordStream {
 public:
  RecordStream(std::string_view stream, std::size_t offset);
  /// Reads the next record; false at the end of the stream. Throws lomandra::Failure when a
  /// record runs past the end of the stream.
  bool next(Record& record);
  /// The data of the CONTINUE records right after the last record read (consumes them).
  std::vector<std::string_view> continuations();
  /// The id of the record that follows, or -1 at the end of the stream.
  int peekId() const;
  /// Where the record that follows starts.
  std::size_t offset() const { return offset_; }

 private:
  std::string_view stream_;
  std::size_t offset_;
};

/// Reads little-endian values and strings from a record and its CONTINUE records, as one
/// sequence of bytes except where strings restate their option byte at a record boundary.
/// Every read past the end throws lomandra::Failure.
class RecordCursor {
 public:
  explicit RecordCursor(std::string_view data, std::vector<std::string_view> more = {});
  std::size_t remaining() const;
  bool atEnd() const { return remaining() == 0; }
  std::uint8_t u8();
  std::uint16_t u16();
  std::uint32_t u32();
  double f64();
  void skip(std::uint64_t count);
  /// `count` raw bytes, which may span record boundaries.
  std::string bytes(std::size_t count);
  /// A BIFF8 string: a character count of `countBytes` bytes (1 or 2), an option byte, the
  /// rich-text run count and extended-data size when flagged, the characters, and the runs and
  /// extended data, which are skipped. Characters that go on in the next CONTINUE record are
  /// preceded there by a fresh option byte that says whether they are one or two bytes each.
  std::string unicodeString(int countBytes);
  /// A BIFF2-BIFF7 string: a byte count of `countBytes` bytes and that many 8-bit bytes (raw).
  std::string byteString(int countBytes);

 private:
  void advanceSegment();
  std::vector<std::string_view> segments_;
  std::vector<std::size_t> after_;  // bytes from the start of each segment to the end
  std::size_t segment_ = 0;
  std::size_t pos_ = 0;
};

/// The number an RK value stands for (an integer or the top 30 bits of a double, either
/// possibly divided by 100).
double decodeRk(std::uint32_t rk);

/// The text of an error value code as a cell shows it ("#DIV/0!"), "#N/A" for unknown codes.
std::string_view errorText(std::uint8_t code);

}  // namespace lomandra::xls
