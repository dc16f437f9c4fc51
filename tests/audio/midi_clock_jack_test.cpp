// MIDI clock out read back through a JACK server (dummy back end): the tempo the pulses give
// is the one asked for.
#include "audio/midi_clock.h"
#include "audio/rtmidi_output.h"
#include "tests/support/jack_server.h"

#include <RtMidi.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

namespace {

/// A run clock at the sample rate from its start, as a device playing without gaps gives.
class SteadyRunClock : public bw::audio::RunClock
{
public:
    bw::audio::RunClockReading readRunClock() const override
    {
        const auto now = std::chrono::steady_clock::now();
        bw::audio::RunClockReading r;
        r.run = 1;
        r.frames = static_cast<std::uint64_t>(std::chrono::duration<double>(now - m_start).count() *
                                              44100);
        r.timeNs =
            std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count();
        return r;
    }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

/// What a reader connected to the program's clock port receives, stamped as it arrives.
struct Reader
{
    std::mutex mutex;
    std::vector<double> pulses; // seconds, steady clock
    int starts = 0;
    int stops = 0;
};

void Receive(double, std::vector<unsigned char>* message, void* user)
{
    auto& r = *static_cast<Reader*>(user);
    const double now =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    std::lock_guard<std::mutex> g(r.mutex);
    if (message->empty()) {
        return;
    }
    switch ((*message)[0]) {
    case 0xF8:
        r.pulses.push_back(now);
        break;
    case 0xFA:
        ++r.starts;
        break;
    case 0xFC:
        ++r.stops;
        break;
    default:
        break;
    }
}

/// The tempo the pulses give, by a least-squares line through their arrival times (a JACK
/// period's jitter on each pulse averages out).
double TempoOf(const std::vector<double>& t)
{
    const auto n = static_cast<double>(t.size());
    double sx = 0;
    double sy = 0;
    double sxx = 0;
    double sxy = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const auto x = static_cast<double>(i);
        sx += x;
        sy += t[i];
        sxx += x * x;
        sxy += x * t[i];
    }
    const double secondsPerPulse = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    return 60.0 / (secondsPerPulse * bw::audio::ClockPulsesPerBeat);
}

TEST(MidiClockJack, ThePulsesReadBackAtTheTempoPlayed)
{
    bw::testing::JackServer server;
    if (!server.up()) {
        GTEST_SKIP() << "no JACK server could start here (jackd2 missing?)";
    }
    for (const double bpm : {80.0, 123.4, 145.1}) {
        Reader reader;
        RtMidiIn in(RtMidi::UNIX_JACK, "clock reader");
        in.ignoreTypes(true, false, true); // let clock and transport messages through
        in.setCallback(&Receive, &reader);
        in.openVirtualPort("in");
        SteadyRunClock clock;
        auto sink = std::make_unique<bw::audio::RtMidiOutputSink>();
        ASSERT_TRUE(sink->available()) << sink->why();
        ASSERT_TRUE(sink->connect("clock reader:in"));
        {
            bw::audio::MidiClockOut out(clock, std::move(sink));
            out.prepare(0, 44100.0 * 60 / bpm);
            out.setEnabled(true);
            std::this_thread::sleep_for(std::chrono::seconds(3));
        } // ends with Stop
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::lock_guard<std::mutex> g(reader.mutex);
        EXPECT_EQ(reader.starts, 1) << bpm;
        EXPECT_EQ(reader.stops, 1) << bpm;
        ASSERT_GT(reader.pulses.size(), 60U) << bpm;
        // From the second beat on: the first pulses may wait together for the connection's
        // first JACK periods, which would tilt the line.
        const double tempo = TempoOf(std::vector<double>(
            reader.pulses.begin() + bw::audio::ClockPulsesPerBeat, reader.pulses.end()));
        std::printf("clock at %.1f bpm reads back at %.3f bpm (%zu pulses)\n", bpm, tempo,
                    reader.pulses.size());
        EXPECT_NEAR(tempo, bpm, 0.5);
    }
}

} // namespace
