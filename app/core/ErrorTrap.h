#pragma once

#include <QString>
#include <functional>

namespace lomandra {

/// Shows one Error Report text (title "Application Error", warning icon, OK).
using ErrorReportSink = std::function<void(const QString& reportText)>;

/// The uniform error trap of a handler. A handler runs its numbered steps through step() and
/// test(); a step that fails shows the Error Report citing the handler and the step's line and
/// the handler then goes on with its next step. Nothing is rolled back.
///
///   ErrorTrap trap(reportSink, "PushButton5_Click");
///   if (trap.test(100, [&] { return form.pathText().isEmpty(); })) { ... }
///   trap.step(108, [&] { form.setMousePointer(pointer::Hourglass); });
class ErrorTrap {
 public:
  ErrorTrap(ErrorReportSink sink, QString procedure);

  /// Runs one numbered step. Returns true when it completed, false when it failed (and was reported).
  template <typename Step>
  bool step(int line, Step&& body) {
    line_ = line;
    try {
      body();
      return true;
    } catch (...) {
      reportCurrent();
      return false;
    }
  }

  /// Evaluates the condition of a numbered step. A condition that fails to evaluate is reported
  /// and counts as held, so the first guarded step runs next.
  template <typename Condition>
  bool test(int line, Condition&& condition) {
    line_ = line;
    try {
      return static_cast<bool>(condition());
    } catch (...) {
      reportCurrent();
      return true;
    }
  }

  /// The number of the last numbered step that has begun.
  int line() const { return line_; }
  /// "in Varnholt2021/08/31.Form1.<procedure> "
  QString location() const;

  /// The report text for a failure of `description` in `procedure` at `line`.
  static QString reportText(const QString& description, const QString& procedure, int line);
  /// The support address named in the last line of every report.
  static const QString& supportAddress();

 private:
  void reportCurrent();  // reads the in-flight exception

  ErrorReportSink sink_;
  QString procedure_;
  int line_ = 0;
};

/// The description text of the exception in flight (call inside a catch block).
QString describeCurrentException();

/// Runs a handler that carries no trap of its own (key, double-click, text change, pointer move)
/// so that a failure in it is swallowed and never ends the program.
void runUntrapped(const std::function<void()>& handler);

}  // namespace lomandra
