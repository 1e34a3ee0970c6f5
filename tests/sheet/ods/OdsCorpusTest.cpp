// The .ods files of the shared corpus, written by spreadsheet applications, against the text
// LibreOffice shows for each cell (its "as shown" CSV export).
#include <gtest/gtest.h>

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

std::vector<std::pair<std::string, fs::path>> expectedSheets(const fs::path& folder) {
  std::vector<std::pair<std::string, fs::path>> sheets;  // real name, csv
  std::istringstream lines(readAll(folder / "sheets.tsv"));
  std::string line;
  while (std::getline(lines, line)) {
    const auto tab1 = line.find('\t'), tab2 = line.rfind('\t');
    if (tab1 == std::string::npos || tab2 == tab1) continue;
    sheets.emplace_back(line.substr(tab1 + 1, tab2 - tab1 - 1), folder / line.substr(tab2 + 1));
  }
  return sheets;
}

TEST(OdsCorpus, EveryCellShowsWhatLibreOfficeShows) {
  if (!fs::is_directory(kCorpus / "files")) GTEST_SKIP() << "no corpus at " << kCorpus;
  std::size_t files = 0, compared = 0, equal = 0;
  for (const auto& entry : fs::directory_iterator(kCorpus / "files")) {
    if (entry.path().extension() != ".ods") continue;
    const fs::path expected = kCorpus / "expected" / "libreoffice" / entry.path().filename();
    if (readAll(expected / "status.txt").rfind("ok", 0) != 0) continue;
    ++files;
    const std::string name = entry.path().filename().string();
    const auto book = openOds(entry.path().string());
    const auto sheets = expectedSheets(expected);
    ASSERT_EQ(book->sheets().size(), sheets.size()) << name;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      EXPECT_EQ(book->sheets()[i].name, sheets[i].first) << name;
      test::RecordingVisitor visitor;
      book->readSheet(static_cast<int>(i), visitor);
      Grid ours;
      for (const auto& [at, cell] : visitor.cells) ours[at] = cell.text;
      Grid theirs = parseCsv(readAll(sheets[i].second));
      Grid all = ours;
      all.insert(theirs.begin(), theirs.end());
      for (const auto& [at, unused] : all) {
        ++compared;
        const std::string& a = ours[at];
        const std::string& b = theirs[at];
        if (a == b) ++equal;
        else ADD_FAILURE() << name << " sheet " << i << " R" << at.first + 1 << "C" << at.second + 1
                           << ": ours \"" << a << "\", LibreOffice \"" << b << "\"";
      }
    }
  }
  EXPECT_GE(files, 5u);
  RecordProperty("cells_compared", static_cast<int>(compared));
  std::cout << "corpus .ods: " << files << " files, " << equal << " / " << compared << " cells equal\n";
}

}  // namespace
}  // namespace lomandra::ods
