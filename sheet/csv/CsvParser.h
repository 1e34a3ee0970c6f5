#pragma once

// The pieces of the delimited-text reader: encoding detection and decoding to UTF-8, separator
// detection, and a streaming field parser. Each works on chunks so that a file of any size is
// read with a fixed amount of memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::csv {

/// The character encodings a delimited text file is read in.
enum class TextEncoding {
  Utf8,         ///< UTF-8 without byte order mark (plain ASCII too)
  Utf8Bom,      ///< UTF-8 with byte order mark
  Utf16LE,      ///< UTF-16 little-endian with byte order mark
  Utf16BE,      ///< UTF-16 big-endian with byte order mark
  Windows1252,  ///< the 8-bit Western code page, for text that is not UTF-8
};

/// The encoding of a file from its first bytes: a byte order mark decides; otherwise UTF-8 when
/// `head` is valid UTF-8 (a sequence cut off at its end allowed), else Windows-1252.
TextEncoding detectEncoding(std::string_view head);

/// Number of byte order mark bytes that start a file in `encoding`.
std::size_t byteOrderMarkLength(TextEncoding encoding);

/// Turns a byte stream in one encoding into UTF-8, chunk by chunk. In UTF-8 a byte that does not
/// belong to a valid sequence is read as Windows-1252, so no byte is lost. NUL characters are
/// dropped. Bytes of a character split across chunks are carried over.
class TextDecoder {
 public:
  explicit TextDecoder(TextEncoding encoding) : encoding_(encoding) {}
  /// Appends the UTF-8 of `bytes` to `out`; `last` flushes what is carried over.
  void decode(std::string_view bytes, bool last, std::string& out);

 private:
  void decodeUtf8(std::string_view bytes, bool last, std::string& out);
  void decodeUtf16(std::string_view bytes, bool last, std::string& out);
  TextEncoding encoding_;
  std::string carry_;            // bytes of an incomplete character from the previous chunk
  std::uint32_t surrogate_ = 0;  // a UTF-16 high surrogate waiting for its low half
};

/// The separator of delimited text: among comma, semicolon and tab, the one that occurs outside
/// quotes the same number of times on most of the first lines of `utf8Head`, then the most often.
/// Ties go to tab when `preferTab` (a .txt file), else to comma, semicolon, tab in that order.
/// `complete` says `utf8Head` is the whole file (its last line counts even without a line end).
char detectSeparator(std::string_view utf8Head, bool complete, bool preferTab);

/// Streams UTF-8 delimited text into fields. A field that starts with a double quote is quoted:
/// separators and line breaks inside it are text, a doubled quote is one quote, and text after
/// the closing quote is appended as written. A line ends at CR LF, LF or CR; line breaks inside
/// quoted fields are given as LF. A quoted field left open runs to the end of the file.
class CsvParser {
 public:
  /// The most characters a field keeps: a cell holds no more (the sheet store cuts a field
  /// of characters past U+FFFF further, as each counts twice there).
  static constexpr std::size_t kMaxFieldCharacters = model::kMaxCellCharacters;

  /// Receives one non-empty field (0-based row and column); return false to stop.
  using FieldSink =
      std::function<bool(std::uint32_t row, std::uint32_t column, std::string_view text)>;

  /// `maxRows` and `maxColumns` bound what is reported: the parse stops at row `maxRows` and
  /// fields from column `maxColumns` on are passed over.
  CsvParser(char separator, std::uint32_t maxRows, std::uint32_t maxColumns, FieldSink sink);

  /// Parses the next chunk of text; returns false once the parse has stopped (the sink said so,
  /// or `maxRows` rows were read), after which nothing more is read.
  bool feed(std::string_view text);
  /// Ends the text: a last line without a line end is completed.
  void finish();

 private:
  enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted };
  void append(char c);
  bool endField();
  bool endRecord();

  char separator_;
  std::uint32_t maxRows_;
  std::uint32_t maxColumns_;
  FieldSink sink_;
  State state_ = State::FieldStart;
  std::string field_;
  std::size_t fieldCharacters_ = 0;
  std::uint32_t row_ = 0;
  std::uint32_t column_ = 0;
  bool recordStarted_ = false;  // a character of the current line has been read
  bool skipLineFeed_ =
      false;  // the previous character was a CR; an LF right after it is part of it
  bool stopped_ = false;
};

}  // namespace lomandra::csv
