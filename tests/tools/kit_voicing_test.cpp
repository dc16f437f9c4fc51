// The voicing of the generated kit, measured on the library file the build wrote: how each
// drum falls and dies away, where the cymbals' and snare's energy sits, and how the levels
// balance.

#include "library/atomic_file.h"
#include "tests/support/test_paths.h"
#include "tests/tools/mix_figures.h"
#include "tests/tools/song_render.h"
#include "tests/tools/sound_analysis.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::analysis::SoundFigures;

const std::vector<std::int16_t>& Samples(const std::string& name)
{
    static std::map<std::string, std::vector<std::int16_t>> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        it = cache.emplace(name, bw::analysis::DefaultKitSound(BW_ASSET_DIR, name)).first;
    }
    return it->second;
}

const SoundFigures& Figures(const std::string& name)
{
    static std::map<std::string, SoundFigures> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        it = cache.emplace(name, bw::analysis::MeasureSound(Samples(name))).first;
    }
    return it->second;
}

TEST(KitVoicing, KicksAndTomsFallFastThenDieAwayBeforeTheirEnd)
{
    for (const char* name :
         {"Kick Deep", "Kick Punch", "Kick Short", "Low Tom", "Mid Tom", "High Tom"}) {
        ASSERT_FALSE(Samples(name).empty()) << name;
        const SoundFigures& f = Figures(name);
        EXPECT_GE(f.fallDbPerSecond, 150.0) << name;
    }
    // Membranes and the bass ring out on their own: they are 45 dB down with room to spare
    // (20 ms and a tenth of the sound) before the last sample, not faded out while audible.
    for (const char* name : {"Kick Deep", "Kick Punch", "Kick Short", "Low Tom", "Mid Tom",
                             "High Tom", "Conga High", "Conga Low", "Sub Bass C2"}) {
        const SoundFigures& f = Figures(name);
        EXPECT_GE(f.margin45Ms, std::max(20.0, f.lengthMs / 10.0)) << name;
    }
}

TEST(KitVoicing, NoOneShotIsCutOffWhileStillAudible)
{
    // Every sound but the loops (which must fill their beats) has died away 45 dB before its
    // final fade ends; a fade from an audible level reaches -45 dB only in its last few ms.
    for (const std::string& name : bw::analysis::DefaultKitNames(BW_ASSET_DIR)) {
        if (name.rfind("Loop", 0) == 0) {
            continue;
        }
        EXPECT_GE(Figures(name).margin45Ms, 10.0) << name;
    }
}

TEST(KitVoicing, RidePingsAndClapTailStaysShort)
{
    EXPECT_GE(Figures("Ride").fallDbPerSecond, 150.0);
    EXPECT_LE(Figures("Clap").t40Ms, 200.0);
    EXPECT_GE(Figures("Clap").t40Ms, 100.0);
}

TEST(KitVoicing, OpenHatRingsAndTakesAroundHalfASecondToFallFortyDb)
{
    const SoundFigures& f = Figures("Open Hat");
    EXPECT_GE(f.lengthMs, 800.0);
    EXPECT_LE(f.lengthMs, 1000.0);
    EXPECT_GE(f.t40Ms, 400.0);
    EXPECT_LE(f.t40Ms, 800.0);
    // It drops quickly from the stick's hit before it rings.
    EXPECT_GE(f.fallDbPerSecond, 60.0);
}

TEST(KitVoicing, CrashHasABodyAndLessFizzAtTheTop)
{
    const bw::analysis::SpectrumShares& s = Figures("Crash").shares;
    EXPECT_GE(s.centroidHz, 4000.0);
    EXPECT_LE(s.centroidHz, 6000.0);
    EXPECT_GE(s.below2k, 0.10);
    EXPECT_LE(s.octave16k, 0.10);
}

TEST(KitVoicing, SnareWiresSitBelowFourKilohertz)
{
    for (const char* name : {"Snare", "Snare Tight"}) {
        const bw::analysis::SpectrumShares& s = Figures(name).shares;
        EXPECT_LE(s.above4k, 0.12) << name;
        // No hole between the head and the wires.
        EXPECT_GE(s.band500to1k, 0.04) << name;
    }
}

TEST(KitVoicing, TambourineStrikesOnceWithoutAFlam)
{
    EXPECT_LT(Figures("Tambourine").attackMs, 3.0);
}

TEST(KitVoicing, LevelsFollowLoudnessWithCymbalsUnderTheSnare)
{
    const double snare = Figures("Snare").loudness;
    for (const char* quieter : {"Ride", "Ride Bell", "Crash", "Closed Hat", "Pedal Hat", "Open Hat",
                                "Shaker", "Tambourine", "Clap"}) {
        EXPECT_LT(Figures(quieter).loudness, snare - 1.0) << quieter;
    }
    // Kicks, snare and toms are the kit's loud voices, within a few LU of each other.
    for (const char* drum : {"Kick Deep", "Kick Punch", "Low Tom", "Mid Tom", "High Tom"}) {
        EXPECT_NEAR(Figures(drum).loudness, snare, 2.0) << drum;
    }
    // Hats stay under the open hat, which rings out.
    EXPECT_LT(Figures("Closed Hat").loudness, Figures("Open Hat").loudness);
}

TEST(KitVoicing, KickPunchSettlesOnTheBassNoteAndAddsUpWithIt)
{
    // Zero crossings between 100 and 300 ms give the settled pitch: C2 is 65.4 Hz.
    const auto& kick = Samples("Kick Punch");
    int crossings = 0;
    for (std::size_t i = 4411; i < 13230; ++i) {
        crossings += (kick[i - 1] < 0) != (kick[i] < 0) ? 1 : 0;
    }
    EXPECT_NEAR(crossings / 2.0 / 0.2, 65.4, 2.0);
    // Started together, as the starter song plays them, they never cancel in the low end.
    const bw::analysis::Coincidence c = bw::analysis::CompareSum(
        bw::analysis::FromInt16(kick), bw::analysis::FromInt16(Samples("Sub Bass C2")), 30.0, 120.0,
        10.0, bw::analysis::BothSoundFloorDbfs);
    EXPECT_GE(c.windows, 20);
    EXPECT_GE(c.shareWithin3dB, 0.95);
    EXPECT_GT(c.worstDb, -6.0);
    // The groove loop mixes the short kick with the bass: no deep notch in its low end.
    double at = 0.0;
    EXPECT_LT(bw::analysis::DeepestLowDip(Samples("Loop Groove 2 Beats"), at), 10.0) << at;
}

/// FNV-1a over the bytes of a file.
std::uint64_t Digest(const std::string& path)
{
    std::uint64_t h = 14695981039346656037ull;
    for (std::uint8_t b : bw::readWholeFile(path)) {
        h = (h ^ b) * 1099511628211ull;
    }
    return h;
}

TEST(GeneratedFiles, AreTheSameBytesFromEveryBuildType)
{
    // Debug, release and sanitizer builds must write the very same kit and song. These
    // digests were taken from a build; when the generators change on purpose, put the new
    // digests here (the failure prints them) after checking that another build type agrees.
    const std::uint64_t kit = Digest(std::string(BW_ASSET_DIR) + "/default.slb");
    const std::uint64_t song = Digest(std::string(BW_ASSET_DIR) + "/default.bwp");
    EXPECT_EQ(kit, 0x636604f63d7ccb11ull) << std::hex << "default.slb digest 0x" << kit;
    EXPECT_EQ(song, 0x006d957468ffb249ull) << std::hex << "default.bwp digest 0x" << song;
}

} // namespace
