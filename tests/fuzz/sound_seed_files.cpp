// Seed inputs for the WAV reader and sample import fuzzers, built in code.
#include "tests/fuzz/sound_fuzz_targets.h"
#include "tests/library/wav_builder.h"

#include <cmath>
#include <cstring>
#include <sndfile.h>

namespace bw::fuzz {

namespace {

using Seeds = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;
using testing::WavBuilder;

std::vector<std::uint8_t> bytesOf(std::size_t n, std::uint8_t step)
{
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<std::uint8_t>(i * step);
    }
    return out;
}

std::vector<std::int16_t> tone(std::size_t n, int channels)
{
    std::vector<std::int16_t> out;
    for (const double v : testing::sine(1000, 44100, n, 0.5)) {
        for (int c = 0; c < channels; ++c) {
            out.push_back(static_cast<std::int16_t>(std::lrint(v * 32767)));
        }
    }
    return out;
}

// libsndfile writing into memory, for the AIFF and FLAC seeds.
struct MemoryFile
{
    std::vector<std::uint8_t> bytes;
    sf_count_t pos = 0;
};

sf_count_t mLength(void* u)
{
    return static_cast<sf_count_t>(static_cast<MemoryFile*>(u)->bytes.size());
}
sf_count_t mSeek(sf_count_t offset, int whence, void* u)
{
    auto* m = static_cast<MemoryFile*>(u);
    const sf_count_t base = whence == SEEK_SET   ? 0
                            : whence == SEEK_CUR ? m->pos
                                                 : static_cast<sf_count_t>(m->bytes.size());
    m->pos = std::max<sf_count_t>(0, base + offset);
    return m->pos;
}
sf_count_t mRead(void* out, sf_count_t count, void* u)
{
    auto* m = static_cast<MemoryFile*>(u);
    const auto size = static_cast<sf_count_t>(m->bytes.size());
    const sf_count_t n = std::max<sf_count_t>(0, std::min(count, size - m->pos));
    if (n > 0) {
        std::memcpy(out, m->bytes.data() + m->pos, static_cast<std::size_t>(n));
    }
    m->pos += n;
    return n;
}
sf_count_t mWrite(const void* in, sf_count_t count, void* u)
{
    auto* m = static_cast<MemoryFile*>(u);
    const auto end = static_cast<std::size_t>(m->pos + count);
    if (m->bytes.size() < end) {
        m->bytes.resize(end);
    }
    std::memcpy(m->bytes.data() + m->pos, in, static_cast<std::size_t>(count));
    m->pos += count;
    return count;
}
sf_count_t mTell(void* u)
{
    return static_cast<MemoryFile*>(u)->pos;
}

std::vector<std::uint8_t>
encode(int format, int channels, int rate, const std::vector<std::int16_t>& s)
{
    MemoryFile m;
    SF_VIRTUAL_IO io{mLength, mSeek, mRead, mWrite, mTell};
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE* f = sf_open_virtual(&io, SFM_WRITE, &info, &m);
    if (f == nullptr) {
        return {};
    }
    sf_writef_short(f, s.data(), static_cast<sf_count_t>(s.size()) / channels);
    sf_close(f);
    return m.bytes;
}

} // namespace

Seeds wavSeeds()
{
    Seeds seeds;
    seeds.emplace_back("mono16.wav",
                       WavBuilder().fmt(1, 1, 44100, 16).data(bytesOf(400, 3)).bytes());
    seeds.emplace_back("stereo24_list.wav", WavBuilder()
                                                .fmt(1, 2, 48000, 24)
                                                .list("Recorder")
                                                .data(bytesOf(600, 5))
                                                .list("tail")
                                                .bytes());
    // ADPCM: the extension with 7 coefficient pairs fills the 50-byte format block.
    std::vector<std::uint8_t> adpcm = {2, 0, 1, 0, 0x22, 0x56, 0, 0,    0x93, 0x2B, 0,
                                       0, 0, 1, 4, 0,    32,   0, 0xF4, 1,    7,    0};
    for (int i = 0; i < 28; ++i) {
        adpcm.push_back(static_cast<std::uint8_t>(i * 9));
    }
    seeds.emplace_back("adpcm.wav", WavBuilder()
                                        .chunk("fmt ", adpcm)
                                        .chunk("fact", {0xE8, 3, 0, 0})
                                        .data(bytesOf(512, 7))
                                        .bytes());
    seeds.emplace_back("fmt_only.wav", WavBuilder().fmt(1, 1, 8000, 8).bytes());
    seeds.emplace_back("data_first.wav",
                       WavBuilder().data(bytesOf(64, 1)).fmt(1, 1, 44100, 16).bytes());
    return seeds;
}

Seeds sampleSeeds()
{
    Seeds seeds;
    seeds.emplace_back("canonical.wav", testing::canonicalWav(tone(300, 1)));
    seeds.emplace_back(
        "stereo48k24_list.wav",
        WavBuilder().fmt(1, 2, 48000, 24).list("Recorder").data(bytesOf(6 * 200, 11)).bytes());
    std::vector<std::uint8_t> floats(4 * 200);
    for (std::size_t i = 0; i < 200; ++i) {
        const float v = std::sin(static_cast<float>(i) * 0.3F);
        std::memcpy(floats.data() + 4 * i, &v, 4);
    }
    seeds.emplace_back("float22k.wav", WavBuilder().fmt(3, 1, 22050, 32).data(floats).bytes());
    seeds.emplace_back("u8_11k.wav",
                       WavBuilder().fmt(1, 1, 11025, 8).data(bytesOf(200, 13)).bytes());
    seeds.emplace_back("a.aiff", encode(SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 44100, tone(200, 1)));
    seeds.emplace_back("a.flac", encode(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 48000, tone(200, 2)));
    return seeds;
}

} // namespace bw::fuzz
