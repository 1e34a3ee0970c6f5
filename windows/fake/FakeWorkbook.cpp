#include "FakeWorkbook.h"

#include <windows.h>

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

// "$A$1" or "B2" at `text`; false when it is not a cell.
bool parseCell(std::wstring_view text, long& row, long& column) {
  std::size_t i = 0;
  if (i < text.size() && text[i] == L'$') ++i;
  column = 0;
  const std::size_t letters = i;
  while (i < text.size() && std::iswalpha(text[i])) {
    column = column * 26 + (std::towupper(text[i]) - L'A' + 1);
    if (column > 16384) return false;
    ++i;
  }
  if (i == letters) return false;
  if (i < text.size() && text[i] == L'$') ++i;
  row = 0;
  const std::size_t digits = i;
  while (i < text.size() && std::iswdigit(text[i])) {
    row = row * 10 + (text[i] - L'0');
    if (row > 1048576) return false;
    ++i;
  }
  return i == text.size() && i > digits && row >= 1;
}

std::wstring columnName(long column) {
  std::wstring name;
  for (; column > 0; column = (column - 1) / 26) name.insert(name.begin(), static_cast<wchar_t>(L'A' + (column - 1) % 26));
  return name;
}

}  // namespace

const Cell& Sheet::at(long row, long column) const {
  static const Cell empty;
  const auto found = cells.find({row, column});
  return found == cells.end() ? empty : found->second;
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
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::vector<std::string> f = splitTabs(line);
    if (f[0] == "sheet" && f.size() == 2) {
      book.sheets.push_back({widen(f[1]), {}});
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
    } else {
      throw std::runtime_error("unknown line: " + line.substr(0, 40));
    }
  }
  if (book.sheets.empty()) throw std::runtime_error("no sheet");
  return book;
}

std::optional<Reference> parseReference(const Workbook& book, std::wstring_view text) {
  Reference ref;
  ref.sheet = book.active;
  std::wstring_view address = text;
  if (!text.empty() && text.front() == L'\'') {
    std::wstring name;
    std::size_t i = 1;
    while (true) {
      if (i >= text.size()) return std::nullopt;
      if (text[i] == L'\'') {
        if (i + 1 < text.size() && text[i + 1] == L'\'') {
          name += L'\'';
          i += 2;
          continue;
        }
        break;
      }
      name += text[i++];
    }
    if (i + 1 >= text.size() || text[i + 1] != L'!') return std::nullopt;  // an undoubled quote
    address = text.substr(i + 2);
    bool found = false;
    for (std::size_t s = 0; s < book.sheets.size(); ++s)
      if (sameName(book.sheets[s].name, name)) { ref.sheet = s; found = true; break; }
    if (!found) return std::nullopt;
  } else if (const std::size_t bang = text.find(L'!'); bang != std::wstring_view::npos) {
    const std::wstring_view name = text.substr(0, bang);
    address = text.substr(bang + 1);
    bool found = false;
    for (std::size_t s = 0; s < book.sheets.size(); ++s)
      if (sameName(book.sheets[s].name, name)) { ref.sheet = s; found = true; break; }
    if (!found) return std::nullopt;
  }
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = address.find(L',', start);
    const std::wstring_view piece = address.substr(start, comma == std::wstring_view::npos ? std::wstring_view::npos : comma - start);
    const std::size_t colon = piece.find(L':');
    Area area;
    if (colon == std::wstring_view::npos) {
      if (!parseCell(piece, area.top, area.left)) return std::nullopt;
      area.bottom = area.top;
      area.right = area.left;
    } else {
      long r1, c1, r2, c2;
      if (!parseCell(piece.substr(0, colon), r1, c1) || !parseCell(piece.substr(colon + 1), r2, c2)) return std::nullopt;
      area = {std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
    }
    ref.areas.push_back(area);
    if (comma == std::wstring_view::npos) break;
    start = comma + 1;
  }
  return ref;
}

std::wstring addressOf(const std::vector<Area>& areas) {
  std::wstring out;
  for (const Area& a : areas) {
    if (!out.empty()) out += L',';
    out += L'$' + columnName(a.left) + L'$' + std::to_wstring(a.top);
    if (a.bottom != a.top || a.right != a.left)
      out += L":$" + columnName(a.right) + L'$' + std::to_wstring(a.bottom);
  }
  return out;
}

}  // namespace fake
