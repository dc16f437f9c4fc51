// mix_report FOLDER: prints the voicing and mix figures of the default kit and starter song
// found in FOLDER (default.slb, default.bwp), the numbers the generator's tests check.

#include "tests/tools/mix_figures.h"
#include "tests/tools/song_render.h"
#include "tests/tools/sound_analysis.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mix_report FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        using namespace bw::analysis;
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

        const MixFigures mix = MeasureMix(folder);
        std::printf("\nsong clips %lld, pattern clips", static_cast<long long>(mix.songClips));
        for (long long c : mix.patternClips) {
            std::printf(" %lld", c);
        }
        std::printf("\nsong peak %.2f dBFS, integrated %.1f LUFS\n", mix.songPeakDb,
                    mix.songLoudness);
        std::printf("%-14s %8s %8s %8s\n", "stem", "LUFS", "re kick", "energy%");
        for (const StemFigures& s : mix.stems) {
            std::printf("%-14s %8.1f %8.1f %8.2f\n", s.sound.c_str(), s.loudness,
                        s.loudness - mix.kickLoudness, 100.0 * s.energyShare);
        }
        std::printf("kick + bass, 30-120 Hz, 10 ms windows where both sound: %d windows, "
                    "%.1f %% within 3 dB, worst %.1f dB at %.2f s\n",
                    mix.kickBass.windows, 100.0 * mix.kickBass.shareWithin3dB, mix.kickBass.worstDb,
                    mix.kickBass.worstAtSeconds);
        std::printf("Loop Groove 2 Beats: deepest 30-120 Hz dip %.1f dB at %.0f ms\n",
                    mix.loopDipDb, mix.loopDipMs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mix_report: %s\n", e.what());
        return 1;
    }
    return 0;
}
