// Writes a benchmark workload (W1 or W2 of the shared render benchmark) as a Beatwright song
// and sound library: make_workload WORKLOAD.tsv OUT.bwp OUT.slb
#include "core/pattern_file.h"
#include "library/atomic_file.h"
#include "library/binary_io.h"
#include "library/sound_library.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Track
{
    std::string name;
    std::string sample;
    double pan = 0;
    std::vector<int> velocities;
};

/// The sample bytes of a 16-bit mono PCM WAV file (the "data" chunk).
std::vector<std::uint8_t> wavData(const std::string& path)
{
    const auto bytes = bw::readWholeFile(path);
    bw::ByteReader r(bytes);
    r.skip(12);
    while (!r.atEnd()) {
        char id[4];
        r.read(id, 4);
        const auto size = static_cast<std::size_t>(r.i32());
        const std::uint8_t* p = r.take(size);
        if (std::memcmp(id, "data", 4) == 0) {
            return {p, p + size};
        }
        if (size % 2 == 1 && !r.atEnd()) {
            r.skip(1);
        }
    }
    throw bw::FileError(path + ": no data chunk");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: make_workload WORKLOAD.tsv OUT.bwp OUT.slb\n";
        return 2;
    }
    const std::string tsv = argv[1];
    const std::string folder = tsv.substr(0, tsv.find_last_of('/') + 1);
    std::ifstream in(tsv);
    std::string line;
    int stepsPerBeat = 4;
    std::vector<Track> tracks;
    while (std::getline(in, line)) {
        if (line.rfind("# sample_rate", 0) == 0) {
            const auto at = line.find("steps_per_beat=");
            stepsPerBeat = std::stoi(line.substr(at + 15));
            continue;
        }
        if (line.empty() || line[0] == '#' || line.rfind("index", 0) == 0) {
            continue;
        }
        std::istringstream cols(line);
        std::string index;
        std::string velocities;
        Track t;
        cols >> index >> t.name >> t.sample >> t.pan >> velocities;
        std::istringstream vs(velocities);
        for (std::string v; std::getline(vs, v, ',');) {
            t.velocities.push_back(std::stoi(v));
        }
        tracks.push_back(t);
    }

    bw::library::SoundLibrary lib;
    lib.CreateSoundLibrary();
    auto song = std::make_unique<bw::core::TSong>();
    bw::core::InitSong(*song);
    song->TrackCount = static_cast<std::int32_t>(tracks.size());
    song->InstrumentCount = song->TrackCount;
    song->Bpm = 120;
    song->Stereo = 1;
    song->MasterVolume = 10000;
    song->ShuffleAmount = 0;
    bw::core::AddPattern(*song, "W");
    bw::core::InitPattern(*song, 0);
    bw::core::TPattern& p = song->pattern(0);
    const int stride = 4 / stepsPerBeat; // in 16th steps
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        const auto data = wavData(folder + tracks[t].sample);
        const auto stem = tracks[t].sample.substr(tracks[t].sample.find_last_of('/') + 1);
        const auto name = stem.substr(0, stem.size() - 4);
        lib.AddSound(name, "", 0, 0, 0, static_cast<std::int32_t>(data.size()), data.data());
        bw::core::TTrack& tr = p.Tracks[t];
        tr.SoundName.assign(name);
        tr.Volume = 10000;
        tr.Pan = 1000 + static_cast<std::int32_t>(std::lrint(tracks[t].pan * 1000));
        tr.Enabled = 1;
        const auto& vel = tracks[t].velocities;
        for (std::size_t k = 0; k < vel.size(); ++k) {
            const auto slot = static_cast<std::size_t>(static_cast<int>(k) * stride * 16);
            p.Events[t][slot].Volume =
                static_cast<std::int32_t>(std::lrint(vel[k] * 10000.0 / 127.0));
        }
    }
    for (int beat = 0; beat <= 252; beat += 4) {
        bw::core::AddSeqEntry(*song, beat, "W");
    }
    song->StopPosition = 255;
    bw::core::LoadWorkingCopy(*song, 0);
    bw::core::WritePatternFile(argv[2], *song);
    lib.SaveSoundLibrary(argv[3]);
    return 0;
}
