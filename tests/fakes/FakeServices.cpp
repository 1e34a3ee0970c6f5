#include "tests/fakes/FakeServices.h"

namespace lomandra::fakes {

int FakeMessageBox::show(const QString& text, int style, const QString& title) {
  shown.push_back({text, style, title});
  if (onShow) onShow(shown.back());
  if (!answers.empty()) {
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  return (style & 7) == mb::YesNo ? mb::Yes : mb::Ok;
}

QStringList FakeMessageBox::texts() const {
  QStringList result;
  for (const auto& s : shown) result << s.text;
  return result;
}

void FakeCommonDialog::answer(bool save) {
  shown.push_back({save, fileName, dialogTitle, filter, flags, initDir});
  if (chooses.empty()) return;
  const QString chosen = chooses.front();
  chooses.pop_front();
  if (!chosen.isEmpty()) fileName = chosen;
}

bool FakeClipboard::clear() {
  ++clearAttempts;
  if (refuseClears > 0) {
    --refuseClears;
    return false;
  }
  content.clear();
  return true;
}

bool FakeClipboard::setText(const QString& text) {
  ++setAttempts;
  if (refuseSets > 0) {
    --refuseSets;
    return false;
  }
  content = text;
  return true;
}

}  // namespace lomandra::fakes
