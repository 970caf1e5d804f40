#include <unistd.h>

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "SketchCommand.h"

int main(int argc, char** argv) {
  const QCoreApplication application(argc, argv);
  QTextStream output(stdout);
  QTextStream errors(stderr);
  return tracella::RunSketchCommand(QCoreApplication::arguments().mid(1), output, errors, ::isatty(STDERR_FILENO) == 1);
}
