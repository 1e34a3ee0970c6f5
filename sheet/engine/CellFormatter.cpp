#include "sheet/engine/CellFormatter.h"

#include <cmath>
#include <cstdio>

#ifdef LOMANDRA_HAVE_NUMFMT
#include "sheet/numfmt/NumberFormat.h"
#endif

namespace lomandra::engine {

namespace {

// Cell format indexes past this share one uncached entry (a hostile file may name any index).
constexpr std::uint32_t kMaxCachedFormats = 1u << 16;

bool isGeneral(const std::string& code) {
  if (code.size() != 7) return code.empty();
  static constexpr char kGeneral[] = "general";
  for (std::size_t i = 0; i < 7; ++i)
    if ((code[i] | 0x20) != kGeneral[i]) return false;
  return true;
}

#ifndef LOMANDRA_HAVE_NUMFMT
// Plain General rendering while the number-format engine is not part of the build: at most 11
// characters, switching to scientific form where the number does not fit.
std::string plainGeneral(double value) {
  if (value == 0) return "0";
  char buffer[64];
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e-9 && magnitude < 1e11) {
    for (int precision = 10; precision >= 1; --precision) {
      std::snprintf(buffer, sizeof buffer, "%.*f", precision, value);
      std::string text(buffer);
      if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
      }
      const std::size_t digits = text.size() - (value < 0 ? 1 : 0);
      if (digits <= 11) return text == "-0" ? "0" : text;
    }
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
    if (std::string(buffer).size() - (value < 0 ? 1 : 0) <= 11) return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%.5E", value);
  std::string text(buffer);
  const std::size_t e = text.find('E');
  std::string mantissa = text.substr(0, e);
  while (mantissa.back() == '0') mantissa.pop_back();
  if (mantissa.back() == '.') mantissa.pop_back();
  std::string exponent = text.substr(e + 1);  // "+05", "-123"
  const char sign = exponent[0];
  exponent.erase(0, 1);
  while (exponent.size() > 2 && exponent[0] == '0') exponent.erase(0, 1);
  return mantissa + "E" + sign + exponent;
}
#endif

}  // namespace

#ifdef LOMANDRA_HAVE_NUMFMT
struct CellFormatter::Compiled {
  bool general = true;
  decltype(numfmt::NumberFormat::compile(std::string())) format{};
};
#else
struct CellFormatter::Compiled {
  bool general = true;
};
#endif

std::string formatGeneralNumber(double value) {
#ifdef LOMANDRA_HAVE_NUMFMT
  return std::string(numfmt::formatGeneral(value));
#else
  return plainGeneral(value);
#endif
}

CellFormatter::CellFormatter(const model::WorkbookFile& file)
    : file_(file), date1904_(file.date1904()), general_(std::make_unique<Compiled>()) {}

CellFormatter::~CellFormatter() = default;

const CellFormatter::Compiled& CellFormatter::compiled(std::uint32_t format) const {
  if (format >= kMaxCachedFormats) return *general_;
  if (cache_.size() <= format) cache_.resize(format + 1);
  auto& slot = cache_[format];
  if (!slot) {
    slot = std::make_unique<Compiled>();
    const std::string code = file_.formatCode(format);
    slot->general = isGeneral(code);
#ifdef LOMANDRA_HAVE_NUMFMT
    if (!slot->general) {
      try {
        slot->format = numfmt::NumberFormat::compile(code);
      } catch (const std::exception&) {
        slot->format = {};  // a code the engine cannot read is shown as General
      }
      if (!slot->format) slot->general = true;
    }
#endif
  }
  return *slot;
}

void CellFormatter::format(model::CellKind kind, double number, std::string_view text,
                           std::uint32_t format, std::string& out) const {
  switch (kind) {
    case model::CellKind::Empty:
      out.clear();
      return;
    case model::CellKind::Boolean:
      out = number != 0 ? "TRUE" : "FALSE";
      return;
    case model::CellKind::Error:
      out.assign(text);
      return;
    case model::CellKind::Text: {
      const Compiled& c = compiled(format);
#ifdef LOMANDRA_HAVE_NUMFMT
      if (!c.general) {
        out = c.format->formatText(std::string(text));
        return;
      }
#else
      (void)c;
#endif
      out.assign(text);
      return;
    }
    case model::CellKind::Number: {
      const Compiled& c = compiled(format);
#ifdef LOMANDRA_HAVE_NUMFMT
      if (!c.general) {
        out = c.format->formatNumber(number, date1904_);
        return;
      }
#else
      (void)c;
#endif
      out = formatGeneralNumber(number);
      return;
    }
  }
}

}  // namespace lomandra::engine
