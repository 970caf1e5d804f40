#include "SketchCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <exception>
#include <utility>

#include "Exception.h"
#include "ParallelRun.h"
#include "SketchDrawing.h"
#include "SketchFiles.h"
#include "SketchOptions.h"

namespace tracella {
namespace {

const QString kProgram = QStringLiteral("tracella-sketch: ");

QString Reported(const std::exception& error) { return kProgram + QString::fromStdString(ReportText(error.what())); }

// For each job, the earlier job that writes the same file, or -1. Only the first gets to write
// it: which of them would win depends on timing when they run at once.
QList<qsizetype> EarlierWithSameOutput(const QList<SketchJob>& jobs) {
  QHash<QString, qsizetype> first;
  QList<qsizetype> earlier;
  for (qsizetype i = 0; i < jobs.size(); ++i) {
    const QString output =
        jobs[i].output == u"-" ? jobs[i].output : QDir::cleanPath(QFileInfo(jobs[i].output).absoluteFilePath());
    earlier.append(first.value(output, -1));
    first.insert(output, first.value(output, i));
  }
  return earlier;
}

}  // namespace

int RunSketchCommand(const QStringList& arguments, QTextStream& output, QTextStream& errors, bool showProgress) {
  const auto parsed = ParseSketchOptions(arguments);
  if (const auto* usage = std::get_if<SketchUsageError>(&parsed)) {
    errors << kProgram << usage->reason << "\nTry 'tracella-sketch --help'.\n";
    return 2;
  }
  SketchOptions options = std::get<SketchOptions>(parsed);
  if (options.help || options.version) {
    output << (options.help ? SketchUsage() : SketchVersion());
    return 0;
  }
  try {
    if (!options.from.isEmpty()) options.inputs += ReadNames(options.from, options.namesEndInNul ? '\0' : '\n');
    if (!options.outDir.isEmpty()) MakeFolder(options.outDir);
  } catch (const std::exception& error) {
    errors << Reported(error) << Qt::endl;
    return 1;
  }
  const QList<SketchJob> jobs = SketchJobs(options);
  const QList<qsizetype> earlier = EarlierWithSameOutput(jobs);
  const auto sketch = [&](qsizetype i) -> QString {
    const SketchJob& job = jobs[i];
    if (earlier[i] >= 0)
      return kProgram +
             QStringLiteral("%1 skipped: %2 is sketched to %3 too.").arg(job.input, jobs[earlier[i]].input, job.output);
    try {
      SketchPipeline pipeline;
      TGrayPlane greys;
      LoadInput(greys, job.input);
      pipeline.SourceImage.TakeGreys(std::move(greys));
      WriteOutput(job.output, DrawSketchFile(pipeline, options), options.force);
      return {};
    } catch (const std::exception& error) {
      return Reported(error);
    }
  };
  const int workers = options.jobs > 0 ? options.jobs : ProcessorCount();
  return RunInParallel(jobs.size(), workers, sketch, errors, showProgress) ? 0 : 1;
}

}  // namespace tracella
