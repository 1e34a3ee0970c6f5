#include "sheet/engine/CellFormatter.h"

#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::engine {

namespace {

// Cell format indexes past this share one uncached entry (a hostile file may name any index).
constexpr std::uint32_t kMaxCachedFormats = 1u << 16;

bool isGeneralCode(const std::string& code) {
  if (code.size() != 7) return code.empty();
  static constexpr char kGeneral[] = "general";
  for (std::size_t i = 0; i < 7; ++i)
    if ((code[i] | 0x20) != kGeneral[i]) return false;
  return true;
}

}  // namespace

struct CellFormatter::Compiled {
  bool general = true;  // General: numbers through the fast path, text as it stands
  std::shared_ptr<const numfmt::NumberFormat> format;
};

std::string formatGeneralNumber(double value) { return numfmt::formatGeneral(value, *numfmt::Locale::display()); }

CellFormatter::CellFormatter(const model::WorkbookFile& file, std::shared_ptr<const numfmt::Locale> locale)
    : file_(file),
      locale_(locale ? std::move(locale) : numfmt::Locale::display()),
      date1904_(file.date1904()),
      general_(std::make_unique<Compiled>()) {}

std::string CellFormatter::codeOf(std::uint32_t format) const {
  // A built-in id the file gives no code of its own shows the locale's code for it.
  if (!locale_->isEnUS()) {
    const int id = file_.builtinFormatId(format);
    if (id >= 0 && numfmt::isLocaleBoundBuiltin(id)) return numfmt::builtinFormatCode(id, *locale_);
  }
  return file_.formatCode(format);
}

CellFormatter::~CellFormatter() = default;

const CellFormatter::Compiled& CellFormatter::compiled(std::uint32_t format) const {
  if (format >= kMaxCachedFormats) {
    // Not cached: compiled afresh each time (the number-format engine keeps its own cache).
    uncached_ = std::make_unique<Compiled>();
    const std::string code = codeOf(format);
    uncached_->general = isGeneralCode(code);
    if (!uncached_->general) uncached_->format = numfmt::NumberFormat::compile(code);
    return *uncached_;
  }
  if (cache_.size() <= format) cache_.resize(format + 1);
  auto& slot = cache_[format];
  if (!slot) {
    slot = std::make_unique<Compiled>();
    const std::string code = codeOf(format);
    slot->general = isGeneralCode(code);
    if (!slot->general) {
      slot->format = numfmt::NumberFormat::compile(code);
      if (!slot->format) slot->general = true;
    }
  }
  return *slot;
}

bool CellFormatter::isGeneral(std::uint32_t format) const { return compiled(format).general; }

bool CellFormatter::prepare(std::uint32_t format) const {
  if (format >= kMaxCachedFormats) return false;
  compiled(format);
  return true;
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
      if (c.general)
        out.assign(text);
      else
        out = c.format->formatText(text);
      return;
    }
    case model::CellKind::Number: {
      const Compiled& c = compiled(format);
      out = c.general ? numfmt::formatGeneral(number, *locale_) : c.format->formatNumber(number, date1904_, *locale_);
      return;
    }
  }
}

std::uint32_t CellFormatter::color(model::CellKind kind, double number, std::uint32_t format) const {
  if (kind != model::CellKind::Number && kind != model::CellKind::Text) return numfmt::kNoColor;
  const Compiled& c = compiled(format);
  if (c.general) return numfmt::kNoColor;
  return kind == model::CellKind::Number ? c.format->numberColor(number) : c.format->textColor();
}

}  // namespace lomandra::engine
