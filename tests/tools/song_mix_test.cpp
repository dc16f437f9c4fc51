// The starter song's mix, measured as a producer would: per-track stems rendered through the
// program's engine from the files the build wrote, each with the sounds its track plays audible
// and every other sound silenced.

#include "tests/support/test_paths.h"
#include "tests/tools/mix_figures.h"
#include "tests/tools/mix_targets.h"
#include "tests/tools/song_render.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

/// The whole mix measurement, taken once: it renders the song and every track's stem.
const bw::analysis::MixFigures& Mix()
{
    static const bw::analysis::MixFigures mix = bw::analysis::MeasureMix(BW_ASSET_DIR);
    return mix;
}

/// One track of the song alone: every sound it plays audible, all others silent.
bw::analysis::StereoRender TrackStem(std::size_t track)
{
    const std::vector<bw::analysis::TrackUse> use = bw::analysis::DefaultSongTrackUse(BW_ASSET_DIR);
    EXPECT_LT(track, use.size());
    bw::analysis::StereoRender r =
        bw::analysis::RenderDefaultSong(BW_ASSET_DIR, use.at(track).sounds);
    EXPECT_EQ(r.failure, "") << track;
    return r;
}

double Loudness(const bw::analysis::StereoRender& r)
{
    return bw::analysis::IntegratedLoudness(r.left, r.right);
}

bw::analysis::Wave Mid(const bw::analysis::StereoRender& r)
{
    bw::analysis::Wave m(r.left.size());
    for (std::size_t i = 0; i < m.size(); ++i) {
        m[i] = 0.5 * (r.left[i] + r.right[i]);
    }
    return m;
}

// Tracks of the starter song.
constexpr std::size_t KickTrack = 0;
constexpr std::size_t ClosedHatTrack = 3;
constexpr std::size_t OpenHatTrack = 4;
constexpr std::size_t BassTrack = 11;

TEST(SongMix, TracksPlayTheKitSoundsTheMixIsBalancedFor)
{
    const std::vector<std::string> sounds = bw::analysis::DefaultSongTrackSounds(BW_ASSET_DIR);
    ASSERT_EQ(sounds.size(), 12u);
    EXPECT_EQ(sounds[KickTrack], "Kick Punch");
    EXPECT_EQ(sounds[ClosedHatTrack], "Closed Hat");
    EXPECT_EQ(sounds[OpenHatTrack], "Open Hat");
    EXPECT_EQ(sounds[BassTrack], "Sub Bass C2");
}

TEST(SongMix, HatsSitUnderTheKickAsInAProducedMix)
{
    // Each track with all the sounds it plays over the song.
    const double kick = Loudness(TrackStem(KickTrack));
    const double closed = Loudness(TrackStem(ClosedHatTrack));
    const double open = Loudness(TrackStem(OpenHatTrack));
    EXPECT_GE(kick - closed, 10.0);
    EXPECT_LE(kick - closed, 14.0);
    EXPECT_GE(kick - open, 5.0);
    EXPECT_LE(kick - open, 9.0);
}

TEST(SongMix, EveryTrackIsHeardAndHatsCarryTheirShare)
{
    const bw::analysis::MixFigures& mix = Mix();
    EXPECT_EQ(mix.songClips, 0);
    for (std::size_t p = 0; p < mix.patternClips.size(); ++p) {
        EXPECT_EQ(mix.patternClips[p], 0) << "pattern " << p;
    }
    // No track buried more than 20 dB under the kick, none above it.
    for (const bw::analysis::StemFigures& s : mix.stems) {
        EXPECT_GE(s.loudness - mix.kickLoudness, -20.0) << s.sound;
        EXPECT_LE(s.loudness - mix.kickLoudness, 0.0) << s.sound;
    }
    // Snare within a few dB of the kick; hats and shaker no longer a whisper.
    EXPECT_GE(bw::analysis::Stem(mix, "Snare").loudness - mix.kickLoudness, -5.0);
    const double top = bw::analysis::Stem(mix, "Closed Hat").energyShare +
                       bw::analysis::Stem(mix, "Open Hat").energyShare +
                       bw::analysis::Stem(mix, "Shaker").energyShare;
    EXPECT_GE(top, 0.02);
    // A finished mix: the peak within 3 dB of full scale.
    EXPECT_GT(mix.songPeakDb, -3.0);
}

TEST(SongMix, KickAndBassAddUpInTheLowEnd)
{
    // In the 30-120 Hz band, over the 10 ms windows where both sound, the kick and bass tracks
    // summed lose at most 3 dB against the louder alone almost everywhere, and never 10 dB.
    const bw::analysis::Coincidence c =
        bw::analysis::CompareSum(Mid(TrackStem(KickTrack)), Mid(TrackStem(BassTrack)), 30.0, 120.0,
                                 10.0, bw::analysis::BothSoundFloorDbfs);
    EXPECT_GE(c.windows, 200);
    EXPECT_GE(c.shareWithin3dB, 0.95);
    EXPECT_GT(c.worstDb, -10.0) << "at " << c.worstAtSeconds << " s";
}

TEST(MixReport, EveryFigureOfTheKitAndSongMeetsItsTarget)
{
    // The figures mix_report prints with a target: the cymbals, toms, hats and small
    // percussion, the alternates and the range of kicks, and the song's loudness, peaks,
    // width, octave balance and variety.
    std::vector<bw::analysis::Figure> figures = bw::analysis::KitFigures(BW_ASSET_DIR);
    const std::vector<bw::analysis::Figure> song = bw::analysis::SongFigures(Mix());
    figures.insert(figures.end(), song.begin(), song.end());
    EXPECT_GE(figures.size(), 60u);
    for (const bw::analysis::Figure& f : figures) {
        EXPECT_TRUE(f.met()) << f.name << ": " << f.value << " outside " << f.min << " .. "
                             << f.max;
    }
}

} // namespace
