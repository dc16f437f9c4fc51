#pragma once

// The grid's mouse cursor: a drumstick drawn in code and stored as a Windows cursor file.

#include <array>
#include <cstdint>
#include <vector>

namespace bw::tools {

constexpr int CursorSize = 32;
/// The stick's tip, where a click lands.
constexpr int CursorHotX = 2;
constexpr int CursorHotY = 2;

/// 32 x 32 pixels, top row first, each 0xAARRGGBB with straight (not premultiplied) alpha.
using CursorImage = std::array<std::uint32_t, CursorSize * CursorSize>;

CursorImage DrawStick();

/// The .cur file: one 32 x 32 image, 32-bit colour with an AND mask, hot spot at the tip.
std::vector<std::uint8_t> EncodeCursor(const CursorImage& image, int hotX, int hotY);

} // namespace bw::tools
