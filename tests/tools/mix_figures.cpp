#include "tests/tools/mix_figures.h"

#include "tests/tools/song_render.h"
#include "tests/tools/sound_features.h"

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

Wave Side(const StereoRender& r)
{
    Wave m(r.left.size());
    for (std::size_t i = 0; i < m.size(); ++i) {
        m[i] = 0.5 * (r.left[i] - r.right[i]);
    }
    return m;
}

std::vector<PeakMoment> LoudestMoments(const StereoRender& song, std::size_t count)
{
    // The loudest sample of every 100 ms, highest first; of two within 100 ms of each other
    // only the higher counts.
    const auto apart = static_cast<std::size_t>(Rate / 10.0);
    std::vector<PeakMoment> windows;
    for (std::size_t start = 0; start < song.left.size(); start += apart) {
        PeakMoment best;
        for (std::size_t i = start; i < std::min(start + apart, song.left.size()); ++i) {
            const bool left = std::fabs(song.left[i]) >= std::fabs(song.right[i]);
            const double v = std::fabs(left ? song.left[i] : song.right[i]);
            if (v > best.value) {
                best = {i, left, v};
            }
        }
        windows.push_back(best);
    }
    std::sort(windows.begin(), windows.end(),
              [](const PeakMoment& a, const PeakMoment& b) { return a.value > b.value; });
    std::vector<PeakMoment> out;
    for (const PeakMoment& m : windows) {
        if (out.size() == count) {
            break;
        }
        const bool near = std::any_of(out.begin(), out.end(), [&](const PeakMoment& o) {
            return (m.index > o.index ? m.index - o.index : o.index - m.index) < apart;
        });
        if (!near) {
            out.push_back(m);
        }
    }
    return out;
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

namespace {

/// The energy in the octave around centreHz of a spectrum.
double OctaveEnergy(const std::vector<double>& power, double centreHz)
{
    const double lo = centreHz / std::sqrt(2.0);
    const double hi = std::min(centreHz * std::sqrt(2.0), Rate / 2.0 + 1.0);
    return EnergyShare(power, lo, hi) * SpectrumEnergy(power);
}

} // namespace

MixFigures MeasureMix(const std::string& folder, bool trackSpectra)
{
    MixFigures mix;
    const StereoRender song = RenderDefaultSong(folder);
    if (song.clips < 0) {
        throw std::runtime_error("the song did not render: " + song.failure);
    }
    mix.songClips = song.clips;
    mix.loudest = LoudestMoments(song, 5);
    mix.songPeakDb = AmplitudeDb(mix.loudest.empty() ? 0.0 : mix.loudest.front().value);
    mix.songTruePeakDb = TruePeakDb(song.left, song.right);
    mix.songLoudness = IntegratedLoudness(song.left, song.right);
    mix.sideToMidDb = SideToMidDb(song.left, song.right);
    mix.correlation = ChannelCorrelation(song.left, song.right);
    const std::vector<double> spectrum = StereoPowerSpectrum(song.left, song.right);
    mix.octave16kOver8kDb =
        PowerDb(OctaveEnergy(spectrum, 16000.0)) - PowerDb(OctaveEnergy(spectrum, 8000.0));
    mix.octave125ShareDb =
        PowerDb(OctaveEnergy(spectrum, 125.0)) - PowerDb(SpectrumEnergy(spectrum));
    const double songEnergy = Energy(song.left) + Energy(song.right);
    const double songMid = Energy(Mid(song));

    const std::vector<std::string> first = DefaultSongTrackSounds(folder);
    mix.tracks = DefaultSongTrackUse(folder);
    Wave kick;
    Wave bass;
    for (std::size_t t = 0; t < mix.tracks.size(); ++t) {
        StemFigures s;
        s.sound = first[t];
        s.sounds = mix.tracks[t].sounds;
        if (!s.sounds.empty()) {
            const StereoRender stem = RenderDefaultSong(folder, s.sounds);
            s.loudness = IntegratedLoudness(stem.left, stem.right);
            s.energyShare = (Energy(stem.left) + Energy(stem.right)) / songEnergy;
            s.sideShare = Energy(Side(stem)) / songMid;
            for (const PeakMoment& m : mix.loudest) {
                const Wave& channel = m.left ? stem.left : stem.right;
                s.atPeaks.push_back(m.index < channel.size() ? channel[m.index] : 0.0);
            }
            if (trackSpectra) {
                s.octave125Share = OctaveEnergy(StereoPowerSpectrum(stem.left, stem.right), 125.0) /
                                   SpectrumEnergy(spectrum);
            }
            if (t == 0) {
                kick = Mid(stem);
                mix.kickLoudness = s.loudness;
            } else if (s.sound.find("Bass") != std::string::npos) {
                bass = Mid(stem);
            }
        }
        mix.stems.push_back(s);
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
