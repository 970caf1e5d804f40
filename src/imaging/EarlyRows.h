#pragma once

#include <functional>

#include "GrayPlane.h"

namespace tracella {

// What a grey load may do for a caller in a hurry: call `ready` with the plane as soon as its top
// `rows` rows are final while the rows below are still being decoded, so that what is on screen
// can be shown before the rest is there. The plane is the one the load then gives, unless the
// load fails after all. Only a large JPEG decoded in two parts does so; other loads never call.
struct TEarlyRows {
  int rows = 0;
  std::function<void(const TGrayPlane& plane)> ready;
};

}  // namespace tracella
