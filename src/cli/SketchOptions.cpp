#include "SketchOptions.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace tracella {
namespace {

constexpr double MinThreshold = 3;
constexpr double MaxThreshold = 33;

bool IsWrittenExtension(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == u"jpg" || suffix == u"jpeg" || suffix == u"png";
}

std::optional<float> ParseThreshold(const QString& text) {
  bool ok = false;
  const double value = text.toDouble(&ok);
  if (!ok || !(value >= MinThreshold && value <= MaxThreshold)) return std::nullopt;
  return static_cast<float>(value);
}

std::optional<TAlphaColor> ParseColor(const QString& text) {
  static const QRegularExpression eightHexDigits(QStringLiteral("^[0-9A-Fa-f]{8}$"));
  if (!eightHexDigits.match(text).hasMatch()) return std::nullopt;
  return text.toUInt(nullptr, 16);
}

// Gives the value of an option written "--name value" or "--name=value", or why there is none.
class ArgumentCursor {
 public:
  explicit ArgumentCursor(const QStringList& arguments) : arguments_(arguments) {}
  bool AtEnd() const { return next_ >= arguments_.size(); }
  QString Take() { return arguments_[next_++]; }
  std::optional<QString> ValueOf(const QString& argument, QString& name) {
    const qsizetype equals = argument.indexOf(u'=');
    name = argument.left(equals);
    if (equals >= 0) return argument.mid(equals + 1);
    if (AtEnd()) return std::nullopt;
    return Take();
  }

 private:
  const QStringList& arguments_;
  qsizetype next_ = 0;
};

std::optional<SketchUsageError> CheckFiles(const SketchOptions& options) {
  if (options.outDir.isEmpty()) {
    if (!options.format.isEmpty()) return SketchUsageError{"--format applies only with --out-dir"};
    if (options.inputs.size() != 1 || options.output.isEmpty()) return SketchUsageError{"expected INPUT and OUTPUT"};
    if (!IsWrittenExtension(options.output))
      return SketchUsageError{"OUTPUT must end in .jpg, .jpeg or .png: " + options.output};
    return std::nullopt;
  }
  if (options.inputs.isEmpty()) return SketchUsageError{"expected at least one INPUT"};
  if (options.format != u"jpg" && options.format != u"png") return SketchUsageError{"--format must be jpg or png"};
  return std::nullopt;
}

}  // namespace

std::variant<SketchOptions, SketchUsageError> ParseSketchOptions(const QStringList& arguments) {
  SketchOptions options;
  QStringList positional;
  ArgumentCursor cursor(arguments);
  bool optionsEnded = false;
  while (!cursor.AtEnd()) {
    const QString argument = cursor.Take();
    if (optionsEnded || !argument.startsWith(u'-') || argument == u"-") {
      positional << argument;
      continue;
    }
    if (argument == u"--") {
      optionsEnded = true;
      continue;
    }
    if (argument == u"--help" || argument == u"-h") {
      options.help = true;
      return options;
    }
    QString name;
    const std::optional<QString> value = cursor.ValueOf(argument, name);
    if (name != u"--threshold" && name != u"--color" && name != u"--out-dir" && name != u"--format")
      return SketchUsageError{"unknown option " + name};
    if (!value) return SketchUsageError{name + " needs a value"};
    if (name == u"--threshold") {
      const std::optional<float> threshold = ParseThreshold(*value);
      if (!threshold) return SketchUsageError{"--threshold must be a number from 3 to 33: " + *value};
      options.threshold = *threshold;
    } else if (name == u"--color") {
      const std::optional<TAlphaColor> color = ParseColor(*value);
      if (!color) return SketchUsageError{"--color must be 8 hex digits AARRGGBB: " + *value};
      options.color = *color;
    } else if (name == u"--out-dir") {
      if (value->isEmpty()) return SketchUsageError{"--out-dir needs a folder"};
      options.outDir = *value;
    } else {
      options.format = value->toLower();
    }
  }
  if (options.outDir.isEmpty()) {
    options.output = positional.size() == 2 ? positional.takeLast() : QString();
  } else if (options.format.isEmpty()) {
    options.format = QStringLiteral("jpg");
  }
  options.inputs = positional;
  if (const std::optional<SketchUsageError> error = CheckFiles(options)) return *error;
  return options;
}

QList<SketchJob> SketchJobs(const SketchOptions& options) {
  if (options.outDir.isEmpty()) return {{options.inputs.value(0), options.output}};
  QList<SketchJob> jobs;
  for (const QString& input : options.inputs)
    jobs.append({input, QDir(options.outDir).filePath(QFileInfo(input).completeBaseName() + u'.' + options.format)});
  return jobs;
}

QString SketchUsage() {
  return QStringLiteral(
      "Usage: tracella-sketch [--threshold T] [--color AARRGGBB] INPUT OUTPUT\n"
      "       tracella-sketch [--threshold T] [--color AARRGGBB] [--format jpg|png] --out-dir DIR INPUT...\n"
      "\n"
      "Turns photographs into line drawings: a pixel takes the line colour where its grey (the\n"
      "green channel) differs from its right or lower neighbour's by more than the threshold; every\n"
      "other pixel is opaque white.\n"
      "\n"
      "INPUT is a .bmp, .jpg, .jpeg, .png, .gif, .tif, .tiff, .ico or .wmp file (any letter case).\n"
      "OUTPUT ending in .jpg or .jpeg is written as JPEG (as the window's Save As writes it);\n"
      "ending in .png, as PNG holding the drawing's pixels exactly, alpha included.\n"
      "With --out-dir every INPUT is written to DIR/<INPUT's name without extension>.jpg, or .png\n"
      "with --format png. An existing file is never written over.\n"
      "\n"
      "  --threshold T        3 to 33, fractions allowed (default 9)\n"
      "  --color AARRGGBB     line colour, exactly 8 hex digits (default FF000000, opaque black)\n"
      "  --format jpg|png     the format written with --out-dir (default jpg)\n"
      "  --out-dir DIR        sketch many inputs into DIR\n"
      "  -h, --help           show this help\n"
      "\n"
      "Exit status: 0 when every file was written, 1 when a file failed (the others are still\n"
      "done; the reason is printed), 2 for a usage error.\n");
}

}  // namespace tracella
