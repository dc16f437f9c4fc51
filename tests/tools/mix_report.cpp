// mix_report FOLDER: prints the voicing and mix figures of the default kit and starter song
// found in FOLDER (default.slb, default.bwp), the numbers the generator's tests check, and
// then every figure that has a target, with its range. Exits with 3 when one misses it.
// mix_report FOLDER --wav DIR also writes every sound and the song as WAV files into DIR, to
// listen to or to look at.

#include "audio/wav_writer.h"
#include "tests/tools/mix_figures.h"
#include "tests/tools/mix_targets.h"
#include "tests/tools/song_render.h"
#include "tests/tools/sound_analysis.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string Range(const bw::analysis::Figure& f)
{
    char text[64];
    if (std::isinf(f.min) && std::isinf(f.max)) {
        return "-";
    }
    if (std::isinf(f.min)) {
        std::snprintf(text, sizeof text, "<= %g", f.max);
    } else if (std::isinf(f.max)) {
        std::snprintf(text, sizeof text, ">= %g", f.min);
    } else if (f.min == f.max) {
        std::snprintf(text, sizeof text, "= %g", f.min);
    } else {
        std::snprintf(text, sizeof text, "%g .. %g", f.min, f.max);
    }
    return text;
}

void WriteWav(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels)
{
    bw::audio::WavWriter wav;
    const int align = 2 * channels;
    if (!wav.WriteWavHeader(path, channels, 0, 16, align, 44100 * align, 44100)) {
        throw std::runtime_error(path + ": " + wav.headerError());
    }
    // WAV samples are little-endian.
    std::vector<std::uint8_t> bytes;
    for (std::int16_t v : interleaved) {
        const auto u = static_cast<std::uint16_t>(v);
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFFu));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    wav.WriteWavBlock(bytes.data(), bytes.size());
    wav.CloseWavFile();
}

void WriteWavs(const std::string& folder, const std::string& dir)
{
    using namespace bw::analysis;
    for (const std::string& name : DefaultKitNames(folder)) {
        std::string file = name;
        for (char& c : file) {
            c = c == ' ' ? '_' : c;
        }
        file.insert(0, dir + "/");
        file += ".wav";
        WriteWav(file, DefaultKitSound(folder, name), 1);
    }
    const StereoRender song = RenderDefaultSong(folder);
    std::vector<std::int16_t> frames;
    for (std::size_t i = 0; i < song.left.size(); ++i) {
        frames.push_back(static_cast<std::int16_t>(std::lrint(song.left[i] * 32768.0)));
        frames.push_back(static_cast<std::int16_t>(std::lrint(song.right[i] * 32768.0)));
    }
    WriteWav(dir + "/song.wav", frames, 2);
}

/// Prints the figures with their targets; returns how many miss theirs.
int PrintFigures(const std::vector<bw::analysis::Figure>& figures)
{
    int missed = 0;
    for (const bw::analysis::Figure& f : figures) {
        const bool ranged = !(std::isinf(f.min) && std::isinf(f.max));
        const char* mark = !ranged ? "" : (f.met() ? "ok" : "MISS");
        missed += ranged && !f.met() ? 1 : 0;
        std::printf("%-78s %9.2f  %-14s %s\n", f.name.c_str(), f.value, Range(f).c_str(), mark);
    }
    return missed;
}

} // namespace

int main(int argc, char** argv)
{
    const bool wav = argc == 4 && std::string(argv[2]) == "--wav";
    if (argc != 2 && !wav) {
        std::fprintf(stderr, "usage: mix_report FOLDER [--wav DIR]\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        using namespace bw::analysis;
        if (wav) {
            WriteWavs(folder, argv[3]);
            return 0;
        }
        std::printf("%-20s %6s %6s %7s %7s %6s %6s %6s %6s %5s %5s %5s %6s\n", "sound", "peak",
                    "ms", "fall30", "T40ms", "m45ms", "attack", "LUFSm", "centr", "<2k", ">4k",
                    "16k", "5-1k");
        for (const std::string& name : DefaultKitNames(folder)) {
            const SoundFigures f = MeasureSound(DefaultKitSound(folder, name));
            std::printf("%-20s %6.1f %6.0f %7.0f %7.0f %6.0f %6.2f %6.1f %6.0f %5.1f %5.1f %5.1f "
                        "%6.1f\n",
                        name.c_str(), f.peakDb, f.lengthMs, f.fallDbPerSecond, f.t40Ms,
                        f.margin45Ms, f.attackMs, f.loudness, f.shares.centroidHz,
                        100.0 * f.shares.below2k, 100.0 * f.shares.above4k,
                        100.0 * f.shares.octave16k, 100.0 * f.shares.band500to1k);
        }

        const MixFigures mix = MeasureMix(folder, true);
        std::printf("\nsong clips %lld, pattern clips", static_cast<long long>(mix.songClips));
        for (long long c : mix.patternClips) {
            std::printf(" %lld", c);
        }
        std::printf("\nsong peak %.2f dBFS, integrated %.1f LUFS\n", mix.songPeakDb,
                    mix.songLoudness);
        std::printf("%-14s %8s %8s %8s %8s %8s   at the loudest moments\n", "track", "LUFS",
                    "re kick", "energy%", "side%", "125Hz%");
        std::printf("%-59s", "");
        for (const PeakMoment& m : mix.loudest) {
            std::printf(" %6.2fs%c", static_cast<double>(m.index) / Rate, m.left ? 'L' : 'R');
        }
        std::printf("\n");
        for (const StemFigures& s : mix.stems) {
            std::printf("%-14s %8.1f %8.1f %8.2f %8.2f %8.2f ", s.sound.c_str(), s.loudness,
                        s.loudness - mix.kickLoudness, 100.0 * s.energyShare, 100.0 * s.sideShare,
                        100.0 * s.octave125Share);
            for (double v : s.atPeaks) {
                std::printf(" %+7.3f", v);
            }
            std::printf("\n");
        }
        std::printf("kick + bass, 30-120 Hz, 10 ms windows where both sound: %d windows, "
                    "%.1f %% within 3 dB, worst %.1f dB at %.2f s\n",
                    mix.kickBass.windows, 100.0 * mix.kickBass.shareWithin3dB, mix.kickBass.worstDb,
                    mix.kickBass.worstAtSeconds);
        std::printf("Loop Groove 2 Beats: deepest 30-120 Hz dip %.1f dB at %.0f ms\n",
                    mix.loopDipDb, mix.loopDipMs);

        std::printf("\n%-78s %9s  %-14s\n", "figure", "value", "target");
        int missed = PrintFigures(KitFigures(folder));
        missed += PrintFigures(SongFigures(mix));
        std::printf("\n%d figure%s outside %s target\n", missed, missed == 1 ? "" : "s",
                    missed == 1 ? "its" : "their");
        return missed == 0 ? 0 : 3;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mix_report: %s\n", e.what());
        return 1;
    }
    return 0;
}
