#include "tools/default_kit.h"

#include "library/sound_library.h"
#include "tools/kit_voices.h"
#include "tools/synth.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace bw::tools {

namespace {

/// Fades the last ms milliseconds to zero (used on parts that are mixed into loops).
void FadeTail(Signal& s, double ms)
{
    const std::size_t n = std::min(s.size(), static_cast<std::size_t>(SamplesFor(ms)));
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i + 1) / static_cast<double>(n);
        s[s.size() - n + i] *= 0.5 + 0.5 * Cos(Pi * x);
    }
}

// ---- tempo-synced loops (recorded at 120 bpm) ------------------------------------------

constexpr int LoopBeat = SampleRate / 2; // one beat at 120 bpm

/// A part ready for mixing into a loop: peak 1 and a faded tail.
Signal Part(Signal s)
{
    FadeTail(s, 10.0);
    Normalize(s);
    return s;
}

Signal LoopPerc()
{
    Signal s(static_cast<std::size_t>(LoopBeat), 0.0);
    const int sixteenth = LoopBeat / 4;
    const Signal hat = Part(ClosedHat());
    const Signal shaker = Part(Shaker());
    const Signal hi = Part(CongaHigh());
    const Signal lo = Part(CongaLow());
    const Signal clave = Part(Clave());
    MixInto(s, hat, 0.7, 0);
    MixInto(s, hi, 0.5, 0);
    MixInto(s, shaker, 0.35, sixteenth);
    MixInto(s, hat, 0.45, 2 * sixteenth);
    MixInto(s, lo, 0.55, 2 * sixteenth);
    MixInto(s, shaker, 0.4, 3 * sixteenth);
    MixInto(s, clave, 0.25, 3 * sixteenth);
    return s;
}

Signal LoopGroove()
{
    Signal s(static_cast<std::size_t>(2 * LoopBeat), 0.0);
    const int eighth = LoopBeat / 2;
    const Signal kick = Part(KickShort());
    const Signal snare = Part(SnareTight());
    const Signal hat = Part(ClosedHat());
    const Signal bass = Part(SubBass());
    MixInto(s, kick, 0.8, 0);
    MixInto(s, bass, 0.45, 0);
    MixInto(s, kick, 0.5, 3 * eighth);
    MixInto(s, snare, 0.6, 2 * eighth);
    for (int i = 0; i < 4; ++i) {
        MixInto(s, hat, i % 2 == 0 ? 0.35 : 0.22, i * eighth + eighth / 2);
    }
    return s;
}

/// Scales a cleaned sound (peak 1) so that its loudness, the loudest 400 ms of it weighted
/// as the ear weights it, comes to lufs. Levels set by loudness rather than by peak keep the
/// kit balanced the way a player hears it; a sound that would pass -1 dBFS there is a fault
/// in the table below.
std::vector<std::int16_t> AtLoudness(const std::string& name, const Signal& clean, double lufs)
{
    const double scale = 32768.0 * DbToGain(lufs + 0.691) / std::sqrt(LoudnessPower(clean));
    if (scale > TargetPeak) {
        // Only the message uses the library's logarithm; no sample depends on it.
        const double reach = lufs - 20.0 * std::log10(scale / TargetPeak);
        throw std::logic_error(name + " would peak above -1 dBFS at its loudness (it reaches " +
                               std::to_string(reach) + " LUFS)");
    }
    return Quantize(clean, scale);
}

KitSound Make(std::string name, Signal s, double fadeMs, double lufs, std::string stopTarget = {})
{
    KitSound k;
    k.samples = AtLoudness(name, Clean(std::move(s), fadeMs), lufs);
    k.name = std::move(name);
    k.stopTarget = std::move(stopTarget);
    return k;
}

KitSound MakeLoop(std::string name, Signal s, double lufs, std::int32_t beats)
{
    KitSound k = Make(std::move(name), std::move(s), 6.0, lufs);
    k.flags = library::StretchEnabled;
    k.stretchMul = beats;
    k.stretchDiv = 1;
    return k;
}

} // namespace

std::vector<KitSound> BuildDefaultKit()
{
    // Loudness in LUFS (the loudest 400 ms): kicks, snares and toms lead, the bass sits with
    // the kick, cymbals and the ride stay under the snare, hats and shakers further down.
    std::vector<KitSound> kit;
    kit.push_back(Make("Kick Deep", KickDeep(), 10.0, -17.5));
    kit.push_back(Make("Kick Long", KickLong(), 10.0, -17.5));
    kit.push_back(Make("Kick Punch", KickPunch(), 10.0, -18.3));
    kit.push_back(Make("Kick Punch 2", KickPunch2(), 10.0, -18.3));
    kit.push_back(Make("Kick Short", KickShort(), 10.0, -20.0));
    kit.push_back(Make("Kick Tight", KickTight(), 10.0, -22.0));
    kit.push_back(Make("Snare", Snare(), 10.0, -18.0));
    kit.push_back(Make("Snare 2", Snare2(), 10.0, -18.0));
    kit.push_back(Make("Snare Tight", SnareTight(), 10.0, -19.0));
    kit.push_back(Make("Clap", Clap(), 10.0, -21.0));
    kit.push_back(Make("Rimshot", Rimshot(), 10.0, -22.0));
    kit.push_back(Make("Snap", Snap(), 10.0, -24.0));
    kit.push_back(Make("Closed Hat", ClosedHat(), 10.0, -25.8, "Open Hat"));
    kit.push_back(Make("Closed Hat 2", ClosedHat2(), 10.0, -25.8, "Open Hat"));
    kit.push_back(Make("Pedal Hat", PedalHat(), 10.0, -27.0, "Open Hat"));
    kit.push_back(Make("Open Hat", OpenHat(), 20.0, -20.0));
    kit.push_back(Make("Crash", Crash(), 100.0, -21.0));
    kit.push_back(Make("Ride", Ride(), 100.0, -24.0));
    kit.push_back(Make("Ride Bell", RideBell(), 100.0, -23.0));
    kit.push_back(Make("Low Tom", LowTom(), 10.0, -18.0));
    kit.push_back(Make("Mid Tom", MidTom(), 10.0, -18.0));
    kit.push_back(Make("High Tom", HighTom(), 10.0, -18.5));
    kit.push_back(Make("Conga High", CongaHigh(), 10.0, -21.0));
    kit.push_back(Make("Conga Low", CongaLow(), 10.0, -21.0));
    kit.push_back(Make("Cowbell", Cowbell(), 10.0, -23.0));
    kit.push_back(Make("Clave", Clave(), 10.0, -24.0));
    kit.push_back(Make("Shaker", Shaker(), 10.0, -27.0));
    kit.push_back(Make("Tambourine", Tambourine(), 10.0, -25.0));
    kit.push_back(Make("Sub Bass C2", SubBass(), 20.0, -17.0));
    kit.push_back(Make("Zap", Zap(), 10.0, -20.0));
    kit.push_back(MakeLoop("Loop Perc 1 Beat", LoopPerc(), -21.0, 1));
    kit.push_back(MakeLoop("Loop Groove 2 Beats", LoopGroove(), -17.0, 2));
    return kit;
}

void AddKitToLibrary(const std::vector<KitSound>& kit, library::SoundLibrary& lib)
{
    for (const KitSound& k : kit) {
        // Library samples are little-endian whatever the build machine is.
        std::vector<std::uint8_t> bytes;
        bytes.reserve(k.samples.size() * 2);
        for (std::int16_t v : k.samples) {
            const auto u = static_cast<std::uint16_t>(v);
            bytes.push_back(static_cast<std::uint8_t>(u & 0xFFu));
            bytes.push_back(static_cast<std::uint8_t>(u >> 8));
        }
        lib.AddSound(k.name, k.stopTarget, k.stretchDiv, k.stretchMul, k.flags,
                     static_cast<std::int32_t>(bytes.size()), bytes.data());
    }
}

} // namespace bw::tools
