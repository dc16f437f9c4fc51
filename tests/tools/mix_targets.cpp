#include "tests/tools/mix_targets.h"

#include "tests/tools/song_render.h"
#include "tests/tools/sound_features.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>

namespace bw::analysis {

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

/// The kit's sounds by name, read once.
class Kit
{
public:
    explicit Kit(const std::string& folder) : m_names(DefaultKitNames(folder))
    {
        for (const std::string& name : m_names) {
            m_waves[name] = FromInt16(DefaultKitSound(folder, name));
        }
    }

    const std::vector<std::string>& names() const { return m_names; }
    bool has(const std::string& name) const { return m_waves.count(name) != 0; }
    const Wave& wave(const std::string& name) const { return m_waves.at(name); }

    /// The names that start with prefix (the loops excepted).
    std::vector<std::string> family(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const std::string& n : m_names) {
            if (n.rfind(prefix, 0) == 0) {
                out.push_back(n);
            }
        }
        return out;
    }

private:
    std::vector<std::string> m_names;
    std::map<std::string, Wave> m_waves;
};

class Figures
{
public:
    explicit Figures(const Kit& kit) : m_kit(kit) {}

    /// A figure of one sound: f(wave), or NaN when the kit lacks the sound.
    template <typename F>
    void sound(const std::string& name, const std::string& what, double min, double max, F f)
    {
        const double value = m_kit.has(name) ? f(m_kit.wave(name)) : NaN;
        add(name + ": " + what, value, min, max);
    }

    void add(const std::string& name, double value, double min, double max)
    {
        m_out.push_back(Figure{name, value, min, max});
    }

    std::vector<Figure> take() { return std::move(m_out); }

private:
    const Kit& m_kit;
    std::vector<Figure> m_out;
};

double Percent(double share)
{
    return 100.0 * share;
}

void Cymbals(Figures& f)
{
    for (const char* ride : {"Ride", "Ride Bell"}) {
        const bool bow = std::string(ride) == "Ride";
        f.sound(ride, "spectral centroid, Hz", bow ? 6000.0 : -Inf, bow ? 11000.0 : Inf,
                [](const Wave& w) { return Shares(w).centroidHz; });
        f.sound(ride, "first 30 ms above 10 kHz, %", 25.0, Inf, [](const Wave& w) {
            return Percent(EnergyShare(SegmentSpectrum(w, 0.0, 30.0), 10000.0, Rate));
        });
        f.sound(ride, "spectral peak over median 1-16 kHz, dB", -Inf, 55.0,
                [](const Wave& w) { return PeakOverMedianDb(PowerSpectrum(w), 1000.0, 16000.0); });
    }
}

void Toms(Figures& f)
{
    for (const char* tom : {"Low Tom", "Mid Tom", "High Tom"}) {
        f.sound(tom, "overtones 0.3-3 kHz against the body below 300 Hz, 20-300 ms, dB", -20.0, Inf,
                [](const Wave& w) {
                    return BandRatioDb(SegmentSpectrum(w, 20.0, 300.0), 300.0, 3000.0, 0.0, 300.0);
                });
        f.sound(tom, "stick 1-6 kHz in the first 20 ms against the whole hit, dB", -24.0, Inf,
                [](const Wave& w) {
                    return PowerDb(EnergyShare(SegmentSpectrum(w, 0.0, 20.0), 1000.0, 6000.0));
                });
        f.sound(tom, "40 dB decay, ms", 900.0, Inf,
                [](const Wave& w) { return TimeToFall(w, 40.0) * 1000.0; });
        f.sound(tom, "fall over the first 30 ms, dB/s", 150.0, Inf,
                [](const Wave& w) { return InitialFallDbPerSecond(w); });
    }
}

void Hats(Figures& f, const Kit& kit)
{
    std::vector<std::string> hats = kit.family("Closed Hat");
    hats.emplace_back("Pedal Hat");
    hats.emplace_back("Open Hat");
    for (const std::string& hat : hats) {
        const double least = hat == "Open Hat" ? 25.0 : 30.0;
        f.sound(hat, "energy above 11.3 kHz, %", least, Inf,
                [](const Wave& w) { return Percent(Shares(w).octave16k); });
        f.sound(hat, "spectral flatness 1-16 kHz", 0.15, Inf,
                [](const Wave& w) { return SpectralFlatness(WelchSpectrum(w), 1000.0, 16000.0); });
    }
}

void SmallPercussion(Figures& f)
{
    f.sound("Tambourine", "energy above 11.3 kHz, %", 15.0, Inf,
            [](const Wave& w) { return Percent(Shares(w).octave16k); });
    f.sound("Tambourine", "rises again after the first fall, dB", 3.0, Inf,
            [](const Wave& w) { return ReRiseDb(w); });
    f.sound("Snap", "first 5 ms above 8 kHz, %", 25.0, Inf, [](const Wave& w) {
        return Percent(EnergyShare(SegmentSpectrum(w, 0.0, 5.0), 8000.0, Rate));
    });
    f.sound("Cowbell", "inharmonic share of the energy above 5 kHz, %", -Inf, 3.0,
            [](const Wave& w) { return Percent(InharmonicShareAbove(w, 5000.0)); });
}

/// Every pair of a family is a different sample, not the same one at another level.
void Distinct(Figures& f, const Kit& kit, const std::string& prefix, std::size_t least)
{
    const std::vector<std::string> names = kit.family(prefix);
    f.add(prefix + " sounds", static_cast<double>(names.size()), static_cast<double>(least), Inf);
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = i + 1; j < names.size(); ++j) {
            f.add(names[i] + " / " + names[j] + ": cross-correlation",
                  MaxCrossCorrelation(kit.wave(names[i]), kit.wave(names[j])), -Inf, 0.95);
        }
    }
}

void Alternates(Figures& f, const Kit& kit)
{
    Distinct(f, kit, "Kick", 3);
    Distinct(f, kit, "Snare", 3);
    Distinct(f, kit, "Closed Hat", 2);
    // "Name 2" is an alternate of "Name": the same instrument at the same loudness.
    for (const std::string& name : kit.names()) {
        const std::size_t space = name.rfind(' ');
        if (space == std::string::npos || space + 2 != name.size() ||
            std::isdigit(static_cast<unsigned char>(name.back())) == 0) {
            continue;
        }
        const std::string base = name.substr(0, space);
        const double diff = kit.has(base) ? MaxMomentaryLoudness(kit.wave(name)) -
                                                MaxMomentaryLoudness(kit.wave(base))
                                          : NaN;
        std::string figure = name;
        figure += " against " + base + ": loudness, LU";
        f.add(figure, diff, -1.0, 1.0);
    }
    // From deep and long to short and tight.
    double lowest = Inf, highest = -Inf, shortest = Inf, longest = -Inf;
    const std::vector<std::string> kicks = kit.family("Kick");
    for (const std::string& k : kicks) {
        const double hz = FundamentalHz(kit.wave(k));
        const double t40 = TimeToFall(kit.wave(k), 40.0) * 1000.0;
        f.add(k + ": fundamental, Hz", hz, -Inf, Inf);
        f.add(k + ": 40 dB decay, ms", t40, -Inf, Inf);
        lowest = std::min(lowest, hz);
        highest = std::max(highest, hz);
        shortest = std::min(shortest, t40);
        longest = std::max(longest, t40);
    }
    f.add("Kick sounds for the range", static_cast<double>(kicks.size()), 5.0, Inf);
    f.add("Kicks: lowest fundamental, Hz", lowest, -Inf, 45.0);
    f.add("Kicks: highest fundamental, Hz", highest, 65.0, Inf);
    f.add("Kicks: shortest 40 dB decay, ms", shortest, -Inf, 250.0);
    f.add("Kicks: longest 40 dB decay, ms", longest, 850.0, Inf);
}

} // namespace

std::vector<Figure> KitFigures(const std::string& folder)
{
    const Kit kit(folder);
    Figures f(kit);
    Cymbals(f);
    Toms(f);
    Hats(f, kit);
    SmallPercussion(f);
    Alternates(f, kit);
    return f.take();
}

std::vector<Figure> SongFigures(const MixFigures& mix)
{
    std::vector<Figure> out;
    auto add = [&](const std::string& name, double value, double min, double max) {
        out.push_back(Figure{name, value, min, max});
    };
    add("Song: integrated loudness, LUFS", mix.songLoudness, -17.0, -15.0);
    add("Song: true peak, dBTP", mix.songTruePeakDb, -Inf, -1.0);
    add("Song: peak to loudness ratio, dB", mix.songTruePeakDb - mix.songLoudness, -Inf, 15.0);
    add("Song: clipped values", static_cast<double>(mix.songClips), 0.0, 0.0);
    std::int64_t patternClips = 0;
    for (std::int64_t c : mix.patternClips) {
        patternClips += c;
    }
    add("Patterns played alone: clipped values", static_cast<double>(patternClips), 0.0, 0.0);
    add("Song: side against mid, dB", mix.sideToMidDb, -15.0, Inf);
    add("Song: left/right correlation", mix.correlation, -Inf, 0.95);
    add("Song: 16 kHz octave against the 8 kHz octave, dB", mix.octave16kOver8kDb, -3.0, Inf);
    add("Song: 125 Hz octave against the whole, dB", mix.octave125ShareDb, -Inf, -9.0);

    const auto stem = [&](const std::string& sound) {
        try {
            return Stem(mix, sound).loudness - mix.kickLoudness;
        } catch (const std::exception&) {
            return NaN;
        }
    };
    add("Snare track against the kick track, LU", stem("Snare"), -1.5, 1.5);
    add("Closed hat track under the kick track, LU", -stem("Closed Hat"), 10.0, 14.0);
    add("Open hat track under the kick track, LU", -stem("Open Hat"), 5.0, 9.0);
    for (std::size_t t = 0; t < mix.tracks.size() && t < mix.stems.size(); ++t) {
        const TrackUse& use = mix.tracks[t];
        const std::string track =
            "Track " + std::to_string(t + 1) + " (" + mix.stems[t].sound + ")";
        add(track + ": different waveforms played", use.waveforms, 2.0, Inf);
        add(track + ": hits on its commonest waveform, %", Percent(use.mostUsedShare), -Inf, Inf);
        if (mix.stems[t].sound.find("Bass") != std::string::npos) {
            add(track + ": pitches of the bass line", static_cast<double>(use.pitches.size()), 3.0,
                Inf);
        }
    }
    return out;
}

} // namespace bw::analysis
