#pragma once

#include <QStringList>
#include <QTextStream>

namespace tracella {

// Runs the sketch command on the arguments after the program name and gives its exit status:
// 0 all written, 1 some file failed (its message goes to `errors`), 2 usage error. With
// `showProgress` (`errors` is a terminal) a progress line on `errors` follows the work.
int RunSketchCommand(const QStringList& arguments, QTextStream& output, QTextStream& errors, bool showProgress);

}  // namespace tracella
