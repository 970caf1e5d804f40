#pragma once

#include <QByteArray>

#include "SketchOptions.h"
#include "SketchPipeline.h"

namespace tracella {

// The file the options make of the pipeline's loaded photograph: its grey, smoothed when asked, its
// edges painted, encoded in the options' format. Throws EBitmapSavingFailed when it cannot be encoded.
QByteArray DrawSketchFile(SketchPipeline& pipeline, const SketchOptions& options);

}  // namespace tracella
