#include "ranges/FilePattern.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "sheet/Failure.h"

#ifdef Q_OS_WIN
#include "app/win32/Win32Services.h"
#endif

namespace lomandra::ranges {

bool wildcardMatches(const QString& pattern, const QString& name, bool caseSensitive) {
  // Code points, so ? stands for one character even outside the Basic Multilingual Plane.
  const QList<uint> p = pattern.toUcs4();
  const QList<uint> n = name.toUcs4();
  auto same = [caseSensitive](uint a, uint b) {
    if (a == b) return true;
    return !caseSensitive && QChar::toCaseFolded(a) == QChar::toCaseFolded(b);
  };
  // Greedy matching with one backtrack point: the last * seen.
  qsizetype pi = 0, ni = 0, starAt = -1, resumeAt = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == '*') {
      starAt = pi++;
      resumeAt = ni;
    } else if (pi < p.size() && (p[pi] == '?' || same(p[pi], n[ni]))) {
      ++pi;
      ++ni;
    } else if (starAt >= 0) {
      pi = starAt + 1;
      ni = ++resumeAt;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

#ifdef Q_OS_WIN

// The platform's own directory listing answers, wildcards and all.
bool ordinaryFileMatches(const QString& path) {
  switch (win32::ordinaryFileMatches(path.toStdWString())) {
    case win32::PatternMatch::Match: return true;
    case win32::PatternMatch::NoMatch: return false;
    case win32::PatternMatch::BadName: break;
  }
  if (path.contains(QChar(0))) throw Failure("Bad file name: the path contains a NUL character.");
  throw Failure("Bad file name: \"" + path.toStdString() + "\" cannot name a file.");
}

#else

namespace {

constexpr qsizetype kMaxNameBytes = 255;   // one name in the path
constexpr qsizetype kMaxPathBytes = 4095;  // the whole path

bool isHiddenName(const QString& name) { return name.startsWith(QLatin1Char('.')); }

// Names the platform cannot take fail with a description; everything else is a question of
// whether a file is there.
void checkFileName(const QString& path) {
  if (path.contains(QChar(0))) throw Failure("Bad file name: the path contains a NUL character.");
  if (!path.isValidUtf16()) throw Failure("Bad file name: the path holds a broken character.");
  const QByteArray encoded = QFile::encodeName(path);
  if (encoded.size() > kMaxPathBytes)
    throw Failure("Bad file name: the path is longer than the 4095 bytes a path can have.");
  for (const QByteArray& part : encoded.split('/'))
    if (part.size() > kMaxNameBytes)
      throw Failure("Bad file name: a name in the path is longer than the 255 bytes a file "
                    "name can have.");
}

}  // namespace

bool ordinaryFileMatches(const QString& path) {
  if (path.isEmpty()) return false;
  checkFileName(path);
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const QString folder = slash < 0 ? QStringLiteral(".") : path.left(slash + 1);
  const QString pattern = path.mid(slash + 1);
  if (pattern.isEmpty() || isHiddenName(pattern)) return false;

  const bool wildcards = pattern.contains(QLatin1Char('*')) || pattern.contains(QLatin1Char('?'));
  if (!wildcards) {
    const QFileInfo file(path);  // follows a symbolic link to the file it names
    return file.isFile();
  }
  // Without QDir::Hidden and QDir::System the listing leaves out dot files, sockets, devices,
  // pipes and broken links; QDir::Files leaves out folders.
  QDirIterator listing(folder, QDir::Files | QDir::NoDotAndDotDot);
  while (listing.hasNext()) {
    listing.next();
    const QString name = listing.fileName();
    if (!isHiddenName(name) && wildcardMatches(pattern, name, true)) return true;
  }
  return false;
}

#endif

}  // namespace lomandra::ranges
