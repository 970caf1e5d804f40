#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace tracella {

// Runs the sketch command on the arguments after the program name and gives its exit status:
// 0 all written, 1 some file failed (its message goes to `errors`), 2 usage error. With
// `showProgress` (`errors` is a terminal) a progress line on `errors` follows the work.
int RunSketchCommand(const QStringList& arguments, QTextStream& output, QTextStream& errors, bool showProgress);

// Pictures sketched at a time: `requested` (--jobs) when above 0; otherwise one per processor,
// but no more than `availableBytes` of memory holds of jobs on a picture of `largestPixels` written
// as `format`, and at least one. Memory (-1) or pixels (0) unknown: one per processor.
int SketchWorkers(int requested, int processors, qint64 availableBytes, qint64 largestPixels, const QString& format);

}  // namespace tracella
