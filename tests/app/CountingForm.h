#pragma once

#include <vector>

#include "Faqja1.h"
#include "TSpinBox.h"

namespace tracella {

// The main window with its renderings counted, each with the threshold it used.
class CountingForm : public TForm1 {
 public:
  using TForm1::TForm1;
  std::vector<float> renderings;
  void RenderSketch() override {
    renderings.push_back(SpinBox1->Value());
    TForm1::RenderSketch();
  }
};

}  // namespace tracella
