#include "SketchOptions.h"

#include <QDir>
#include <QFileInfo>
#include <optional>
#include <type_traits>
#include <variant>

#include "BlurGray.h"
#include "ColorText.h"
#include "PictureFiles.h"

namespace tracella {
namespace {

// "3", "0.5", "1000000": a limit or a default as the user writes it.
QString NumberText(double value) { return QString::number(value, 'g', 7); }

// A number option: the field it sets and its inclusive limits; the field's type says whether
// fractions are allowed, and its initial value is the default.
struct NumberValue {
  std::variant<float SketchOptions::*, int SketchOptions::*> field;
  double least;
  double most;

  bool Whole() const { return std::holds_alternative<int SketchOptions::*>(field); }
  QString Expects() const {
    return QStringLiteral("a %1number from %2 to %3").arg(Whole() ? "whole " : "", NumberText(least), NumberText(most));
  }
  QString Default() const {
    const SketchOptions defaults;
    return std::visit([&](auto member) { return NumberText(defaults.*member); }, field);
  }
  bool Take(const QString& text, SketchOptions& options) const {
    bool ok = false;
    const double value = Whole() ? text.toInt(&ok) : text.toDouble(&ok);
    if (!ok || !(value >= least && value <= most)) return false;  // NaN fails too
    std::visit([&](auto member) { options.*member = static_cast<std::decay_t<decltype(options.*member)>>(value); },
               field);
    return true;
  }
};

// Any other value: what it expects, and how it is taken (false: refused).
struct TextValue {
  const char* expects;
  bool (*take)(const QString& value, SketchOptions& options);
};

// A file or folder name, which cannot be empty.
template <QString SketchOptions::*Field>
bool TakeName(const QString& value, SketchOptions& options) {
  options.*Field = value;
  return !value.isEmpty();
}

// An option without a value.
using FlagValue = bool SketchOptions::*;

// "jpg", "png" or "svg" for a format's name or a file name's extension, any case.
QString FormatNamed(const QString& name) {
  QString lower = name.toLower();
  if (lower == u"jpg" || lower == u"jpeg") return QStringLiteral("jpg");
  if (lower == u"png" || lower == u"svg") return lower;
  return {};
}

// Every option, in the order the usage lists them. Its limits and default are written only here:
// the parser, the error messages, the usage and so the manual page all come from this table. In
// `help`, {range} stands for "3 to 33" and {default} for the field's initial value.
struct Option {
  const char* heading;  // starts a group of options in the usage
  const char* name;
  const char* alias;
  const char* placeholder;
  std::variant<NumberValue, TextValue, FlagValue> value;
  const char* help;
};

const Option kOptions[] = {
    {"Drawing", "--threshold", nullptr, "T", NumberValue{&SketchOptions::threshold, 3, 33},
     "{range}, fractions allowed (default {default})"},
    {nullptr, "--color", nullptr, "COLOUR",
     TextValue{"#RRGGBB, #AARRGGBB, a colour name, or 8 hex digits AARRGGBB",
               [](const QString& value, SketchOptions& options) {
                 const std::optional<TAlphaColor> color = ParseColorText(value);
                 if (color) options.color = *color;
                 return color.has_value();
               }},
     "line colour: #RRGGBB, #AARRGGBB, a name such as red or steelblue, or 8 hex digits read as AARRGGBB, alpha "
     "first: 80FF0000 is half-transparent red, FF0000FF opaque blue (default black)"},
    {nullptr, "--background", nullptr, "B",
     TextValue{"white or none",
               [](const QString& value, SketchOptions& options) {
                 options.transparent = value == u"none";
                 return value == u"none" || value == u"white";
               }},
     "white (default), or none: unpainted pixels fully transparent (PNG and SVG only)"},
    {nullptr, "--blur", nullptr, "SIGMA", NumberValue{&SketchOptions::blur, 0, MaxBlurSigma},
     "smooth the grey with a Gaussian of SIGMA pixels ({range}) before looking for edges; {default}, the default, is "
     "off. On grass, feathers or JPEG noise try 2 with a lower threshold"},
    {nullptr, "--speckle", nullptr, "N", NumberValue{&SketchOptions::speckle, 0, 1000000},
     "SVG: drop painted specks of at most N pixels ({range}, default {default})"},
    {"Input and output", "--format", nullptr, "FORMAT",
     TextValue{"jpg, png or svg",
               [](const QString& value, SketchOptions& options) {
                 options.format = FormatNamed(value);
                 return !options.format.isEmpty();
               }},
     "jpg, png or svg: what --out-dir (default jpg) or OUTPUT - gets"},
    {nullptr, "--out-dir", nullptr, "DIR", TextValue{"a folder", TakeName<&SketchOptions::outDir>},
     "sketch many inputs into DIR"},
    {nullptr, "--from", nullptr, "FILE",
     TextValue{"a file of names, or - for standard input", TakeName<&SketchOptions::from>},
     "also sketch the inputs named in FILE, one a line (- reads them from standard input)"},
    {nullptr, "-0", nullptr, nullptr, &SketchOptions::namesEndInNul,
     "the names in --from end with a NUL character (find -print0)"},
    {nullptr, "--force", nullptr, nullptr, &SketchOptions::force,
     "replace existing outputs; each new file is complete before it takes the name"},
    {nullptr, "--jobs", nullptr, "N", NumberValue{&SketchOptions::jobs, 1, 1024},
     "sketch N pictures at a time ({range}; default: one per processor); the files are the same as one at a time"},
    {nullptr, "--help", "-h", nullptr, &SketchOptions::help, "show this help and exit"},
    {nullptr, "--version", nullptr, nullptr, &SketchOptions::version, "show the version and exit"},
};

const Option* OptionNamed(const QString& name) {
  for (const Option& option : kOptions)
    if (name == QLatin1String(option.name) || (option.alias && name == QLatin1String(option.alias))) return &option;
  return nullptr;
}

// What a value option accepts: "a number from 3 to 33".
QString Expects(const Option& option) {
  if (const auto* number = std::get_if<NumberValue>(&option.value)) return number->Expects();
  return QLatin1String(std::get<TextValue>(option.value).expects);
}

// Takes an option's value; false when refused.
bool Take(const Option& option, const QString& value, SketchOptions& options) {
  if (const auto* number = std::get_if<NumberValue>(&option.value)) return number->Take(value, options);
  return std::get<TextValue>(option.value).take(value, options);
}

// The option's lines in the usage: its names, then its help wrapped beside them.
QString UsageLines(const Option& option) {
  constexpr qsizetype Indent = 23;
  constexpr qsizetype Width = 88;
  QString help = QLatin1String(option.help);
  if (const auto* number = std::get_if<NumberValue>(&option.value))
    help.replace("{range}", NumberText(number->least) + " to " + NumberText(number->most))
        .replace("{default}", number->Default());
  QString line = QStringLiteral("  ");
  if (option.alias) line += QLatin1String(option.alias) + ", ";
  line += QLatin1String(option.name);
  if (option.placeholder) line += u' ' + QLatin1String(option.placeholder);
  QString lines;
  for (const QString& word : help.split(u' ')) {
    if (line.size() >= Indent && line.size() + 1 + word.size() > Width) {
      lines += line + u'\n';
      line.clear();
    }
    line = line.size() < Indent ? line.leftJustified(Indent - 1) : line;
    line += u' ' + word;
  }
  return lines + line + u'\n';
}

// Every option's usage, in its groups.
QString OptionsUsage() {
  QString usage;
  for (const Option& option : kOptions) {
    if (option.heading) usage += u'\n' + QLatin1String(option.heading) + ":\n";
    usage += UsageLines(option);
  }
  return usage;
}

// Gives the value of an option written "--name value" or "--name=value", or why there is none.
class ArgumentCursor {
 public:
  explicit ArgumentCursor(const QStringList& arguments) : arguments_(arguments) {}
  bool AtEnd() const { return next_ >= arguments_.size(); }
  QString Take() { return arguments_[next_++]; }
  std::optional<QString> ValueOf(const QString& argument) {
    const qsizetype equals = argument.indexOf(u'=');
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
    } else {
      const qsizetype equals = argument.indexOf(u'=');
      const QString name = argument.left(equals);
      const Option* option = OptionNamed(name);
      if (!option) return SketchUsageError{"unknown option " + name};
      if (const auto* flag = std::get_if<FlagValue>(&option->value)) {
        if (equals >= 0) return SketchUsageError{name + " takes no value"};
        options.*(*flag) = true;
        if (options.help || options.version) return options;
        continue;
      }
      const std::optional<QString> value = cursor.ValueOf(argument);
      if (!value) return SketchUsageError{name + " needs a value"};
      if (!Take(*option, *value, options))
        return SketchUsageError{QStringLiteral("%1 must be %2, not '%3'").arg(name, Expects(*option), *value)};
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
      "%2\n"
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
  return text.arg(PictureExtensionList(), OptionsUsage());
}

}  // namespace tracella
