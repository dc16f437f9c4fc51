// What the sound device receives during playback is what an export writes.
#include "audio/sdl_wave_out.h"
#include "engine_fixture.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

namespace bw::test {
namespace {

TEST(EngineDevice, PlaybackDeliversTheSamplesOfTheExport)
{
    if (!audio::SdlWaveOut::driverAvailable("disk")) {
        GTEST_SKIP() << "SDL has no disk audio driver here";
    }
    ScratchDir dir;
    const std::string deviceFile = dir.file("device.raw");
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", deviceFile.c_str(), 1);

    EngineDoc doc;
    doc.song->Bpm = 300; // short beats keep the real-time playback short
    std::vector<std::int16_t> tone(1500);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<std::int16_t>(((i / 20) % 2 == 0 ? 1 : -1) *
                                            (3000 + 7 * static_cast<int>(i)));
    }
    doc.addSound("Tone", tone);
    doc.addSound("Low", constant(900, -2500));
    doc.track(0, "Tone", 9000, 600);
    doc.track(1, "Low", 7000, 1700);
    for (int s = 0; s < 200; s += 16) {
        doc.event(0, s, 4000 + 40 * s, 0, s % 3 == 0 ? 200 : 0);
    }
    doc.event(1, 40, 10000);
    doc.event(1, 130, 6000, 5); // a pitched copy as well

    const WavFile exported = doc.exportTo(dir.file("export.wav"), false);
    ASSERT_TRUE(doc.lastFailure.empty()) << doc.lastFailure;
    const std::size_t passValues = exported.samples.size();
    ASSERT_GT(passValues, 0U);

    // Real-time playback on a loaded machine can run dry between blocks; the device then
    // plays a gap that no export has. Such an attempt says nothing about the samples.
    std::uint64_t underruns = 1;
    for (int attempt = 0; attempt < 3 && underruns != 0; ++attempt) {
        std::filesystem::remove(deviceFile);
        std::atomic<audio::SdlWaveOut*> output{nullptr};
        doc.flags.SongMode = false;
        audio::Twaverender engine(doc.context([&output] {
            auto out = std::make_unique<audio::SdlWaveOut>();
            output = out.get();
            return out;
        }));
        const int blocksBefore = doc.host->blocks();
        engine.start();
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (doc.host->blocks() < blocksBefore + 10 && std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        underruns = output.load() != nullptr ? output.load()->underruns() : 0;
        doc.flags.StopRequested = true;
        engine.join();
        ASSERT_TRUE(engine.failure().empty()) << engine.failure();
    }
    ::unsetenv("SDL_AUDIODRIVER");
    if (underruns != 0) {
        GTEST_SKIP() << "the machine is too busy to play in real time without gaps";
    }

    const auto raw = readWholeFile(deviceFile);
    std::vector<std::int16_t> device;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        device.push_back(static_cast<std::int16_t>(raw[i] | (raw[i + 1] << 8)));
    }
    // The device plays silence until the first block arrives; the pattern starts with a sound.
    std::size_t first = 0;
    while (first < device.size() && device[first] == 0) {
        ++first;
    }
    first -= first % 2;
    ASSERT_GE(device.size() - first, passValues) << "the device got less than one pass";
    for (std::size_t i = 0; i < passValues; ++i) {
        ASSERT_EQ(device[first + i], exported.samples[i]) << "first difference at value " << i;
    }
}

} // namespace
} // namespace bw::test
