#include "app/core/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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
// Makes a folder refuse new files, even to root (immutable flag), or to anyone else (mode).
class LockedFolder {
 public:
  explicit LockedFolder(const QString& path) : path_(path.toLocal8Bit()) {
    const int fd = ::open(path_.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
      int flags = 0;
      if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags |= FS_IMMUTABLE_FL;
        immutable_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
      }
      ::close(fd);
    }
    if (!immutable_) ::chmod(path_.constData(), 0555);
  }
  ~LockedFolder() {
    if (immutable_) {
      const int fd = ::open(path_.constData(), O_RDONLY | O_DIRECTORY);
      int flags = 0;
      if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
      }
      if (fd >= 0) ::close(fd);
    }
    ::chmod(path_.constData(), 0755);
  }
  /// Whether writing into the folder really fails here.
  bool locked() const {
    QFile probe(QString::fromLocal8Bit(path_) + QStringLiteral("/probe"));
    if (!probe.open(QIODevice::WriteOnly)) return true;
    probe.remove();
    return false;
  }

 private:
  QByteArray path_;
  bool immutable_ = false;
};

TEST(SettingsStore, AFailedSaveReportsItAndKeepsEveryStoredValue) {
  QTemporaryDir dir;
  SettingsStore store(dir.path());
  ASSERT_TRUE(store.save(kApp, kSection, QStringLiteral("Option"), QStringLiteral("Remove duplicates from results")));
  ASSERT_TRUE(store.save(kApp, kSection, QStringLiteral("Excel File"), QStringLiteral("/kept.xls")));
  {
    LockedFolder lock(dir.path());
    if (!lock.locked()) GTEST_SKIP() << "this machine cannot make a folder unwritable";
    EXPECT_FALSE(store.save(kApp, kSection, QStringLiteral("Excel File"), QStringLiteral("/lost.xls")));
    EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Excel File"), {}), QStringLiteral("/kept.xls"));
    EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Option"), {}), QStringLiteral("Remove duplicates from results"));
  }
  // Once the folder takes files again, the next save stores its key beside the other.
  ASSERT_TRUE(store.save(kApp, kSection, QStringLiteral("Excel File"), QStringLiteral("/new.xls")));
  EXPECT_EQ(store.get(kApp, kSection, QStringLiteral("Option"), {}), QStringLiteral("Remove duplicates from results"));
}

#endif

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
