#include "app/CursorFile.h"

#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include "sheet/Failure.h"
#include "tests/app/Form1Harness.h"

namespace lomandra::app {
namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes) {
  const QString path = dir.filePath(QStringLiteral("pointer.cur"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) ADD_FAILURE() << "cannot write " << path.toStdString();
  file.write(bytes);
  return path;
}

void putWord(QByteArray& bytes, int at, quint16 value) { qToLittleEndian(value, bytes.data() + at); }
void putDword(QByteArray& bytes, int at, quint32 value) { qToLittleEndian(value, bytes.data() + at); }

TEST(CursorFile, TheShippedHandHasItsHotspotOnTheFingertip) {
  QTemporaryDir dir;
  const QCursor hand = loadCursorFile(writeFile(dir, testing::Form1Harness::shippedFile(QStringLiteral("HAND-M.CUR"))));
  EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
  EXPECT_EQ(hand.hotSpot(), QPoint(6, 0));
  const QImage image = hand.pixmap().toImage();
  ASSERT_EQ(image.size(), QSize(32, 32));
  EXPECT_EQ(qAlpha(image.pixel(6, 0)), 255);   // the outline at the tip
  EXPECT_EQ(qAlpha(image.pixel(31, 31)), 0);   // transparent corner
  EXPECT_EQ(image.pixel(6, 2) & 0xffffff, 0xffffffu);  // white inside the finger
}

TEST(CursorFile, AnotherHotspotIsReadFromTheFile) {
  QTemporaryDir dir;
  QByteArray bytes = testing::Form1Harness::shippedFile(QStringLiteral("HAND-M.CUR"));
  putWord(bytes, 10, 17);
  putWord(bytes, 12, 9);
  EXPECT_EQ(loadCursorFile(writeFile(dir, bytes)).hotSpot(), QPoint(17, 9));
}

TEST(CursorFile, DamagedFilesAreRefusedWithAReason) {
  const QByteArray good = testing::Form1Harness::shippedFile(QStringLiteral("HAND-M.CUR"));
  struct Row {
    const char* name;
    std::function<void(QByteArray&)> damage;
    const char* reason;
  } rows[] = {
      {"empty", [](QByteArray& b) { b.clear(); }, "is not a cursor file."},
      {"cut short", [](QByteArray& b) { b.truncate(12); }, "is not a cursor file."},
      {"not an icon directory", [](QByteArray& b) { putWord(b, 2, 7); }, "is not a cursor file."},
      {"no images", [](QByteArray& b) { putWord(b, 4, 0); }, "is not a cursor file."},
      {"image past the end", [](QByteArray& b) { putDword(b, 18, 0x7fffffff); },
       "is damaged: its image lies outside the file."},
      {"image inside the directory", [](QByteArray& b) { putDword(b, 18, 2); },
       "is damaged: its image lies outside the file."},
      {"hotspot outside", [](QByteArray& b) { putWord(b, 10, 400); },
       "is damaged: its hotspot lies outside the picture."},
      {"a text file", [](QByteArray& b) { b = QByteArray(2000, 'x'); }, "is not a cursor file."},
  };
  for (const Row& row : rows) {
    QTemporaryDir dir;
    QByteArray bytes = good;
    row.damage(bytes);
    const QString path = writeFile(dir, bytes);
    try {
      loadCursorFile(path);
      ADD_FAILURE() << row.name << ": loaded";
    } catch (const Failure& failure) {
      EXPECT_EQ(std::string(failure.what()),
                "The pointer file \"" + path.toStdString() + "\" " + row.reason)
          << row.name;
    }
  }
}

TEST(CursorFile, AMissingFileCannotBeRead) {
  QTemporaryDir dir;
  EXPECT_THROW(loadCursorFile(dir.filePath(QStringLiteral("none.cur"))), Failure);
}

}  // namespace
}  // namespace lomandra::app
