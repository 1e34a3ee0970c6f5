#pragma once

// The spreadsheet application driven through COM automation, late bound by member name: the
// operations Create, Attach, Name, Open, Add, Show, Pick range, Sheet and address, Resolve,
// Walk, Cell text, Write, Fit and Quit, in Win32/OLE terms (UTF-16 texts). Every failure
// throws ComFailure with the application's own description where it gives one.
//
// Destroying an object releases its reference and nothing else: an instance released without
// quit() stays running, as the availability probes and a failed open require.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "sheet/com/Dispatch.h"

namespace lomandra::com {

/// The class name of the spreadsheet application.
inline constexpr const wchar_t* kExcelClass = L"Excel.Application";

/// A value for Write: a number, or a text the application must keep exactly as it is.
using CellValue = std::variant<double, std::wstring>;

/// Walk and Cell text: the cells of a range through its enumerator, in the application's order.
class ComCellWalk {
 public:
  ComCellWalk(ComPtr<IEnumVARIANT> cells, Dispatch application);
  /// Moves to the next cell; false when every cell has been visited.
  bool next();
  /// The current cell's displayed text as it shows with its column wide enough.
  std::wstring text();

 private:
  ComPtr<IEnumVARIANT> cells_;
  Dispatch application_;
  std::optional<Dispatch> cell_;
  std::optional<Dispatch> functions_;  // WorksheetFunction, fetched once when first needed
};

/// A range of cells of an open workbook.
class ComRange {
 public:
  ComRange(Dispatch range, Dispatch application);
  /// Sheet: the name of the range's worksheet (`Worksheet`, `Name`).
  std::wstring sheetName();
  /// Address: `Address` without arguments, "$A$1:$B$4".
  std::wstring address();
  /// Walk: the range's enumerator (`_NewEnum`).
  ComCellWalk walk();
  IDispatch* dispatch() const { return range_.raw(); }

 private:
  Dispatch range_;
  Dispatch application_;
};

/// One instance of the spreadsheet application.
class ComApplication {
 public:
  explicit ComApplication(Dispatch application);
  /// Name: the default member read without arguments.
  std::wstring name();
  /// Open: `Workbooks`, `Open` with the path as typed as the sole argument.
  void open(std::wstring_view path);
  /// Add: `Workbooks`, `add`.
  void add();
  /// Show: `Visible` = true.
  void show();
  /// Pick range: `InputBox` with the named arguments Prompt and Type 8; nothing when the user
  /// cancels (the application then returns the Boolean False).
  std::optional<ComRange> pickRange(std::wstring_view prompt);
  /// Resolve: `Range` with a Range Reference; an apostrophe in its sheet name is doubled as
  /// the application wants it.
  ComRange resolve(std::wstring_view reference);
  /// Write: `ActiveSheet`, `Cells`(row, column), `Value`. A number is written as a number; a
  /// text is written so that the cell holds exactly that text (never a formula, a date or a
  /// number).
  void write(long row, long column, const CellValue& value);
  /// Fit: `ActiveSheet`, `Columns`, `AutoFit`.
  void fit();
  /// Quit: `Quit`.
  void quit();
  IDispatch* dispatch() const { return application_.raw(); }

 private:
  Dispatch application_;
};

/// Create: a new instance of the class (a local server), not shown.
ComApplication createApplication(const std::wstring& className = kExcelClass);
/// Attach: the instance of the class registered as running; fails when none runs.
ComApplication attachApplication(const std::wstring& className = kExcelClass);

/// A Range Reference as the application's `Range` wants it: the sheet name between the
/// apostrophes with each apostrophe doubled ('O'Brien'!$A$1 -> 'O''Brien'!$A$1). A name
/// already doubled stays as it is; a reference of another shape is passed on unchanged.
std::wstring applicationReference(std::wstring_view rangeReference);

/// The value written for a text that must stay literal: a leading apostrophe, which the
/// application takes as "this is text" and does not show.
std::wstring literalTextValue(std::wstring_view text);

/// Whether a displayed text is the application's sign of a column too narrow for the value:
/// a run of "#" characters.
bool isNarrowColumnText(std::wstring_view shown);

}  // namespace lomandra::com
