#pragma once

#include <hwy/targets.h>

#include <cstdint>

namespace tracella {

// Pins the vector code to one instruction set while it lives. Released on every way out of a
// loop over targets, a failed ASSERT's early return included, so later tests run on every target.
class PinnedTarget {
 public:
  explicit PinnedTarget(std::int64_t target) { hwy::SetSupportedTargetsForTest(target); }
  ~PinnedTarget() { hwy::SetSupportedTargetsForTest(0); }
  PinnedTarget(const PinnedTarget&) = delete;
  PinnedTarget& operator=(const PinnedTarget&) = delete;
};

}  // namespace tracella
