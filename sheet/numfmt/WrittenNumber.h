#pragma once

#include <QStringView>

#include <optional>

namespace lomandra::numfmt {

/// The number a written text stands for: the value whose General rendering reads as the very
/// same text ("123", "-4.5"); nothing for every other text ("00123", "1/2", "1.50", "1E5",
/// "12%", "=A1"), which must be written as literal text.
std::optional<double> numberWrittenAs(QStringView text);

}  // namespace lomandra::numfmt
