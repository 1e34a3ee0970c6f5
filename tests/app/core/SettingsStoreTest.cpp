#include "app/core/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>
#include <gtest/gtest.h>

#ifdef __linux__
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lomandra {
namespace {

const QString kApp = QStringLiteral("Quillbrook");
const QString kSection = QStringLiteral("Lomandra");

TEST(SettingsStore, MissingKeysSectionsAndFilesYieldTheDefault) {
  QTemporaryDir dir;
  SettingsStore store(dir.path());
  EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Option"), QStringLiteral("dflt")), QStringLiteral("dflt"));
  ASSERT_TRUE(store.save(kApp, QStringLiteral("Other"), QStringLiteral("Option"), QStringLiteral("x")));
  EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Option"), QStringLiteral("dflt")), QStringLiteral("dflt"));
  EXPECT_EQ(store.get(QStringLiteral("Elsewhere"), QStringLiteral("Other"), QStringLiteral("Option"), {}), QString());
  SettingsStore nowhere(dir.filePath(QStringLiteral("no/such/folder")));
  EXPECT_EQ(nowhere.get(kApp, kSection, QStringLiteral("Option"), QStringLiteral("d")), QStringLiteral("d"));
}

TEST(SettingsStore, AnEmptyStoredValueIsNotTheDefault) {
  QTemporaryDir dir;
  SettingsStore store(dir.path());
  ASSERT_TRUE(store.save(kApp, kSection, QStringLiteral("Excel File"), QString()));
  EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Excel File"), QStringLiteral("dflt")), QString());
}

TEST(SettingsStore, TextsComeBackExactlyAsStored) {
  QTemporaryDir dir;
  struct Row {
    const char* name;
    QString value;
  } rows[] = {
      {"a Windows path", QStringLiteral("C:\\Data\\Book 1.xls")},
      {"commas", QStringLiteral("/data/a,b,c.xlsx")},
      {"a leading at sign", QStringLiteral("@Variant(x)")},
      {"quotes and semicolons", QStringLiteral("\"quoted\"; then = more")},
      {"surrounding spaces", QStringLiteral("  /spaced path.xls  ")},
      {"line breaks", QStringLiteral("one\r\ntwo\nthree")},
      {"non-Latin text", QStringLiteral("/données/表1.xlsx")},
      {"a long path", QString(4000, QLatin1Char('p'))},
      {"a bracketed group name", QStringLiteral("[General]")},
      {"percent signs and escapes", QStringLiteral("100%25 %0A %zz %")},
      {"an equals sign", QStringLiteral("a=b")},
  };
  for (const Row& row : rows) {
    SettingsStore writer(dir.path());
    ASSERT_TRUE(writer.save(kApp, kSection, QStringLiteral("Excel File"), row.value)) << row.name;
    SettingsStore reader(dir.path());  // as the next run would
    EXPECT_EQ(reader.get(kApp, kSection, QStringLiteral("Excel File"), QStringLiteral("<default>")), row.value)
        << row.name;
  }
}

TEST(SettingsStore, KeysAreKeptApartAndSavesReplace) {
  QTemporaryDir dir;
  SettingsStore store(dir.path());
  ASSERT_TRUE(store.save(kApp, kSection, QStringLiteral("Option"), QStringLiteral("Remove duplicates from results")));
  ASSERT_TRUE(store.save(kApp, kSection, QStringLiteral("Excel File"), QStringLiteral("/a.xls")));
  ASSERT_TRUE(store.save(kApp, kSection, QStringLiteral("Excel File"), QStringLiteral("/b.xls")));
  EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Option"), {}), QStringLiteral("Remove duplicates from results"));
  EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Excel File"), {}), QStringLiteral("/b.xls"));
  EXPECT_EQ(store.location(kApp), QDir(dir.path()).filePath(QStringLiteral("Quillbrook.ini")));
}

#ifdef __linux__
// Makes files and folders refuse every change, even to root (the immutable flag), or at least
// to anyone else (the mode), for as long as it lives.
class Locked {
 public:
  explicit Locked(const QStringList& paths) {
    for (const QString& path : paths) {
      const QByteArray local = path.toLocal8Bit();
      locked_.push_back({local, setImmutable(local, true)});
      if (!locked_.back().immutable) ::chmod(local.constData(), 0555);
    }
  }
  ~Locked() {
    for (const auto& entry : locked_) {
      if (entry.immutable) setImmutable(entry.path, false);
      ::chmod(entry.path.constData(), 0755);
    }
  }
  /// Whether writing into `folder` really fails here.
  static bool refusesNewFiles(const QString& folder) {
    QFile probe(folder + QStringLiteral("/probe"));
    if (!probe.open(QIODevice::WriteOnly)) return true;
    probe.remove();
    return false;
  }

 private:
  static bool setImmutable(const QByteArray& path, bool on) {
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = false;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
  }
  struct Entry {
    QByteArray path;
    bool immutable;
  };
  std::vector<Entry> locked_;
};

TEST(SettingsStore, AFailedSaveReportsItAndKeepsEveryStoredValue) {
  QTemporaryDir dir;
  SettingsStore store(dir.path());
  ASSERT_TRUE(store.save(kApp, kSection, QStringLiteral("Option"), QStringLiteral("Remove duplicates from results")));
  ASSERT_TRUE(store.save(kApp, kSection, QStringLiteral("Excel File"), QStringLiteral("/kept.xls")));
  {
    const Locked lock({dir.path(), store.location(kApp)});
    if (!Locked::refusesNewFiles(dir.path())) GTEST_SKIP() << "this machine cannot make a folder unwritable";
    EXPECT_FALSE(store.save(kApp, kSection, QStringLiteral("Excel File"), QStringLiteral("/lost.xls")));
    EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Excel File"), {}), QStringLiteral("/kept.xls"));
    EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Option"), {}), QStringLiteral("Remove duplicates from results"));
  }
  // Once the folder takes files again, the next save stores its key beside the other.
  ASSERT_TRUE(store.save(kApp, kSection, QStringLiteral("Excel File"), QStringLiteral("/new.xls")));
  EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Option"), {}), QStringLiteral("Remove duplicates from results"));
}

#endif

TEST(SettingsStore, AnUnreadableStoreIsNeverRewritten) {
  QTemporaryDir dir;
  SettingsStore store(dir.path());
  QFile big(store.location(kApp));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  const QByteArray line = "[Lomandra]\nOption=kept\n" + QByteArray(2 * 1024 * 1024, ' ');
  big.write(line);
  big.close();
  EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Option"), QStringLiteral("d")), QStringLiteral("d"));
  EXPECT_FALSE(store.save(kApp, kSection, QStringLiteral("Excel File"), QStringLiteral("/x.xls")));
  EXPECT_EQ(QFileInfo(store.location(kApp)).size(), line.size());
}

TEST(SettingsStore, SectionsAndKeysWithSpecialCharactersStayApart) {
  QTemporaryDir dir;
  SettingsStore store(dir.path());
  ASSERT_TRUE(store.save(kApp, QStringLiteral("A]B"), QStringLiteral("k=1"), QStringLiteral("one")));
  ASSERT_TRUE(store.save(kApp, QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("two")));
  EXPECT_EQ(store.get(kApp, QStringLiteral("A]B"), QStringLiteral("k=1"), {}), QStringLiteral("one"));
  EXPECT_EQ(store.get(kApp, QStringLiteral("A"), QStringLiteral("k"), {}), QStringLiteral("two"));
  EXPECT_EQ(store.get(kApp, QStringLiteral("A"), QStringLiteral("k=1"), QStringLiteral("none")), QStringLiteral("none"));
}

TEST(SettingsStore, AStoreThatCannotBeCreatedFailsQuietly) {
  QTemporaryDir dir;
  QFile blocker(dir.filePath(QStringLiteral("file")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  SettingsStore store(dir.filePath(QStringLiteral("file/below")));  // a folder inside a file
  EXPECT_FALSE(store.save(kApp, kSection, QStringLiteral("Option"), QStringLiteral("x")));
  EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Option"), QStringLiteral("d")), QStringLiteral("d"));
}

}  // namespace
}  // namespace lomandra
