#include "SketchCommand.h"

#include <QFileInfo>
#include <exception>

#include "Exception.h"
#include "PictureFiles.h"
#include "SketchOptions.h"
#include "SketchPasses.h"

namespace tracella {
namespace {

void Sketch(const SketchJob& job, const SketchOptions& options) {
  TBitmap source, gray, sketch;
  LoadFromFile(source, job.input);
  MakeGray(source, gray);
  RenderSketch(gray, options.threshold, options.color, sketch);
  SaveToFile(sketch, job.output);
}

}  // namespace

int RunSketchCommand(const QStringList& arguments, QTextStream& output, QTextStream& errors, bool showProgress) {
  const auto parsed = ParseSketchOptions(arguments);
  if (const auto* usage = std::get_if<SketchUsageError>(&parsed)) {
    errors << "tracella-sketch: " << usage->reason << "\n\n" << SketchUsage();
    return 2;
  }
  const SketchOptions& options = std::get<SketchOptions>(parsed);
  if (options.help) {
    output << SketchUsage();
    return 0;
  }
  const QList<SketchJob> jobs = SketchJobs(options);
  const QString clearLine = showProgress ? QStringLiteral("\r\x1b[K") : QString();
  bool failed = false;
  for (qsizetype i = 0; i < jobs.size(); ++i) {
    if (showProgress) errors << clearLine << '[' << i + 1 << '/' << jobs.size() << "] " << QFileInfo(jobs[i].input).fileName() << Qt::flush;
    try {
      Sketch(jobs[i], options);
    } catch (const std::exception& error) {
      errors << clearLine << QString::fromStdString(ReportText(error.what())) << Qt::endl;
      failed = true;
    }
  }
  if (showProgress) errors << clearLine << Qt::flush;
  return failed ? 1 : 0;
}

}  // namespace tracella
