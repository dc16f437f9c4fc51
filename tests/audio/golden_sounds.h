#pragma once

// A small drum kit synthesised with integer arithmetic only, so every build makes the same
// samples bit for bit (no libm, no floating point).
#include "engine_fixture.h"

#include <cstdint>
#include <vector>

namespace bw::test::golden {

// Lengths in samples, for the checks that depend on them.
constexpr std::size_t KickLength = 13230;     // 0.3 s
constexpr std::size_t SnareLength = 8820;     // 0.2 s
constexpr std::size_t ClosedHatLength = 2000; // 45 ms; chokes "OpenHat"
constexpr std::size_t OpenHatLength = 40000;  // 0.9 s
constexpr std::size_t BlipLength = 1500;      // square wave, full level to the last sample
constexpr std::size_t PadLength = 22050;      // one beat at 120 bpm
constexpr std::size_t LoopLength = 30000;     // stretched to 2 beats; every sample positive
constexpr std::size_t StabLength = 8000;      // stretched to half a beat; every sample positive

/// Sine of a 16-bit phase (65536 = one turn), ±32767, by a rational approximation.
std::int32_t sine(std::uint32_t phase16);

std::vector<std::int16_t> kick();
std::vector<std::int16_t> snare();
std::vector<std::int16_t> hat(std::size_t length, std::int32_t level, std::uint32_t seed);
std::vector<std::int16_t> blip();
std::vector<std::int16_t> pad();
std::vector<std::int16_t> loop();
std::vector<std::int16_t> stab();

/// Adds the kit to the document's library: "Kick", "Snare", "ClosedHat" (stops "OpenHat"),
/// "OpenHat", "Blip", "Pad", "Loop" (stretched to 2 beats) and "Stab" (stretched to 1/2 beat).
void addKit(EngineDoc& doc);

} // namespace bw::test::golden
