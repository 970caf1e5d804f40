#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

#include "AlphaColor.h"

namespace tracella {

// A length as given: a number and mm, cm, in or px.
struct SvgLength {
  double value = 0;
  QString unit;
  double CssPixels() const;  // at 96 to the inch
};

// What the sketch command was asked to do.
struct SketchOptions {
  float threshold = 9;
  TAlphaColor color = claBlack;
  bool transparent = false;  // --background none
  float blur = 0;            // Gaussian sigma; 0 is off
  int speckle = 0;           // specks of at most this many pixels are dropped (SVG: 2 unless given)
  bool xdog = false;         // --method xdog; edges otherwise
  float sigma = 0;           // xdog: pixels; 0 grows it with the picture's size
  float sharpness = 40;      // xdog: p
  float epsilon = -0.05f;    // xdog: the line threshold
  bool soft = false;         // xdog: grey tones, steepness phi
  float phi = 2;
  SvgLength width;          // SVG: the document's width; 0 is the picture's width in pixels
  SvgLength strokeWidth;    // SVG: the pen's width; 0 is none for outlines, the lines' own for centre lines
  bool centerline = false;  // SVG: --trace centerline; outlines otherwise
  QStringList inputs;       // "-" is standard input
  QString output;           // one input: the file to write, "-" for standard output
  QString outDir;           // many inputs: the folder to write into
  QString base;             // the folder whose tree is kept under outDir; empty: the inputs' common one
  QString format;           // what is written: "jpg", "png" or "svg"
  QString from;             // a file of input names, "-" for standard input
  bool namesEndInNul = false;
  bool force = false;
  bool verbose = false;  // report what each drawing measured
  int jobs = 0;          // pictures sketched at a time; 0 is one per processor
  bool help = false;
  bool version = false;
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

// The files to write: OUTPUT for the single input, or for each input DIR/<its folder relative to the
// base>/<its base name>.<format>, the base being --base or else the deepest folder holding every
// input. An input outside --base gets an empty output.
QList<SketchJob> SketchJobs(const SketchOptions& options);

QString SketchUsage();
QString SketchVersion();

}  // namespace tracella
