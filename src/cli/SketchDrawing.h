#pragma once

#include <QString>

#include "ByteSink.h"
#include "CenterlineSvg.h"
#include "SketchOptions.h"
#include "SketchPipeline.h"

namespace tracella {

// INPUT loaded into the pipeline's SourceImage as the options' drawing needs it: its greys alone, or
// every channel for XDoG.
void LoadSketchSource(SketchPipeline& pipeline, const QString& input, const SketchOptions& options);

// The file the options make of the pipeline's loaded photograph, handed to the sink as it is made:
// its grey, smoothed when asked, its edges painted, encoded in the options' format. Throws
// EBitmapSavingFailed when it cannot be encoded. Centre lines fill `travel` when given.
void DrawSketchFile(SketchPipeline& pipeline, const SketchOptions& options, const ByteSink& sink,
                    PenTravel* travel = nullptr);

}  // namespace tracella
