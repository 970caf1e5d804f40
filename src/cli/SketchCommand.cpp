#include "SketchCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <exception>

#include "Exception.h"
#include "ParallelRun.h"
#include "PictureFiles.h"
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

// Why the jobs must not start: an input outside --base, or an output that would write over an
// input (with --force too: the photograph would be lost). Empty when they may.
QString RefusalBeforeWork(const QList<SketchJob>& jobs, const SketchOptions& options) {
  QHash<QString, QString> inputs;
  for (const SketchJob& job : jobs) {
    if (job.output.isEmpty())
      return QStringLiteral("%1 is not inside the --base folder %2.").arg(job.input, options.base);
    if (job.input == u"-") continue;
    for (const QString& identity : FileIdentities(job.input)) inputs.insert(identity, job.input);
  }
  for (const SketchJob& job : jobs) {
    if (job.output == u"-") continue;
    for (const QString& identity : FileIdentities(job.output))
      if (inputs.contains(identity))
        return QStringLiteral("%1 is an input; it is never written over.").arg(inputs.value(identity));
  }
  return {};
}

qint64 LargestAnnouncedPixels(const QList<SketchJob>& jobs) {
  qint64 largest = 0;
  for (const SketchJob& job : jobs) largest = std::max(largest, AnnouncedPixels(job.input));
  return largest;
}

// "tracella-sketch: photo.jpg: pen-up travel 51234 px as traced, 8712 px ordered (83 % less)".
QString TravelReport(const SketchJob& job, const PenTravel& travel) {
  const double saved = travel.traced > 0 ? 100 * (1 - travel.ordered / travel.traced) : 0;
  return kProgram + QStringLiteral("%1: pen-up travel %2 px as traced, %3 px ordered (%4 % less)")
                        .arg(job.input == u"-" ? QStringLiteral("standard input") : job.input)
                        .arg(travel.traced, 0, 'f', 0)
                        .arg(travel.ordered, 0, 'f', 0)
                        .arg(saved, 0, 'f', 0);
}

}  // namespace

// A job's peak, measured on 12 and 24 MP photographs, is at most 15 bytes a pixel writing JPEG or
// PNG (XDoG's planes; 2 to 4 for the edges) and 78 writing SVG (the traced paths, most at threshold
// 3 with no specks dropped); 16 and 96 leave room for the rest of the process.
int SketchWorkers(int requested, int processors, qint64 availableBytes, qint64 largestPixels, const QString& format) {
  if (requested > 0) return requested;
  if (largestPixels <= 0 || availableBytes < 0) return processors;
  const qint64 perJob = largestPixels * (format == u"svg" ? 96 : 16);
  return static_cast<int>(std::clamp<qint64>(availableBytes / perJob, 1, processors));
}

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
  } catch (const std::exception& error) {
    errors << Reported(error) << Qt::endl;
    return 1;
  }
  const QList<SketchJob> jobs = SketchJobs(options);
  if (const QString refusal = RefusalBeforeWork(jobs, options); !refusal.isEmpty()) {
    errors << kProgram << refusal << Qt::endl;
    return 1;
  }
  try {
    if (!options.outDir.isEmpty()) MakeFolder(options.outDir);
  } catch (const std::exception& error) {
    errors << Reported(error) << Qt::endl;
    return 1;
  }
  const QList<qsizetype> earlier = EarlierWithSameOutput(jobs);
  QStringList reports(jobs.size());  // --verbose: each job's own, so that jobs running at once never share one
  const auto sketch = [&](qsizetype i) -> QString {
    const SketchJob& job = jobs[i];
    if (earlier[i] >= 0)
      return kProgram +
             QStringLiteral("%1 skipped: %2 is sketched to %3 too.").arg(job.input, jobs[earlier[i]].input, job.output);
    try {
      SketchPipeline pipeline;
      LoadSketchSource(pipeline, job.input, options);
      if (!options.outDir.isEmpty()) MakeFolder(QFileInfo(job.output).path());
      PenTravel travel;
      WriteOutput(
          job.output, [&](const ByteSink& sink) { DrawSketchFile(pipeline, options, sink, &travel); }, options.force);
      if (options.verbose && options.centerline) reports[i] = TravelReport(job, travel);
      return {};
    } catch (const std::exception& error) {
      return Reported(error);
    }
  };
  const int workers = SketchWorkers(options.jobs, ProcessorCount(), AvailableMemoryBytes(),
                                    LargestAnnouncedPixels(jobs), options.format);
  const bool succeeded = RunInParallel(jobs.size(), workers, sketch, errors, showProgress);
  for (const QString& report : reports)
    if (!report.isEmpty()) errors << report << Qt::endl;
  return succeeded ? 0 : 1;
}

}  // namespace tracella
