#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "app/core/Services.h"

namespace lomandra::fakes {

/// Records every message box and answers from a script (OK, or Yes for a Yes/No box, by default).
class FakeMessageBox : public MessageBoxService {
 public:
  struct Shown {
    QString text;
    int style;
    QString title;
  };
  std::vector<Shown> shown;
  std::deque<int> answers;  ///< answers to give, in order; then the default
  std::function<void(const Shown&)> onShow;  ///< runs while the box is "open"

  int show(const QString& text, int style, const QString& title) override;
  /// The texts shown, in order.
  QStringList texts() const;
};

/// A file dialog that records what it was asked and answers with `chooses` (empty = Cancel).
class FakeCommonDialog : public CommonDialog {
 public:
  struct Shown {
    bool save;
    QString fileName, dialogTitle, filter;
    int flags;
    QString initDir;
  };
  std::vector<Shown> shown;
  std::deque<QString> chooses;  ///< answers in order; an empty text or none left cancels

  void showOpen() override { answer(false); }
  void showSave() override { answer(true); }

 private:
  void answer(bool save);
};

/// A clipboard that can refuse a given number of attempts before it takes one.
class FakeClipboard : public ClipboardService {
 public:
  QString content = QStringLiteral("<previous content>");
  int refuseClears = 0;  ///< attempts to refuse before a clear succeeds
  int refuseSets = 0;
  int clearAttempts = 0;
  int setAttempts = 0;

  bool clear() override;
  bool setText(const QString& text) override;
};

}  // namespace lomandra::fakes
