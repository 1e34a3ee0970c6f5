#include "FakeWorkbook.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fake {

namespace {

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return fields;
}

bool sameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return true;
}

// One end of an area: a cell ("$A$1", "B2"), a column ("$A") or a row ("$1"); the part not
// given stays 0. False when it is none of these.
bool parseEnd(std::wstring_view text, long& row, long& column) {
  std::size_t i = 0;
  row = column = 0;
  if (i < text.size() && text[i] == L'$') ++i;
  const std::size_t letters = i;
  while (i < text.size() && std::iswalpha(text[i])) {
    column = column * 26 + (std::towupper(text[i]) - L'A' + 1);
    if (column > kLastColumn) return false;
    ++i;
  }
  if (i > letters && i < text.size() && text[i] == L'$') ++i;
  const std::size_t digits = i;
  while (i < text.size() && std::iswdigit(text[i])) {
    row = row * 10 + (text[i] - L'0');
    if (row > kLastRow) return false;
    ++i;
  }
  if (i != text.size()) return false;
  if (i > digits && row < 1) return false;
  return row > 0 || column > 0;
}

std::wstring columnName(long column) {
  std::wstring name;
  for (; column > 0; column = (column - 1) / 26) name.insert(name.begin(), static_cast<wchar_t>(L'A' + (column - 1) % 26));
  return name;
}

}  // namespace

const Cell& Sheet::at(long row, long column) const {
  static const Cell empty;
  for (const Area& m : merged)
    if (m.contains(row, column) && (row != m.top || column != m.left)) return empty;
  const auto found = cells.find({row, column});
  return found == cells.end() ? empty : found->second;
}

Area Sheet::used() const {
  bool any = false;
  Area box;
  auto take = [&](const Area& a) {
    if (!any) {
      box = a;
      any = true;
      return;
    }
    box = {std::min(box.top, a.top), std::min(box.left, a.left), std::max(box.bottom, a.bottom),
           std::max(box.right, a.right)};
  };
  for (const auto& [at, cell] : cells)
    if (cell.kind != Cell::Kind::Empty) take({at.first, at.second, at.first, at.second});
  for (const Area& m : merged) take(m);
  return box;
}

long errorNumber(std::wstring_view text) {
  static const std::pair<const wchar_t*, long> errors[] = {
      {L"#NULL!", 2000}, {L"#DIV/0!", 2007}, {L"#VALUE!", 2015}, {L"#REF!", 2023},
      {L"#NAME?", 2029}, {L"#NUM!", 2036},   {L"#N/A", 2042}};
  for (const auto& [name, number] : errors)
    if (text == name) return number;
  return 0;
}

std::wstring widen(std::string_view text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::vector<std::wstring> parseJsonStrings(std::string_view json) {
  std::vector<std::wstring> out;
  std::size_t i = 0;
  auto skipSpace = [&] { while (i < json.size() && std::isspace(static_cast<unsigned char>(json[i]))) ++i; };
  auto fail = [] { throw std::runtime_error("not a JSON array of strings"); };
  auto hex4 = [&](std::size_t at) {
    if (at + 4 > json.size()) fail();
    return static_cast<wchar_t>(std::stoul(std::string(json.substr(at, 4)), nullptr, 16));
  };
  skipSpace();
  if (i >= json.size() || json[i] != '[') fail();
  ++i;
  skipSpace();
  if (i < json.size() && json[i] == ']') return out;
  while (true) {
    skipSpace();
    if (i >= json.size() || json[i] != '"') fail();
    ++i;
    std::string raw;
    std::wstring text;
    auto flush = [&] { text += widen(raw); raw.clear(); };
    while (true) {
      if (i >= json.size()) fail();
      const char c = json[i++];
      if (c == '"') break;
      if (c != '\\') { raw += c; continue; }
      if (i >= json.size()) fail();
      const char e = json[i++];
      flush();
      switch (e) {
        case 'n': text += L'\n'; break;
        case 'r': text += L'\r'; break;
        case 't': text += L'\t'; break;
        case 'b': text += L'\b'; break;
        case 'f': text += L'\f'; break;
        case 'u': text += hex4(i); i += 4; break;
        default: text += static_cast<wchar_t>(e); break;
      }
    }
    flush();
    out.push_back(std::move(text));
    skipSpace();
    if (i < json.size() && json[i] == ',') { ++i; continue; }
    if (i < json.size() && json[i] == ']') return out;
    fail();
  }
}

Workbook readWorkbook(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) throw std::runtime_error("no such file");
  Workbook book;
  const std::size_t slash = path.find_last_of(L"\\/");
  book.name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  bool recalculates = false;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::vector<std::string> f = splitTabs(line);
    if (f[0] == "volatile" && f.size() == 1) {
      recalculates = true;
      continue;
    }
    if (f[0] == "sheet" && f.size() == 2) {
      book.sheets.push_back({widen(f[1]), {}, {}});
      continue;
    }
    if (book.sheets.empty()) throw std::runtime_error("a cell line before the first sheet line");
    Sheet& sheet = book.sheets.back();
    if (f[0] == "grid" && f.size() == 4) {
      const long top = std::stol(f[1]), left = std::stol(f[2]), columns = std::stol(f[3]);
      std::string json;
      if (!std::getline(file, json) || columns < 1) throw std::runtime_error("a grid line without its texts");
      const std::vector<std::wstring> texts = parseJsonStrings(json);
      for (std::size_t k = 0; k < texts.size(); ++k) {
        if (texts[k].empty()) continue;
        Cell cell;
        cell.kind = Cell::Kind::Text;
        cell.text = texts[k];
        sheet.cells[{top + static_cast<long>(k) / columns, left + static_cast<long>(k) % columns}] = cell;
      }
    } else if (f[0] == "number" && f.size() == 7) {
      Cell cell;
      cell.kind = Cell::Kind::Number;
      cell.number = std::stod(f[3]);
      cell.format = widen(f[4]);
      cell.text = widen(f[5]);
      cell.wide = widen(f[6]);
      sheet.cells[{std::stol(f[1]), std::stol(f[2])}] = cell;
    } else if (f[0] == "bool" && f.size() == 4 && (f[3] == "TRUE" || f[3] == "FALSE")) {
      Cell cell;
      cell.kind = Cell::Kind::Boolean;
      cell.number = f[3] == "TRUE" ? 1 : 0;
      cell.text = widen(f[3]);
      sheet.cells[{std::stol(f[1]), std::stol(f[2])}] = cell;
    } else if (f[0] == "error" && f.size() == 4 && errorNumber(widen(f[3])) != 0) {
      Cell cell;
      cell.kind = Cell::Kind::Error;
      cell.text = widen(f[3]);
      cell.error = errorNumber(cell.text);
      sheet.cells[{std::stol(f[1]), std::stol(f[2])}] = cell;
    } else if (f[0] == "merge" && f.size() == 5) {
      sheet.merged.push_back({std::stol(f[1]), std::stol(f[2]), std::stol(f[3]), std::stol(f[4])});
    } else {
      throw std::runtime_error("unknown line: " + line.substr(0, 40));
    }
  }
  if (book.sheets.empty()) throw std::runtime_error("no sheet");
  book.dirty = recalculates;
  return book;
}

namespace {

// The sheet an area names at the start of `piece` ("'O''Brien'!", "Data!"), moving `piece` past
// it; `sheet` stays when it names none. False for a name the workbook lacks or a bad quote.
bool takeSheet(const Workbook& book, std::wstring_view& piece, std::size_t& sheet) {
  std::wstring name;
  std::size_t after = 0;
  if (!piece.empty() && piece.front() == L'\'') {
    std::size_t i = 1;
    while (true) {
      if (i >= piece.size()) return false;
      if (piece[i] == L'\'') {
        if (i + 1 < piece.size() && piece[i + 1] == L'\'') {
          name += L'\'';
          i += 2;
          continue;
        }
        break;
      }
      name += piece[i++];
    }
    if (i + 1 >= piece.size() || piece[i + 1] != L'!') return false;  // an undoubled quote
    after = i + 2;
  } else {
    const std::size_t bang = piece.find(L'!');
    if (bang == std::wstring_view::npos) return true;
    name = piece.substr(0, bang);
    after = bang + 1;
  }
  for (std::size_t s = 0; s < book.sheets.size(); ++s)
    if (sameName(book.sheets[s].name, name)) {
      sheet = s;
      piece = piece.substr(after);
      return true;
    }
  return false;
}

// The areas' pieces: commas outside quoted sheet names.
std::vector<std::wstring_view> splitAreas(std::wstring_view text) {
  std::vector<std::wstring_view> pieces;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\'') quoted = !quoted;
    if (text[i] == L',' && !quoted) {
      pieces.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

}  // namespace

std::optional<Reference> parseReference(const Workbook& book, std::wstring_view text, std::size_t sheet,
                                        bool followFirst) {
  Reference ref;
  bool first = true;
  for (std::wstring_view piece : splitAreas(text)) {
    std::size_t on = followFirst && !first ? ref.sheet : sheet;
    if (!takeSheet(book, piece, on)) return std::nullopt;
    // One range lies on one sheet: areas on two sheets make no range.
    if (!first && on != ref.sheet) return std::nullopt;
    ref.sheet = on;
    first = false;
    const std::size_t colon = piece.find(L':');
    long r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (colon == std::wstring_view::npos) {
      if (!parseEnd(piece, r1, c1) || r1 == 0 || c1 == 0) return std::nullopt;
      ref.areas.push_back({r1, c1, r1, c1});
      continue;
    }
    if (!parseEnd(piece.substr(0, colon), r1, c1) || !parseEnd(piece.substr(colon + 1), r2, c2)) return std::nullopt;
    if ((r1 == 0) != (r2 == 0) || (c1 == 0) != (c2 == 0)) return std::nullopt;
    if (r1 == 0) { r1 = 1; r2 = kLastRow; }      // whole columns
    if (c1 == 0) { c1 = 1; c2 = kLastColumn; }   // whole rows
    ref.areas.push_back({std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)});
  }
  return ref;
}

std::wstring addressOf(const std::vector<Area>& areas) {
  std::wstring out;
  for (const Area& a : areas) {
    if (!out.empty()) out += L',';
    if (a.top == 1 && a.bottom == kLastRow) {
      out += L'$' + columnName(a.left) + L":$" + columnName(a.right);
    } else if (a.left == 1 && a.right == kLastColumn) {
      out += L'$' + std::to_wstring(a.top) + L":$" + std::to_wstring(a.bottom);
    } else {
      out += L'$' + columnName(a.left) + L'$' + std::to_wstring(a.top);
      if (a.bottom != a.top || a.right != a.left)
        out += L":$" + columnName(a.right) + L'$' + std::to_wstring(a.bottom);
    }
  }
  return out;
}

}  // namespace fake
