#include "sheet/xls/BiffRecords.h"

#include <bit>
#include <cstring>

#include "sheet/Failure.h"
#include "sheet/xls/BiffText.h"

namespace lomandra::xls {
namespace {

[[noreturn]] void cutShort() { damaged("a record is shorter than its contents"); }

}  // namespace

void damaged(const std::string& why) { throw Failure("The workbook is damaged: " + why + "."); }

std::uint16_t read16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t read32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(read16(b, at)) | static_cast<std::uint32_t>(read16(b, at + 2))
                                                         << 16;
}

double readDouble(std::string_view b, std::size_t at) {
  return std::bit_cast<double>(read32(b, at) | static_cast<std::uint64_t>(read32(b, at + 4)) << 32);
}

bool isBof(std::uint16_t id) {
  return id == record::kBof || id == record::kBof4 || id == record::kBof3 || id == record::kBof2;
}

bool looksLikeBiffStream(std::string_view b) {
  if (b.size() < 8 || !isBof(read16(b, 0))) return false;
  const std::uint16_t length = read16(b, 2);
  // BIFF2 writes 4 bytes, BIFF3-4 6, BIFF5 8 and BIFF8 16 (a few writers 20).
  if (length < 4 || length > 32) return false;
  switch (read16(b, 6)) {
    case substream::kGlobals:
    case substream::kWorksheet:
    case substream::kChart:
    case substream::kMacroSheet:
    case substream::kWorkbook4:
      return true;
    default:
      return false;
  }
}

bool isCellRecord(std::uint16_t id, int biff) {
  switch (id) {
    case record::kBlank:
    case record::kNumber:
    case record::kLabel:
    case record::kBoolErr:
    case record::kRk:
    case record::kMulRk:
    case record::kMulBlank:
    case record::kLabelSst:
    case record::kRString:
    case record::kFormula:
    case record::kFormula3:
    case record::kFormula4:
      return true;
    case record::kBlank2:
    case record::kInteger2:
    case record::kNumber2:
    case record::kLabel2:
    case record::kBoolErr2:
      return biff == 2;
    default:
      return false;
  }
}

RecordStream::RecordStream(std::string_view stream, std::size_t offset)
    : stream_(stream), offset_(offset) {}

bool RecordStream::next(Record& record) {
  if (offset_ + 4 > stream_.size()) return false;
  record.offset = offset_;
  record.id = read16(stream_, offset_);
  const std::size_t length = read16(stream_, offset_ + 2);
  if (offset_ + 4 + length > stream_.size())
    throw Failure("The workbook is damaged: its last record runs past the end of the file.");
  record.data = stream_.substr(offset_ + 4, length);
  offset_ += 4 + length;
  return true;
}

int RecordStream::peekId() const {
  if (offset_ + 4 > stream_.size()) return -1;
  return read16(stream_, offset_);
}

std::vector<std::string_view> RecordStream::continuations() {
  std::vector<std::string_view> parts;
  Record more;
  while (peekId() == record::kContinue && next(more)) parts.push_back(more.data);
  return parts;
}

RecordCursor::RecordCursor(std::string_view data, std::vector<std::string_view> more) {
  segments_.reserve(more.size() + 1);
  segments_.push_back(data);
  for (const std::string_view part : more) segments_.push_back(part);
  after_.assign(segments_.size() + 1, 0);
  for (std::size_t i = segments_.size(); i-- > 0;) after_[i] = after_[i + 1] + segments_[i].size();
}

std::size_t RecordCursor::remaining() const { return after_[segment_] - pos_; }

void RecordCursor::advanceSegment() {
  if (segment_ + 1 >= segments_.size()) cutShort();
  ++segment_;
  pos_ = 0;
}

std::uint8_t RecordCursor::u8() {
  while (pos_ >= segments_[segment_].size()) advanceSegment();
  return static_cast<std::uint8_t>(segments_[segment_][pos_++]);
}

std::uint16_t RecordCursor::u16() {
  const std::uint16_t low = u8();
  return static_cast<std::uint16_t>(low | u8() << 8);
}

std::uint32_t RecordCursor::u32() {
  const std::uint32_t low = u16();
  return low | static_cast<std::uint32_t>(u16()) << 16;
}

double RecordCursor::f64() {
  std::uint64_t bits = u32();
  bits |= static_cast<std::uint64_t>(u32()) << 32;
  return std::bit_cast<double>(bits);
}

void RecordCursor::skip(std::uint64_t count) {
  while (count > 0) {
    while (pos_ >= segments_[segment_].size()) advanceSegment();
    const std::size_t step =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, segments_[segment_].size() - pos_));
    pos_ += step;
    count -= step;
  }
}

std::string RecordCursor::bytes(std::size_t count) {
  if (count > remaining()) cutShort();
  std::string out;
  out.reserve(count);
  while (out.size() < count) {
    while (pos_ >= segments_[segment_].size()) advanceSegment();
    const std::size_t step = std::min(count - out.size(), segments_[segment_].size() - pos_);
    out.append(segments_[segment_].substr(pos_, step));
    pos_ += step;
  }
  return out;
}

std::string RecordCursor::byteString(int countBytes) {
  const std::size_t count = countBytes == 1 ? u8() : u16();
  return bytes(count);
}

std::string RecordCursor::unicodeString(int countBytes) {
  std::size_t count = countBytes == 1 ? u8() : u16();
  std::uint8_t options = u8();
  const std::uint16_t runs = (options & 0x08) ? u16() : 0;
  const std::uint32_t extended = (options & 0x04) ? u32() : 0;
  std::string out;
  out.reserve(count);
  while (count > 0) {
    if (pos_ >= segments_[segment_].size()) {
      // The characters go on in the next CONTINUE record, which starts with a new option byte.
      advanceSegment();
      options = u8();
    }
    const bool wide = options & 0x01;
    const std::string_view here = segments_[segment_].substr(pos_);
    const std::size_t fits = std::min(count, wide ? here.size() / 2 : here.size());
    if (fits == 0) {
      if (!here.empty()) cutShort();  // half a character before the boundary
      continue;
    }
    const std::string_view chars = here.substr(0, wide ? fits * 2 : fits);
    if (wide) {
      appendUtf16Le(out, chars);
    } else {
      appendLatin1(out, chars);
    }
    pos_ += chars.size();
    count -= fits;
  }
  skip(4ull * runs + extended);
  return out;
}

double decodeRk(std::uint32_t rk) {
  double value;
  if (rk & 0x02) {
    value = static_cast<double>(std::bit_cast<std::int32_t>(rk) >> 2);
  } else {
    value = std::bit_cast<double>(static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32);
  }
  return (rk & 0x01) ? value / 100 : value;
}

std::string_view errorText(std::uint8_t code) {
  switch (code) {
    case 0x00:
      return "#NULL!";
    case 0x07:
      return "#DIV/0!";
    case 0x0F:
      return "#VALUE!";
    case 0x17:
      return "#REF!";
    case 0x1D:
      return "#NAME?";
    case 0x24:
      return "#NUM!";
    case 0x2A:
      return "#N/A";
    case 0x2B:
      return "#GETTING_DATA";
    default:
      return "#N/A";
  }
}

}  // namespace lomandra::xls
