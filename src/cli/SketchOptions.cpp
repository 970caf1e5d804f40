#include "SketchOptions.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

#include "BlurGray.h"
#include "ColorText.h"
#include "PictureFiles.h"

namespace tracella {
namespace {

constexpr int MaxJobs = 1024;
constexpr int MaxSpeckle = 1000000;

std::optional<double> NumberWithin(const QString& text, double least, double most) {
  bool ok = false;
  const double value = text.toDouble(&ok);
  if (!ok || !(value >= least && value <= most)) return std::nullopt;
  return value;
}

std::optional<int> WholeNumberWithin(const QString& text, int least, int most) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < least || value > most) return std::nullopt;
  return value;
}

// "jpg", "png" or "svg" for a format's name or a file name's extension, any case.
QString FormatNamed(const QString& name) {
  QString lower = name.toLower();
  if (lower == u"jpg" || lower == u"jpeg") return QStringLiteral("jpg");
  if (lower == u"png" || lower == u"svg") return lower;
  return {};
}

// An option with a value: what it expects, and how it takes the value (false: refused).
struct ValueOption {
  const char* name;
  const char* expects;
  bool (*take)(const QString& value, SketchOptions& options);
};

const ValueOption kValueOptions[] = {
    {"--threshold", "a number from 3 to 33",
     [](const QString& value, SketchOptions& options) {
       const std::optional<double> threshold = NumberWithin(value, 3, 33);
       if (threshold) options.threshold = static_cast<float>(*threshold);
       return threshold.has_value();
     }},
    {"--color", "#RRGGBB, #AARRGGBB, a colour name, or 8 hex digits AARRGGBB",
     [](const QString& value, SketchOptions& options) {
       const std::optional<TAlphaColor> color = ParseColorText(value);
       if (color) options.color = *color;
       return color.has_value();
     }},
    {"--background", "white or none",
     [](const QString& value, SketchOptions& options) {
       options.transparent = value == u"none";
       return value == u"none" || value == u"white";
     }},
    {"--blur", "a number from 0 to 10",
     [](const QString& value, SketchOptions& options) {
       const std::optional<double> sigma = NumberWithin(value, 0, MaxBlurSigma);
       if (sigma) options.blur = static_cast<float>(*sigma);
       return sigma.has_value();
     }},
    {"--speckle", "a whole number from 0 to 1000000",
     [](const QString& value, SketchOptions& options) {
       const std::optional<int> speckle = WholeNumberWithin(value, 0, MaxSpeckle);
       if (speckle) options.speckle = *speckle;
       return speckle.has_value();
     }},
    {"--jobs", "a whole number from 1 to 1024",
     [](const QString& value, SketchOptions& options) {
       const std::optional<int> jobs = WholeNumberWithin(value, 1, MaxJobs);
       if (jobs) options.jobs = *jobs;
       return jobs.has_value();
     }},
    {"--format", "jpg, png or svg",
     [](const QString& value, SketchOptions& options) {
       options.format = FormatNamed(value);
       return !options.format.isEmpty();
     }},
    {"--out-dir", "a folder",
     [](const QString& value, SketchOptions& options) {
       options.outDir = value;
       return !value.isEmpty();
     }},
    {"--from", "a file of names, or - for standard input",
     [](const QString& value, SketchOptions& options) {
       options.from = value;
       return !value.isEmpty();
     }},
};

const ValueOption* ValueOptionNamed(const QString& name) {
  for (const ValueOption& option : kValueOptions)
    if (name == QLatin1String(option.name)) return &option;
  return nullptr;
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

bool IsStandardStream(const QString& name) { return name == u"-"; }

// Settles INPUTs, OUTPUT and the format from what is left after the options, or says what is wrong.
std::optional<QString> SettleFiles(SketchOptions& options, QStringList positional) {
  if (!options.from.isEmpty() && options.outDir.isEmpty()) return "--from needs --out-dir";
  if (options.namesEndInNul && options.from.isEmpty()) return "-0 applies only with --from";
  if (options.outDir.isEmpty()) {
    if (positional.size() != 2) return "expected INPUT and OUTPUT";
    options.output = positional.takeLast();
    if (IsStandardStream(options.output)) {
      if (options.format.isEmpty()) return "writing to standard output (-) needs --format";
    } else {
      const QString named = FormatNamed(QFileInfo(options.output).suffix());
      if (named.isEmpty()) return "OUTPUT must end in .jpg, .jpeg, .png or .svg: " + options.output;
      if (!options.format.isEmpty() && options.format != named)
        return "--format " + options.format + " does not match OUTPUT " + options.output;
      options.format = named;
    }
  } else {
    if (positional.contains(QStringLiteral("-"))) return "standard input (-) needs one OUTPUT, not --out-dir";
    if (positional.isEmpty() && options.from.isEmpty()) return "expected at least one INPUT";
    if (options.format.isEmpty()) options.format = QStringLiteral("jpg");
  }
  options.inputs = positional;
  return std::nullopt;
}

// ".bmp, .jpg, ... or .wmp".
QString PictureExtensionList() {
  QStringList extensions;
  for (const char* extension : PictureExtensions) extensions << QString::fromLatin1(extension);
  const QString last = extensions.takeLast();
  return extensions.join(", ") + " or " + last;
}

}  // namespace

std::variant<SketchOptions, SketchUsageError> ParseSketchOptions(const QStringList& arguments) {
  SketchOptions options;
  QStringList positional;
  ArgumentCursor cursor(arguments);
  bool optionsEnded = false;
  bool speckleGiven = false;
  while (!cursor.AtEnd()) {
    const QString argument = cursor.Take();
    if (optionsEnded || !argument.startsWith(u'-') || IsStandardStream(argument)) {
      positional << argument;
    } else if (argument == u"--") {
      optionsEnded = true;
    } else if (argument == u"--help" || argument == u"-h") {
      options.help = true;
      return options;
    } else if (argument == u"--version") {
      options.version = true;
      return options;
    } else if (argument == u"--force") {
      options.force = true;
    } else if (argument == u"-0") {
      options.namesEndInNul = true;
    } else {
      QString name;
      const std::optional<QString> value = cursor.ValueOf(argument, name);
      const ValueOption* option = ValueOptionNamed(name);
      if (!option) return SketchUsageError{"unknown option " + name};
      if (!value) return SketchUsageError{name + " needs a value"};
      if (!option->take(*value, options))
        return SketchUsageError{
            QStringLiteral("%1 must be %2, not '%3'").arg(name, QLatin1String(option->expects), *value)};
      speckleGiven |= name == u"--speckle";
    }
  }
  if (const std::optional<QString> problem = SettleFiles(options, positional)) return SketchUsageError{*problem};
  if (options.transparent && options.format == u"jpg")
    return SketchUsageError{"--background none needs PNG or SVG output: JPEG has no transparency"};
  if (speckleGiven && options.format != u"svg") return SketchUsageError{"--speckle applies only to SVG output"};
  return options;
}

QList<SketchJob> SketchJobs(const SketchOptions& options) {
  if (options.outDir.isEmpty()) return {{options.inputs.value(0), options.output}};
  QList<SketchJob> jobs;
  for (const QString& input : options.inputs)
    jobs.append({input, QDir(options.outDir).filePath(QFileInfo(input).completeBaseName() + u'.' + options.format)});
  return jobs;
}

QString SketchVersion() {
  return QStringLiteral("tracella-sketch (Tracella) " TRACELLA_VERSION
                        "\n"
                        "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
                        "This is free software: you are free to change and redistribute it.\n"
                        "There is NO WARRANTY, to the extent permitted by law.\n");
}

QString SketchUsage() {
  const QString text = QStringLiteral(
      "Usage: tracella-sketch [OPTION]... INPUT OUTPUT\n"
      "  or:  tracella-sketch [OPTION]... --out-dir DIR INPUT...\n"
      "  or:  tracella-sketch [OPTION]... --out-dir DIR --from FILE [INPUT]...\n"
      "Turn photographs into line drawings.\n"
      "\n"
      "A pixel takes the line colour where its grey (the green channel) differs from its right or\n"
      "lower neighbour's by more than the threshold; every other pixel is white, or transparent\n"
      "with --background none.\n"
      "\n"
      "INPUT is a %1 file (any letter case),\n"
      "or - for standard input (any of those formats, recognised from the content). OUTPUT ending\n"
      "in .jpg or .jpeg is written as JPEG (as the window's Save As writes it); in .png, as PNG\n"
      "holding the drawing's pixels exactly, alpha included; in .svg, as SVG: the painted pixels\n"
      "traced into filled curves, the picture's size in pixels as its size. OUTPUT - writes to\n"
      "standard output in the format given by --format.\n"
      "\n"
      "With --out-dir every INPUT is written to DIR/<INPUT's name without extension>.<format>;\n"
      "DIR is made when missing. An existing file is never written over unless --force is given.\n"
      "\n"
      "Drawing:\n"
      "  --threshold T        3 to 33, fractions allowed (default 9)\n"
      "  --color COLOUR       line colour: #RRGGBB, #AARRGGBB, a name such as red or steelblue,\n"
      "                       or 8 hex digits read as AARRGGBB, alpha first: 80FF0000 is\n"
      "                       half-transparent red, FF0000FF opaque blue (default black)\n"
      "  --background B       white (default), or none: unpainted pixels fully transparent\n"
      "                       (PNG and SVG only)\n"
      "  --blur SIGMA         smooth the grey with a Gaussian of SIGMA pixels (0 to 10) before\n"
      "                       looking for edges; 0, the default, is off. On grass, feathers or\n"
      "                       JPEG noise try 2 with a lower threshold\n"
      "  --speckle N          SVG: drop painted specks of at most N pixels (default 2)\n"
      "\n"
      "Input and output:\n"
      "  --format FORMAT      jpg, png or svg: what --out-dir (default jpg) or OUTPUT - gets\n"
      "  --out-dir DIR        sketch many inputs into DIR\n"
      "  --from FILE          also sketch the inputs named in FILE, one a line (- reads them from\n"
      "                       standard input)\n"
      "  -0                   the names in --from end with a NUL character (find -print0)\n"
      "  --force              replace existing outputs; each new file is complete before it\n"
      "                       takes the name\n"
      "  --jobs N             sketch N pictures at a time (default: one per processor); the\n"
      "                       files are the same as one at a time\n"
      "  -h, --help           show this help and exit\n"
      "  --version            show the version and exit\n"
      "\n"
      "Exit status: 0 when every file was written, 1 when a file failed (the others are still\n"
      "done; the reason is printed), 2 for a usage error.\n"
      "\n"
      "Examples:\n"
      "  tracella-sketch --threshold 12 --color red photo.jpg photo-sketch.png\n"
      "\n"
      "  tracella-sketch --format svg --background none --blur 2 --threshold 6 bird.jpg bird.svg\n"
      "\n"
      "  find photos -name '*.jpg' -print0 | tracella-sketch --out-dir sketches --from - -0\n"
      "\n"
      "  cat photo.jpg | tracella-sketch --format png - - > sketch.png\n");
  return text.arg(PictureExtensionList());
}

}  // namespace tracella
