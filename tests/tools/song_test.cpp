#include "core/pattern_file.h"
#include "library/atomic_file.h"
#include "tools/default_kit.h"
#include "tools/default_song.h"

#include <algorithm>
#include <cstdint>
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

/// The song mixed the way the engine mixes it (gains, pans, shuffle and delay echoes), with
/// pitch and hi-hat chokes left out so the estimate errs on the loud side.
TEST(DefaultSong, BusiestMomentStaysWellUnderFullScale)
{
    const auto song = bw::tools::BuildDefaultSong();
    const auto kit = KitByName();
    const std::int64_t frames = (2646000 / song->Bpm) * 2 / 2;
    const std::int64_t beats = song->StopPosition + 1;
    std::vector<std::int64_t> left(static_cast<std::size_t>(frames * (beats + 6)), 0);
    std::vector<std::int64_t> right(left.size(), 0);

    auto shuffled = [&](int pos) {
        if (song->ShuffleAmount == 0) {
            return pos;
        }
        const int step = 256 / song->ShuffleDivision;
        const int n = pos / step;
        const int r = pos - n * step;
        const int h = step / 2;
        if (r < h) {
            return pos;
        }
        return n * step + (2 * h - 2) - ((100 - song->ShuffleAmount) * (2 * h - r)) / 100;
    };
    auto add = [&](const std::vector<std::int16_t>& data, std::int64_t at, int volume, int pan) {
        const int g = volume * 4 / 5;
        const int lw = pan > 1000 ? 2000 - pan : 1000;
        const int rw = pan < 1000 ? pan : 1000;
        for (std::size_t i = 0; i < data.size(); ++i) {
            const auto f = static_cast<std::size_t>(at) + i;
            if (f >= left.size()) {
                break;
            }
            const int v = g * data[i] / 10000;
            left[f] += v * lw / 1000;
            right[f] += v * rw / 1000;
        }
    };

    for (const auto& entry : song->Sequence) {
        const TPattern& p = song->pattern(bw::core::FindPatternByName(*song, entry.Name));
        ForEachEvent(p, song->TrackCount, [&](int t, int s, const TNoteEvent& e) {
            const auto& track = p.Tracks[static_cast<std::size_t>(t)];
            const int beat = s * p.Beats / 256;
            const int units = shuffled((s - beat * 256 / p.Beats) * p.Beats);
            int volume = ((e.Volume * song->MasterVolume) / 10000 * track.Volume) / 10000;
            const int pan = std::clamp(track.Pan + e.Pan, 0, 2000);
            const auto& data = kit.at(track.SoundName.str());
            const std::int64_t beatStart = (entry.Position + beat) * frames;
            add(data, beatStart + units * frames / 256, volume, pan);
            if (track.DelaySend > 0) {
                for (int g = 1; g <= song->DelayRepeats + 1; ++g) {
                    int echo = volume * (track.DelaySend + 1) / 1001;
                    for (int k = 0; k < g + 1; ++k) {
                        echo = echo * (song->DelayFeedback + 1) / 101;
                    }
                    const int start = units + (256 / song->DelayDivision) * g;
                    add(data, beatStart + start * frames / 256, echo, pan);
                }
            }
        });
    }
    std::int64_t peak = 0;
    std::size_t at = 0;
    for (std::size_t i = 0; i < left.size(); ++i) {
        const std::int64_t v = std::max(std::abs(left[i]), std::abs(right[i]));
        if (v > peak) {
            peak = v;
            at = i;
        }
    }
    RecordProperty("peak", static_cast<int>(peak));
    EXPECT_LT(peak, 29000) << "the starter song would clip at beat "
                           << static_cast<double>(at) / static_cast<double>(frames);
    EXPECT_GT(peak, 16000) << "the starter song is needlessly quiet";
}

} // namespace
