#include "cli/ResultTexts.h"

#include "cli/JsonText.h"
#include "sheet/Failure.h"
#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::cli {

namespace {
constexpr std::size_t kFlushBytes = 1 << 20;
}  // namespace

void appendEscapedField(std::string& out, std::string_view field) {
  for (const char c : field) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
}

std::string cellName(std::uint32_t row, std::uint32_t column) {
  return engine::columnName(column) + std::to_string(std::uint64_t{row} + 1);
}

BufferedOut::BufferedOut(const ToolStreams& streams) : streams_(streams) {
  buffer_.reserve(kFlushBytes);
}

void BufferedOut::maybeFlush() {
  if (buffer_.size() >= kFlushBytes) flush();
}

void BufferedOut::flush() {
  if (!buffer_.empty()) streams_.out(buffer_);
  buffer_.clear();
}

void KeptResults::add(std::string_view text) {
  if (bytes_.size() + text.size() > kMaxBytes)
    throw Failure("The results grew past 512 MiB of text, more than --save and --clipboard take.");
  bytes_.append(text);
  ends_.push_back(bytes_.size());
}

QString KeptResults::columnHeader(int column) const {
  checkColumn(column);
  return QStringLiteral("Result(s)");
}

QString KeptResults::text(int entry, int column) const {
  checkEntry(entry);
  checkColumn(column);
  const std::size_t index = static_cast<std::size_t>(entry - 1);
  const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
  return QString::fromUtf8(bytes_.data() + begin, static_cast<qsizetype>(ends_[index] - begin));
}

bool KeptResults::checked(int entry) const {
  checkEntry(entry);
  return true;
}

void KeptResults::checkEntry(int entry) const {
  if (entry < 1 || entry > count())
    throw Failure("Index out of bounds: the list has no entry " + std::to_string(entry) + ".");
}

void KeptResults::checkColumn(int column) {
  if (column != 1)
    throw Failure("Index out of bounds: the list has no column " + std::to_string(column) + ".");
}

ResultTexts::ResultTexts(const MergeToolOptions& options, const ToolStreams& streams,
                         BufferedOut& out)
    : streams_(streams),
      out_(out),
      duplicates_(options.unique),
      withSource_(options.withSource),
      printLines_(!options.json && !options.clipboard && !options.saveFile),
      printJson_(options.json),
      keep_(options.clipboard || options.saveFile) {}

void ResultTexts::openArray() {
  if (printJson_ && !opened_) out_.buffer() += '[';
  opened_ = true;
}

void ResultTexts::text(const CellSource& source, std::string_view text) {
  if (!duplicates_.admit(text)) return;
  if (keep_) kept_.add(text);
  openArray();
  std::string& buffer = out_.buffer();
  if (printLines_) {
    if (withSource_) {
      appendEscapedField(buffer, source.workbook);
      buffer += '\t';
      appendEscapedField(buffer, source.sheet);
      buffer += '\t';
      buffer += cellName(source.row, source.column);
      buffer += '\t';
      appendEscapedField(buffer, text);
    } else {
      buffer.append(text);
    }
    buffer += '\n';
  } else if (printJson_) {
    if (printed_++ > 0) buffer += ',';
    if (withSource_) {
      buffer += "{\"workbook\":";
      appendJsonString(buffer, source.workbook);
      buffer += ",\"sheet\":";
      appendJsonString(buffer, source.sheet);
      buffer += ",\"cell\":\"";
      buffer += cellName(source.row, source.column);
      buffer += "\",\"text\":";
      appendJsonString(buffer, text);
      buffer += '}';
    } else {
      appendJsonString(buffer, text);
    }
  }
  out_.maybeFlush();
}

void ResultTexts::failure(std::string_view line) {
  out_.flush();
  std::string bytes(line);
  bytes += '\n';
  streams_.err(bytes);
}

void ResultTexts::finish() {
  openArray();
  if (printJson_) out_.buffer() += "]\n";
  out_.flush();
}

}  // namespace lomandra::cli
