#include "sheet/window/CellFit.h"

#include <cmath>
#include <cstdio>

#include "sheet/engine/CellFormatter.h"
#include "sheet/numfmt/Locale.h"

namespace lomandra::window {

namespace {

bool fits(const QString& text, int width, const TextMeasure& measure) {
  return measure(text) <= width - 2 * kCellPadding;
}

// Drops the zeros a fixed or scientific form ends its digits with, and a bare decimal point.
QString stripZeros(QString text) {
  const qsizetype exponent = text.indexOf(u'E');
  QString mantissa = exponent < 0 ? text : text.left(exponent);
  const QString tail = exponent < 0 ? QString() : text.mid(exponent);
  if (mantissa.contains(u'.')) {
    while (mantissa.endsWith(u'0')) mantissa.chop(1);
    if (mantissa.endsWith(u'.')) mantissa.chop(1);
  }
  if (mantissa == u"-0") mantissa = QStringLiteral("0");
  return mantissa + tail;
}

QString printed(const char* format, int digits, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, digits, value);
  return QString::fromLatin1(buffer);
}

bool readsZero(const QString& text) {
  for (QChar c : text)
    if (c.isDigit() && c != u'0') return false;
  return true;
}

}  // namespace

FitKind fitKindOf(const engine::CellLook& look, bool standsRight) {
  if (!look.typed) return standsRight ? FitKind::Number : FitKind::Text;
  switch (look.kind) {
    case model::CellKind::Number:
      return look.generalNumber ? FitKind::GeneralNumber : FitKind::Number;
    case model::CellKind::Text:
      return look.numericText ? FitKind::Number : FitKind::Text;
    case model::CellKind::Boolean:
    case model::CellKind::Error:
      return FitKind::Clipped;
    case model::CellKind::Empty:
      break;
  }
  return FitKind::Text;
}

Qt::Alignment alignmentOf(const engine::CellLook& look) {
  switch (look.align) {
    case model::HorizontalAlign::Left: return Qt::AlignLeft | Qt::AlignVCenter;
    case model::HorizontalAlign::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case model::HorizontalAlign::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case model::HorizontalAlign::General: break;
  }
  switch (look.kind) {
    case model::CellKind::Number:
      return Qt::AlignRight | Qt::AlignVCenter;
    case model::CellKind::Boolean:
    case model::CellKind::Error:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case model::CellKind::Text:
      return (look.numericText ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    case model::CellKind::Empty:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

std::optional<QString> shortenGeneral(double value, int width, const TextMeasure& measure) {
  if (!std::isfinite(value)) return std::nullopt;
  const QString shown = QString::fromStdString(engine::formatGeneralNumber(value));
  if (fits(shown, width, measure)) return shown;
  // The shorter forms carry the rendering locale's decimal separator, as General does.
  const QString decimal = QString::fromStdString(numfmt::Locale::display()->decimal());
  const auto localized = [&decimal](QString text) { return decimal == u"." ? text : text.replace(u'.', decimal); };
  // Fewer decimals, as long as a digit other than zero is left to show.
  if (!shown.contains(u'E')) {
    const qsizetype point = shown.indexOf(decimal);
    const int decimals = point < 0 ? 0 : static_cast<int>(shown.size() - point - decimal.size());
    for (int d = decimals - 1; d >= 0; --d) {
      const QString candidate = localized(stripZeros(printed("%.*f", d, value)));
      if (value != 0 && readsZero(candidate)) break;
      if (fits(candidate, width, measure)) return candidate;
    }
  }
  // Then the scientific form, down to one digit: "1.23457E+11" ... "1E+11".
  for (int digits = 5; digits >= 0; --digits) {
    const QString candidate = localized(stripZeros(printed("%.*E", digits, value)));
    if (fits(candidate, width, measure)) return candidate;
  }
  return std::nullopt;
}

QString fitText(const QString& shown, FitKind kind, double number, int width,
                const TextMeasure& measure) {
  if (kind == FitKind::Text || kind == FitKind::Clipped || shown.isEmpty()) return shown;
  if (fits(shown, width, measure)) return shown;
  if (kind == FitKind::GeneralNumber) {
    if (auto shorter = shortenGeneral(number, width, measure)) return *shorter;
  }
  const int hash = std::max(1, measure(QStringLiteral("#")));
  const int count = std::max(0, (width - 2 * kCellPadding) / hash);
  return QString(count, u'#');
}

SlotSpan overflowSpan(const std::vector<RowSlot>& rowSlots, int at, int textWidth,
                      Qt::Alignment align) {
  SlotSpan span{at, at};
  if (at < 0 || at >= static_cast<int>(rowSlots.size())) return span;
  const int needed = textWidth + 2 * kCellPadding;
  const int own = rowSlots[static_cast<std::size_t>(at)].width;
  if (needed <= own) return span;
  auto free = [&](int i) {
    return i >= 0 && i < static_cast<int>(rowSlots.size()) && !rowSlots[static_cast<std::size_t>(i)].blocked;
  };
  auto widthOf = [&](int i) { return rowSlots[static_cast<std::size_t>(i)].width; };
  int leftNeed = 0, rightNeed = 0;
  if (align & Qt::AlignRight) {
    leftNeed = needed - own;
  } else if (align & Qt::AlignHCenter) {
    leftNeed = (needed - own + 1) / 2;
    rightNeed = (needed - own) / 2;
  } else {
    rightNeed = needed - own;
  }
  for (int got = 0; got < rightNeed && free(span.last + 1);) got += widthOf(++span.last);
  for (int got = 0; got < leftNeed && free(span.first - 1);) got += widthOf(--span.first);
  return span;
}

}  // namespace lomandra::window
