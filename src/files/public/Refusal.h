#pragma once

#include <QString>

namespace tracella {

// The kinds of reason a picture file is not taken for.
enum class TRefusalKind {
  UnreadFormat,       // neither its name nor its content is of a format read here
  BeyondBudget,       // more pixels, bytes or work than the decoding budget allows
  Damaged,            // damaged, cut short, or changed while it was read
  UnsupportedLayout,  // sound, but stored in a way no decoder here reads
  OutOfMemory,
  DecoderFailed,  // the decoder could not run, or gave up without saying why
};

// Why a picture file was not taken: the kind, and the decoder's own words for the log.
struct TRefusal {
  TRefusalKind kind;
  QString text;
};

}  // namespace tracella
