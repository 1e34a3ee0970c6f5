#include "app/CursorFile.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include "sheet/Failure.h"

namespace lomandra::app {

namespace {

constexpr qint64 kLargestCursorFile = 1024 * 1024;
constexpr int kDirectorySize = 6;
constexpr int kEntrySize = 16;

quint16 word(const QByteArray& bytes, int at) {
  return static_cast<quint16>(static_cast<quint8>(bytes[at]) |
                              (static_cast<quint8>(bytes[at + 1]) << 8));
}

quint32 dword(const QByteArray& bytes, int at) {
  return static_cast<quint32>(word(bytes, at)) | (static_cast<quint32>(word(bytes, at + 2)) << 16);
}

[[noreturn]] void refuse(const QString& path, const char* why) {
  throw Failure("The pointer file \"" + path.toStdString() + "\" " + why);
}

}  // namespace

QCursor loadCursorFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) refuse(path, "could not be read.");
  if (file.size() > kLargestCursorFile) refuse(path, "is too large to be a cursor file.");
  const QByteArray bytes = file.read(kLargestCursorFile);

  // Icon directory: reserved 0, type (1 icon, 2 cursor), image count; then one 16-byte entry
  // per image, whose bytes 4-7 hold a cursor's hotspot and bytes 8-15 the image's size and place.
  if (bytes.size() < kDirectorySize + kEntrySize) refuse(path, "is not a cursor file.");
  const quint16 reserved = word(bytes, 0);
  const quint16 type = word(bytes, 2);
  const quint16 images = word(bytes, 4);
  if (reserved != 0 || (type != 1 && type != 2) || images == 0)
    refuse(path, "is not a cursor file.");
  const quint32 imageSize = dword(bytes, kDirectorySize + 8);
  const quint32 imageOffset = dword(bytes, kDirectorySize + 12);
  if (imageOffset < kDirectorySize + kEntrySize ||
      static_cast<quint64>(imageOffset) + imageSize > static_cast<quint64>(bytes.size()))
    refuse(path, "is damaged: its image lies outside the file.");
  int hotX = 0, hotY = 0;
  if (type == 2) {
    hotX = word(bytes, kDirectorySize + 4);
    hotY = word(bytes, kDirectorySize + 6);
  }

  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  const QImage image = reader.read();
  if (image.isNull()) refuse(path, "holds no picture that can be shown.");
  if (hotX >= image.width() || hotY >= image.height())
    refuse(path, "is damaged: its hotspot lies outside the picture.");
  return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

}  // namespace lomandra::app
