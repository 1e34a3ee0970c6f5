// Compiling a code and choosing the section for a value: one section serves all numbers (the
// minus sign added for negatives); two split positives from negatives (the second shows no
// minus sign); a third takes zero; a fourth takes text. Conditions ([>100], [<=-5]) replace the
// sign split; the rules for their minus signs follow the application.

#include "sheet/numfmt/NumberFormat.h"

#include <cmath>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_map>

#include "sheet/numfmt/FormatSection.h"

namespace lomandra::numfmt {

namespace {

Section generalSection() {
  Section s;
  s.kind = SectionKind::Number;
  s.hasGeneral = true;
  Part p;
  p.kind = PartKind::General;
  s.parts.push_back(p);
  return s;
}

/// Whether a conditional section shows a minus sign for negative numbers: not when its own
/// condition already selects only negatives ([<0], [<=-1], [=-5]).
bool conditionShowsMinus(const Section& s) {
  const double v = s.operand;
  switch (s.comparison) {
    case Comparison::Less: return !(v <= 0);
    case Comparison::LessEqual:
    case Comparison::Equal: return !(v < 0);
    default: return true;
  }
}

void appendHashes(std::string& out) { out.append(kInvalidDateHashCount, '#'); }

void capLength(std::string& out) {
  if (out.size() <= kMaxDisplayedLength) return;
  std::size_t n = kMaxDisplayedLength;
  while (n > 0 && (static_cast<unsigned char>(out[n]) & 0xC0) == 0x80) --n;  // keep UTF-8 whole
  out.resize(n);
}

}  // namespace

NumberFormat::NumberFormat() = default;
NumberFormat::~NumberFormat() = default;

std::shared_ptr<const NumberFormat> NumberFormat::compile(std::string_view code) {
  std::shared_ptr<NumberFormat> f(new NumberFormat());
  ParsedCode parsed = parseFormatCode(code);
  std::vector<Section>& all = parsed.sections;
  // A fourth section is for text only (General there stands for the text); a number or a date
  // there is refused.
  if (!parsed.refused && all.size() == 4) {
    Section& text = all[3];
    if (text.kind == SectionKind::Number && text.integerDigits + text.fractionDigits == 0) {
      for (Part& p : text.parts) {
        if (p.kind == PartKind::General) p.kind = PartKind::TextValue;
      }
      text.kind = SectionKind::Text;
    } else if (text.kind != SectionKind::Text && text.kind != SectionKind::Empty) {
      parsed.refused = true;
    }
  }
  if (parsed.refused || all.empty() || code.empty()) {
    f->fallback_ = parsed.refused;
    f->sections_.push_back(generalSection());
    f->sections_.back().autoMinus = true;
    return f;
  }
  bool conditional = false;
  for (std::size_t i = 0; i < all.size() && i < 3; ++i) conditional = conditional || all[i].comparison != Comparison::None;
  f->conditional_ = conditional;

  std::size_t textIndex = all.size();
  if (all.size() == 4) {
    textIndex = 3;
  } else if (!conditional) {
    for (std::size_t i = all.size(); i-- > 0;) {
      if (all[i].kind == SectionKind::Text) {
        textIndex = i;
        break;
      }
    }
  }
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (i == textIndex) continue;
    if (f->sections_.size() < 3) f->sections_.push_back(std::move(all[i]));
  }
  // The text section goes last.
  if (textIndex < all.size()) {
    Section text = std::move(all[textIndex]);
    if (text.kind != SectionKind::Text) {
      // Literals only: the text shows as those literals.
      for (Part& p : text.parts) {
        if (p.kind != PartKind::Literal) p.kind = PartKind::Literal;
      }
      text.kind = SectionKind::Text;
    }
    f->sections_.push_back(std::move(text));
    f->hasTextSection_ = true;
  }
  auto& sections = f->sections_;
  const std::size_t numeric = sections.size() - (f->hasTextSection_ ? 1 : 0);
  if (numeric == 0) {
    sections.insert(sections.begin(), generalSection());
    sections.front().autoMinus = true;
    return f;
  }
  if (!conditional) {
    sections[0].autoMinus = numeric == 1;
    return f;
  }
  if (sections[0].comparison == Comparison::None) {
    sections[0].comparison = Comparison::Greater;
    sections[0].operand = 0.0;
  }
  std::size_t count = numeric;
  if (count == 1) {
    sections.insert(sections.begin() + 1, generalSection());
    count = 2;
  }
  if (count == 2) {
    sections[0].autoMinus = conditionShowsMinus(sections[0]);
    if (sections[1].comparison != Comparison::None) {
      sections[1].autoMinus = conditionShowsMinus(sections[1]);
    } else {
      // The second section takes what the first leaves; it shows the minus sign only when the
      // first took no negatives at all.
      const Comparison c = sections[0].comparison;
      sections[1].autoMinus = c == Comparison::Equal ||
                              (sections[0].operand >= 0 && (c == Comparison::Greater || c == Comparison::GreaterEqual));
    }
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      sections[i].autoMinus = sections[i].comparison == Comparison::None || conditionShowsMinus(sections[i]);
    }
  }
  return f;
}

const Section* NumberFormat::chooseSection(double value, bool& showMinus) const {
  const std::size_t numeric = sections_.size() - (hasTextSection_ ? 1 : 0);
  if (!conditional_) {
    const Section* s = &sections_[0];
    if (value < 0 && numeric >= 2) s = &sections_[1];
    else if (value == 0 && numeric >= 3) s = &sections_[2];
    showMinus = s->autoMinus && value < 0;
    return s;
  }
  for (std::size_t i = 0; i < numeric && i < 3; ++i) {
    if (sections_[i].matches(value)) {
      showMinus = sections_[i].autoMinus && value < 0;
      return &sections_[i];
    }
  }
  return nullptr;
}

std::string NumberFormat::formatNumber(double value, bool date1904, const Locale& locale) const {
  std::string out;
  if (!std::isfinite(value)) return "#NUM!";
  bool showMinus = false;
  const Section* s = chooseSection(value, showMinus);
  if (s == nullptr) {
    appendHashes(out);  // no section takes the value
    return out;
  }
  switch (s->kind) {
    case SectionKind::DateTime:
      if (s->system != SystemFormat::None && !locale.isEnUS()) {
        // [$-F800] and [$-F400] show the locale's own long date and time.
        const NumberFormat& system = s->system == SystemFormat::LongDate ? locale.longDateFormat() : locale.timeFormat();
        return system.formatNumber(value, date1904, locale);
      }
      if (!renderDateTime(*s, value, date1904, locale, out)) {
        out.clear();
        appendHashes(out);
      }
      break;
    case SectionKind::Text:
      renderText(*s, formatGeneral(value, locale), out);
      break;
    case SectionKind::Empty:
      break;
    default:
      renderNumber(*s, value, showMinus, locale, out);
      break;
  }
  capLength(out);
  return out;
}

std::string NumberFormat::formatText(std::string_view text) const {
  if (!hasTextSection_) return std::string(text);
  std::string out;
  renderText(sections_.back(), text, out);
  if (out.size() > kMaxDisplayedLength + text.size()) out.resize(kMaxDisplayedLength + text.size());
  return out;
}

bool NumberFormat::isDateTime() const { return !sections_.empty() && sections_[0].kind == SectionKind::DateTime; }

std::string_view builtinFormatCode(int id) {
  switch (id) {
    case 0: return "General";
    case 1: return "0";
    case 2: return "0.00";
    case 3: return "#,##0";
    case 4: return "#,##0.00";
    case 5: return "\"$\"#,##0_);\\(\"$\"#,##0\\)";
    case 6: return "\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)";
    case 7: return "\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)";
    case 8: return "\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)";
    case 9: return "0%";
    case 10: return "0.00%";
    case 11: return "0.00E+00";
    case 12: return "# ?/?";
    case 13: return "# ?\?/?\?";
    // 14 and 22 follow the system's short date, which Windows en-US writes with a four-digit
    // year (a Mac installation writes two).
    case 14: return "m/d/yyyy";
    case 15: return "d-mmm-yy";
    case 16: return "d-mmm";
    case 17: return "mmm-yy";
    case 18: return "h:mm AM/PM";
    case 19: return "h:mm:ss AM/PM";
    case 20: return "h:mm";
    case 21: return "h:mm:ss";
    case 22: return "m/d/yyyy h:mm";
    case 37: return "#,##0_);(#,##0)";
    case 38: return "#,##0_);[Red](#,##0)";
    case 39: return "#,##0.00_);(#,##0.00)";
    case 40: return "#,##0.00_);[Red](#,##0.00)";
    case 41: return "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)";
    case 42: return "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)";
    case 43: return "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)";
    case 44: return "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)";
    case 45: return "mm:ss";
    case 46: return "[h]:mm:ss";
    case 47: return "mm:ss.0";
    case 48: return "##0.0E+0";
    case 49: return "@";
    // Ids of East Asian installations, shown by an en-US installation as these.
    case 23: case 24: case 25: case 26: return "General";
    case 27: case 28: case 29: case 30: case 31: case 36:
    case 50: case 51: case 52: case 53: case 54: case 55: case 56: case 57: case 58:
    case 71: case 72: return "m/d/yyyy";
    case 32: case 33: case 34: case 35: return "h:mm:ss";
    case 59: return "0";
    case 60: return "0.00";
    case 61: return "#,##0";
    case 62: return "#,##0.00";
    case 67: return "0%";
    case 68: return "0.00%";
    case 69: return "# ?/?";
    case 70: return "# ?\?/?\?";
    case 73: return "d-mmm-yy";
    case 74: return "d-mmm";
    case 75: return "mmm-yy";
    case 76: return "h:mm";
    case 77: return "h:mm:ss";
    case 78: return "m/d/yyyy h:mm";
    case 79: return "mm:ss";
    case 80: return "[h]:mm:ss";
    case 81: return "mm:ss.0";
    default: return {};
  }
}

namespace {

struct CodeHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

/// Compiled codes by their text; cleared when it grows past a bound so no workbook can make it
/// hold an unbounded number of codes.
class FormatCache {
 public:
  std::shared_ptr<const NumberFormat> get(std::string_view code) {
    {
      std::shared_lock lock(mutex_);
      const auto it = map_.find(code);
      if (it != map_.end()) return it->second;
    }
    auto compiled = NumberFormat::compile(code);
    std::unique_lock lock(mutex_);
    if (map_.size() >= kMaxEntries) map_.clear();
    map_.emplace(std::string(code), compiled);
    return compiled;
  }

 private:
  static constexpr std::size_t kMaxEntries = 4096;
  std::shared_mutex mutex_;
  std::unordered_map<std::string, std::shared_ptr<const NumberFormat>, CodeHash, std::equal_to<>> map_;
};

FormatCache& cache() {
  static FormatCache instance;
  return instance;
}

}  // namespace

std::string formatValue(double value, std::string_view code, bool date1904, const Locale& locale) {
  return cache().get(code)->formatNumber(value, date1904, locale);
}

}  // namespace lomandra::numfmt
