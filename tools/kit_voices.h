#pragma once

// The voices of the default kit: each function synthesises one raw sound (any level; the kit
// sets every sound's level by loudness afterwards). Drums and membranes live in
// kit_drums.cpp, metal and small percussion in kit_metal.cpp.

#include "tools/synth.h"

#include <cstdint>
#include <initializer_list>

namespace bw::tools {

// ---- building blocks (kit_drums.cpp) -----------------------------------------------------

/// A sine at a fixed frequency with an exponential decay.
Signal DecayingSine(int length, double freq, double tau);

/// Filtered noise with its own decay.
Signal NoiseBurst(int length, std::uint32_t seed, Biquad filter, double attackMs, double tau);

/// A short band of noise centred on freq that lasts about ms milliseconds: the knock of a
/// beater or the click of a stick, peak 1.
Signal Click(double freq, double q, double ms, std::uint32_t seed);

/// The stick's tick: a burst of noise a few milliseconds long with nothing below lowCutHz,
/// peak 1. It starts just after the finished sound's fade-in, so it keeps its edge.
Signal Tick(double lowCutHz, double ms, std::uint32_t seed);

/// The pitch every kick tuned to C2 and the bass settle on (C two octaves below middle C).
constexpr double C2 = 65.406;

/// The bass's pitch glide: it starts BassGlide times higher and settles with BassGlideTau.
constexpr double BassGlide = 1.06;
constexpr double BassGlideTau = 0.03;

/// A glide start near wanted Hz for a sine settling on settle Hz with time constant tau,
/// chosen so that, once settled, it runs in phase with the bass started at the same moment.
double StartInPhaseWithBass(double wanted, double settle, double tau);

// ---- drums and membranes (kit_drums.cpp) ---------------------------------------------------

Signal KickDeep();
Signal KickLong();
Signal KickPunch();
Signal KickPunch2();
Signal KickShort();
Signal KickTight();
Signal Snare();
Signal Snare2();
Signal SnareTight();
Signal Clap();
Signal Rimshot();
Signal Snap();
Signal LowTom();
Signal MidTom();
Signal HighTom();
Signal CongaHigh();
Signal CongaLow();
Signal SubBass();
Signal Zap();

// ---- metal and small percussion (kit_metal.cpp) --------------------------------------------

Signal ClosedHat();
Signal ClosedHat2();
Signal PedalHat();
Signal OpenHat();
Signal Crash();
Signal Ride();
Signal RideBell();
Signal Cowbell();
Signal Clave();
Signal Shaker();
Signal Tambourine();

} // namespace bw::tools
