// lomandra-merge: the displayed texts of Range References of a workbook, for batch work.

#include <QCoreApplication>
#include <cstdio>

#include "cli/MergeTool.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
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
      }};
  const int status = lomandra::cli::runMergeTool(arguments, streams);
  if (std::fflush(stdout) != 0 && status == 0) return 2;
  return status;
}
