#include "tests/tools/mix_figures.h"

#include "tests/tools/song_render.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace bw::analysis {

namespace {

double Energy(const Wave& w)
{
    double sum = 0.0;
    for (double v : w) {
        sum += v * v;
    }
    return sum;
}

Wave Mid(const StereoRender& r)
{
    Wave m(r.left.size());
    for (std::size_t i = 0; i < m.size(); ++i) {
        m[i] = 0.5 * (r.left[i] + r.right[i]);
    }
    return m;
}

} // namespace

SoundFigures MeasureSound(const std::vector<std::int16_t>& samples)
{
    const Wave w = FromInt16(samples);
    SoundFigures f;
    double peak = 0.0;
    for (double v : w) {
        peak = std::max(peak, std::fabs(v));
    }
    f.peakDb = AmplitudeDb(peak);
    f.lengthMs = static_cast<double>(w.size()) * 1000.0 / Rate;
    f.fallDbPerSecond = InitialFallDbPerSecond(w);
    f.t40Ms = TimeToFall(w, 40.0) * 1000.0;
    f.margin45Ms = MarginAfterFallMs(w, 45.0);
    f.attackMs = AttackMs(w);
    f.loudness = MaxMomentaryLoudness(w);
    f.shares = Shares(w);
    return f;
}

MixFigures MeasureMix(const std::string& folder)
{
    MixFigures mix;
    const StereoRender song = RenderDefaultSong(folder);
    if (song.clips < 0) {
        throw std::runtime_error("the song did not render: " + song.failure);
    }
    mix.songClips = song.clips;
    double peak = 0.0;
    for (std::size_t i = 0; i < song.left.size(); ++i) {
        peak = std::max({peak, std::fabs(song.left[i]), std::fabs(song.right[i])});
    }
    mix.songPeakDb = AmplitudeDb(peak);
    mix.songLoudness = IntegratedLoudness(song.left, song.right);
    const double songEnergy = Energy(song.left) + Energy(song.right);

    const std::vector<std::string> sounds = DefaultSongTrackSounds(folder);
    Wave kick;
    Wave bass;
    for (std::size_t t = 0; t < sounds.size(); ++t) {
        const StereoRender stem = RenderDefaultSong(folder, {sounds[t]});
        StemFigures s;
        s.sound = sounds[t];
        s.loudness = IntegratedLoudness(stem.left, stem.right);
        s.energyShare = (Energy(stem.left) + Energy(stem.right)) / songEnergy;
        mix.stems.push_back(s);
        if (t == 0) {
            kick = Mid(stem);
            mix.kickLoudness = s.loudness;
        } else if (sounds[t].find("Bass") != std::string::npos) {
            bass = Mid(stem);
        }
    }
    mix.kickBass = CompareSum(kick, bass, 30.0, 120.0, 10.0, BothSoundFloorDbfs);

    const int patterns = DefaultSongPatternCount(folder);
    for (int p = 0; p < patterns; ++p) {
        mix.patternClips.push_back(RenderDefaultSong(folder, {}, p).clips);
    }
    mix.loopDipDb = DeepestLowDip(DefaultKitSound(folder, "Loop Groove 2 Beats"), mix.loopDipMs);
    return mix;
}

const StemFigures& Stem(const MixFigures& mix, const std::string& sound)
{
    for (const StemFigures& s : mix.stems) {
        if (s.sound == sound) {
            return s;
        }
    }
    throw std::runtime_error("no track plays " + sound);
}

double DeepestLowDip(const std::vector<std::int16_t>& samples, double& atMs)
{
    const std::vector<double> power =
        WindowPower(BandPass(FromInt16(samples), 30.0, 120.0), static_cast<std::size_t>(441));
    std::vector<double> level(power.size());
    for (std::size_t i = 0; i < power.size(); ++i) {
        level[i] = PowerDb(2.0 * power[i]);
    }
    double deepest = 0.0;
    atMs = 0.0;
    for (std::size_t i = 3; i + 3 < level.size(); ++i) {
        const double before = std::max({level[i - 3], level[i - 2], level[i - 1]});
        const double after = std::max({level[i + 1], level[i + 2], level[i + 3]});
        const double around = std::min(before, after);
        if (around < -40.0) {
            continue;
        }
        if (around - level[i] > deepest) {
            deepest = around - level[i];
            atMs = static_cast<double>(i) * 10.0;
        }
    }
    return deepest;
}

} // namespace bw::analysis
