// The limit kernel: the least work a whole-process song export of a shared workload needs,
// to time the program against. limit_kernel WORKLOAD.tsv OUT.wav
//
// It reads the workload's definition and its 16-bit mono samples, works out each event's
// gain, pan and first frame exactly as a Beatwright song of that workload plays them (one
// pattern of 4 beats looped over 256 beats at 120 bpm, every block one beat), mixes them with
// the engine's own vector kernel and writes the WAV file. No song or library file, no voice
// table, no per-beat document step, no block hand-over: two threads each mix one half of the
// song in chunks into a buffer of their own and write it at its place in the file. The file
// is byte-identical to `beatwright-cli render --song` of the same workload while no sample
// saturates (the mixing order then does not matter), which bench/run.sh checks.
#include "audio/mixer.h"
#include "audio/voice.h"
#include "library/atomic_file.h"
#include "library/binary_io.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int32_t Bpm = 120;
constexpr std::int32_t SongBeats = 256;                 // StopPosition 255
constexpr std::int32_t PatternBeats = 4;                // the one pattern of the song
constexpr std::int32_t BlockValues = 2646000 / Bpm * 2; // 16-bit values of one beat
constexpr std::int32_t BeatFrames = BlockValues / 2;    // 22050
constexpr std::int32_t ChunkFrames = 16384;             // per write, per thread

struct Voice
{
    std::int64_t frame = 0; // first frame in the song
    const std::vector<std::int16_t>* samples = nullptr;
    bw::audio::MixGain gain;
};

std::vector<std::int16_t> wavSamples(const std::string& path)
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
            std::vector<std::int16_t> s(size / 2);
            std::memcpy(s.data(), p, s.size() * 2);
            return s;
        }
        if (size % 2 == 1 && !r.atEnd()) {
            r.skip(1);
        }
    }
    throw bw::FileError(path + ": no data chunk");
}

/// The voices of the song, from the workload's tracks as make_workload writes them.
std::vector<Voice> readWorkload(const std::string& tsv,
                                std::vector<std::vector<std::int16_t>>& data)
{
    const std::string folder = tsv.substr(0, tsv.find_last_of('/') + 1);
    std::ifstream in(tsv);
    int stepsPerBeat = 4;
    struct Track
    {
        std::int32_t pan = 1000;
        std::vector<int> velocities;
    };
    std::vector<Track> tracks;
    data.reserve(32);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("# sample_rate", 0) == 0) {
            stepsPerBeat = std::stoi(line.substr(line.find("steps_per_beat=") + 15));
            continue;
        }
        if (line.empty() || line[0] == '#' || line.rfind("index", 0) == 0) {
            continue;
        }
        std::istringstream cols(line);
        std::string index;
        std::string name;
        std::string sample;
        double pan = 0;
        std::string velocities;
        cols >> index >> name >> sample >> pan >> velocities;
        Track t;
        t.pan = 1000 + static_cast<std::int32_t>(std::lrint(pan * 1000));
        std::istringstream vs(velocities);
        for (std::string v; std::getline(vs, v, ',');) {
            t.velocities.push_back(std::stoi(v));
        }
        tracks.push_back(t);
        data.push_back(wavSamples(folder + sample));
    }
    const int stride = 4 / stepsPerBeat; // in 16th steps
    std::vector<Voice> voices;
    for (std::int32_t beat = 0; beat < SongBeats; ++beat) {
        const std::int32_t patternBeat = beat % PatternBeats;
        for (std::size_t t = 0; t < tracks.size(); ++t) {
            const auto& vel = tracks[t].velocities;
            for (std::size_t k = 0; k < vel.size(); ++k) {
                const std::int32_t slot = static_cast<std::int32_t>(k) * stride * 16;
                if (slot / 64 != patternBeat) {
                    continue;
                }
                const auto volume = static_cast<std::int32_t>(std::lrint(vel[k] * 10000.0 / 127.0));
                Voice v;
                const std::int32_t start = (slot - patternBeat * 64) * PatternBeats;
                v.frame = static_cast<std::int64_t>(beat) * BeatFrames +
                          bw::audio::VoiceOffset(start, BlockValues);
                v.samples = &data[t];
                v.gain.g = volume * 4 / 5;
                bw::audio::PanWeights(tracks[t].pan, v.gain.leftWeight, v.gain.rightWeight);
                voices.push_back(v);
            }
        }
    }
    return voices;
}

/// Mixes frames [from, to) of the song chunk by chunk and writes them at their place; false
/// when a write failed.
bool mixRange(int fd, const std::vector<Voice>& voices, std::int64_t from, std::int64_t to)
{
    std::vector<std::int16_t> chunk(2 * static_cast<std::size_t>(ChunkFrames));
    for (std::int64_t a = from; a < to; a += ChunkFrames) {
        const std::int64_t b = std::min<std::int64_t>(a + ChunkFrames, to);
        std::fill(chunk.begin(), chunk.end(), std::int16_t{0});
        for (const Voice& v : voices) {
            // Every sample of the sound, up to the song's end.
            const auto length = static_cast<std::int64_t>(v.samples->size());
            const std::int64_t x = std::max(a, v.frame);
            const std::int64_t y = std::min(b, v.frame + length);
            if (x >= y) {
                continue;
            }
            bw::audio::MixRun(chunk.data() + 2 * (x - a), v.samples->data() + (x - v.frame),
                              static_cast<std::int32_t>(y - x), v.gain);
        }
        const auto bytes = static_cast<std::size_t>(b - a) * 4;
        if (::pwrite(fd, chunk.data(), bytes, 44 + a * 4) != static_cast<ssize_t>(bytes)) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: limit_kernel WORKLOAD.tsv OUT.wav\n";
        return 2;
    }
    try {
        std::vector<std::vector<std::int16_t>> data;
        const std::vector<Voice> voices = readWorkload(argv[1], data);
        const std::int64_t frames = static_cast<std::int64_t>(SongBeats) * BeatFrames;
        const int fd = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            throw bw::FileError(std::string(argv[2]) + ": cannot create");
        }
        std::vector<std::uint8_t> h;
        bw::ByteWriter w(h);
        const auto dataBytes = static_cast<std::int32_t>(frames * 4);
        w.text("RIFF");
        w.i32(36 + dataBytes);
        w.text("WAVEfmt ");
        w.i32(16);
        w.i32(1 | (2 << 16)); // PCM, two channels
        w.i32(44100);
        w.i32(44100 * 4);
        w.i32(4 | (16 << 16)); // 4 bytes a frame, 16 bits
        w.text("data");
        w.i32(dataBytes);
        if (::pwrite(fd, h.data(), h.size(), 0) != static_cast<ssize_t>(h.size())) {
            throw bw::FileError("write failed");
        }
        const std::int64_t half = frames / 2;
        bool upperOk = false;
        std::thread upper([&] { upperOk = mixRange(fd, voices, half, frames); });
        const bool lowerOk = mixRange(fd, voices, 0, half);
        upper.join();
        if (!lowerOk || !upperOk || ::close(fd) != 0) {
            throw bw::FileError(std::string(argv[2]) + ": write failed");
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
