// Reading sound files for import: exact data chunks, conversions, the 10-second cut, refusals.
#include "library/atomic_file.h"
#include "library/sample_loader.h"
#include "tests/library/odd_files.h"
#include "tests/library/temp_folder.h"
#include "tests/library/wav_builder.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sndfile.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::library::LoadedSample;
using bw::library::LoadSampleBytes;
using bw::library::LoadSampleFile;
using bw::library::SampleLoadError;
using bw::testing::TempFolder;
using bw::testing::WavBuilder;

std::vector<std::int16_t> noise(std::size_t n, std::uint32_t seed = 1)
{
    std::vector<std::int16_t> out(n);
    for (auto& s : out) {
        seed = seed * 1664525U + 1013904223U;
        s = static_cast<std::int16_t>(seed >> 16);
    }
    return out;
}

/// Interleaved channels of little-endian signed PCM of the given byte width.
std::vector<std::uint8_t> pcmBytes(const std::vector<double>& interleaved, int bytesPerSample)
{
    std::vector<std::uint8_t> out;
    const double full = std::ldexp(1.0, 8 * bytesPerSample - 1);
    for (const double v : interleaved) {
        const auto i = static_cast<std::int64_t>(std::lrint(v * (full - 1)));
        for (int b = 0; b < bytesPerSample; ++b) {
            out.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(i) >> (8 * b)));
        }
    }
    return out;
}

std::vector<std::uint8_t> floatBytes(const std::vector<float>& interleaved)
{
    std::vector<std::uint8_t> out(interleaved.size() * 4);
    std::memcpy(out.data(), interleaved.data(), out.size()); // the test machine is little-endian
    return out;
}

std::vector<double> stereo(const std::vector<double>& mono)
{
    std::vector<double> out;
    for (const double v : mono) {
        out.push_back(v);
        out.push_back(v);
    }
    return out;
}

/// Writes 16-bit samples through libsndfile (AIFF, FLAC).
void writeSndfile(const std::string& path,
                  int format,
                  int channels,
                  int rate,
                  const std::vector<std::int16_t>& interleaved)
{
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<sf_count_t>(interleaved.size()) / channels;
    EXPECT_EQ(sf_writef_short(f, interleaved.data(), frames), frames);
    sf_close(f);
}

std::vector<std::int16_t> samplesOf(const LoadedSample& s)
{
    return *s.samples;
}

std::string refusal(const std::vector<std::uint8_t>& bytes)
{
    try {
        LoadSampleBytes(bytes, "x.wav");
    } catch (const SampleLoadError& e) {
        return e.reason();
    }
    return "(loaded)";
}

// ---------------------------------------------------------------------------------------------

TEST(SampleLoader, NativeFilesGiveExactlyTheirDataChunk)
{
    const auto samples = noise(1000);
    const auto canonical = bw::testing::canonicalWav(samples);
    ASSERT_EQ(canonical.size(), 44U + 2000U);
    LoadedSample s = LoadSampleBytes(canonical, "a.wav");
    EXPECT_EQ(samplesOf(s), samples);
    EXPECT_EQ(s.dataBytes, 2000);
    EXPECT_FALSE(s.cut);

    // Chunks before the data (tags, "fact", a second format) and after it are not sound.
    const auto tagged = WavBuilder()
                            .list("Some Editor 1.0")
                            .fmt(1, 1, 44100, 16)
                            .chunk("fact", {0xE8, 0x03, 0, 0})
                            .chunk("bext", std::vector<std::uint8_t>(601, 'b'))
                            .data(bw::testing::pcm16(samples))
                            .list("after")
                            .bytes();
    EXPECT_EQ(samplesOf(LoadSampleBytes(tagged, "b.wav")), samples);

    // A data chunk cut short by the end of the file gives what is there; an odd byte is not
    // a sample.
    auto cut = canonical;
    cut.resize(44 + 1001);
    s = LoadSampleBytes(cut, "c.wav");
    EXPECT_EQ(samplesOf(s), std::vector<std::int16_t>(samples.begin(), samples.begin() + 500));
}

TEST(SampleLoader, TenSecondCut)
{
    TempFolder dir;
    // 882,044 bytes: exactly ten seconds, no cut. One byte more: cut to 882,000 bytes.
    const auto ten = bw::testing::canonicalWav(noise(441000));
    bw::writeFileAtomically(dir.path("ten.wav"), ten);
    LoadedSample s = LoadSampleFile(dir.path("ten.wav"));
    EXPECT_FALSE(s.cut);
    EXPECT_EQ(s.samples->size(), 441000U);

    auto more = WavBuilder()
                    .fmt(1, 1, 44100, 16)
                    .chunk("data", std::vector<std::uint8_t>(882001, 1))
                    .bytes();
    more.pop_back(); // the pad byte: the file is 882,045 bytes
    ASSERT_EQ(more.size(), 882045U);
    s = LoadSampleBytes(more, "more.wav");
    EXPECT_TRUE(s.cut);
    EXPECT_EQ(s.dataBytes, 882000);
    EXPECT_EQ(s.samples->size(), 441000U);

    // Converted sound is cut after conversion: 11 s at 48 kHz gives 10 s at 44.1 kHz.
    const auto longSine = bw::testing::sine(440, 48000, std::size_t{48000} * 11, 0.5);
    s = LoadSampleBytes(WavBuilder().fmt(1, 1, 48000, 16).data(pcmBytes(longSine, 2)).bytes(),
                        "long.wav");
    EXPECT_TRUE(s.cut);
    EXPECT_EQ(s.samples->size(), 441000U);
}

TEST(SampleLoader, StereoFortyEightKilohertzTwentyFourBitKeepsLengthAndPitch)
{
    const auto sine = bw::testing::sine(1000, 48000, 48000, 0.5);
    const auto file =
        WavBuilder().fmt(1, 2, 48000, 24).list("Recorder").data(pcmBytes(stereo(sine), 3)).bytes();
    const LoadedSample s = LoadSampleBytes(file, "sine.wav");
    EXPECT_EQ(s.description, "WAV, 2 channels, 48000 Hz, 24-bit");
    EXPECT_FALSE(s.cut);
    EXPECT_NEAR(static_cast<double>(s.samples->size()), 44100.0, 1.0);
    EXPECT_NEAR(bw::testing::zeroCrossingFrequency(*s.samples, 44100), 1000.0, 1.0);
    // Level kept: half scale, away from the edges where the filter settles.
    std::int16_t peak = 0;
    for (std::size_t i = 1000; i + 1000 < s.samples->size(); ++i) {
        peak = std::max(peak, (*s.samples)[i]);
    }
    EXPECT_NEAR(peak, 16383, 80);
}

TEST(SampleLoader, FloatAiffAndFlac)
{
    TempFolder dir;
    // 32-bit float at 44.1 kHz, stereo with equal channels: exact samples back.
    const auto exact = noise(4410);
    std::vector<float> fl;
    for (const std::int16_t v : exact) {
        fl.push_back(static_cast<float>(v) / 32768.0F);
        fl.push_back(static_cast<float>(v) / 32768.0F);
    }
    LoadedSample s =
        LoadSampleBytes(WavBuilder().fmt(3, 2, 44100, 32).data(floatBytes(fl)).bytes(), "f.wav");
    EXPECT_EQ(s.description, "WAV, 2 channels, 44100 Hz, 32-bit float");
    EXPECT_EQ(samplesOf(s), exact);

    // Float out of range is clipped, not wrapped.
    s = LoadSampleBytes(
        WavBuilder().fmt(3, 1, 44100, 32).data(floatBytes({2.0F, -2.0F, 0.5F})).bytes(),
        "loud.wav");
    EXPECT_EQ(samplesOf(s), (std::vector<std::int16_t>{32767, -32768, 16384}));

    // AIFF, 16-bit mono 44.1 kHz: exact.
    writeSndfile(dir.path("a.aiff"), SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 44100, exact);
    s = LoadSampleFile(dir.path("a.aiff"));
    EXPECT_EQ(s.description, "AIFF, mono, 44100 Hz, 16-bit");
    EXPECT_EQ(samplesOf(s), exact);

    // FLAC, stereo 22.05 kHz: twice the samples, same pitch.
    std::vector<std::int16_t> sine;
    for (const double v : stereo(bw::testing::sine(1000, 22050, 22050, 0.5))) {
        sine.push_back(static_cast<std::int16_t>(std::lrint(v * 32767)));
    }
    writeSndfile(dir.path("a.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 22050, sine);
    s = LoadSampleFile(dir.path("a.flac"));
    EXPECT_EQ(s.description, "FLAC, 2 channels, 22050 Hz, 16-bit");
    EXPECT_NEAR(static_cast<double>(s.samples->size()), 44100.0, 1.0);
    EXPECT_NEAR(bw::testing::zeroCrossingFrequency(*s.samples, 44100), 1000.0, 1.0);
}

TEST(SampleLoader, RefusesWhatItCannotRead)
{
    EXPECT_EQ(refusal({}), "not a WAV, AIFF or FLAC file");
    EXPECT_EQ(refusal(std::vector<std::uint8_t>(500, 'x')), "not a WAV, AIFF or FLAC file");
    EXPECT_EQ(refusal(WavBuilder().data(bw::testing::pcm16(noise(100))).bytes()),
              "the file has no \"fmt \" chunk");
    EXPECT_EQ(refusal(WavBuilder().fmt(1, 1, 44100, 16).bytes()), "the file has no \"data\" chunk");
    EXPECT_EQ(refusal(WavBuilder().fmt(0x55, 1, 44100, 0, 1, 16000).data({1, 2, 3, 4}).bytes()),
              "the sound is stored in format 0x0055, not as PCM or float");
    EXPECT_EQ(refusal(bw::testing::canonicalWav({})), "the file holds no sound");
    EXPECT_EQ(refusal(WavBuilder().fmt(1, 1, 44100, 16).data({7}).bytes()),
              "the file holds no sound");
    EXPECT_EQ(refusal(WavBuilder().fmt(1, 1, 100, 16).data(bw::testing::pcm16(noise(10))).bytes()),
              "a sample rate of 100 Hz is outside 1000 to 768000 Hz, the rates that can be "
              "imported");

    TempFolder dir;
    try {
        LoadSampleFile(dir.path("missing.wav"));
        FAIL() << "loaded a missing file";
    } catch (const SampleLoadError& e) {
        EXPECT_EQ(e.reason(), "No such file or directory");
        EXPECT_EQ(std::string(e.what()), dir.path("missing.wav") + ": No such file or directory");
    }
    EXPECT_THROW(LoadSampleFile(dir.root().string()), SampleLoadError);
}

/// Why path is refused, or "(loaded)"; "(still loading)" when it took longer than a minute
/// (the load is then left to finish on its own).
std::string refusalWithin(const std::string& path)
{
    auto result = std::make_shared<std::string>("(still loading)");
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread([path, result, done] {
        std::string r = "(loaded)";
        try {
            LoadSampleFile(path);
        } catch (const SampleLoadError& e) {
            r = e.reason();
        }
        *result = r;
        *done = true;
    }).detach();
    for (int i = 0; i < 600 && !*done; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return *done ? *result : "(still loading)";
}

TEST(SampleLoader, PipesEndlessChunksAndAbsurdRatesAreRefusedAtOnce)
{
    TempFolder dir;
    const std::string fifo = dir.path("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string pipe = bw::testing::ReadFromUnwrittenPipe(fifo, [](const std::string& p) {
        try {
            LoadSampleFile(p);
        } catch (const SampleLoadError& e) {
            return e.reason();
        }
        return std::string("(loaded)");
    });
    EXPECT_EQ(pipe, "this is a pipe, not a file that can be read");

    // A RIFF header declaring 4 GB, followed by zeros (sparse): 500 million empty chunks.
    const std::string zeros = dir.path("zeros.wav");
    bw::testing::MakeSparseFile(zeros, std::int64_t{1} << 32);
    {
        const int fd = ::open(zeros.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        const char header[] = "RIFF\xFF\xFF\xFF\xFFWAVE";
        EXPECT_EQ(::pwrite(fd, header, 12, 0), 12);
        ::close(fd);
    }
    EXPECT_EQ(refusalWithin(zeros), "the file is damaged at byte 12 (no chunk starts there)");

    // Far beyond any real rate: converting it down would take minutes.
    EXPECT_EQ(
        refusal(WavBuilder().fmt(1, 1, 11289600, 16).data(bw::testing::pcm16(noise(10))).bytes()),
        "a sample rate of 11289600 Hz is outside 1000 to 768000 Hz, the rates that can be "
        "imported");
}

/// bytes written to a file in dir and loaded with the time limit of refusalWithin.
std::string refusalOfFileWithin(const TempFolder& dir, const std::vector<std::uint8_t>& bytes)
{
    const std::string path = dir.path("odd.wav");
    bw::writeFileAtomically(path, bytes);
    return refusalWithin(path);
}

TEST(SampleLoader, ChunksAroundTheSoundNeverReachTheConverter)
{
    TempFolder dir;
    // Found by fuzzing: 24-bit stereo, then a LIST chunk declaring 4 GB whose list is broken,
    // and no data chunk. The converter walked that list for ever.
    std::vector<std::uint8_t> list(64, 0xFF);
    list[12] = 0xEF;
    const char* tail = "16000000494e464f4953929da8b3bec9d4df00f5ea0e1937424d58636e0c17222d38434e59"
                       "646f7a85";
    for (const char* h = tail; h[0] != 0 && h[1] != 0; h += 2) {
        list.push_back(static_cast<std::uint8_t>(std::stoi(std::string(h, 2), nullptr, 16)));
    }
    const auto endless =
        WavBuilder().fmt(1, 2, 48000, 24).chunk("LIST", list, 0xFFFFFFFFU).bytes(0x4F2);
    EXPECT_EQ(refusalOfFileWithin(dir, endless), "the file has no \"data\" chunk");

    // The same broken list with a sound after it (its size told right): the sound is read, the
    // list never looked at.
    const auto sine = bw::testing::sine(1000, 48000, 4800, 0.5);
    const auto withSound = WavBuilder()
                               .fmt(1, 2, 48000, 24)
                               .chunk("LIST", list)
                               .data(pcmBytes(stereo(sine), 3))
                               .bytes();
    EXPECT_EQ(refusalOfFileWithin(dir, withSound), "(loaded)");
    const LoadedSample s = LoadSampleBytes(withSound, "x.wav");
    EXPECT_EQ(s.description, "WAV, 2 channels, 48000 Hz, 24-bit");
    EXPECT_NEAR(static_cast<double>(s.samples->size()), 4410.0, 1.0);
}

} // namespace
