#pragma once

#include <vector>

#include "Faqja1.h"
#include "TImage.h"

namespace tracella {

// The main window with its renderings counted, each with the threshold it used.
class CountingForm : public TForm1 {
 public:
  explicit CountingForm(Platform& platform) : TForm1(platform) {
    Pipeline.OnRendered = [this](float threshold) { renderings.push_back(threshold); };
  }
  std::vector<float> renderings;
};

// The pixels Image1 paints over its whole area.
inline TBitmap ShownSketch(const TForm1& form) {
  TBitmap pixels;
  form.Image1->DrawPart(form.Image1->rect(), pixels);
  return pixels;
}

}  // namespace tracella
