// lomandra-merge's manual page and its --help describe the same options, and every option the
// help lists is one the command line takes.
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "cli/CommandLine.h"

namespace lomandra::cli {
namespace {

struct HelpOption {
  QString name;
  bool takesValue = false;  // "  --save FILE   ..."
};

// The entries of the help's "Options:" part: lines that begin with two spaces and a dash.
std::vector<HelpOption> helpOptions() {
  static const QRegularExpression entry(QStringLiteral("^  (-[^ ,]*)( [A-Z]+)?(?: |$)"));
  std::vector<HelpOption> options;
  bool inOptions = false;
  for (const QString& line : helpText().split(QLatin1Char('\n'))) {
    if (line == QStringLiteral("Options:")) {
      inOptions = true;
    } else if (inOptions && line.isEmpty()) {
      break;
    } else if (inOptions) {
      const QRegularExpressionMatch match = entry.match(line);
      if (match.hasMatch()) options.push_back({match.captured(1), match.hasCaptured(2)});
    }
  }
  return options;
}

// The options the page's OPTIONS section describes: the first word of the tag line that
// follows each .TP (".B \-\-json", ".BI \-\-save " FILE"", ".BR \-\-help ", " \-h").
QStringList pageOptions(const QString& page) {
  QStringList options;
  bool inOptions = false;
  bool tagNext = false;
  for (const QString& line : page.split(QLatin1Char('\n'))) {
    if (line.startsWith(QStringLiteral(".SH "))) {
      inOptions = line == QStringLiteral(".SH OPTIONS");
    } else if (inOptions && line == QStringLiteral(".TP")) {
      tagNext = true;
    } else if (tagNext) {
      tagNext = false;
      QString tag = line.section(QLatin1Char(' '), 1);  // without the font macro
      tag.replace(QStringLiteral("\\-"), QStringLiteral("-")).remove(QLatin1Char('"'));
      options << tag.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty)
                     .remove(QLatin1Char(','));
    }
  }
  return options;
}

QString manualPage() {
  QFile file(QStringLiteral(LOMANDRA_MANUAL_PAGE));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

TEST(ManualPage, DescribesEveryOptionOfTheHelpAndNoOther) {
  const QString page = manualPage();
  ASSERT_FALSE(page.isEmpty()) << LOMANDRA_MANUAL_PAGE;
  QStringList inHelp;
  for (const HelpOption& option : helpOptions()) inHelp << option.name;
  QStringList inPage = pageOptions(page);
  ASSERT_GE(inHelp.size(), 7) << inHelp.join(QLatin1Char(' ')).toStdString();
  inHelp.sort();
  inPage.sort();
  EXPECT_EQ(inPage.join(QLatin1Char(' ')).toStdString(), inHelp.join(QLatin1Char(' ')).toStdString())
      << "the options of the page's OPTIONS section and of --help";
}

TEST(ManualPage, EveryOptionOfTheHelpIsTakenByTheCommandLine) {
  for (const HelpOption& option : helpOptions()) {
    QStringList arguments{option.name};
    // A value every option that takes one accepts: --jobs wants a number.
    if (option.takesValue) arguments << QStringLiteral("2");
    arguments << QStringLiteral("book.xlsx") << QStringLiteral("A1");
    EXPECT_NO_THROW(parseCommandLine(arguments)) << option.name.toStdString();
  }
}

}  // namespace
}  // namespace lomandra::cli
