#include "tests/app/Form1Harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include "app/Main.h"

namespace lomandra::testing {

Form1Harness::Form1Harness()
    : settings(std::make_unique<SettingsStore>(settingsDir.path())) {}

Form1Harness::~Form1Harness() = default;

bool Form1Harness::start() {
  if (form_) form_->close();
  form_.reset();
  app::Form1Services services;
  services.messages = &messages;
  services.dialog = &dialog;
  services.clipboard = system.clipboard ? system.clipboard : &clipboard;
  services.automation = system.automation ? system.automation : &sheets;
  services.settings = system.settings ? system.settings : settings.get();
  services.programFolder = QDir::toNativeSeparators(programFolder());  // as the program gives it
  services.doEvents = [this] {
    ++yields;
    if (onDoEvents) onDoEvents();
  };
  form_ = std::make_unique<app::Form1>(services);
  return form_->load();
}

bool Form1Harness::startShown() {
  if (!start()) return false;
  form_->showCentred();
  return QTest::qWaitForWindowExposed(form_.get());
}

void Form1Harness::placeProgramFile(const QString& relativePath, const QByteArray& bytes) {
  const QString path = QDir(programFolder()).filePath(relativePath);
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
    qFatal("cannot write %s", qUtf8Printable(path));
}

QByteArray Form1Harness::shippedFile(const QString& relativePath) {
  QFile file(QStringLiteral(LOMANDRA_APP_RESOURCES "/") + relativePath);
  if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qUtf8Printable(file.fileName()));
  return file.readAll();
}

void Form1Harness::placeShippedFiles() {
  placeProgramFile(QStringLiteral("HAND-M.CUR"), shippedFile(QStringLiteral("HAND-M.CUR")));
  placeProgramFile(QStringLiteral("x/o.cjs"), shippedFile(QStringLiteral("x/o.cjs")));
}

QString Form1Harness::stored(const QString& key, const QString& absent) const {
  const SettingsStore* active = system.settings ? system.settings : settings.get();
  return active->get(app::kSettingsApplication, app::kProductName, key, absent);
}

void Form1Harness::store(const QString& key, const QString& value) {
  SettingsStore* active = system.settings ? system.settings : settings.get();
  if (!active->save(app::kSettingsApplication, app::kProductName, key, value))
    qFatal("cannot store %s", qUtf8Printable(key));
}

QStringList Form1Harness::reports() const {
  static const QRegularExpression shape(
      QStringLiteral("^(.*)\\r\\nin Varnholt2021/08/31\\.Form1\\.(\\S+) at line (\\d+)\\r\\r"
                     "Please email screenshot of this message to \\S+$"),
      QRegularExpression::DotMatchesEverythingOption);
  QStringList result;
  for (const auto& box : messages.shown) {
    if (box.title != QStringLiteral("Application Error")) continue;
    const auto match = shape.match(box.text);
    if (match.hasMatch() && box.style == mb::Exclamation)
      result << match.captured(2) + QLatin1Char('@') + match.captured(3) + QStringLiteral(": ") +
                    match.captured(1);
    else
      result << QStringLiteral("<malformed report> ") + box.text;
  }
  return result;
}

QStringList Form1Harness::notices() const {
  QStringList result;
  for (const auto& box : messages.shown)
    if (box.title != QStringLiteral("Application Error")) result << box.text;
  return result;
}

void Form1Harness::click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }

void Form1Harness::type(QWidget* control, const QString& text) {
  for (const QChar ch : text) QTest::keyClicks(control, QString(ch));
}

}  // namespace lomandra::testing
