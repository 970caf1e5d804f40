#include "SketchOptions.h"

#include <QDir>
#include <QFileInfo>
#include <optional>
#include <type_traits>
#include <variant>

#include "BlurGray.h"
#include "ColorText.h"
#include "PictureFiles.h"
#include "XDoG.h"

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

// A positive number up to a million with a unit: mm, cm, in, or px, which may be left out.
std::optional<SvgLength> LengthOf(const QString& text) {
  SvgLength length{0, QStringLiteral("px")};
  QString number = text;
  for (const char* unit : {"mm", "cm", "in", "px"}) {
    if (!text.endsWith(QLatin1String(unit))) continue;
    length.unit = QLatin1String(unit);
    number.chop(2);
  }
  bool ok = false;
  length.value = number.toDouble(&ok);
  if (!ok || !(length.value > 0 && length.value <= 1e6)) return std::nullopt;
  return length;
}

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
    {nullptr, "--width", nullptr, "LENGTH",
     TextValue{"a length above 0 in mm, cm, in or px, such as 200mm",
               [](const QString& value, SketchOptions& options) {
                 const std::optional<SvgLength> width = LengthOf(value);
                 if (width) options.width = *width;
                 return width.has_value();
               }},
     "SVG: the document's width, such as 200mm, 20cm, 8in or 800px; its height keeps the picture's proportions "
     "and its view box stays in pixels (default: the picture's width in px)"},
    {nullptr, "--stroke-width", nullptr, "LENGTH",
     TextValue{"a length above 0 in mm, cm, in or px, such as 0.3mm",
               [](const QString& value, SketchOptions& options) {
                 const std::optional<SvgLength> stroke = LengthOf(value);
                 if (stroke) options.strokeWidth = *stroke;
                 return stroke.has_value();
               }},
     "SVG: the pen's width at the document's size, such as 0.3mm: outlines are stroked with it as well as filled; "
     "centre lines are drawn with it (default: as wide as the painted lines are on average)"},
    {nullptr, "--trace", nullptr, "T",
     TextValue{"outline or centerline",
               [](const QString& value, SketchOptions& options) {
                 options.centerline = value == u"centerline";
                 return value == u"centerline" || value == u"outline";
               }},
     "SVG: outline (default): the painted areas' outlines, filled; or centerline: one stroked, unfilled path along "
     "the middle of each line, for pen plotters, engravers and embroidery, joined where lines meet and ordered to "
     "shorten the pen's travel between them"},
    {nullptr, "--speckle", nullptr, "N", NumberValue{&SketchOptions::speckle, 0, 1000000},
     "drop painted specks of at most N touching pixels ({range}), the same in every format (default: 2 for SVG, "
     "{default} otherwise)"},
    {nullptr, "--method", nullptr, "M",
     TextValue{"edges or xdog",
               [](const QString& value, SketchOptions& options) {
                 options.xdog = value == u"xdog";
                 return value == u"xdog" || value == u"edges";
               }},
     "edges (default): the rule above; or xdog: the extended difference of Gaussians (Winnemoeller, Kyprianidis, "
     "Olsen 2012) of the luminance of all three channels, D = (1 + p) G(sigma) - p G(1.6 sigma), painted where D < "
     "epsilon: evenly weighted strokes, fur and gravel as hatching, the same drawing at every picture size"},
    {nullptr, "--sigma", nullptr, "S", NumberValue{&SketchOptions::sigma, MinXDoGSigma, MaxXDoGSigma},
     "xdog: the line scale in pixels, {range} (default: 0.8 for a picture of one megapixel, growing with its width "
     "and height)"},
    {nullptr, "--sharpness", nullptr, "P", NumberValue{&SketchOptions::sharpness, 0, 1000},
     "xdog: p, {range} (default {default}); higher draws fainter edges too"},
    {nullptr, "--epsilon", nullptr, "E", NumberValue{&SketchOptions::epsilon, -1, 1},
     "xdog: the line threshold, {range} (default {default}); 0 and above also fill areas darker than E, lower keeps "
     "only the strongest lines"},
    {nullptr, "--soft", nullptr, nullptr, &SketchOptions::soft,
     "xdog: grey-toned pencil strokes rather than whole lines (PNG, JPEG)"},
    {nullptr, "--phi", nullptr, "PHI", NumberValue{&SketchOptions::phi, 0.1, 1000},
     "with --soft: how fast a stroke darkens, {range} (default {default})"},
    {"Input and output", "--format", nullptr, "FORMAT",
     TextValue{"jpg, png or svg",
               [](const QString& value, SketchOptions& options) {
                 options.format = FormatNamed(value);
                 return !options.format.isEmpty();
               }},
     "jpg, png or svg: what --out-dir (default png: JPEG puts grey fringes around two-colour art and is about 3.3 "
     "times larger) or OUTPUT - gets"},
    {nullptr, "--out-dir", nullptr, "DIR", TextValue{"a folder", TakeName<&SketchOptions::outDir>},
     "sketch many inputs into DIR"},
    {nullptr, "--base", nullptr, "DIR", TextValue{"a folder", TakeName<&SketchOptions::base>},
     "the folder whose tree is kept under --out-dir (default: the deepest folder holding every INPUT)"},
    {nullptr, "--from", nullptr, "FILE",
     TextValue{"a file of names, or - for standard input", TakeName<&SketchOptions::from>},
     "also sketch the inputs named in FILE, one a line (- reads them from standard input)"},
    {nullptr, "-0", nullptr, nullptr, &SketchOptions::namesEndInNul,
     "the names in --from end with a NUL character (find -print0)"},
    {nullptr, "--force", nullptr, nullptr, &SketchOptions::force,
     "replace existing outputs; each new file is complete before it takes the name"},
    {nullptr, "--jobs", nullptr, "N", NumberValue{&SketchOptions::jobs, 1, 1024},
     "sketch N pictures at a time ({range}; default: one per processor, fewer where the free memory would not "
     "hold that many of the largest INPUT); the files are the same as one at a time"},
    {nullptr, "--verbose", nullptr, nullptr, &SketchOptions::verbose,
     "report on standard error what was measured, one line a picture: with --trace centerline, the pen-up travel "
     "in the traced order and in the order written"},
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
  if (!options.base.isEmpty() && options.outDir.isEmpty()) return "--base needs --out-dir";
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
    // Two-colour art: PNG keeps it exact and smaller; JPEG fringes it grey.
    if (options.format.isEmpty()) options.format = QStringLiteral("png");
  }
  options.inputs = positional;
  return std::nullopt;
}

// Why options of one drawing method were given with the other, or soft tones with SVG.
std::optional<QString> MethodMismatch(const SketchOptions& options, const QStringList& given) {
  for (const char* name : {"--threshold", "--blur"})
    if (options.xdog && given.contains(QLatin1String(name)))
      return QLatin1String(name) + " applies only to --method edges";
  for (const char* name : {"--sigma", "--sharpness", "--epsilon", "--soft", "--phi"})
    if (!options.xdog && given.contains(QLatin1String(name)))
      return QLatin1String(name) + " applies only to --method xdog";
  if (given.contains(u"--phi") && !options.soft) return "--phi applies only with --soft";
  if (options.soft && options.format == u"svg") return "--soft needs PNG or JPEG output: SVG holds only whole lines";
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

double SvgLength::CssPixels() const {
  if (unit == u"in") return value * 96;
  if (unit == u"cm") return value * 96 / 2.54;
  if (unit == u"mm") return value * 96 / 25.4;
  return value;
}

std::variant<SketchOptions, SketchUsageError> ParseSketchOptions(const QStringList& arguments) {
  SketchOptions options;
  QStringList positional;
  ArgumentCursor cursor(arguments);
  bool optionsEnded = false;
  QStringList given;  // the options named, for the checks that depend on others
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
        given << name;
        continue;
      }
      const std::optional<QString> value = cursor.ValueOf(argument);
      if (!value) return SketchUsageError{name + " needs a value"};
      if (!Take(*option, *value, options))
        return SketchUsageError{QStringLiteral("%1 must be %2, not '%3'").arg(name, Expects(*option), *value)};
      given << name;
    }
  }
  if (const std::optional<QString> problem = SettleFiles(options, positional)) return SketchUsageError{*problem};
  if (options.transparent && options.format == u"jpg")
    return SketchUsageError{"--background none needs PNG or SVG output: JPEG has no transparency"};
  // Outlines of single-pixel noise would make most of an SVG; a raster keeps every pixel unless asked.
  if (!given.contains(u"--speckle") && options.format == u"svg") options.speckle = 2;
  if (const std::optional<QString> problem = MethodMismatch(options, given)) return SketchUsageError{*problem};
  for (const char* name : {"--width", "--stroke-width", "--trace"})
    if (given.contains(QLatin1String(name)) && options.format != u"svg")
      return SketchUsageError{QLatin1String(name) + " applies only to SVG output"};
  return options;
}

namespace {

QString AbsoluteClean(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

// The deepest folder holding every one of the files, by their names (links are not followed).
QString CommonFolder(const QStringList& files) {
  QStringList common;
  for (qsizetype i = 0; i < files.size(); ++i) {
    QStringList parts = AbsoluteClean(files[i]).split(u'/');
    parts.removeLast();
    if (i == 0) common = parts;
    qsizetype same = 0;
    while (same < common.size() && same < parts.size() && common[same] == parts[same]) ++same;
    common.resize(same);
  }
  return common.join(u'/') + u'/';
}

}  // namespace

QList<SketchJob> SketchJobs(const SketchOptions& options) {
  if (options.outDir.isEmpty()) return {{options.inputs.value(0), options.output}};
  const QDir base(options.base.isEmpty() ? CommonFolder(options.inputs) : AbsoluteClean(options.base));
  QList<SketchJob> jobs;
  for (const QString& input : options.inputs) {
    const QFileInfo relative(base.relativeFilePath(AbsoluteClean(input)));
    if (relative.filePath().startsWith(u"../") || relative.filePath() == u"..") {
      jobs.append({input, QString()});
      continue;
    }
    const QString name = relative.completeBaseName() + u'.' + options.format;
    jobs.append({input, QDir::cleanPath(QDir(options.outDir).filePath(QDir(relative.path()).filePath(name)))});
  }
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
      "traced into filled curves, or with --trace centerline into strokes along their middles,\n"
      "the picture's size in pixels as its size. OUTPUT - writes to standard output in the format\n"
      "given by --format.\n"
      "\n"
      "With --out-dir every INPUT is written to DIR/<INPUT's folder>/<INPUT's name without\n"
      "extension>.<format>, INPUT's folder taken relative to --base, or else to the deepest\n"
      "folder holding every INPUT; folders are made when missing. An existing file is never\n"
      "written over unless --force is given, and an INPUT never.\n"
      "%2\n"
      "Exit status: 0 when every file was written, 1 when a file failed (the others are still\n"
      "done; the reason is printed), 2 for a usage error.\n"
      "\n"
      "Examples:\n"
      "  tracella-sketch --threshold 12 --color red photo.jpg photo-sketch.png\n"
      "\n"
      "  tracella-sketch --format svg --background none --blur 2 --threshold 6 bird.jpg bird.svg\n"
      "\n"
      "  tracella-sketch --method xdog --soft photo.jpg pencil.png\n"
      "\n"
      "  tracella-sketch --method xdog --trace centerline --verbose photo.jpg plotter.svg\n"
      "\n"
      "  find photos -iname '*.jpg' -print0 | tracella-sketch --out-dir sketches --from - -0\n"
      "\n"
      "  cat photo.jpg | tracella-sketch --format png - - > sketch.png\n");
  return text.arg(PictureExtensionList(), OptionsUsage());
}

}  // namespace tracella
