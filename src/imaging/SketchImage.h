#pragma once

#include "AlphaColor.h"
#include "Bitmap.h"
#include "GrayPlane.h"
#include "PictureRows.h"
#include "SketchPasses.h"

namespace tracella {

// The line drawing of a grey plane at one threshold and line colour, drawn only where its pixels
// are asked for: the part on screen when it is painted, every row when it is saved. Setting the
// threshold and colour costs nothing. Reads the plane it was made with, which outlives it.
class TSketchImage {
 public:
  explicit TSketchImage(const TGrayPlane& gray) : gray_(&gray) {}

  int Width() const { return gray_->Width(); }
  int Height() const { return gray_->Height(); }
  float Threshold() const { return threshold_; }
  TAlphaColor Line() const { return line_; }

  void Set(float threshold, TAlphaColor line);

  // The pixels of the rectangle of `part`'s size whose top-left pixel is (left, top); `part` is
  // cut to what of it lies within the drawing.
  void DrawPart(int left, int top, TBitmap& part) const;
  // The same into rows of pixels held elsewhere; what lies beyond the drawing is left as it is.
  void DrawPart(int left, int top, const TPixelRows& part) const;
  // Every pixel, `whole` taking the drawing's size.
  void Draw(TBitmap& whole) const;
  // Every row, for an encoder, drawn a band of rows at a time: the drawing is never whole.
  TPictureRows Rows() const;

 private:
  const TGrayPlane* gray_;
  float threshold_ = 9;
  TAlphaColor line_ = claBlack;
};

}  // namespace tracella
