// Writes the files the "nothing lost" checks (bench/nothing_lost.sh) attack the command line
// with: attack_files FOLDER. The huge ones are sparse, so they take almost no disk space.
#include "core/pattern_file.h"
#include "library/atomic_file.h"
#include "library/binary_io.h"
#include "library/sound_library.h"
#include "tests/core/bwp_builder.h"

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

/// A WAV header for 16-bit mono PCM at rate with dataBytes of data following it.
std::vector<std::uint8_t> wavHeader(std::uint32_t rate, std::uint32_t dataBytes)
{
    std::vector<std::uint8_t> out;
    bw::ByteWriter w(out);
    w.text("RIFF");
    w.i32(static_cast<std::int32_t>(36 + dataBytes));
    w.text("WAVEfmt ");
    w.i32(16);
    w.u8(1);
    w.u8(0); // PCM
    w.u8(1);
    w.u8(0); // mono
    w.i32(static_cast<std::int32_t>(rate));
    w.i32(static_cast<std::int32_t>(rate * 2));
    w.u8(2);
    w.u8(0);
    w.u8(16);
    w.u8(0);
    w.text("data");
    w.i32(static_cast<std::int32_t>(dataBytes));
    return out;
}

/// Writes head, then makes the file total bytes long without writing the rest (zeros).
void sparse(const std::string& path, const std::vector<std::uint8_t>& head, std::int64_t total)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, head.data(), head.size()) != static_cast<ssize_t>(head.size()) ||
        ::ftruncate(fd, static_cast<off_t>(total)) != 0) {
        std::perror(path.c_str());
    }
    if (fd >= 0) {
        ::close(fd);
    }
}

std::vector<std::uint8_t> tone(int samples)
{
    std::vector<std::uint8_t> out;
    bw::ByteWriter w(out);
    for (int i = 0; i < samples; ++i) {
        const auto v = static_cast<std::int16_t>(std::lrint(12000.0 * std::sin(i * 0.0627)));
        w.u8(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v)));
        w.u8(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8));
    }
    return out;
}

/// A song that takes long to render: 31 echoed tracks with an event in every slot, over all
/// 4000 beats at 50 bpm.
std::vector<std::uint8_t> slowSong()
{
    using bw::testing::BwpBuilder;
    BwpBuilder b;
    b.tagInt("TRACKS", 31).tagInt("BPM___", 50).tagInt("STOPSE", 4000);
    b.tag("DELAY_").i32(2).i32(10).i32(90);
    b.pattern("A").tagInt("BEATS_", 4).tag("INSTRU").i32(31);
    for (int t = 0; t < 31; ++t) {
        auto track = bw::testing::trackNamed("Kick");
        track.DelaySend = 1000;
        b.track(track);
    }
    b.tag("SCORE_").i32(31 * 256);
    for (int t = 0; t < 31; ++t) {
        for (int s = 0; s < 256; ++s) {
            b.event(t, s, 5000);
        }
    }
    b.tag("SEQ_V3").tag("SEQDAT");
    for (int beat = 0; beat < 4000; beat += 4) {
        b.i32(beat).name("A");
    }
    b.i32(-1);
    return b.bytes();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: attack_files FOLDER\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const auto oneSecond = tone(44100);

    bw::library::SoundLibrary kit;
    for (const char* name : {"Kick", "Snare", "Hat"}) {
        kit.AddSound(name, "", 0, 0, 0, static_cast<std::int32_t>(oneSecond.size()) / 4,
                     oneSecond.data());
    }
    kit.SaveSoundLibrary(dir + "kit.slb");

    auto wav = wavHeader(44100, static_cast<std::uint32_t>(oneSecond.size()));
    wav.insert(wav.end(), oneSecond.begin(), oneSecond.end());
    bw::writeFileAtomically(dir + "tone.wav", wav);
    bw::writeFileAtomically(dir + "slow.bwp", slowSong());

    // A library 1087 bytes under 1 GiB: one sound whose data is the rest of the file.
    constexpr std::int64_t NearLimit = (std::int64_t{1} << 30) - 1087;
    {
        bw::library::SoundLibrary head;
        head.AddSound("Big", "", 0, 0, 0, 0, nullptr);
        auto bytes = head.serialize();
        const auto size =
            static_cast<std::int32_t>(NearLimit - static_cast<std::int64_t>(bytes.size()));
        bytes[3 + 31 + 31 + 6] = static_cast<std::uint8_t>(size);
        bytes[3 + 31 + 31 + 7] = static_cast<std::uint8_t>(size >> 8);
        bytes[3 + 31 + 31 + 8] = static_cast<std::uint8_t>(size >> 16);
        bytes[3 + 31 + 31 + 9] = static_cast<std::uint8_t>(size >> 24);
        sparse(dir + "near_limit.slb", bytes, NearLimit);
    }

    // RIFF declaring 0xFFFFFFFF bytes, then 4 GB of zeros: billions of empty chunks.
    {
        std::vector<std::uint8_t> head;
        bw::ByteWriter w(head);
        w.text("RIFF");
        w.i32(-1);
        w.text("WAVE");
        sparse(dir + "zero_chunks.wav", head, std::int64_t{1} << 32);
    }

    // 10 s of silence declared at 11,289,600 Hz.
    constexpr std::uint32_t FastRate = 11289600;
    sparse(dir + "fast_rate.wav", wavHeader(FastRate, FastRate * 2 * 10),
           44 + std::int64_t{FastRate} * 2 * 10);

    // About 300 MB of sounds (340 of ten seconds each).
    {
        bw::library::SoundLibrary big;
        const auto tenSeconds = tone(441000);
        for (int i = 0; i < 340; ++i) {
            big.AddSound("Sound " + std::to_string(i), "", 0, 0, 0,
                         static_cast<std::int32_t>(tenSeconds.size()), tenSeconds.data());
        }
        big.SaveSoundLibrary(dir + "big.slb");
    }
    return 0;
}
