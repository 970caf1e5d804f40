#pragma once

namespace tracella {

// How tracella-jxr-decode ends: its picture written whole, refused for the decoding budget, or
// failed (a damaged file, a layout libjxr cannot convert, a crash).
enum class TJpegXrExit { Decoded = 0, Failed = 1, BeyondBudget = 2 };

}  // namespace tracella
