#include "sheet/xlsx/StylesPart.h"

#include <algorithm>

#include "sheet/container/XmlReader.h"
#include "sheet/xlsx/BuiltinFormats.h"
#include "sheet/xlsx/XlsxValues.h"

namespace lomandra::xlsx {

namespace {

using container::xmlAttribute;

constexpr std::size_t kMaxCellFormats = 1u << 20;
constexpr std::size_t kMaxFormatCodeBytes = 1024;

// "fill" and "justify" start at the left; spread and across-selection forms are centred.
model::HorizontalAlign horizontal(const char* value) {
  using model::HorizontalAlign;
  if (!value) return HorizontalAlign::General;
  const std::string_view v(value);
  if (v == "left" || v == "fill" || v == "justify") return HorizontalAlign::Left;
  if (v == "center" || v == "centerContinuous" || v == "distributed") return HorizontalAlign::Center;
  if (v == "right") return HorizontalAlign::Right;
  return HorizontalAlign::General;
}

std::optional<std::uint32_t> formatId(const char* text) {
  if (!text) return std::nullopt;
  const auto n = parseNumber(text);
  if (!n || *n < 0 || *n >= 4294967295.0) return std::nullopt;
  return static_cast<std::uint32_t>(*n);
}

}  // namespace

class StylesHandler : public container::XmlHandler {
 public:
  explicit StylesHandler(NumberFormats& out) : out_(out) {}

  void startElement(std::string_view name, const char** attributes) override {
    if (name == "numFmt") {
      const auto id = formatId(xmlAttribute(attributes, "numFmtId"));
      const char* code = xmlAttribute(attributes, "formatCode");
      if (!id || !code || out_.custom_.size() >= kMaxCellFormats) return;
      std::string text(code);
      truncateUtf8(text, kMaxFormatCodeBytes);
      out_.custom_[*id] = std::move(text);
    } else if (name == "cellXfs") {
      inCellFormats_ = true;
    } else if (name == "xf" && inCellFormats_) {
      if (out_.cellFormats_.size() >= kMaxCellFormats) return;
      out_.cellFormats_.push_back(formatId(xmlAttribute(attributes, "numFmtId")).value_or(0));
      out_.cellAligns_.push_back(model::HorizontalAlign::General);
    } else if (name == "alignment" && inCellFormats_ && !out_.cellAligns_.empty()) {
      out_.cellAligns_.back() = horizontal(xmlAttribute(attributes, "horizontal"));
    }
  }
  void endElement(std::string_view name) override {
    if (name == "cellXfs") inCellFormats_ = false;
  }
  void characters(std::string_view) override {}

 private:
  NumberFormats& out_;
  bool inCellFormats_ = false;
};

std::string NumberFormats::code(std::uint32_t format) const {
  if (format >= cellFormats_.size()) return "General";
  const std::uint32_t id = cellFormats_[format];
  const auto custom = custom_.find(id);
  if (custom != custom_.end()) return custom->second;
  return builtinFormat(static_cast<int>(std::min<std::uint32_t>(id, 100000)));
}

int NumberFormats::builtinId(std::uint32_t format) const {
  if (format >= cellFormats_.size()) return -1;
  const std::uint32_t id = cellFormats_[format];
  if (id > 163 || custom_.count(id) != 0) return -1;
  return static_cast<int>(id);
}

NumberFormats readStylesPart(const PartParser& parse) {
  NumberFormats formats;
  StylesHandler handler(formats);
  parse(handler);
  return formats;
}

}  // namespace lomandra::xlsx
