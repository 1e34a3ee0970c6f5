// The .ods files of the shared corpus, written by spreadsheet applications, against the text
// LibreOffice shows for each cell (its "as shown" CSV export).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "sheet/csv/CsvParser.h"
#include "sheet/ods/OdsWorkbook.h"
#include "tests/sheet/ods/OdsTestFiles.h"

namespace lomandra::ods {
namespace {

namespace fs = std::filesystem;
using Grid = std::map<std::pair<std::uint32_t, std::uint32_t>, std::string>;

const fs::path kCorpus = LOMANDRA_CORPUS_DIR;

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Grid parseCsv(const std::string& text) {
  Grid grid;
  csv::CsvParser parser(',', model::kMaxRows, model::kMaxColumns,
                        [&](std::uint32_t row, std::uint32_t column, std::string_view field) {
                          grid[{row, column}] = std::string(field);
                          return true;
                        });
  parser.feed(text);
  parser.finish();
  return grid;
}

// The sheets an oracle exported: real name and CSV file, from its sheets.tsv (tab-separated,
// the name second, the CSV file the column ending in ".csv").
std::vector<std::pair<std::string, fs::path>> exportedSheets(const fs::path& folder) {
  std::vector<std::pair<std::string, fs::path>> sheets;
  std::istringstream lines(readAll(folder / "sheets.tsv"));
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> columns;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) columns.push_back(field);
    if (columns.size() < 3) continue;
    const auto csvColumn = std::find_if(columns.begin() + 2, columns.end(),
                                        [](const std::string& c) { return c.ends_with(".csv"); });
    sheets.emplace_back(columns[1], csvColumn == columns.end() ? fs::path() : folder / *csvColumn);
  }
  return sheets;
}

// Each cell is compared where LibreOffice and SheetJS, two independent readers, show the same
// text: that text is the cell's displayed text. Where they differ (a file written by another
// application whose stored text LibreOffice formats anew) the cell is counted, not judged.
TEST(OdsCorpus, EveryCellShowsWhatBothReferencesShow) {
  if (!fs::is_directory(kCorpus / "files")) GTEST_SKIP() << "no corpus at " << kCorpus;
  std::size_t files = 0, agreed = 0, agreedEqual = 0, libreOffice = 0, libreOfficeEqual = 0,
              sheetJs = 0, sheetJsEqual = 0;
  for (const auto& entry : fs::directory_iterator(kCorpus / "files")) {
    if (entry.path().extension() != ".ods") continue;
    const std::string name = entry.path().filename().string();
    const fs::path loFolder = kCorpus / "expected" / "libreoffice" / name;
    const fs::path sjsFolder = kCorpus / "expected" / "sheetjs" / name;
    if (readAll(loFolder / "status.txt").rfind("ok", 0) != 0) continue;
    ++files;
    const bool writtenByLibreOffice = name.starts_with("cal-");  // see the corpus manifest
    const auto book = openOds(entry.path().string());
    const auto loSheets = exportedSheets(loFolder);
    const auto sjsSheets = exportedSheets(sjsFolder);
    ASSERT_EQ(book->sheets().size(), loSheets.size()) << name;
    for (std::size_t i = 0; i < loSheets.size(); ++i) {
      EXPECT_EQ(book->sheets()[i].name, loSheets[i].first) << name;
      test::RecordingVisitor visitor;
      book->readSheet(static_cast<int>(i), visitor);
      Grid ours;
      for (const auto& [at, cell] : visitor.cells) ours[at] = cell.text;
      Grid lo = parseCsv(readAll(loSheets[i].second));
      Grid sjs = i < sjsSheets.size() ? parseCsv(readAll(sjsSheets[i].second)) : Grid();
      Grid all = ours;
      all.insert(lo.begin(), lo.end());
      all.insert(sjs.begin(), sjs.end());
      for (const auto& [at, unused] : all) {
        const std::string& mine = ours[at];
        if (!lo[at].empty() || !mine.empty()) {
          ++libreOffice;
          libreOfficeEqual += mine == lo[at];
          // LibreOffice's own files: what it stored is what it shows.
          if (writtenByLibreOffice && mine != lo[at])
            ADD_FAILURE() << name << " sheet " << i << " R" << at.first + 1 << "C" << at.second + 1
                          << ": ours \"" << mine << "\", LibreOffice \"" << lo[at] << "\"";
        }
        if (!sjs[at].empty() || !mine.empty()) {
          ++sheetJs;
          sheetJsEqual += mine == sjs[at];
        }
        if (lo[at] != sjs[at]) continue;
        ++agreed;
        if (mine == lo[at])
          ++agreedEqual;
        else
          ADD_FAILURE() << name << " sheet " << i << " R" << at.first + 1 << "C" << at.second + 1
                        << ": ours \"" << mine << "\", both references \"" << lo[at] << "\"";
      }
    }
  }
  EXPECT_GE(files, 5u);
  std::cout << "corpus .ods: " << files << " files; where both references agree " << agreedEqual
            << " / " << agreed << " cells equal; against LibreOffice alone " << libreOfficeEqual
            << " / " << libreOffice << "; against SheetJS alone " << sheetJsEqual << " / "
            << sheetJs << "\n";
}

}  // namespace
}  // namespace lomandra::ods
