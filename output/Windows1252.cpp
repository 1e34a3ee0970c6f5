// The encoding of the text file export: on Windows the system's ANSI code page, with "?" for
// every character it cannot hold; elsewhere the locale's encoding, UTF-8. Windows-1252 with "?"
// for what it cannot hold is here too: the bytes the ANSI code page 1252 must give.

#include <QtGlobal>

#include <array>

#include "output/Main.h"
#include "sheet/Failure.h"
#include "sheet/model/TextEncoding.h"

#ifdef Q_OS_WIN
#include <stdexcept>

#include "app/win32/Win32Services.h"
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
  try {
    const std::string bytes = win32::encodeCodePage(
        std::wstring_view(reinterpret_cast<const wchar_t*>(text.utf16()), static_cast<std::size_t>(text.size())),
        win32::ansiCodePage());
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
  } catch (const std::runtime_error&) {
    throw Failure("The text cannot be converted to the system code page.");
  }
}

QByteArray encodeTextFile(QStringView text) { return encodeAnsi(text); }

#else

// Linux and the like have no ANSI code page: text files are in the locale's encoding, and Qt
// takes that to be UTF-8. QString::toUtf8 writes a lone surrogate as "?".
QByteArray encodeTextFile(QStringView text) { return text.toUtf8(); }

#endif

}  // namespace lomandra::output
