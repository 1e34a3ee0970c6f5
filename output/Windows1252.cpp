// The encoding of the text file export: on Windows the system's ANSI code page, with "?" for
// every character it cannot hold; elsewhere the locale's encoding, UTF-8. Windows-1252 with "?"
// for what it cannot hold is here too: the bytes the ANSI code page 1252 must give.

#include <QtGlobal>

#include <array>

#include "output/Main.h"
#include "sheet/Failure.h"
#include "sheet/model/TextEncoding.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace lomandra::output {

namespace {

constexpr char kReplacement = '?';

// Windows-1252 keeps the five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) as the C1
// controls of the same value, so those round-trip too; the other C1 controls have no byte.
char windows1252Byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < model::kWindows1252High.size(); ++i)
    if (model::kWindows1252High[i] == c) return static_cast<char>(0x80 + i);
  return kReplacement;
}

}  // namespace

QByteArray encodeWindows1252(QStringView text) {
  QByteArray bytes(text.size(), Qt::Uninitialized);
  char* out = bytes.data();
  const char16_t* in = text.utf16();
  const qsizetype size = text.size();
  qsizetype written = 0;
  for (qsizetype i = 0; i < size; ++i) {
    const char16_t c = in[i];
    if (c < 0x80) {
      out[written++] = static_cast<char>(c);
    } else if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(in[i + 1])) {
      out[written++] = kReplacement;  // one character outside the code page, two code units
      ++i;
    } else {
      out[written++] = windows1252Byte(c);
    }
  }
  bytes.truncate(written);
  return bytes;
}

#ifdef Q_OS_WIN

QByteArray encodeAnsi(QStringView text) {
  const UINT codePage = GetACP();
  if (codePage == CP_UTF8) return text.toUtf8();  // the "use UTF-8" option of newer Windows
  QByteArray bytes;
  // WideCharToMultiByte counts in int: convert in slices that never split a surrogate pair.
  constexpr qsizetype kSlice = qsizetype{1} << 24;
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype length = qMin(kSlice, text.size() - start);
    if (start + length < text.size() && QChar::isHighSurrogate(text.at(start + length - 1).unicode()))
      --length;
    const auto* wide = reinterpret_cast<LPCWCH>(text.utf16() + start);
    const int wideLength = static_cast<int>(length);
    // No best fit: a character the code page cannot hold becomes the default "?" rather than
    // a look-alike letter.
    const int needed = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, wideLength,
                                           nullptr, 0, "?", nullptr);
    if (needed <= 0) throw Failure("The text cannot be converted to the system code page.");
    const qsizetype at = bytes.size();
    bytes.resize(at + needed);
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, wideLength, bytes.data() + at,
                        needed, "?", nullptr);
    start += length;
  }
  return bytes;
}

QByteArray encodeTextFile(QStringView text) { return encodeAnsi(text); }

#else

// Linux and the like have no ANSI code page: text files are in the locale's encoding, and Qt
// takes that to be UTF-8. QString::toUtf8 writes a lone surrogate as "?".
QByteArray encodeTextFile(QStringView text) { return text.toUtf8(); }

#endif

}  // namespace lomandra::output
