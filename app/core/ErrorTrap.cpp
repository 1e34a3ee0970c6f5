#include "app/core/ErrorTrap.h"

#include <exception>
#include <new>

namespace lomandra {

namespace {
const QString kLocationPrefix = QStringLiteral("in Varnholt2021/08/31.Form1.");
}  // namespace

ErrorTrap::ErrorTrap(ErrorReportSink sink, QString procedure)
    : sink_(std::move(sink)), procedure_(std::move(procedure)) {}

QString ErrorTrap::location() const { return kLocationPrefix + procedure_ + QLatin1Char(' '); }

const QString& ErrorTrap::supportAddress() {
  // Set by the build (LOMANDRA_SUPPORT_EMAIL), so a package can carry its own address.
  static const QString address = QString::fromUtf8(LOMANDRA_SUPPORT_EMAIL);
  return address;
}

QString ErrorTrap::reportText(const QString& description, const QString& procedure, int line) {
  return description + QStringLiteral("\r\n") + kLocationPrefix + procedure + QLatin1Char(' ') +
         QStringLiteral("at line ") + QString::number(line) + QStringLiteral("\r\r") +
         QStringLiteral("Please email screenshot of this message to ") + supportAddress();
}

void ErrorTrap::reportCurrent() {
  // Showing the report must never take the program down, whatever went wrong in it.
  try {
    const QString text = reportText(describeCurrentException(), procedure_, line_);
    if (sink_) sink_(text);
  } catch (...) {
  }
}

QString describeCurrentException() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return QStringLiteral("Out of memory");
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("Unexpected failure");
  }
}

void runUntrapped(const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
  }
}

}  // namespace lomandra
