#include <unistd.h>

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "LocalPath.h"
#include "RegularFile.h"
#include "SketchCommand.h"

int main(int argc, char** argv) {
  const QCoreApplication application(argc, argv);
  // Ctrl-C in the middle of a batch leaves the finished sketches and no hidden part-written file.
  tracella::RemoveTemporaryFilesOnSignals();
  QTextStream output(stdout);
  QTextStream errors(stderr);
  // Not QCoreApplication::arguments(): it decodes names that are not UTF-8 lossily.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments.append(tracella::LocalPathText(argv[i]));
  return tracella::RunSketchCommand(arguments, output, errors, ::isatty(STDERR_FILENO) == 1);
}
