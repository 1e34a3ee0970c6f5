#include "cli/CommandLine.h"

namespace lomandra::cli {

namespace {

UsageError usage(const QString& problem) {
  return UsageError((problem + QStringLiteral(" (see lomandra-merge --help)")).toStdString());
}

}  // namespace

MergeToolOptions parseCommandLine(const QStringList& arguments) {
  MergeToolOptions options;
  QStringList positional;
  bool optionsEnded = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    const bool isOption = !optionsEnded && argument.startsWith(QLatin1Char('-')) &&
                          argument != QStringLiteral("-");
    if (!isOption) {
      positional << argument;
    } else if (argument == QStringLiteral("--")) {
      optionsEnded = true;
    } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
      options.help = true;
    } else if (argument == QStringLiteral("--json")) {
      options.json = true;
    } else if (argument == QStringLiteral("--unique")) {
      options.unique = true;
    } else if (argument == QStringLiteral("--clipboard")) {
      options.clipboard = true;
    } else if (argument == QStringLiteral("--save") ||
               argument.startsWith(QStringLiteral("--save="))) {
      if (options.saveFile) throw usage(QStringLiteral("--save is given twice"));
      QString file;
      if (argument == QStringLiteral("--save")) {
        if (i + 1 >= arguments.size()) throw usage(QStringLiteral("--save needs a FILE"));
        file = arguments[++i];
      } else {
        file = argument.mid(7);
      }
      if (file.isEmpty()) throw usage(QStringLiteral("--save needs a FILE"));
      options.saveFile = file;
    } else {
      throw usage(QStringLiteral("unknown option \"%1\"").arg(argument));
    }
  }
  if (options.help) return options;
  if (options.json && options.clipboard)
    throw usage(QStringLiteral("--json and --clipboard both choose what is printed; give one"));
  if (positional.isEmpty()) throw usage(QStringLiteral("no WORKBOOK given"));
  options.workbook = positional.takeFirst();
  if (positional.isEmpty()) throw usage(QStringLiteral("no REFERENCE given"));
  options.references = positional;
  return options;
}

QString helpText() {
  return QStringLiteral(
      "Usage: lomandra-merge [--json] [--unique] [--save FILE] [--clipboard] WORKBOOK REFERENCE...\n"
      "\n"
      "Reads the displayed text of every cell of each REFERENCE in WORKBOOK, in the order given,\n"
      "as \"Start Merging\" does in Lomandra, and prints the texts one per line (UTF-8).\n"
      "A REFERENCE is a Range Reference as the Range List shows it: 'Sheet 1'!$A$1:$B$4,\n"
      "Sheet1!A1, $A:$A (a whole column), $2:$5 (whole rows), several areas joined by commas;\n"
      "without a sheet part it names cells of the active sheet. Each area is read row by row\n"
      "from the top, left to right, every cell once, empty cells as empty texts.\n"
      "WORKBOOK may be .xlsx, .xlsm, .xltx, .xltm, .xls, .ods or .csv; its content decides.\n"
      "\n"
      "Options:\n"
      "  --json         print one JSON array of strings instead: the exact texts, nothing\n"
      "                 trimmed (use it when a text may hold a line break)\n"
      "  --unique       drop a text exactly equal (case, spaces, the empty text included) to\n"
      "                 one already in the list, as \"Remove duplicates from results\" does\n"
      "  --save FILE    write FILE byte for byte as \"Save Results As Text File\" does\n"
      "                 (tab-separated, CR LF, Windows-1252); nothing else is printed unless\n"
      "                 --json or --clipboard asks for it\n"
      "  --clipboard    print the text that \"Copy Results To Clipboard\" would place on the\n"
      "                 clipboard instead of one text per line\n"
      "  --help         print this help\n"
      "  --             end of options\n"
      "\n"
      "The workbook is opened once for all references. Lomandra's window opens it afresh for\n"
      "every Range Reference; the built-in engine reads the same texts either way.\n"
      "A run reads at most 16,777,216 cells (sixteen whole columns); a reference that would\n"
      "go past that fails.\n"
      "\n"
      "A REFERENCE that cannot be read prints \"REFERENCE: description\" on standard error, and\n"
      "the other references are still merged.\n"
      "\n"
      "Exit status:\n"
      "  0  every reference was read\n"
      "  1  one or more references failed (the others were merged), a damaged sheet among\n"
      "     them: \"REFERENCE: description\" on standard error for each\n"
      "  2  bad usage, the workbook cannot be opened, or FILE cannot be written (one line on\n"
      "     standard error for each)\n");
}

}  // namespace lomandra::cli
