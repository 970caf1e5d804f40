#pragma once

#include <cstdint>

namespace tracella {

// 0xAARRGGBB; stored little-endian, so its bytes in memory are B, G, R, A.
using TAlphaColor = std::uint32_t;

inline constexpr TAlphaColor claBlack = 0xFF000000u;
inline constexpr TAlphaColor claWhite = 0xFFFFFFFFu;

constexpr std::uint8_t AlphaOf(TAlphaColor c) { return static_cast<std::uint8_t>(c >> 24); }
constexpr std::uint8_t RedOf(TAlphaColor c) { return static_cast<std::uint8_t>(c >> 16); }
constexpr std::uint8_t GreenOf(TAlphaColor c) { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t BlueOf(TAlphaColor c) { return static_cast<std::uint8_t>(c); }

constexpr TAlphaColor MakeColor(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return (TAlphaColor{a} << 24) | (TAlphaColor{r} << 16) | (TAlphaColor{g} << 8) | b;
}

// Channels scaled by alpha, rounded to nearest: how decoded pixels are stored.
constexpr TAlphaColor Premultiply(TAlphaColor c) {
  const unsigned a = AlphaOf(c);
  auto scale = [a](unsigned v) { return static_cast<std::uint8_t>((v * a + 127) / 255); };
  return MakeColor(static_cast<std::uint8_t>(a), scale(RedOf(c)), scale(GreenOf(c)), scale(BlueOf(c)));
}

}  // namespace tracella
