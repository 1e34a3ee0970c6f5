#include "app/core/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#ifdef Q_OS_WIN
#include "app/win32/Win32Services.h"
#endif

namespace lomandra {

namespace {

// A store file larger than this is not ours: it is neither read nor rewritten.
constexpr qint64 kLargestStore = 1024 * 1024;

// The INI text of a store file: "[section]" lines, each followed by "key=value" lines. In
// section names, keys and values, the characters that would break a line's shape are written
// as %XX ('%', CR, LF; '=' in keys; ']' in section names). Nothing else is changed, so values
// keep their spaces.
QString encode(const QString& text, const QString& special) {
  QString out;
  out.reserve(text.size());
  for (const QChar ch : text) {
    if (ch == QLatin1Char('%') || ch == QLatin1Char('\r') || ch == QLatin1Char('\n') || special.contains(ch))
      out += QLatin1Char('%') + QString::number(ch.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
    else
      out += ch;
  }
  return out;
}

int hexDigit(QChar ch) {
  const char16_t c = ch.unicode();
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

QString decode(QStringView text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('%') && i + 2 < text.size()) {
      const int high = hexDigit(text[i + 1]);
      const int low = hexDigit(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += QChar(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

struct Section {
  QString name;
  std::vector<std::pair<QString, QString>> entries;
};

using Sections = std::vector<Section>;

Sections parse(const QString& text) {
  Sections sections;
  for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
    QStringView line(rawLine);
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      sections.push_back({decode(line.mid(1, line.size() - 2)), {}});
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals <= 0 || sections.empty()) continue;  // blank lines, comments, stray text
    sections.back().entries.emplace_back(decode(line.left(equals)), decode(line.mid(equals + 1)));
  }
  return sections;
}

QByteArray format(const Sections& sections) {
  QString text;
  for (const Section& section : sections) {
    if (!text.isEmpty()) text += QLatin1Char('\n');
    text += QLatin1Char('[') + encode(section.name, QStringLiteral("]")) + QStringLiteral("]\n");
    for (const auto& [key, value] : section.entries)
      text += encode(key, QStringLiteral("=")) + QLatin1Char('=') + encode(value, QString()) + QLatin1Char('\n');
  }
  return text.toUtf8();
}

// The sections of the file at `path`: empty when there is no file, nothing when it exists but
// cannot be read as a store.
std::optional<Sections> readStore(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return Sections{};
  if (!info.isFile() || info.size() > kLargestStore) return std::nullopt;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.read(kLargestStore + 1);
  if (bytes.size() > kLargestStore || file.error() != QFileDevice::NoError) return std::nullopt;
  return parse(QString::fromUtf8(bytes));
}

QString defaultFolder() { return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation); }

#ifdef Q_OS_WIN
const QString kRegistryRoot = QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\");
#endif

}  // namespace

SettingsStore::SettingsStore() = default;

SettingsStore::SettingsStore(QString folder) : folder_(std::move(folder)) {}

QString SettingsStore::location(const QString& application) const {
#ifdef Q_OS_WIN
  if (folder_.isEmpty()) return kRegistryRoot + application;
#endif
  return QDir(folder_.isEmpty() ? defaultFolder() : folder_).filePath(application + QStringLiteral(".ini"));
}

QString SettingsStore::get(const QString& application, const QString& section, const QString& key,
                           const QString& defaultValue) const {
  try {
#ifdef Q_OS_WIN
    // The REG_SZ values of the platform's GetSetting, read as they are (QSettings would take a
    // stored text starting with "@" for one of its own encodings).
    if (folder_.isEmpty()) {
      const std::optional<std::wstring> stored =
          win32::getSetting(application.toStdWString(), section.toStdWString(), key.toStdWString());
      return stored ? QString::fromStdWString(*stored) : defaultValue;
    }
#endif
    const std::optional<Sections> sections = readStore(location(application));
    if (!sections) return defaultValue;
    for (const Section& s : *sections) {
      if (s.name != section) continue;
      for (const auto& [k, value] : s.entries)
        if (k == key) return value;
    }
    return defaultValue;
  } catch (...) {
    return defaultValue;
  }
}

bool SettingsStore::save(const QString& application, const QString& section, const QString& key,
                         const QString& value) {
  try {
#ifdef Q_OS_WIN
    if (folder_.isEmpty())
      return win32::saveSetting(application.toStdWString(), section.toStdWString(), key.toStdWString(),
                                value.toStdWString());
#endif
    const QString path = location(application);
    // A store that exists but cannot be read is left alone: rewriting it would lose its values.
    std::optional<Sections> sections = readStore(path);
    if (!sections) return false;
    auto s = std::find_if(sections->begin(), sections->end(), [&](const Section& x) { return x.name == section; });
    if (s == sections->end()) s = sections->insert(sections->end(), Section{section, {}});
    auto entry = std::find_if(s->entries.begin(), s->entries.end(), [&](const auto& e) { return e.first == key; });
    if (entry != s->entries.end())
      entry->second = value;
    else
      s->entries.emplace_back(key, value);

    QDir().mkpath(QFileInfo(path).path());
    // Written to a new file that then replaces the old one, so a failed write leaves the old.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = format(*sections);
    if (file.write(bytes) != bytes.size()) {
      file.cancelWriting();
      return false;
    }
    return file.commit();
  } catch (...) {
    return false;
  }
}

}  // namespace lomandra
