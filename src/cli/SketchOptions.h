#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

#include "AlphaColor.h"

namespace tracella {

// What the sketch command was asked to do.
struct SketchOptions {
  float threshold = 9;
  TAlphaColor color = claBlack;
  QStringList inputs;
  QString output;     // one input: the file to write
  QString outDir;     // many inputs: the folder to write into
  QString format;     // with outDir: "jpg" (default) or "png"
  bool help = false;
};

struct SketchUsageError {
  QString reason;
};

// One picture to sketch and the file to write it to.
struct SketchJob {
  QString input;
  QString output;
};

// Parses the arguments after the program name.
std::variant<SketchOptions, SketchUsageError> ParseSketchOptions(const QStringList& arguments);

// The files to write: OUTPUT for the single input, or DIR/<input's base name>.<format> for each.
QList<SketchJob> SketchJobs(const SketchOptions& options);

QString SketchUsage();

}  // namespace tracella
