#include "library/atomic_file.h"
#include "library/sound_library.h"
#include "tests/support/test_paths.h"
#include "tools/default_kit.h"
#include "tools/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::tools::KitSound;

const std::vector<KitSound>& Kit()
{
    static const std::vector<KitSound> kit = bw::tools::BuildDefaultKit();
    return kit;
}

const KitSound& Sound(const std::string& name)
{
    for (const KitSound& k : Kit()) {
        if (k.name == name) {
            return k;
        }
    }
    throw std::runtime_error("no sound " + name);
}

double Ms(const KitSound& k)
{
    return static_cast<double>(k.samples.size()) * 1000.0 / bw::tools::SampleRate;
}

int Peak(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to)
{
    int peak = 0;
    for (std::size_t i = from; i < to && i < s.size(); ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    }
    return peak;
}

/// Zero crossings per second over [from, to): a rough measure of where the energy sits.
double CrossingRate(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to)
{
    int crossings = 0;
    for (std::size_t i = from + 1; i < to; ++i) {
        if ((s[i - 1] < 0) != (s[i] < 0)) {
            ++crossings;
        }
    }
    return crossings * static_cast<double>(bw::tools::SampleRate) / static_cast<double>(to - from);
}

bw::library::SoundLibrary KitLibrary()
{
    bw::library::SoundLibrary lib;
    lib.CreateSoundLibrary();
    bw::tools::AddKitToLibrary(Kit(), lib);
    return lib;
}

TEST(DefaultKit, IsByteIdenticalOnEveryRunAndMatchesTheBuiltFile)
{
    const auto again = bw::tools::BuildDefaultKit();
    ASSERT_EQ(again.size(), Kit().size());
    for (std::size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].samples, Kit()[i].samples) << again[i].name;
    }
    const auto bytes = KitLibrary().serialize();
    EXPECT_LT(bytes.size(), 3u * 1024u * 1024u);
    EXPECT_EQ(bw::readWholeFile(std::string(BW_ASSET_DIR) + "/default.slb"), bytes);
}

TEST(DefaultKit, CoversAFullDrumKitWithUniqueShortNames)
{
    ASSERT_GE(Kit().size(), 24u);
    std::set<std::string> names;
    for (const KitSound& k : Kit()) {
        EXPECT_FALSE(k.name.empty());
        EXPECT_LE(k.name.size(), 30u) << k.name;
        EXPECT_TRUE(names.insert(k.name).second) << "duplicate " << k.name;
    }
    for (const char* required :
         {"Kick Deep",  "Kick Punch", "Kick Short", "Snare",      "Snare Tight", "Clap",
          "Rimshot",    "Closed Hat", "Pedal Hat",  "Open Hat",   "Crash",       "Ride",
          "Low Tom",    "Mid Tom",    "High Tom",   "Cowbell",    "Clave",       "Shaker",
          "Tambourine", "Conga High", "Conga Low",  "Sub Bass C2"}) {
        EXPECT_EQ(names.count(required), 1u) << required;
    }
}

TEST(DefaultKit, EverySoundPeaksAtMostMinusOneDbWithoutOffsetOrClicks)
{
    int loudestPeak = 0;
    for (const KitSound& k : Kit()) {
        const auto& s = k.samples;
        ASSERT_GT(s.size(), 1000u) << k.name;
        // Levels follow loudness, so peaks differ; none passes -1 dBFS (29204) and none is
        // so quiet that it would drown in the mix (-15 dBFS is 5827).
        const int peak = Peak(s, 0, s.size());
        EXPECT_LE(peak, bw::tools::TargetPeak) << k.name;
        EXPECT_GE(peak, 5827) << k.name;
        loudestPeak = std::max(loudestPeak, peak);
        double sum = 0.0;
        for (std::int16_t v : s) {
            sum += v;
        }
        EXPECT_LT(std::fabs(sum / static_cast<double>(s.size())), 8.0) << k.name << " DC";
        // Starts at zero and rises smoothly; sounds within 30 ms.
        EXPECT_EQ(s.front(), 0) << k.name;
        EXPECT_LT(std::abs(static_cast<int>(s[1])), 400) << k.name;
        EXPECT_GT(Peak(s, 0, 1323), peak / 10) << k.name << " starts late";
        // Ends in silence after a fade: the last half millisecond is nearly quiet.
        EXPECT_EQ(s.back(), 0) << k.name;
        EXPECT_LT(Peak(s, s.size() - 22, s.size()), 600) << k.name << " tail";
    }
    // The kit uses the headroom it has: its loudest sound comes within 0.5 dB of -1 dBFS.
    EXPECT_GE(loudestPeak, 27570);
}

TEST(DefaultKit, LengthsSuitEachInstrument)
{
    for (const char* hat : {"Closed Hat", "Pedal Hat"}) {
        EXPECT_GE(Ms(Sound(hat)), 50.0) << hat;
        EXPECT_LE(Ms(Sound(hat)), 200.0) << hat;
    }
    // An open hat rings out when nothing chokes it.
    EXPECT_GE(Ms(Sound("Open Hat")), 800.0);
    EXPECT_LE(Ms(Sound("Open Hat")), 1000.0);
    // From a tight knock to a long tuned boom.
    for (const char* kick :
         {"Kick Deep", "Kick Long", "Kick Punch", "Kick Punch 2", "Kick Short", "Kick Tight"}) {
        EXPECT_GE(Ms(Sound(kick)), 250.0) << kick;
        EXPECT_LE(Ms(Sound(kick)), 1500.0) << kick;
    }
    EXPECT_GT(Ms(Sound("Kick Deep")), Ms(Sound("Kick Punch")));
    EXPECT_GT(Ms(Sound("Kick Punch")), Ms(Sound("Kick Short")));
    for (const char* cymbal : {"Crash", "Ride", "Ride Bell"}) {
        EXPECT_GE(Ms(Sound(cymbal)), 1000.0) << cymbal;
        EXPECT_LE(Ms(Sound(cymbal)), 2500.0) << cymbal;
    }
    for (const KitSound& k : Kit()) {
        EXPECT_LE(Ms(k), 2500.0) << k.name;
    }
}

TEST(DefaultKit, ClosedAndPedalHatChokeTheOpenHat)
{
    EXPECT_EQ(Sound("Closed Hat").stopTarget, "Open Hat");
    EXPECT_EQ(Sound("Pedal Hat").stopTarget, "Open Hat");
    EXPECT_EQ(Sound("Open Hat").stopTarget, "");
    for (const KitSound& k : Kit()) {
        if (!k.stopTarget.empty()) {
            EXPECT_NO_THROW(Sound(k.stopTarget)) << k.name << " stops a missing sound";
        }
    }
}

TEST(DefaultKit, ExactlyTwoLoopsStretchToOneAndTwoBeats)
{
    std::vector<const KitSound*> loops;
    for (const KitSound& k : Kit()) {
        if ((k.flags & bw::library::StretchEnabled) != 0) {
            loops.push_back(&k);
        } else {
            EXPECT_EQ(k.flags, 0) << k.name;
            EXPECT_EQ(k.stretchMul, 0) << k.name;
            EXPECT_EQ(k.stretchDiv, 0) << k.name;
        }
    }
    ASSERT_EQ(loops.size(), 2u);
    // Recorded at 120 bpm: one beat is 22050 samples.
    EXPECT_EQ(loops[0]->stretchMul, 1);
    EXPECT_EQ(loops[0]->stretchDiv, 1);
    EXPECT_EQ(loops[0]->samples.size(), 22050u);
    EXPECT_EQ(loops[1]->stretchMul, 2);
    EXPECT_EQ(loops[1]->stretchDiv, 1);
    EXPECT_EQ(loops[1]->samples.size(), 44100u);
}

TEST(DefaultKit, DrumsSitInTheirFrequencyRanges)
{
    // Kicks, toms and the bass live low; hats and shaker high.
    for (const char* low : {"Kick Deep", "Kick Punch", "Low Tom", "Sub Bass C2"}) {
        const auto& s = Sound(low).samples;
        EXPECT_LT(CrossingRate(s, s.size() / 4, s.size() * 3 / 4), 400.0) << low;
    }
    for (const char* high : {"Closed Hat", "Open Hat", "Shaker", "Crash"}) {
        const auto& s = Sound(high).samples;
        EXPECT_GT(CrossingRate(s, 0, s.size() / 2), 6000.0) << high;
    }
    // The bass is tuned to C2 (65.4 Hz): two crossings per cycle.
    const auto& bass = Sound("Sub Bass C2").samples;
    EXPECT_NEAR(CrossingRate(bass, 4410, 22050) / 2.0, 65.4, 2.0);
}

TEST(DefaultKit, LibraryFileKeepsEverySoundAndSetting)
{
    const auto bytes = KitLibrary().serialize();
    bw::library::SoundLibrary back;
    back.CreateSoundLibrary();
    back.parse(bytes, "default.slb");
    ASSERT_EQ(back.count(), static_cast<int>(Kit().size()));
    for (int i = 0; i < back.count(); ++i) {
        const KitSound& k = Kit()[static_cast<std::size_t>(i)];
        const auto& rec = back.at(i);
        EXPECT_EQ(rec.Name.str(), k.name);
        EXPECT_EQ(rec.StopTarget.str(), k.stopTarget);
        EXPECT_EQ(rec.Flags, k.flags);
        EXPECT_EQ(rec.StretchMul, k.stretchMul);
        EXPECT_EQ(rec.StretchDiv, k.stretchDiv);
        EXPECT_EQ(*rec.Data, k.samples) << k.name;
    }
}

TEST(Synth, FinishTakesOutOffsetAndSilencesBothEnds)
{
    // A signal sitting almost entirely above zero, with a hard start and end.
    bw::tools::Signal s(4410);
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = 0.8 + 0.2 * std::sin(static_cast<double>(i) * 0.05);
    }
    const auto out = bw::tools::Finish(s, 5.0);
    ASSERT_EQ(out.size(), s.size());
    EXPECT_EQ(out.front(), 0);
    EXPECT_EQ(out.back(), 0);
    EXPECT_EQ(Peak(out, 0, out.size()), bw::tools::TargetPeak);
    double sum = 0.0;
    for (std::int16_t v : out) {
        sum += v;
    }
    EXPECT_LT(std::fabs(sum / static_cast<double>(out.size())), 2.0);
}

TEST(Synth, OwnArithmeticAgreesWithTheMathLibrary)
{
    // The generator's exponential, sine and tanh stand in for the library's so every build
    // writes the same bytes; they must be as good as the library's to the last few bits.
    for (int i = 0; i <= 4624; ++i) {
        const double x = -40.0 + 0.0173 * i;
        EXPECT_NEAR(bw::tools::Exp(x), std::exp(x), 1e-15 * std::exp(x)) << x;
        EXPECT_NEAR(bw::tools::Tanh(x), std::tanh(x), 1e-15) << x;
    }
    for (int i = 0; i <= 43620; ++i) {
        const double x = -2000.0 + 0.0917 * i;
        EXPECT_NEAR(bw::tools::Sin(x), std::sin(x), 1e-13) << x;
        EXPECT_NEAR(bw::tools::Cos(x), std::cos(x), 1e-13) << x;
    }
    EXPECT_NEAR(bw::tools::DbToGain(-20.0), 0.1, 1e-16);
    EXPECT_EQ(bw::tools::Exp(-800.0), 0.0);
}

TEST(Synth, LoudnessOfAFullScaleSineIsMinusThreeLufs)
{
    // The loudness meters' reference: a 1 kHz sine at full scale reads -3.01 LUFS.
    bw::tools::Signal s(44100);
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = std::sin(2.0 * bw::tools::Pi * 1000.0 * static_cast<double>(i) / 44100.0);
    }
    EXPECT_NEAR(10.0 * std::log10(bw::tools::LoudnessPower(s)) - 0.691, -3.01, 0.05);
    // Loudness follows the ear's weighting: 40 Hz counts for less than 4 kHz at equal level.
    bw::tools::Signal low(44100), high(44100);
    for (std::size_t i = 0; i < s.size(); ++i) {
        low[i] = std::sin(2.0 * bw::tools::Pi * 40.0 * static_cast<double>(i) / 44100.0);
        high[i] = std::sin(2.0 * bw::tools::Pi * 4000.0 * static_cast<double>(i) / 44100.0);
    }
    EXPECT_LT(bw::tools::LoudnessPower(low) * 2.0, bw::tools::LoudnessPower(high));
}

/// Energy of s at freq Hz, from a plain DFT bin.
double ToneEnergy(const bw::tools::Signal& s, double freq)
{
    double re = 0.0, im = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double a = 2.0 * bw::tools::Pi * freq * static_cast<double>(i) / 44100.0;
        re += s[i] * std::cos(a);
        im += s[i] * std::sin(a);
    }
    return re * re + im * im;
}

TEST(Synth, SquareKeepsItsHarmonicsAndFoldsNothingBack)
{
    // At 2900 Hz the 9th harmonic (26100 Hz) would fold back to 18000 Hz and the 11th to
    // 12200 Hz, where a naive square leaves 1.2 % and 0.8 % of its fundamental's energy.
    const bw::tools::Signal s = bw::tools::Square(44100, 2900.0);
    const double fundamental = ToneEnergy(s, 2900.0);
    EXPECT_GT(ToneEnergy(s, 8700.0) / fundamental, 0.07) << "the third harmonic stays";
    EXPECT_LT(ToneEnergy(s, 18000.0) / fundamental, 2e-3);
    EXPECT_LT(ToneEnergy(s, 12200.0) / fundamental, 5e-4);
    EXPECT_LT(ToneEnergy(s, 5800.0) / fundamental, 1e-6) << "no even harmonics";
}

TEST(Synth, PartialsAreDecayingSinesAndSkipWhatTheRateCannotCarry)
{
    const std::vector<bw::tools::Partial> partials = {{440.0, 0.5, 0.1, 0.3},
                                                      {30000.0, 1.0, 1.0, 0.0}};
    const bw::tools::Signal s = bw::tools::Partials(4410, partials);
    for (std::size_t i : {std::size_t{0}, std::size_t{1000}, std::size_t{4409}}) {
        const double t = static_cast<double>(i) / 44100.0;
        EXPECT_NEAR(
            s[i], 0.5 * std::exp(-t / 0.1) * std::sin(2.0 * bw::tools::Pi * 440.0 * t + 0.3), 1e-9)
            << i;
    }
    // A glide starts higher: in its first 10 ms a 100 Hz partial gliding down from 400 Hz
    // crosses zero several times, a steady one once.
    const auto crossings = [](const bw::tools::Signal& g) {
        int n = 0;
        for (std::size_t i = 1; i < g.size(); ++i) {
            n += (g[i - 1] < 0.0) != (g[i] < 0.0) ? 1 : 0;
        }
        return n;
    };
    EXPECT_EQ(crossings(bw::tools::Partials(441, {{100.0, 1.0, 1.0, 0.0}})), 1);
    EXPECT_GE(crossings(bw::tools::Partials(441, {{100.0, 1.0, 1.0, 0.0}}, 3.0, 0.005)), 3);
}

TEST(Synth, LimitPeaksHoldsTheTipAndLeavesTheRestAlone)
{
    bw::tools::Signal s(4410, 0.0);
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = 0.2 * std::sin(static_cast<double>(i) * 0.3);
    }
    s[2000] = 1.0; // a spike
    bw::tools::Signal limited = s;
    bw::tools::LimitPeaks(limited, 0.5, 10.0);
    double peak = 0.0;
    for (double v : limited) {
        peak = std::max(peak, std::fabs(v));
    }
    EXPECT_LE(peak, 0.5 + 1e-12);
    // Far from the spike the signal is untouched; the gain never steps.
    EXPECT_EQ(limited[500], s[500]);
    EXPECT_NEAR(limited[4400], s[4400], 1e-3);
    for (std::size_t i = 1900; i < 2100; ++i) {
        const double before = s[i - 1] == 0.0 ? 1.0 : limited[i - 1] / s[i - 1];
        const double now = s[i] == 0.0 ? 1.0 : limited[i] / s[i];
        EXPECT_LT(std::fabs(now - before), 0.1) << i;
    }
}

TEST(Synth, HighShelfLiftsOnlyTheTop)
{
    bw::tools::Signal low(44100), high(44100);
    for (std::size_t i = 0; i < low.size(); ++i) {
        low[i] = std::sin(2.0 * bw::tools::Pi * 200.0 * static_cast<double>(i) / 44100.0);
        high[i] = std::sin(2.0 * bw::tools::Pi * 18000.0 * static_cast<double>(i) / 44100.0);
    }
    const double lowBefore = ToneEnergy(low, 200.0);
    const double highBefore = ToneEnergy(high, 18000.0);
    bw::tools::Biquad::highShelf(8000.0, 0.7, 6.0).processAll(low);
    bw::tools::Biquad::highShelf(8000.0, 0.7, 6.0).processAll(high);
    EXPECT_NEAR(10.0 * std::log10(ToneEnergy(low, 200.0) / lowBefore), 0.0, 0.2);
    EXPECT_NEAR(10.0 * std::log10(ToneEnergy(high, 18000.0) / highBefore), 6.0, 0.5);
}

TEST(Synth, NoiseDependsOnlyOnItsSeed)
{
    bw::tools::Noise a(7), b(7), c(8);
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        const double x = a.next();
        EXPECT_EQ(x, b.next());
        EXPECT_GE(x, -1.0);
        EXPECT_LT(x, 1.0);
        differs = differs || x != c.next();
    }
    EXPECT_TRUE(differs);
}

} // namespace
