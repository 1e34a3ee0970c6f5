#include "cli/CommandLine.h"

using namespace Qt::Literals::StringLiterals;

namespace lomandra::cli {

namespace {

UsageError usage(const QString& problem) {
  return UsageError((problem + QStringLiteral(" (see lomandra-merge --help)")).toStdString());
}

// The value of an option that takes one: "--name VALUE" or "--name=VALUE". Advances `i` past
// a separate value. Empty when `argument` is not this option.
std::optional<QString> optionValue(const QStringList& arguments, qsizetype& i, QLatin1StringView name,
                                   QLatin1StringView what) {
  const QString& argument = arguments[i];
  QString value;
  if (argument == name) {
    if (i + 1 >= arguments.size()) throw usage(QStringLiteral("%1 needs a %2").arg(name, what));
    value = arguments[++i];
  } else if (argument.startsWith(name) && argument.size() > name.size() &&
             argument[name.size()] == QLatin1Char('=')) {
    value = argument.mid(name.size() + 1);
  } else {
    return std::nullopt;
  }
  if (value.isEmpty()) throw usage(QStringLiteral("%1 needs a %2").arg(name, what));
  return value;
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
    } else if (argument == QStringLiteral("--version")) {
      options.version = true;
    } else if (argument == QStringLiteral("--json")) {
      options.json = true;
    } else if (argument == QStringLiteral("--unique")) {
      options.unique = true;
    } else if (argument == QStringLiteral("--clipboard")) {
      options.clipboard = true;
    } else if (argument == QStringLiteral("--with-source")) {
      options.withSource = true;
    } else if (argument == QStringLiteral("--skip-empty")) {
      options.skipEmpty = true;
    } else if (argument == QStringLiteral("--by-column")) {
      options.byColumn = true;
    } else if (const auto file = optionValue(arguments, i, "--save"_L1, "FILE"_L1)) {
      if (options.saveFile) throw usage(QStringLiteral("--save is given twice"));
      options.saveFile = *file;
    } else if (const auto path = optionValue(arguments, i, "--workbook"_L1, "PATH"_L1)) {
      options.workbookPaths << *path;
    } else if (const auto list = optionValue(arguments, i, "--workbooks"_L1, "LIST"_L1)) {
      if (options.workbookList) throw usage(QStringLiteral("--workbooks is given twice"));
      options.workbookList = *list;
    } else if (const auto tag = optionValue(arguments, i, "--locale"_L1, "locale tag such as de-DE"_L1)) {
      if (options.locale) throw usage(QStringLiteral("--locale is given twice"));
      options.locale = *tag;
    } else if (const auto jobs = optionValue(arguments, i, "--jobs"_L1, "number"_L1)) {
      bool ok = false;
      options.jobs = jobs->toInt(&ok);
      if (!ok || options.jobs < 1 || options.jobs > 256)
        throw usage(QStringLiteral("--jobs needs a number from 1 to 256"));
    } else {
      throw usage(QStringLiteral("unknown option \"%1\"").arg(argument));
    }
  }
  if (options.help || options.version) return options;
  if (options.json && options.clipboard)
    throw usage(QStringLiteral("--json and --clipboard both choose what is printed; give one"));
  if (options.withSource && (options.saveFile || options.clipboard))
    throw usage(QStringLiteral("--with-source does not go with --save or --clipboard, whose "
                               "layouts hold the texts alone"));
  if (!options.manyWorkbooks()) {
    if (positional.isEmpty()) throw usage(QStringLiteral("no WORKBOOK given"));
    options.workbook = positional.takeFirst();
  }
  if (positional.isEmpty()) throw usage(QStringLiteral("no REFERENCE given"));
  options.references = positional;
  return options;
}

QStringList parseWorkbookList(const QByteArray& list) {
  QStringList paths;
  for (QByteArray line : list.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    if (!line.trimmed().isEmpty()) paths << QString::fromLocal8Bit(line);
  }
  if (paths.isEmpty()) throw usage(QStringLiteral("the --workbooks list names no workbook"));
  return paths;
}

QString helpText() {
  return QStringLiteral(
      "Usage: lomandra-merge [--json] [--unique] [--save FILE] [--clipboard] WORKBOOK REFERENCE...\n"
      "       lomandra-merge [options] (--workbook PATH)... REFERENCE...\n"
      "       lomandra-merge [options] --workbooks LIST REFERENCE...\n"
      "       lomandra-merge --help | --version\n"
      "\n"
      "Reads the displayed text of every cell of each REFERENCE in WORKBOOK, in the order given,\n"
      "as \"Start Merging\" does in Lomandra, and prints the texts one per line (UTF-8).\n"
      "A REFERENCE is a Range Reference as the Range List shows it: 'Sheet 1'!$A$1:$B$4,\n"
      "Sheet1!A1, $A:$A (a whole column), $2:$5 (whole rows), several areas joined by commas;\n"
      "without a sheet part it names cells of the active sheet. Each area is read row by row\n"
      "from the top, left to right, every cell once, empty cells as empty texts.\n"
      "WORKBOOK may be .xlsx, .xlsm, .xltx, .xltm, .xls, .ods or .csv; its content decides.\n"
      "\n"
      "With --workbook or --workbooks every REFERENCE is read from each workbook in turn:\n"
      "workbooks in the order given, references in the order given, each workbook exactly as\n"
      "a run on it alone would read it. The workbooks are read in parallel; the output is the\n"
      "same as reading them one after the other.\n"
      "\n"
      "Options:\n"
      "  --json           print one JSON array of strings instead: the exact texts, nothing\n"
      "                   trimmed (use it when a text may hold a line break)\n"
      "  --unique         drop a text exactly equal (case, spaces, the empty text included)\n"
      "                   to one already in the list, as \"Remove duplicates from results\"\n"
      "                   does; across all workbooks of the run\n"
      "  --save FILE      write FILE byte for byte as \"Save Results As Text File\" does\n"
      "                   (tab-separated, CR LF, UTF-8 without a byte order mark; on\n"
      "                   Windows the system's ANSI code page); nothing else is printed\n"
      "                   unless --json or --clipboard asks for it\n"
      "  --clipboard      print the text that \"Copy Results To Clipboard\" would place on the\n"
      "                   clipboard instead of one text per line\n"
      "  --workbook PATH  read this workbook; give it once for each workbook\n"
      "  --workbooks LIST read the workbooks LIST names, one path per line (blank lines are\n"
      "                   skipped); - reads the list from standard input\n"
      "  --with-source    give the workbook path, the sheet name and the cell's address (B7)\n"
      "                   with every text: four tab-separated fields a line, a tab, line\n"
      "                   break or backslash in a field written as \\t, \\n (\\r), \\\\; with\n"
      "                   --json an array of objects {\"workbook\", \"sheet\", \"cell\", \"text\"}.\n"
      "                   Not with --save or --clipboard\n"
      "  --skip-empty     leave out cells whose text is empty\n"
      "  --by-column      walk each area column by column, top to bottom, instead of row by row\n"
      "  --jobs N         read at most N workbooks at a time (default: one per processor core)\n"
      "  --locale TAG     show the texts as the spreadsheet application shows them with the\n"
      "                   regional settings TAG (de-DE, fr_FR.UTF-8, ja-JP, ...); --locale\n"
      "                   en-US gives the texts of an American installation\n"
      "  --help           print this help\n"
      "  --version        print the program's name and version\n"
      "  --               end of options\n"
      "\n"
      "The texts follow a locale, as the spreadsheet application follows the regional\n"
      "settings: separators (1.234,5 in de-DE), the system's dates and times behind the\n"
      "built-in formats (14 is 09.12.2025 in de-DE), the currency formats, month and day\n"
      "names. Without --locale it is the environment's: LC_ALL, then LC_NUMERIC, LC_TIME and\n"
      "LC_MONETARY each for its part, then LANG; C, POSIX or none of them set give en-US.\n"
      "\n"
      "Each workbook is opened once for all references. Lomandra's window opens it afresh for\n"
      "every Range Reference; the built-in engine reads the same texts either way.\n"
      "A run reads at most 16,777,216 cells (sixteen whole columns) of one workbook; a reference\n"
      "that would go past that fails.\n"
      "\n"
      "A REFERENCE that cannot be read prints \"REFERENCE: description\" on standard error (with\n"
      "--workbook or --workbooks \"PATH: REFERENCE: description\"), and the other references\n"
      "are still merged. A workbook that cannot be opened prints \"PATH: description\" and the\n"
      "other workbooks are still merged. When standard error is a terminal, a run over several\n"
      "workbooks shows its progress there.\n"
      "\n"
      "Example: the figures in B7:B9 of every report in a folder, with where each came from:\n"
      "  find reports -name '*.xlsx' | sort | lomandra-merge --with-source --workbooks - \\\n"
      "      \"'Summary'!\\$B\\$7:\\$B\\$9\"\n"
      "\n"
      "Exit status:\n"
      "  0  every reference was read\n"
      "  1  one or more references or workbooks failed, a damaged sheet among them (the\n"
      "     others were merged)\n"
      "  2  bad usage, no workbook could be opened, or FILE cannot be written (one line on\n"
      "     standard error for each)\n");
}

QString versionText() {
  return QStringLiteral("lomandra-merge ") + QStringLiteral(LOMANDRA_VERSION) + QLatin1Char('\n');
}

}  // namespace lomandra::cli
