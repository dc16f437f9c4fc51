#include "library/atomic_file.h"
#include "library/sound_library.h"
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

TEST(DefaultKit, EverySoundPeaksNearMinusOneDbWithoutOffsetOrClicks)
{
    for (const KitSound& k : Kit()) {
        const auto& s = k.samples;
        ASSERT_GT(s.size(), 1000u) << k.name;
        // -1 dBFS is 29204; allow a few tenths of a dB below it, nothing above.
        const int peak = Peak(s, 0, s.size());
        EXPECT_LE(peak, bw::tools::TargetPeak) << k.name;
        EXPECT_GE(peak, 28500) << k.name;
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
}

TEST(DefaultKit, LengthsSuitEachInstrument)
{
    for (const char* hat : {"Closed Hat", "Pedal Hat", "Open Hat"}) {
        EXPECT_GE(Ms(Sound(hat)), 50.0) << hat;
        EXPECT_LE(Ms(Sound(hat)), 200.0) << hat;
    }
    for (const char* kick : {"Kick Deep", "Kick Punch", "Kick Short"}) {
        EXPECT_GE(Ms(Sound(kick)), 300.0) << kick;
        EXPECT_LE(Ms(Sound(kick)), 700.0) << kick;
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
