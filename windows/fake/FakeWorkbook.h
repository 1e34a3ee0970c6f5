#pragma once

// The in-memory workbook of the fake spreadsheet application: sheets of cells read from a
// small text file, range references parsed and written back as the application writes them.
// windows/fake/README.md says what each behaviour stands for in the real application.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fake {

/// The sheet's grid, as a workbook of the current file formats has it.
inline constexpr long kLastRow = 1048576;
inline constexpr long kLastColumn = 16384;

/// One cell: empty, a text, a number with its format and the texts it shows, a Boolean or an
/// error value.
struct Cell {
  enum class Kind { Empty, Text, Number, Boolean, Error };
  Kind kind = Kind::Empty;
  std::wstring text;             // what `Text` shows (Text cells: the text itself)
  double number = 0;             // Number cells: the value; Boolean cells: 1 or 0
  long error = 0;                // Error cells: the application's error number (2007 for #DIV/0!)
  std::wstring format = L"General";
  std::wstring wide;             // Number cells: the text in a column wide enough
};

/// A block of cells, 1-based and inclusive.
struct Area {
  long top = 1, left = 1, bottom = 1, right = 1;
  bool contains(long row, long column) const { return row >= top && row <= bottom && column >= left && column <= right; }
};

struct Sheet {
  std::wstring name;
  std::map<std::pair<long, long>, Cell> cells;
  std::vector<Area> merged;
  /// The cell as the application reads it: a merged block's value is in its top-left cell only.
  const Cell& at(long row, long column) const;
  /// Every cell that holds anything or belongs to a merged block; A1 for an empty sheet.
  Area used() const;
};

struct Workbook {
  std::wstring name;
  std::vector<Sheet> sheets;
  std::size_t active = 0;
  bool dirty = false;  // changed since it was opened (the application would ask to save it)
};

/// Reads a workbook file (UTF-8 lines, fields parted by TAB):
///   sheet <name>                       starts a sheet
///   grid <row> <column> <columns>      the next line is a JSON array of texts, row by row
///   number <row> <column> <value> <format> <shown> <wide>
///   bool <row> <column> TRUE|FALSE
///   error <row> <column> <text>        #NULL!, #DIV/0!, #VALUE!, #REF!, #NAME?, #NUM!, #N/A
///   merge <top> <left> <bottom> <right>
///   volatile                           the workbook recalculates on open: changed at once
/// Throws std::runtime_error with a description for anything else.
Workbook readWorkbook(const std::wstring& path);

/// The error number of an error text ("#DIV/0!" -> 2007), 0 for none.
long errorNumber(std::wstring_view text);

/// A parsed reference: the sheet (index into the workbook) and its areas.
struct Reference {
  std::size_t sheet = 0;
  std::vector<Area> areas;
};

/// Parses "'Sheet'!$A$1:$B$2,$C$3,$D:$D" as the application's `Range` does: each area may name
/// its sheet (a quoted name has its apostrophes doubled); an area that names none is on
/// `sheet`, or with `followFirst` on the sheet of the area before it (a selection, which lies on
/// one sheet). Nothing when it names no such cells, or areas on different sheets.
std::optional<Reference> parseReference(const Workbook& book, std::wstring_view text, std::size_t sheet,
                                        bool followFirst = false);

/// "$A$1", "$A$1:$B$2", "$A:$B", "$1:$2", areas joined by commas.
std::wstring addressOf(const std::vector<Area>& areas);

/// UTF-8 to UTF-16 and back.
std::wstring widen(std::string_view text);
std::string narrow(std::wstring_view text);

/// A JSON array of strings, as lomandra-merge --json prints it.
std::vector<std::wstring> parseJsonStrings(std::string_view json);

}  // namespace fake
