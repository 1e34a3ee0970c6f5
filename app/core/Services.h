#pragma once

// Small interfaces over the platform services the commands use, so tests can replace each one.

#include <QString>

namespace lomandra {

/// Message-box styles and answers, with the values the commands are written against.
namespace mb {
constexpr int OkOnly = 0;       ///< OK button, no icon
constexpr int YesNo = 4;        ///< Yes and No buttons, Yes the default
constexpr int Exclamation = 48; ///< warning icon
constexpr int Ok = 1;           ///< answer: OK
constexpr int Yes = 6;          ///< answer: Yes
constexpr int No = 7;           ///< answer: No
}  // namespace mb

/// A modal message box: shows `text` with a style from mb and a title; returns the answer.
class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  virtual int show(const QString& text, int style, const QString& title) = 0;
};

/// The main window's file dialog (`CommonDialog1`): it keeps its properties between uses,
/// as the commands rely on. showOpen/showSave set fileName to the chosen full path, or leave
/// it as it was when the user cancels.
class CommonDialog {
 public:
  virtual ~CommonDialog() = default;
  QString fileName;
  QString dialogTitle;
  QString filter;  ///< "Caption|pattern|Caption|pattern|"
  int flags = 0;
  QString initDir;  ///< the folder an open dialog starts in when no file name is given ("": any)
  virtual void showOpen() = 0;
  virtual void showSave() = 0;
};

/// The system clipboard as plain text. Each call is one attempt; false when it failed
/// (for instance while another program holds the clipboard).
class ClipboardService {
 public:
  virtual ~ClipboardService() = default;
  virtual bool clear() = 0;
  virtual bool setText(const QString& text) = 0;
};

}  // namespace lomandra
