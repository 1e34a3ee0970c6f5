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

/// Runs lomandra-merge with `arguments`, `input` on its standard input, in an environment whose
/// locale is C (so the texts are en-US whatever the machine's locale) plus `locale`'s variables
/// ("LC_ALL=de_DE.UTF-8").
inline Outcome runTool(const QStringList& arguments, const QByteArray& input = {},
                       const QStringList& locale = {}) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_MONETARY", "LANG"})
    environment.remove(QString::fromLatin1(name));
  environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
  for (const QString& variable : locale)
    environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
  process.setProcessEnvironment(environment);
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
