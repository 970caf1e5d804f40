#include "JpegScanLayout.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "ByteReader.h"

namespace tracella {
namespace {

constexpr unsigned MaxComponents = 4;  // libjpeg refuses more in any frame it decodes
constexpr int Coefficients = 64;
constexpr unsigned Soi = 0xD8, Eoi = 0xD9, Rst0 = 0xD0, Rst7 = 0xD7, Sos = 0xDA, Dht = 0xC4, Jpg = 0xC8, Dac = 0xCC;

bool IsFrameHeader(unsigned marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != Dht && marker != Jpg && marker != Dac;
}

unsigned Big16(const ByteReader& in, std::int64_t at) { return in.At(at) << 8 | in.At(at + 1); }

// The offset of the 0xFF that starts the marker ending the coded data from `at` on, or the end
// of the bytes: stuffed zeros, restart markers and fill bytes belong to the data.
std::int64_t EndOfCodedData(const ByteReader& in, std::int64_t at) {
  for (; at + 1 < in.size(); ++at) {
    if (in.At(at) != 0xFF) continue;
    const unsigned next = in.At(at + 1);
    if (next != 0 && next != 0xFF && (next < Rst0 || next > Rst7)) return at;
  }
  return in.size();
}

}  // namespace

JpegScanLayout ReadJpegScanLayout(const QByteArray& bytes) {
  const ByteReader in(bytes);
  JpegScanLayout layout;
  unsigned components = 0;
  std::array<unsigned, MaxComponents> ids{};
  bool progressive = false;
  // The lowest bit each coefficient of each component has arrived to; 16 for none yet.
  std::array<std::array<int, Coefficients>, MaxComponents> lowestBit{};
  for (auto& component : lowestBit) component.fill(16);

  std::int64_t at = 0;
  while (at + 1 < in.size()) {
    // As libjpeg does, anything but a marker between segments is skipped, and so are fill bytes.
    if (in.At(at) != 0xFF || in.At(at + 1) == 0xFF || in.At(at + 1) == 0) {
      ++at;
      continue;
    }
    const unsigned marker = in.At(at + 1);
    if (marker == Eoi) {
      layout.reachesEnd = true;
      break;
    }
    if (marker == Soi || (marker >= Rst0 && marker <= Rst7)) {  // no length follows
      at += 2;
      continue;
    }
    const std::int64_t segment = at + 4, next = at + 2 + Big16(in, at + 2);
    if (IsFrameHeader(marker)) {
      layout.arithmetic = marker >= 0xC9;
      progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
      components = std::min(in.At(segment + 5), MaxComponents);
      for (unsigned c = 0; c < components; ++c) ids[c] = in.At(segment + 6 + 3 * std::int64_t{c});
    } else if (marker == Sos) {
      ++layout.scans;
      const unsigned inScan = in.At(segment);
      const std::int64_t band = segment + 1 + 2 * std::int64_t{inScan};
      // A sequential scan carries every coefficient whole, whatever its band fields say.
      const int first = progressive ? int(in.At(band)) : 0, last = progressive ? int(in.At(band + 1)) : 63;
      const int bit = progressive ? int(in.At(band + 2) & 0x0F) : 0;
      for (unsigned i = 0; i < inScan; ++i) {
        const unsigned* id = std::find(ids.begin(), ids.begin() + components, in.At(segment + 1 + 2 * std::int64_t{i}));
        if (id == ids.begin() + components) continue;
        auto& lowest = lowestBit[std::size_t(id - ids.begin())];
        for (int k = first; k <= std::min(last, Coefficients - 1); ++k)
          lowest[std::size_t(k)] = std::min(lowest[std::size_t(k)], bit);
      }
      at = EndOfCodedData(in, next);
      continue;
    }
    at = next;
  }
  const auto everyComponent = [&](const auto& holds) {
    return components > 0 && std::all_of(lowestBit.begin(), lowestBit.begin() + components, holds);
  };
  layout.everyComponentScanned = everyComponent([](const auto& component) {
    return std::any_of(component.begin(), component.end(), [](int bit) { return bit < 16; });
  });
  layout.scansComplete = everyComponent([](const auto& component) {
    return std::all_of(component.begin(), component.end(), [](int bit) { return bit == 0; });
  });
  return layout;
}

}  // namespace tracella
