#pragma once

// Runs the built lomandra-merge as a user would and keeps what it gave.

#include <QByteArray>
#include <QProcess>
#include <QStringList>

namespace lomandra::cli::testing {

/// What one run printed and its exit status (-1 when it crashed or hung).
struct Outcome {
  QByteArray out, err;
  int status = -1;
};

/// Runs lomandra-merge with `arguments`, `input` on its standard input.
inline Outcome runTool(const QStringList& arguments, const QByteArray& input = {}) {
  QProcess process;
  process.start(QStringLiteral(LOMANDRA_MERGE_PROGRAM), arguments);
  process.write(input);
  process.closeWriteChannel();
  Outcome outcome;
  if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
    process.kill();
    outcome.err = "the program crashed or hung";
    return outcome;
  }
  outcome.out = process.readAllStandardOutput();
  outcome.err = process.readAllStandardError();
  outcome.status = process.exitCode();
  return outcome;
}

}  // namespace lomandra::cli::testing
