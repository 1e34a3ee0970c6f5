#pragma once

// How a cell's displayed text fits its column, as a spreadsheet application draws it: a number
// that is too wide is shortened (General) or shown as a run of "#"; a text flows over empty
// neighbouring cells and stops at the first that holds something. Pure functions of the text,
// the value, the width in pixels and a way to measure text, so they are tested against widths.

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::window {

/// Measures a text's width in pixels in the font the cell is drawn with.
using TextMeasure = std::function<int(const QString&)>;

/// Pixels kept free inside a cell: on the left and on the right of its text.
inline constexpr int kCellPadding = 2;

/// What a cell's value does when its text is wider than the cell.
enum class FitKind {
  Text,           ///< flows over empty neighbours, else is cut
  Number,         ///< a number, date or time in a set format: a run of "#"
  GeneralNumber,  ///< a General number: fewer decimals, then scientific, then "#"
  Clipped,        ///< booleans and errors: cut at the cell's edges
};

/// The fit kind of a cell as the sheet describes it; untyped sheets give their texts as texts,
/// except where `standsRight` says the text is a number's (a sheet that only keeps texts).
FitKind fitKindOf(const engine::CellLook& look, bool standsRight);

/// The alignment the cell is drawn with: the stored one, else by the value's type (numbers and
/// dates right, texts left, booleans and errors centred).
Qt::Alignment alignmentOf(const engine::CellLook& look);

/// The text drawn in a cell `width` pixels wide (padding included). Texts and clipped kinds come
/// back as they are; numbers that do not fit come back shortened or as "#" filling the cell.
/// `number` is the value of a GeneralNumber.
QString fitText(const QString& shown, FitKind kind, double number, int width,
                const TextMeasure& measure);

/// The General form of `value` shortened to fit `width` pixels: fewer decimals first, then the
/// scientific form with fewer digits; nothing when not even "1E+10" fits.
std::optional<QString> shortenGeneral(double value, int width, const TextMeasure& measure);

/// One column of a row as overflow sees it: its width in pixels and whether it holds something
/// (a value, or part of a merged area) that stops a neighbour's text.
struct RowSlot {
  int width = 0;
  bool blocked = false;
};

/// The rowSlots [first, last] a text `textWidth` pixels wide, standing in slot `at` with alignment
/// `align`, is drawn across: to the right for left-aligned text, to the left for right-aligned,
/// both ways for centred, over empty rowSlots only.
struct SlotSpan {
  int first = 0, last = 0;
  bool operator==(const SlotSpan&) const = default;
};
SlotSpan overflowSpan(const std::vector<RowSlot>& rowSlots, int at, int textWidth,
                      Qt::Alignment align);

}  // namespace lomandra::window
