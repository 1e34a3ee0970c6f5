// lomandra-merge: the displayed texts of Range References of a workbook, for batch work.

#include <QCoreApplication>
#include <cstdio>

#include "cli/MergeTool.h"

#include <QFile>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // UTF-8 bytes go out unchanged, with no CR added before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  QCoreApplication application(argc, argv);  // the arguments as the platform gives them
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();

  const lomandra::cli::ToolStreams streams{
      [](std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); },
      [](std::string_view bytes) {
        std::fwrite(bytes.data(), 1, bytes.size(), stderr);
        std::fflush(stderr);
      },
      isatty(fileno(stderr)) != 0};
  const auto readStandardInput = [] {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) return QByteArray();
    return in.readAll();
  };
  const int status = lomandra::cli::runMergeTool(arguments, streams, readStandardInput);
  if (std::fflush(stdout) != 0 && status == 0) return 2;
  return status;
}
