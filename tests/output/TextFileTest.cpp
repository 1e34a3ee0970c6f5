#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "output/Main.h"
#include "output/OutputCommands.h"
#include "sheet/Failure.h"
#include "tests/fakes/FakeForm.h"
#include "tests/output/ListTable.h"

namespace lomandra::output {
namespace {

using fakes::FakeForm;
using testing::fill;
using testing::ListTable;

QByteArray readAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
  return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QString describe(const std::function<void()>& body) {
  try {
    body();
  } catch (const Failure& failure) {
    return QString::fromUtf8(failure.what());
  }
  return QStringLiteral("<no failure>");
}

// --- layout ------------------------------------------------------------------------------

struct LayoutCase {
  const char* name;
  QStringList entries;  // "-text": unchecked
  QByteArray bytes;
};

TEST(TextFileLayout, SingleColumnListGivesTheseBytes) {
  const std::vector<LayoutCase> cases = {
      {"a, empty, b", {"a", "", "b"}, "Result(s)\t\r\na\t\r\n\r\nb\t\r\n\r\n"},
      {"one entry", {"x"}, "Result(s)\t\r\nx\t\r\n\r\n"},
      {"first entry empty: empty header line", {"", "x"}, "\r\n\r\nx\t\r\n\r\n"},
      {"spaces only are text", {"  ", " "}, "Result(s)\t\r\n  \t\r\n \t\r\n"  "\r\n"},
      {"unchecked gives an empty line", {"a", "-b", "c"}, "Result(s)\t\r\na\t\r\n\r\nc\t\r\n\r\n"},
      {"unchecked first entry still heads", {"-a", "b"}, "Result(s)\t\r\n\r\nb\t\r\n\r\n"},
      {"nothing checked", {"-a", "-b"}, "Result(s)\t\r\n\r\n\r\n\r\n"},
      {"TAB, CR and LF stay inside a text", {"a\tb", "c\r\nd", "e\rf\ng"},
       "Result(s)\t\r\na\tb\t\r\nc\r\nd\t\r\ne\rf\ng\t\r\n\r\n"},
      {"nothing trimmed, quoted or escaped", {" \"q\" ", "=1+1"},
       "Result(s)\t\r\n \"q\" \t\r\n=1+1\t\r\n\r\n"},
      {"UTF-8 without a byte order mark", {QString::fromUtf8("€“x”"), QString::fromUtf8("a😀b中")},
       "Result(s)\t\r\n\xe2\x82\xac\xe2\x80\x9cx\xe2\x80\x9d\t\r\na\xf0\x9f\x98\x80" "b\xe4\xb8\xad\t\r\n\r\n"},
  };
  for (const auto& c : cases) {
    EntryList list(QStringLiteral("Result(s)"), true);
    fill(list, c.entries);
    EXPECT_EQ(buildTextFile(list), c.bytes) << c.name;
  }
}

TEST(TextFileLayout, ColumnsArePackedLeftAndTheHeaderIsJudgedOnTheFirstEntry) {
  ListTable list;
  list.headers = {"A", "B", "C"};
  list.rows = {{{"", "b1", "c1"}},
               {{"a2", "", "c2"}},
               {{"x", "y", "z"}, false},
               {{"", "", ""}},
               {{"=p", "=q", " "}}};
  EXPECT_EQ(buildTextFile(list),
            QByteArray("B\tC\t\r\n"
                       "b1\tc1\t\r\n"
                       "a2\tc2\t\r\n"
                       "\r\n"
                       "\r\n"
                       "=p\t=q\t \t\r\n"
                       "\r\n"));
}

TEST(TextFileLayout, AnEmptyListHasNoTextFile) {
  EntryList list(QStringLiteral("Result(s)"), true);
  EXPECT_EQ(describe([&] { buildTextFile(list); }), QStringLiteral("The list has no entries to save."));
}

TEST(TextFileLayout, YieldsOncePerHeaderColumnEntryAndCheckedCell) {
  ListTable list;
  list.headers = {"A", "B"};
  list.rows = {{{"a", "b"}}, {{"c", "d"}, false}, {{"", ""}}};
  int yields = 0;
  buildTextFileText(list, [&] { ++yields; });
  EXPECT_EQ(yields, 2 + 3 + 2 + 2);
}

// --- encoding ----------------------------------------------------------------------------

// On Linux the text file is UTF-8: every script comes back exactly, nothing becomes "?".
TEST(TextFileEncoding, EveryCharacterSurvivesInUtf8) {
  const char* texts[] = {
      "Ąćęłńóśźż Zażółć gęślą jaźń",   // Polish
      "Съешь же ещё этих булок",       // Cyrillic
      "Ξεσκεπάζω την ψυχοφθόρα",       // Greek
      "中文文本，繁體字",                // Chinese
      "日本語のテキスト", "한국어", "עברית", "العربية", "हिन्दी",
      "€ “quoted” — ½ ©",             // within Windows-1252
      "😀 🎉 𝄞",                        // outside the Basic Multilingual Plane
      "ï»¿" "BOM inside",     // a U+FEFF in a text stays, none is added
  };
  for (const char* text : texts) {
    const QString written = QString::fromUtf8(text);
    EXPECT_EQ(encodeTextFile(written), QByteArray(text)) << text;
    EntryList list(QStringLiteral("Result(s)"), true);
    fill(list, {written});
    const QByteArray bytes = buildTextFile(list);
    EXPECT_EQ(QString::fromUtf8(bytes), QStringLiteral("Result(s)\t\r\n") + written + QStringLiteral("\t\r\n\r\n"));
  }
  EXPECT_EQ(encodeTextFile(QString(QChar(0xD83D)) + u'x'), QByteArray("?x")) << "a lone surrogate";
}

TEST(Windows1252, EveryCharacterBecomesItsByteOrAQuestionMark) {
  struct Case {
    const char* name;
    QString text;
    QByteArray bytes;
  };
  const std::vector<Case> cases = {
      {"ASCII and controls", QString::fromLatin1("a\tZ~\x7f"), "a\tZ~\x7f"},
      {"NUL", QString(QChar(0)), QByteArray(1, '\0')},
      {"Latin-1 upper half", QString::fromUtf8("\u00a0é ÿ"), "\xa0\xe9 \xff"},
      {"euro, quotes, dashes", QString::fromUtf8("€‚„…‘’“”•–—"),
       "\x80\x82\x84\x85\x91\x92\x93\x94\x95\x96\x97"},
      {"letters of 0x80..0x9F", QString::fromUtf8("ƒŠŒŽšœžŸˆ˜™‰‹›†‡"),
       "\x83\x8a\x8c\x8e\x9a\x9c\x9e\x9f\x88\x98\x99\x89\x8b\x9b\x86\x87"},
      {"unassigned bytes keep their C1 control", QString::fromUtf8("\u0081\u008d\u008f\u0090\u009d"),
       "\x81\x8d\x8f\x90\x9d"},
      {"other C1 controls have no byte", QString::fromUtf8("\u0080\u0085\u009f"), "???"},
      {"outside the code page", QString::fromUtf8("Āőж中ﬁ"), "?????"},
      {"a surrogate pair is one character", QString::fromUtf8("a😀b🎉"), "a?b?"},
      {"lone surrogates", QString(QChar(0xD83D)) + u'x' + QChar(0xDE00), "?x?"},
      {"high surrogate at the end", QString(u'x') + QChar(0xD83D), "x?"},
      {"empty", QString(), QByteArray()},
  };
  for (const auto& c : cases) EXPECT_EQ(encodeWindows1252(c.text), c.bytes) << c.name;
}

TEST(Windows1252, MatchesTheCodePageForEveryByte) {
  // Every byte of the code page (bar the five unassigned ones) decodes and encodes back to itself.
  QStringDecoder decoder("windows-1252");
  ASSERT_TRUE(decoder.isValid());
  for (int byte = 0; byte < 256; ++byte) {
    const QByteArray one(1, static_cast<char>(byte));
    const QString text = decoder.decode(one);
    ASSERT_EQ(text.size(), 1) << byte;
    EXPECT_EQ(encodeWindows1252(text), one) << byte;
  }
}

// --- writing the file --------------------------------------------------------------------

TEST(WriteTextFile, CreatesOrReplacesTheFileAndLeavesNothingBeside) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("out.txt"));
  WriteTextFile(QStringLiteral("new"), path);
  EXPECT_EQ(readAll(path), QByteArray("new\r\n"));

  writeAll(path, QByteArray(5000, 'o'));
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
  WriteTextFile(QString::fromUtf8("ü"), path);
  EXPECT_EQ(readAll(path), QByteArray("\xc3\xbc\r\n"));
  struct stat status {};
  ASSERT_EQ(stat(QFile::encodeName(path).constData(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

TEST(WriteTextFile, WritesThroughALinkToItsTarget) {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("target.txt"));
  const QString link = dir.filePath(QStringLiteral("link.txt"));
  writeAll(target, "old");
  ASSERT_TRUE(QFile::link(target, link));
  WriteTextFile(QStringLiteral("new"), link);
  EXPECT_EQ(readAll(target), QByteArray("new\r\n"));
  EXPECT_TRUE(QFileInfo(link).isSymLink());
}

TEST(WriteTextFile, FailsClearlyWhereNoFileCanBeMade) {
  QTemporaryDir dir;
  const QString missingFolder = dir.filePath(QStringLiteral("missing/out.txt"));
  const QString folder = dir.filePath(QStringLiteral("folder"));
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));

  EXPECT_TRUE(describe([&] { WriteTextFile(QStringLiteral("x"), missingFolder); })
                  .startsWith(QStringLiteral("The file \"%1\" cannot be created").arg(missingFolder)));
  EXPECT_FALSE(QFileInfo::exists(missingFolder));
  EXPECT_NE(describe([&] { WriteTextFile(QStringLiteral("x"), folder); }), QStringLiteral("<no failure>"));
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_EQ(describe([&] { WriteTextFile(QStringLiteral("x"), QString()); }),
            QStringLiteral("No file name was given."));
}

/// Makes writes past `bytes` fail with "file too large" for as long as it lives: a write that
/// fails midway, as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST(WriteTextFile, AWriteFailingMidwayLeavesTheOldFileAsItWas) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("results.txt"));
  const QByteArray old("the old results\r\n");
  writeAll(path, old);
  QString failure;
  {
    FileSizeLimit limit(64 * 1024);
    failure = describe([&] { WriteTextFile(QString(1 << 20, u'x'), path); });
  }
  EXPECT_TRUE(failure.startsWith(QStringLiteral("The file \"%1\" cannot be written").arg(path))) << failure.toStdString();
  EXPECT_EQ(readAll(path), old);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"results.txt"});
}

// Runs `body` with an ordinary user's rights: as "nobody" in a child process when the tests run
// as root (root passes every permission check), in this process otherwise. Returns 1 when the
// body returned true, 0 when false, -1 when the rights could not be dropped.
int runUnprivileged(const std::function<bool()>& body) {
  if (geteuid() != 0) return body() ? 1 : 0;
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 0 ? 1 : WEXITSTATUS(status) == 1 ? 0 : -1;
}

TEST(WriteTextFile, FollowsTheFileAndFolderPermissions) {
  struct Case {
    const char* name;
    mode_t folderMode;
    int fileMode;  // -1: no file yet
    bool written;
  };
  const std::vector<Case> cases = {
      {"writable file in a read-only folder is written in place", 0555, 0666, true},
      {"read-only file in a writable folder is left alone", 0777, 0444, false},
      {"read-only file in a read-only folder", 0555, 0444, false},
      {"new file in a read-only folder", 0555, -1, false},
      {"new file in a writable folder", 0777, -1, true},
  };
  QTemporaryDir dir;
  ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
  int index = 0;
  for (const auto& c : cases) {
    const QString folder = dir.filePath(QString::number(++index));
    const QString path = folder + QStringLiteral("/results.txt");
    ASSERT_TRUE(QDir().mkdir(folder));
    if (c.fileMode >= 0) {
      writeAll(path, "old");
      ASSERT_EQ(chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(c.fileMode)), 0);
    }
    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), c.folderMode), 0);
    const int outcome = runUnprivileged([&] {
      try {
        WriteTextFile(QStringLiteral("new"), path);
        return true;
      } catch (const Failure&) {
        return false;
      }
    });
    chmod(QFile::encodeName(folder).constData(), 0755);
    if (outcome < 0) GTEST_SKIP() << "cannot run as an ordinary user here";
    EXPECT_EQ(outcome == 1, c.written) << c.name;
    EXPECT_EQ(readAll(path), c.written ? QByteArray("new\r\n") : c.fileMode >= 0 ? QByteArray("old") : QByteArray("<missing>"))
        << c.name;
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), c.written || c.fileMode >= 0 ? 1 : 0)
        << c.name << ": nothing left beside the file";
  }
}

// --- the command -------------------------------------------------------------------------

class SaveResultsCommand : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  FakeForm form;
  QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(SaveResultsCommand, SetsUpTheSaveDialogAfresh) {
  form.dialog.fileName = QStringLiteral("/somewhere/book.xls");
  form.dialog.dialogTitle = QStringLiteral("Open");
  form.dialog.flags = 4;
  PushButton4_Click(form);
  ASSERT_EQ(form.dialog.shown.size(), 1u);
  const auto& shown = form.dialog.shown.front();
  EXPECT_TRUE(shown.save);
  EXPECT_EQ(shown.flags, 2621953);
  EXPECT_EQ(shown.dialogTitle, QStringLiteral("Save"));
  EXPECT_EQ(shown.filter, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
  EXPECT_EQ(shown.fileName, QString());
}

TEST_F(SaveResultsCommand, CancelEndsSilently) {
  fill(form.results, {"a"});
  PushButton4_Click(form);
  EXPECT_TRUE(form.messages.shown.empty());
  EXPECT_TRUE(form.pointerHistory.empty());
  EXPECT_EQ(form.yields, 0);
}

TEST_F(SaveResultsCommand, WritesTheChosenNameAsItIsUnderTheHourglass) {
  fill(form.results, {"a", "", "b"});
  writeAll(path("results"), "an older and longer file");
  form.dialog.chooses = {path("results")};
  int pointerWhileYielding = -1;
  form.onDoEvents = [&] { pointerWhileYielding = form.pointerKind; };
  PushButton4_Click(form);
  EXPECT_EQ(readAll(path("results")), QByteArray("Result(s)\t\r\na\t\r\n\r\nb\t\r\n\r\n"));
  EXPECT_FALSE(QFileInfo::exists(path("results.txt")));
  EXPECT_TRUE(form.messages.shown.empty());
  EXPECT_EQ(form.pointerHistory, (std::vector<int>{pointer::Hourglass, pointer::Default}));
  EXPECT_EQ(pointerWhileYielding, pointer::Hourglass);
  EXPECT_EQ(form.yields, 1 + 3 + 3);
}

TEST_F(SaveResultsCommand, AnEmptyListIsReportedAt122AndTouchesNoFile) {
  writeAll(path("old.txt"), "old");
  form.dialog.chooses = {path("old.txt"), path("new.txt")};
  PushButton4_Click(form);
  PushButton4_Click(form);
  EXPECT_EQ(form.reports(), (QStringList{"PushButton4_Click@122: The list has no entries to save.",
                                         "PushButton4_Click@122: The list has no entries to save."}));
  EXPECT_EQ(readAll(path("old.txt")), QByteArray("old"));
  EXPECT_FALSE(QFileInfo::exists(path("new.txt")));
  EXPECT_EQ(form.pointerKind, pointer::Default);
}

TEST_F(SaveResultsCommand, AListClearedDuringAYieldIsReportedAt122AndNothingIsWritten) {
  for (int clearAt : {1, 2, 4}) {
    FakeForm local;
    fill(local.results, {"a", "b"});
    local.dialog.chooses = {path("cleared.txt")};
    local.onDoEvents = [&] {
      if (local.yields == clearAt) local.results.clear();
    };
    PushButton4_Click(local);
    ASSERT_EQ(local.reports().size(), 1) << clearAt;
    EXPECT_TRUE(local.reports().front().startsWith(QStringLiteral("PushButton4_Click@122: "))) << clearAt;
    EXPECT_FALSE(QFileInfo::exists(path("cleared.txt"))) << clearAt;
    EXPECT_EQ(local.pointerHistory, (std::vector<int>{pointer::Hourglass, pointer::Default}));
  }
}

TEST_F(SaveResultsCommand, AWriteFailingMidwayIsReportedAt122AndKeepsTheOldFile) {
  for (int i = 0; i < 20000; ++i) form.results.add(QStringLiteral("entry number %1").arg(i));
  const QByteArray old("old results\r\n");
  writeAll(path("results.txt"), old);
  form.dialog.chooses = {path("results.txt")};
  {
    FileSizeLimit limit(16 * 1024);
    PushButton4_Click(form);
  }
  ASSERT_EQ(form.reports().size(), 1);
  EXPECT_TRUE(form.reports().front().startsWith(QStringLiteral("PushButton4_Click@122: The file \"")));
  EXPECT_EQ(readAll(path("results.txt")), old);
  EXPECT_EQ(form.pointerHistory, (std::vector<int>{pointer::Hourglass, pointer::Default}));
}

}  // namespace
}  // namespace lomandra::output
