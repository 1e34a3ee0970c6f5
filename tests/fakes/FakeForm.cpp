#include "tests/fakes/FakeForm.h"

#include <QRegularExpression>

#include "sheet/Failure.h"

namespace lomandra::fakes {

FakeForm::FakeForm() = default;

ErrorReportSink FakeForm::reportSink() {
  return [this](const QString& text) { msgBox(text, mb::Exclamation, QStringLiteral("Application Error")); };
}

QStringList FakeForm::reports() const {
  static const QRegularExpression shape(
      QStringLiteral("^(.*)\\r\\nin Varnholt2021/08/31\\.Form1\\.(\\S+) at line (\\d+)\\r\\r"),
      QRegularExpression::DotMatchesEverythingOption);
  QStringList result;
  for (const auto& box : messages.shown) {
    if (box.title != QStringLiteral("Application Error")) continue;
    const auto match = shape.match(box.text);
    if (match.hasMatch())
      result << match.captured(2) + QLatin1Char('@') + match.captured(3) + QStringLiteral(": ") +
                    match.captured(1);
    else
      result << QStringLiteral("<malformed report> ") + box.text;
  }
  return result;
}

int FakeForm::rangeListSelectedIndex() const {
  if (selectedRange < 1 || selectedRange > ranges.count())
    throw Failure("No entry of the list is selected.");
  return selectedRange;
}

int FakeForm::msgBox(const QString& text, int style, const QString& title) {
  return messages.show(text, style, title.isEmpty() ? QStringLiteral("Lomandra") : title);
}

void FakeForm::doEvents() {
  ++yields;
  if (onDoEvents) onDoEvents();
}

}  // namespace lomandra::fakes
