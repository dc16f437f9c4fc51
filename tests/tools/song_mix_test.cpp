// The starter song's mix, measured as a producer would: per-instrument stems rendered through
// the program's engine from the files the build wrote, each with every other sound silenced.

#include "tests/tools/mix_figures.h"
#include "tests/tools/song_render.h"
#include "tests/tools/sound_analysis.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::analysis::StereoRender;

StereoRender Stem(const std::string& sound)
{
    StereoRender r = bw::analysis::RenderDefaultSong(BW_ASSET_DIR, {sound});
    EXPECT_EQ(r.failure, "") << sound;
    return r;
}

double Loudness(const StereoRender& r)
{
    return bw::analysis::IntegratedLoudness(r.left, r.right);
}

bw::analysis::Wave Mid(const StereoRender& r)
{
    bw::analysis::Wave m(r.left.size());
    for (std::size_t i = 0; i < m.size(); ++i) {
        m[i] = 0.5 * (r.left[i] + r.right[i]);
    }
    return m;
}

TEST(SongMix, TracksPlayTheKitSoundsTheMixIsBalancedFor)
{
    const std::vector<std::string> sounds = bw::analysis::DefaultSongTrackSounds(BW_ASSET_DIR);
    ASSERT_EQ(sounds.size(), 12u);
    EXPECT_EQ(sounds.front(), "Kick Punch");
    EXPECT_EQ(sounds.back(), "Sub Bass C2");
}

TEST(SongMix, HatsSitUnderTheKickAsInAProducedMix)
{
    const double kick = Loudness(Stem("Kick Punch"));
    const double closed = Loudness(Stem("Closed Hat"));
    const double open = Loudness(Stem("Open Hat"));
    EXPECT_GE(kick - closed, 10.0);
    EXPECT_LE(kick - closed, 14.0);
    EXPECT_GE(kick - open, 5.0);
    EXPECT_LE(kick - open, 9.0);
}

TEST(SongMix, EveryTrackIsHeardAndHatsCarryTheirShare)
{
    const bw::analysis::MixFigures mix = bw::analysis::MeasureMix(BW_ASSET_DIR);
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
    // In the 30-120 Hz band, over the 10 ms windows where both sound, the two stems summed
    // lose at most 3 dB against the louder alone almost everywhere, and never 10 dB.
    const bw::analysis::Coincidence c =
        bw::analysis::CompareSum(Mid(Stem("Kick Punch")), Mid(Stem("Sub Bass C2")), 30.0, 120.0,
                                 10.0, bw::analysis::BothSoundFloorDbfs);
    EXPECT_GE(c.windows, 200);
    EXPECT_GE(c.shareWithin3dB, 0.95);
    EXPECT_GT(c.worstDb, -10.0) << "at " << c.worstAtSeconds << " s";
}

} // namespace
