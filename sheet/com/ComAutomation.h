#pragma once

// The spreadsheet application driven through COM automation, late bound by member name: the
// operations Create, Attach, Name, Open, Add, Show, Pick range, Sheet and address, Resolve,
// Walk, Cell text, Write, Fit and Quit, in Win32/OLE terms (UTF-16 texts). Every failure
// throws ComFailure with the application's own description where it gives one.
//
// Destroying an object releases its reference and nothing else: an instance released without
// quit() stays running, as the availability probes and a failed open require.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "sheet/com/CellAreas.h"
#include "sheet/com/Dispatch.h"

namespace lomandra::com {

/// The class name of the spreadsheet application.
inline constexpr const wchar_t* kExcelClass = L"Excel.Application";

/// A value for Write: a number, or a text the application must keep exactly as it is.
using CellValue = std::variant<double, std::wstring>;

/// The separators the application shows numbers with: its own when it is told not to use the
/// system's (`UseSystemSeparators`), else the user's regional settings.
struct NumberSeparators {
  std::wstring decimal = L".";
  std::wstring thousands = L",";
};

/// What every object of one instance shares: the application itself, the objects and settings
/// fetched once when first needed.
class Session;

/// Walk and Cell text: the cells of a range in the application's order (areas in turn, each
/// row by row), each cell's text as it shows with its column wide enough.
class ComCellWalk {
 public:
  virtual ~ComCellWalk() = default;
  /// Moves to the next cell; false when every cell has been visited.
  virtual bool next() = 0;
  /// The current cell's displayed text as it shows with its column wide enough.
  virtual std::wstring text() = 0;
};

/// A range of cells of an open workbook: one range object, or for a reference too long for the
/// application's `Range`, one per group of its areas (all on one worksheet).
class ComRange {
 public:
  ComRange(std::vector<Dispatch> parts, std::shared_ptr<Session> session);
  /// Sheet: the name of the range's worksheet (`Worksheet`, `Name`).
  std::wstring sheetName();
  /// Address: `Address` without arguments, "$A$1:$B$4", areas joined by commas.
  std::wstring address();
  /// Walk: the cells in the application's order. The area's part outside the sheet's used
  /// range is empty without asking; inside it one `Value2` per block tells which cells are
  /// empty, and only the others are asked for their `Text`.
  std::unique_ptr<ComCellWalk> walk();
  /// Walk through the range's own enumerator, asking every cell (the plain way, kept for a range
  /// whose address cannot be read and as the reference the fast walk is measured against).
  std::unique_ptr<ComCellWalk> walkEachCell();
  IDispatch* dispatch() const { return parts_.front().raw(); }

 private:
  std::vector<Dispatch> parts_;
  std::shared_ptr<Session> session_;
};

/// One instance of the spreadsheet application.
class ComApplication {
 public:
  explicit ComApplication(Dispatch application);
  /// Name: the default member read without arguments.
  std::wstring name();
  /// Open: `Workbooks`, `Open` with the path as typed as the sole argument; the workbook is
  /// kept, for Resolve and to be closed before Quit.
  void open(std::wstring_view path);
  /// Add: `Workbooks`, `Add`; the new workbook is kept, and Write and Fit go to its first sheet
  /// whichever workbook the user activates meanwhile.
  void add();
  /// Show: `Visible` = true.
  void show();
  /// Pick range: `InputBox` with the named arguments Prompt and Type 8, after letting the
  /// application's window come to the front; nothing when the user cancels (the application
  /// then returns the Boolean False).
  std::optional<ComRange> pickRange(std::wstring_view prompt);
  /// Resolve: a Range Reference on its named worksheet of the opened workbook (the active one
  /// when none was opened here), whether or not that sheet is active, through the sheet's own
  /// `Range`; an address longer than the application takes is resolved in groups of areas.
  /// A reference without a sheet name goes to the application's `Range`, as typed.
  ComRange resolve(std::wstring_view reference);
  /// Write: a number is written as a number; a text so that the cell holds exactly that text
  /// (never a formula, a date or a number). Into the added workbook's first sheet (`Cells`,
  /// `Value`), or the active sheet when nothing was added.
  void write(long row, long column, const CellValue& value);
  /// Write of a merged text: as a number only when the application's General format shows that
  /// number as the very same text, with the application's own separators; else as literal text.
  void writeShown(long row, long column, std::wstring_view text);
  /// Fit: `Columns`, `AutoFit` of the sheet Write writes to.
  void fit();
  /// Quit: an instance never shown first closes every workbook it opened without saving
  /// (`Close` False), so that no question nobody can see keeps it running; then `Quit`.
  void quit();
  /// The separators the application shows numbers with (read once).
  NumberSeparators separators();
  IDispatch* dispatch() const;

 private:
  Dispatch targetSheet();

  std::shared_ptr<Session> session_;
  std::vector<Dispatch> opened_;
  std::optional<Dispatch> added_;
  std::optional<Dispatch> addedSheet_;
  bool shown_ = false;
};

/// Create: a new instance of the class (a local server), not shown.
ComApplication createApplication(const std::wstring& className = kExcelClass);
/// Attach: the instance of the class registered as running; fails when none runs.
ComApplication attachApplication(const std::wstring& className = kExcelClass);

/// Lets the server behind `object` take the foreground (CoAllowSetForegroundWindow); tests put
/// their own in its place to see when it is called.
using ForegroundGrant = HRESULT (*)(IUnknown* object);
void setForegroundGrant(ForegroundGrant grant);

/// A Range Reference split into its worksheet name, exactly as the workbook has it (the text
/// between the first apostrophe and the last "'!"; or before the "!" of an unquoted name), and
/// its address; no sheet when the reference names none.
struct SplitReference {
  std::optional<std::wstring> sheet;
  std::wstring address;
};
SplitReference splitReference(std::wstring_view reference);

/// The value written for a text that must stay literal: a leading apostrophe, which the
/// application takes as "this is text" and does not show.
std::wstring literalTextValue(std::wstring_view text);

/// Whether a displayed text is the application's sign of a column too narrow for the value:
/// a run of "#" characters.
bool isNarrowColumnText(std::wstring_view shown);

/// The text the General format shows for `value` in a column wide enough, with `decimal` as
/// the decimal separator.
std::wstring generalText(double value, std::wstring_view decimal);

}  // namespace lomandra::com
