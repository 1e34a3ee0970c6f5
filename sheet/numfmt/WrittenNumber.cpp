#include "sheet/numfmt/WrittenNumber.h"

#include <charconv>
#include <cmath>
#include <string>

#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::numfmt {

std::optional<double> numberWrittenAs(QStringView text) {
  // A General rendering is at most a few dozen ASCII characters.
  if (text.isEmpty() || text.size() > 64) return std::nullopt;
  std::string ascii;
  for (const QChar c : text) {
    if (c.unicode() > 0x7F) return std::nullopt;
    ascii += static_cast<char>(c.unicode());
  }
  double value = 0;
  // from_chars reads the C locale's notation whatever the process locale says.
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value)) return std::nullopt;
  if (formatGeneral(value) != ascii) return std::nullopt;
  return value;
}

}  // namespace lomandra::numfmt
