#pragma once

// The in-memory workbook of the fake spreadsheet application: sheets of cells read from a
// small text file, range references parsed and written back as the application writes them.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fake {

/// One cell: empty, a text, or a number with its format and the texts it shows.
struct Cell {
  enum class Kind { Empty, Text, Number };
  Kind kind = Kind::Empty;
  std::wstring text;             // Text cells: the text; Number cells: what `Text` shows
  double number = 0;             // Number cells: the value
  std::wstring format = L"General";
  std::wstring wide;             // Number cells: the text in a column wide enough
};

/// A block of cells, 1-based and inclusive.
struct Area {
  long top = 1, left = 1, bottom = 1, right = 1;
};

struct Sheet {
  std::wstring name;
  std::map<std::pair<long, long>, Cell> cells;
  const Cell& at(long row, long column) const;
};

struct Workbook {
  std::vector<Sheet> sheets;
  std::size_t active = 0;
};

/// Reads a workbook file (UTF-8 lines, fields parted by TAB):
///   sheet <name>                       starts a sheet
///   grid <row> <column> <columns>      the next line is a JSON array of texts, row by row
///   number <row> <column> <value> <format> <shown> <wide>
/// Throws std::runtime_error with a description for anything else.
Workbook readWorkbook(const std::wstring& path);

/// A parsed reference: the sheet (index into the workbook) and its areas.
struct Reference {
  std::size_t sheet = 0;
  std::vector<Area> areas;
};

/// Parses "'Sheet'!$A$1:$B$2,$C$3" as the application does: a quoted name has its apostrophes
/// doubled; without a sheet the active sheet is meant. Nothing when it names no such cells.
std::optional<Reference> parseReference(const Workbook& book, std::wstring_view text);

/// "$A$1", "$A$1:$B$2", areas joined by commas.
std::wstring addressOf(const std::vector<Area>& areas);

/// UTF-8 to UTF-16 and back.
std::wstring widen(std::string_view text);
std::string narrow(std::wstring_view text);

/// A JSON array of strings, as lomandra-merge --json prints it.
std::vector<std::wstring> parseJsonStrings(std::string_view json);

}  // namespace fake
