#include "ranges/FilePattern.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "sheet/Failure.h"

namespace lomandra::ranges {
namespace {

struct WildcardCase {
  const char* name;
  const char* pattern;
  const char* fileName;
  bool caseSensitive;
  bool matches;
};

TEST(WildcardMatches, ListingRules) {
  const WildcardCase cases[] = {
      {"literal", "book.xlsx", "book.xlsx", true, true},
      {"literal differs", "book.xlsx", "book.xls", true, false},
      {"star any run", "*.xlsx", "book.xlsx", true, true},
      {"star empty run", "book*.xlsx", "book.xlsx", true, true},
      {"star in the middle backtracks", "b*k*.x*x", "bookkeeping.xlsx", true, true},
      {"star alone", "*", "anything", true, true},
      {"question one character", "book?.xls", "book1.xls", true, true},
      {"question needs a character", "book?.xls", "book.xls", true, false},
      {"question not two", "book?.xls", "book12.xls", true, false},
      {"question a non-BMP character", "?.xls", "\xF0\x9F\x93\x88.xls", true, true},
      {"brackets are literal", "[ab].xls", "a.xls", true, false},
      {"brackets literal match", "[ab].xls", "[ab].xls", true, true},
      {"case sensitive", "*.XLSX", "book.xlsx", true, false},
      {"case insensitive", "*.XLSX", "book.xlsx", false, true},
      {"trailing star after text", "book.xl*", "book.xlsm", true, true},
      {"pattern longer than name", "book.xlsx?", "book.xlsx", true, false},
      {"empty pattern", "", "a", true, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(wildcardMatches(QString::fromUtf8(c.pattern), QString::fromUtf8(c.fileName),
                              c.caseSensitive),
              c.matches)
        << c.name;
}

class OrdinaryFileMatches : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    touch("book.xlsx");
    touch("Report 2021.xls");
    touch("trailing ");
    touch(".hidden.xlsx");
    QDir(dir.path()).mkdir(QStringLiteral("folder.xlsx"));
    QDir(dir.path()).mkdir(QStringLiteral("star*dir"));
    touch("star*dir/inside.ods");
    QDir(dir.path()).mkdir(QStringLiteral("only"));
    QDir(dir.path()).mkdir(QStringLiteral("only/sub.xlsx"));
    touch("only/.dot.xlsx");
    QFile::link(path("book.xlsx"), path("link.xlsx"));
    QFile::link(path("missing-target"), path("broken.xlsx"));
    ::mkfifo(QFile::encodeName(path("pipe.xlsx")).constData(), 0600);
  }
  QString path(const char* relative) const { return dir.path() + QLatin1Char('/') + QString::fromUtf8(relative); }
  void touch(const char* relative) {
    QFile file(path(relative));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << relative;
  }

  QTemporaryDir dir;
};

TEST_F(OrdinaryFileMatches, AnswersAsADirectoryListing) {
  struct Case {
    const char* name;
    const char* relative;
    bool matches;
  } const cases[] = {
      {"an ordinary file", "book.xlsx", true},
      {"a name with a space", "Report 2021.xls", true},
      {"a trailing space is part of the name", "trailing ", true},
      {"without the trailing space", "trailing", false},
      {"a missing file", "missing.xlsx", false},
      {"a folder", "folder.xlsx", false},
      {"a hidden file", ".hidden.xlsx", false},
      {"a link to a file", "link.xlsx", true},
      {"a broken link", "broken.xlsx", false},
      {"a pipe", "pipe.xlsx", false},
      {"star matches a file", "*.xlsx", true},
      {"question matches a file", "boo?.xlsx", true},
      {"wildcards over spaces", "Report*.xls", true},
      {"no wildcard match", "*.ods", false},
      {"case matters on Linux", "BOOK.*", false},
      {"wildcards match only a folder", "only/*.xlsx", false},
      {"hidden files do not answer a star", "only/*", false},
      {"star in the folder part is literal", "star*dir/inside.ods", true},
      {"star in the folder part never expands", "sta*/inside.ods", false},
      {"a folder path with a trailing slash", "only/", false},
      {"a file in a missing folder", "nowhere/*.xlsx", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ordinaryFileMatches(path(c.relative)), c.matches) << c.name;
}

TEST_F(OrdinaryFileMatches, RelativePathsStartInTheCurrentFolder) {
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  EXPECT_TRUE(ordinaryFileMatches(QStringLiteral("book.xlsx")));
  EXPECT_TRUE(ordinaryFileMatches(QStringLiteral("*.xls")));
  EXPECT_FALSE(ordinaryFileMatches(QStringLiteral("*.csv")));
  QDir::setCurrent(before);
}

TEST(OrdinaryFileMatchesNames, EmptyTextMatchesNothing) {
  EXPECT_FALSE(ordinaryFileMatches(QString()));
}

TEST(OrdinaryFileMatchesNames, NamesThePlatformRejectsFailWithADescription) {
  struct Case {
    const char* name;
    QString path;
    const char* description;
  } const cases[] = {
      {"a NUL character", QStringLiteral("/tmp/bo") + QChar(0) + QStringLiteral("ok.xlsx"),
       "Bad file name: the path contains a NUL character."},
      {"a name past 255 bytes", QStringLiteral("/tmp/") + QString(256, QLatin1Char('x')),
       "Bad file name: a name in the path is longer than the 255 bytes a file name can have."},
      {"a path past 4095 bytes in short names",
       QStringLiteral("/x").repeated(2100),
       "Bad file name: the path is longer than the 4095 bytes a path can have."},
      {"a broken surrogate", QStringLiteral("/tmp/") + QChar(0xD800) + QStringLiteral(".xlsx"),
       "Bad file name: the path holds a broken character."},
  };
  for (const auto& c : cases) {
    try {
      ordinaryFileMatches(c.path);
      ADD_FAILURE() << c.name << ": no failure";
    } catch (const Failure& failure) {
      EXPECT_STREQ(failure.what(), c.description) << c.name;
    }
  }
}

}  // namespace
}  // namespace lomandra::ranges
