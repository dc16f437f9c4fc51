#include "core/pattern_file.h"
#include "library/atomic_file.h"
#include "tests/support/test_paths.h"
#include "tools/default_kit.h"
#include "tools/default_song.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::core::TNoteEvent;
using bw::core::TPattern;
using bw::core::TSong;

std::map<std::string, std::vector<std::int16_t>> KitByName()
{
    std::map<std::string, std::vector<std::int16_t>> m;
    for (auto& k : bw::tools::BuildDefaultKit()) {
        m[k.name] = std::move(k.samples);
    }
    return m;
}

template <typename F> void ForEachEvent(const TPattern& p, int tracks, F f)
{
    for (int t = 0; t < tracks; ++t) {
        for (int s = 0; s < bw::core::PatternSlots; ++s) {
            const TNoteEvent& e =
                p.Events[static_cast<std::size_t>(t)][static_cast<std::size_t>(s)];
            if (e.Volume != 0) {
                f(t, s, e);
            }
        }
    }
}

bool SameEvents(const bw::core::EventGrid& a, const bw::core::EventGrid& b)
{
    for (std::size_t t = 0; t < a.size(); ++t) {
        for (std::size_t s = 0; s < a[t].size(); ++s) {
            const TNoteEvent& x = a[t][s];
            const TNoteEvent& y = b[t][s];
            if (x.Volume != y.Volume || x.Pitch != y.Pitch || x.Pan != y.Pan ||
                x.Selected != y.Selected) {
                return false;
            }
        }
    }
    return true;
}

TEST(DefaultSong, TwelveTracksPlayKitSoundsWithADelaySend)
{
    const auto song = bw::tools::BuildDefaultSong();
    const auto kit = KitByName();
    EXPECT_EQ(song->TrackCount, 12);
    EXPECT_EQ(song->InstrumentCount, 12);
    ASSERT_EQ(bw::tools::DefaultSongSounds().size(), 12u);
    for (int i = 0; i < song->PatternCount; ++i) {
        const TPattern& p = song->pattern(i);
        int sends = 0;
        for (int t = 0; t < bw::core::MaxTracks; ++t) {
            const auto& track = p.Tracks[static_cast<std::size_t>(t)];
            if (t >= 12) {
                EXPECT_TRUE(track.SoundName.empty());
                continue;
            }
            EXPECT_EQ(kit.count(track.SoundName.str()), 1u) << track.SoundName.str();
            EXPECT_EQ(track.Enabled, 1);
            EXPECT_GT(track.Volume, 0);
            EXPECT_LE(track.Volume, 10000);
            EXPECT_GE(track.Pan, 0);
            EXPECT_LE(track.Pan, 2000);
            EXPECT_LE(track.DelaySend, 1000);
            sends += track.DelaySend > 0 ? 1 : 0;
        }
        EXPECT_GE(sends, 1) << p.Name.str();
    }
    EXPECT_GE(song->Bpm, 100);
    EXPECT_LE(song->Bpm, 125);
}

TEST(DefaultSong, PatternsHaveAccentsPitchAndPanMovementOnTheGrid)
{
    const auto song = bw::tools::BuildDefaultSong();
    ASSERT_GE(song->PatternCount, 4);
    std::set<std::string> names;
    std::set<int> volumes;
    int pitched = 0;
    int panned = 0;
    for (int i = 0; i < song->PatternCount; ++i) {
        const TPattern& p = song->pattern(i);
        names.insert(p.Name.str());
        int events = 0;
        ForEachEvent(p, bw::core::MaxTracks, [&](int t, int s, const TNoteEvent& e) {
            ++events;
            EXPECT_LT(t, song->TrackCount);
            EXPECT_LT(s, 256) << "an event on the end point never sounds";
            EXPECT_EQ(s % (256 / (p.Beats * p.Ticks)), 0) << "off the grid";
            EXPECT_GE(e.Volume, 2);
            EXPECT_LE(e.Volume, 10000);
            EXPECT_GE(e.Pan, -1000);
            EXPECT_LE(e.Pan, 1000);
            EXPECT_EQ(e.Selected, 0);
            volumes.insert(e.Volume);
            pitched += e.Pitch != 0 ? 1 : 0;
            panned += e.Pan != 0 ? 1 : 0;
        });
        EXPECT_GT(events, 0) << p.Name.str();
    }
    for (const char* required : {"Main", "Variation", "Fill", "Break"}) {
        EXPECT_EQ(names.count(required), 1u) << required;
    }
    EXPECT_GE(volumes.size(), 4u);
    EXPECT_GT(pitched, 0);
    EXPECT_GT(panned, 0);
    // The working copy holds the first pattern.
    EXPECT_EQ(song->CurrentPattern, 0);
    EXPECT_TRUE(SameEvents(song->Events, song->pattern(0).Events));
}

TEST(DefaultSong, SequencePlaysEveryPatternBackToBackUpToTheStop)
{
    const auto song = bw::tools::BuildDefaultSong();
    ASSERT_FALSE(song->Sequence.empty());
    std::set<std::string> used;
    int expected = 0;
    for (const auto& entry : song->Sequence) {
        const int k = bw::core::FindPatternByName(*song, entry.Name);
        ASSERT_GE(k, 0) << entry.Name.str();
        EXPECT_EQ(entry.Position, expected) << "gap or overlap before " << entry.Name.str();
        expected = entry.Position + song->pattern(k).Beats;
        used.insert(entry.Name.str());
    }
    EXPECT_EQ(used.size(), static_cast<std::size_t>(song->PatternCount));
    // The stop position is the last beat played.
    EXPECT_EQ(song->StopPosition, expected - 1);
}

TEST(DefaultSong, FileIsDeterministicAndReadsBack)
{
    auto song = bw::tools::BuildDefaultSong();
    const auto bytes = bw::core::SerializePatternFile(*song, true);
    EXPECT_EQ(bw::core::SerializePatternFile(*bw::tools::BuildDefaultSong(), true), bytes);
    EXPECT_EQ(bw::readWholeFile(std::string(BW_ASSET_DIR) + "/default.bwp"), bytes);

    bool sequencerShown = false;
    bw::core::PatternReadCallbacks cb;
    cb.showSequencer = [&] { sequencerShown = true; };
    cb.warn = [](const std::string& text) { ADD_FAILURE() << text; };
    const auto back = bw::core::ParsePatternFile(bytes, "default.bwp", cb);
    EXPECT_TRUE(sequencerShown);
    EXPECT_EQ(back->Bpm, song->Bpm);
    EXPECT_EQ(back->StopPosition, song->StopPosition);
    EXPECT_EQ(back->MasterVolume, song->MasterVolume);
    ASSERT_EQ(back->PatternCount, song->PatternCount);
    for (int i = 0; i < song->PatternCount; ++i) {
        EXPECT_TRUE(SameEvents(back->pattern(i).Events, song->pattern(i).Events));
    }
    ASSERT_EQ(back->Sequence.size(), song->Sequence.size());
}

struct Render
{
    int clips = -1;
    std::vector<std::uint8_t> wav;
};

/// Renders the generated song with the command-line renderer.
Render RenderDefault(const std::string& what)
{
    const std::string dir = BW_ASSET_DIR;
    std::string tag = what;
    for (char& c : tag) {
        c = std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
    }
    const std::string out = ::testing::TempDir() + "bw_default" + tag;
    const std::string cmd = std::string("\"") + BW_CLI_PATH + "\" render \"" + dir +
                            "/default.bwp\" --library \"" + dir + "/default.slb\" " + what +
                            " -o \"" + out + ".wav\" >\"" + out + ".log\" 2>&1";
    Render r;
    if (std::system(cmd.c_str()) != 0) {
        return r;
    }
    const auto log = bw::readWholeFile(out + ".log");
    const std::string text(log.begin(), log.end());
    const auto at = text.find("clip count: ");
    if (at != std::string::npos) {
        r.clips = std::atoi(text.c_str() + at + 12);
    }
    r.wav = bw::readWholeFile(out + ".wav");
    std::remove((out + ".wav").c_str());
    std::remove((out + ".log").c_str());
    return r;
}

TEST(DefaultSongRender, SongPlaysToItsStopWithoutClipping)
{
    const auto song = bw::tools::BuildDefaultSong();
    const Render r = RenderDefault("--song");
    EXPECT_EQ(r.clips, 0);
    const std::size_t blockBytes = static_cast<std::size_t>(2646000 / song->Bpm) * 2 * 2;
    EXPECT_EQ(r.wav.size(), 44 + static_cast<std::size_t>(song->StopPosition + 1) * blockBytes);
    // Loud enough to be a finished mix: the peak lies within 6 dB of full scale.
    int peak = 0;
    for (std::size_t i = 44; i + 1 < r.wav.size(); i += 2) {
        const auto v = static_cast<std::int16_t>(r.wav[i] | (r.wav[i + 1] << 8));
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    }
    EXPECT_GT(peak, 16384);
}

TEST(DefaultSongRender, EveryPatternPlaysWithoutClipping)
{
    const auto song = bw::tools::BuildDefaultSong();
    for (int i = 0; i < song->PatternCount; ++i) {
        EXPECT_EQ(RenderDefault("--pattern " + std::to_string(i)).clips, 0) << i;
    }
}

} // namespace
