#pragma once

#include <vector>

#include "Faqja1.h"

namespace tracella {

// The main window with its renderings counted, each with the threshold it used.
class CountingForm : public TForm1 {
 public:
  explicit CountingForm(Platform& platform) : TForm1(platform) {
    Pipeline.OnRendered = [this](float threshold) { renderings.push_back(threshold); };
  }
  std::vector<float> renderings;
};

}  // namespace tracella
