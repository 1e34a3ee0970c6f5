#include "sheet/xls/BiffText.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include "sheet/model/TextEncoding.h"

namespace lomandra::xls {
namespace {

void appendCodePoint(std::string& out, std::uint32_t c) { model::appendUtf8(out, c); }

std::string decodeCp1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    appendCodePoint(out, model::windows1252Char(b));
  }
  return out;
}

// The decoder name of a Windows code page number, or nullptr for Windows-1252 and unknowns.
const char* codePageName(std::uint16_t codePage) {
  switch (codePage) {
    case 437:
      return "IBM437";
    case 720:
      return "windows-720";
    case 737:
      return "IBM737";
    case 775:
      return "IBM775";
    case 850:
      return "IBM850";
    case 852:
      return "IBM852";
    case 855:
      return "IBM855";
    case 857:
      return "IBM857";
    case 858:
      return "IBM00858";
    case 860:
      return "IBM860";
    case 861:
      return "IBM861";
    case 862:
      return "IBM862";
    case 863:
      return "IBM863";
    case 864:
      return "IBM864";
    case 865:
      return "IBM865";
    case 866:
      return "IBM866";
    case 869:
      return "IBM869";
    case 874:
      return "windows-874";
    case 932:
      return "Shift_JIS";
    case 936:
      return "GBK";
    case 949:
      return "windows-949";
    case 950:
      return "Big5";
    case 1250:
      return "windows-1250";
    case 1251:
      return "windows-1251";
    case 1253:
      return "windows-1253";
    case 1254:
      return "windows-1254";
    case 1255:
      return "windows-1255";
    case 1256:
      return "windows-1256";
    case 1257:
      return "windows-1257";
    case 1258:
      return "windows-1258";
    case 1361:
      return "x-Johab";
    case 10000:
    case 32768:
      return "macintosh";
    default:
      return nullptr;
  }
}

}  // namespace

void appendUtf16Le(std::string& out, std::string_view bytes) {
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8;
  };
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    appendCodePoint(out, c);
  }
}

void appendLatin1(std::string& out, std::string_view bytes) {
  for (const char ch : bytes) appendCodePoint(out, static_cast<unsigned char>(ch));
}

std::string decodeCodePage(std::string_view bytes, std::uint16_t codePage) {
  bool ascii = true;
  for (const char ch : bytes) ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
  if (ascii) return std::string(bytes);
  if (codePage == 1200) {  // a BIFF8 writer that says UTF-16 but wrote 8-bit text
    std::string out;
    appendLatin1(out, bytes);
    return out;
  }
  const char* name = codePageName(codePage);
  if (name) {
    QStringDecoder decoder(name);
    if (decoder.isValid()) {
      const QString text =
          decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
      if (!decoder.hasError()) return text.toStdString();
    }
  }
  return decodeCp1252(bytes);
}

}  // namespace lomandra::xls
