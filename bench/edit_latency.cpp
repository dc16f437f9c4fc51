// How long an edit takes to be heard while playing, and a preview after its click:
//     edit_latency [BUFFER_FRAMES] [REPEATS] [hang]
// Two ways of playback are measured on simulated devices that take sound in real time and
// note when each frame sounds:
//   player  the engine's whole-beat blocks through the output player (a quarter of a second
//           and more queued), as playback ran before the program kept its output open;
//   stream  short steps through the kept-open output (LiveOutput), BUFFER_FRAMES (default
//           512) per device buffer; a frame counts as sounding one buffer after the callback
//           rendered it (the buffer playing then comes first).
// The song: one track playing a constant level without a break (a one-beat sound on every
// beat). The edits: a mute (latency: until silence) and a fader move to half (until the half
// level), each at REPEATS (default 5) moments spread over the beat, at 112 and 60 bpm. The
// preview: from the call until its first frame sounds, while stopped and while playing. Last,
// Stop and the close of the output while the device hangs.

#include "audio/async_player.h"
#include "audio/device_mix.h"
#include "audio/fake_output_device.h"
#include "audio/live_output.h"
#include "audio/render_engine.h"
#include "engine_fixture.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int Rate = 44100;

/// What a simulated device played: stereo frames and when each chunk of them sounded.
class Recording
{
public:
    void add(const std::int16_t* frames, int count, int channels, Clock::time_point sounds)
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_chunks.push_back({m_values.size() / 2, sounds});
        for (int i = 0; i < count; ++i) {
            const std::int16_t left = frames[static_cast<std::ptrdiff_t>(i) * channels];
            const std::int16_t right =
                frames[static_cast<std::ptrdiff_t>(i) * channels + channels - 1];
            m_values.push_back(left);
            m_values.push_back(right);
        }
    }

    /// The time the first frame after since that matches sounded, where match(left, right,
    /// frame, values) says so; -1 ms when none did.
    template <typename Match> double firstAfter(Clock::time_point since, Match match) const
    {
        std::lock_guard<std::mutex> g(m_mutex);
        for (std::size_t c = 0; c < m_chunks.size(); ++c) {
            const std::size_t end =
                c + 1 < m_chunks.size() ? m_chunks[c + 1].frame : m_values.size() / 2;
            for (std::size_t f = m_chunks[c].frame; f < end; ++f) {
                const auto at =
                    m_chunks[c].sounds +
                    std::chrono::microseconds(static_cast<std::int64_t>(f - m_chunks[c].frame) *
                                              1000000 / Rate);
                if (at >= since && match(f, m_values)) {
                    return std::chrono::duration<double, std::milli>(at - since).count();
                }
            }
        }
        return -1.0;
    }

private:
    struct Chunk
    {
        std::size_t frame;
        Clock::time_point sounds;
    };
    mutable std::mutex m_mutex;
    std::vector<std::int16_t> m_values;
    std::vector<Chunk> m_chunks;
};

/// The output player's layer on a simulated device: buffers are played in 512-frame pieces
/// at the real rate, each piece noted as it begins to sound.
class PacedWaveOut final : public bw::audio::WaveOut
{
public:
    explicit PacedWaveOut(std::shared_ptr<Recording> rec) : m_rec(std::move(rec)) {}
    ~PacedWaveOut() override { close(); }
    PacedWaveOut(const PacedWaveOut&) = delete;
    PacedWaveOut& operator=(const PacedWaveOut&) = delete;

    void open(int, int, int channels, DoneCallback done) override
    {
        close();
        m_channels = channels;
        m_done = std::move(done);
        m_quit = false;
        m_thread = std::thread([this] { run(); });
    }
    void queue(bw::audio::WaveBuffer* buffer) override
    {
        {
            std::lock_guard<std::mutex> g(m_mutex);
            m_queue.push_back(buffer);
        }
        m_wake.notify_all();
    }
    void reset() override
    {
        std::deque<bw::audio::WaveBuffer*> dropped;
        {
            std::lock_guard<std::mutex> g(m_mutex);
            dropped.swap(m_queue);
            ++m_resets;
        }
        for (bw::audio::WaveBuffer* b : dropped) {
            m_done(b);
        }
    }
    void close() override
    {
        if (!m_thread.joinable()) {
            return;
        }
        reset();
        {
            std::lock_guard<std::mutex> g(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    bool isOpen() const override { return m_thread.joinable(); }

private:
    void run()
    {
        constexpr int Piece = 512;
        auto next = Clock::now();
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_quit || !m_queue.empty(); });
            if (m_quit) {
                return;
            }
            bw::audio::WaveBuffer* b = m_queue.front();
            const std::uint64_t resets = m_resets;
            const int frames = static_cast<int>(b->length / 2 / static_cast<unsigned>(m_channels));
            const auto* samples = reinterpret_cast<const std::int16_t*>(b->data.get());
            next = std::max(next, Clock::now());
            for (int f = 0; f < frames && m_resets == resets && !m_quit; f += Piece) {
                const int n = std::min(Piece, frames - f);
                m_rec->add(samples + static_cast<std::ptrdiff_t>(f) * m_channels, n, m_channels,
                           next);
                next += std::chrono::microseconds(std::int64_t{n} * 1000000 / Rate);
                lock.unlock();
                std::this_thread::sleep_until(next);
                lock.lock();
            }
            if (m_resets == resets && !m_queue.empty() && m_queue.front() == b) {
                m_queue.pop_front();
                lock.unlock();
                m_done(b);
                lock.lock();
            }
        }
    }

    std::shared_ptr<Recording> m_rec;
    int m_channels = 2;
    DoneCallback m_done;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<bw::audio::WaveBuffer*> m_queue;
    std::uint64_t m_resets = 0;
    bool m_quit = false;
    std::thread m_thread;
};

/// The program's output interface on a simulated device: a buffer rendered every buffer's
/// time, sounding one buffer later.
class PacedDevice final : public bw::audio::OutputDevice
{
public:
    explicit PacedDevice(std::shared_ptr<Recording> rec) : m_rec(std::move(rec)) {}
    ~PacedDevice() override { close(); }
    PacedDevice(const PacedDevice&) = delete;
    PacedDevice& operator=(const PacedDevice&) = delete;

    std::string driver() override { return "paced"; }
    std::vector<std::string> devices() override { return {"Paced"}; }
    std::string open(const bw::audio::OutputChoice& choice, bw::audio::DeviceMix& mix) override
    {
        close();
        m_quit = false;
        const int frames = choice.bufferFrames;
        m_thread = std::thread([this, &mix, frames] {
            std::vector<std::int16_t> buffer(static_cast<std::size_t>(frames) * 2);
            const auto period = std::chrono::microseconds(std::int64_t{frames} * 1000000 / Rate);
            auto next = Clock::now();
            while (!m_quit.load()) {
                mix.render(buffer.data(), frames);
                m_rec->add(buffer.data(), frames, 2, Clock::now() + period);
                next += period;
                std::this_thread::sleep_until(next);
            }
        });
        return "Paced";
    }
    void close() override
    {
        if (m_thread.joinable()) {
            m_quit = true;
            m_thread.join();
        }
    }
    Health health() override { return {}; }

private:
    std::shared_ptr<Recording> m_rec;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

struct Figures
{
    double mean = 0;
    double most = 0;
};

Figures Summary(const std::vector<double>& ms)
{
    Figures f;
    for (const double v : ms) {
        f.mean += v / static_cast<double>(ms.size());
        f.most = std::max(f.most, v);
    }
    return f;
}

/// A one-beat pattern whose track 0 sounds a constant 8000 without a break (6400 on the
/// device on both sides).
void LevelSong(bw::test::EngineDoc& doc, int bpm)
{
    doc.song->Bpm = bpm;
    bw::core::ChangeBeats(*doc.song, 1);
    doc.addSound("Level", bw::test::constant(static_cast<std::size_t>(2646000 / bpm), 8000));
    doc.track(0, "Level");
    doc.event(0, 0, 10000);
}

/// Plays the level song one way, and measures the mute and the fader, each `repeats` times.
void MeasureEdits(bool stream, int bpm, int bufferFrames, int repeats)
{
    bw::test::EngineDoc doc;
    LevelSong(doc, bpm);
    doc.flags.SongMode = false;
    auto rec = std::make_shared<Recording>();
    bw::audio::LiveOutput output([rec] { return std::make_unique<PacedDevice>(rec); });
    output.choose({"", bufferFrames});
    bw::audio::EngineContext ctx = doc.context(
        stream ? bw::audio::WaveOutFactory{}
               : bw::audio::WaveOutFactory{[rec] { return std::make_unique<PacedWaveOut>(rec); }});
    if (stream) {
        ctx.stream = &output;
    }
    bw::audio::Twaverender engine(std::move(ctx));
    engine.start();
    std::this_thread::sleep_for(1500ms);
    const auto beat = std::chrono::microseconds(60000000 / bpm);
    // The longest an edit may take the player's way: the quarter second queued, the beat
    // being rendered and the beat that sounds; then a margin.
    const auto settle = 500ms + 2 * beat + 300ms;
    std::vector<double> mute;
    std::vector<double> fader;
    for (int r = 0; r < repeats; ++r) {
        // Spread over the beat.
        std::this_thread::sleep_for(beat * (r + 1) / (repeats + 1));
        for (const bool isMute : {true, false}) {
            const auto at = Clock::now();
            {
                std::lock_guard<bw::core::SongLock> g(doc.lock);
                if (isMute) {
                    doc.song->Tracks[0].Enabled = 0;
                } else {
                    doc.song->Tracks[0].Volume = 5000;
                }
            }
            std::this_thread::sleep_for(settle);
            const double ms =
                isMute ? rec->firstAfter(at,
                                         [](std::size_t f, const std::vector<std::int16_t>& v) {
                                             // silent from here to the end
                                             for (std::size_t i = 2 * f; i < v.size(); ++i) {
                                                 if (v[i] != 0) {
                                                     return false;
                                                 }
                                             }
                                             return true;
                                         })
                       : rec->firstAfter(at, [](std::size_t f, const std::vector<std::int16_t>& v) {
                             return v[2 * f] == 3200 && v[2 * f + 1] == 3200;
                         });
            (isMute ? mute : fader).push_back(ms);
            {
                std::lock_guard<bw::core::SongLock> g(doc.lock);
                doc.song->Tracks[0].Enabled = 1;
                doc.song->Tracks[0].Volume = 10000;
            }
            std::this_thread::sleep_for(settle);
        }
    }
    doc.flags.StopRequested = true;
    engine.join();
    const Figures m = Summary(mute);
    const Figures f = Summary(fader);
    std::printf("%-7s %3d bpm  mute: mean %6.1f ms, max %6.1f ms   fader: mean %6.1f ms, max "
                "%6.1f ms\n",
                stream ? "stream" : "player", bpm, m.mean, m.most, f.mean, f.most);
}

/// A preview of a short sound (a constant 5000), while stopped or while the level song plays:
/// through the live voices (stream) or the engine (player: a run of its own while stopped; the
/// playing run's next block while playing, which ends playback).
void MeasurePreview(bool stream, bool playing, int bufferFrames, int repeats)
{
    bw::test::EngineDoc doc;
    LevelSong(doc, 112);
    doc.flags.SongMode = false;
    auto data = std::make_shared<bw::library::SampleData>(bw::test::constant(4410, 5000));
    auto rec = std::make_shared<Recording>();
    bw::audio::LiveOutput output([rec] { return std::make_unique<PacedDevice>(rec); });
    output.choose({"", bufferFrames});
    output.open();
    const auto player = [rec] { return std::make_unique<PacedWaveOut>(rec); };
    std::unique_ptr<bw::audio::Twaverender> song;
    const auto startSong = [&] {
        bw::audio::EngineContext ctx = doc.context(stream ? bw::audio::WaveOutFactory{} : player);
        ctx.stream = stream ? &output : nullptr;
        song = std::make_unique<bw::audio::Twaverender>(std::move(ctx));
        song->start();
        std::this_thread::sleep_for(1500ms);
    };
    const auto stopSong = [&] {
        if (song) {
            doc.flags.StopRequested = true;
            song->join();
            song.reset();
        }
    };
    std::this_thread::sleep_for(300ms);
    std::vector<double> ms;
    for (int r = 0; r < repeats; ++r) {
        if (playing && !song) {
            startSong();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(37 * (r + 1)));
        const auto at = Clock::now();
        std::unique_ptr<bw::audio::Twaverender> engine;
        if (stream) {
            output.voices().start(data, 0, 4410, bw::audio::LiveVoices::unityGain(), 1);
        } else {
            doc.flags.setPreview(data, 4410 * 2);
            doc.flags.PreviewRequested = true;
            if (!playing) {
                engine = std::make_unique<bw::audio::Twaverender>(doc.context(player));
                engine->start();
            }
        }
        std::this_thread::sleep_for(playing ? 1200ms : 400ms);
        ms.push_back(rec->firstAfter(at, [](std::size_t f, const std::vector<std::int16_t>& v) {
            return v[2 * f] == 5000 || v[2 * f] == 11400; // alone, or over the song's 6400
        }));
        if (engine) {
            engine->join();
        }
        if (!stream) {
            stopSong(); // the engine's preview ended the run
        }
        output.voices().collect();
    }
    stopSong();
    const Figures p = Summary(ms);
    std::printf("%-7s preview %s: mean %6.1f ms, max %6.1f ms\n", stream ? "stream" : "player",
                playing ? "while playing" : "while stopped", p.mean, p.most);
}

/// Stop and the output's close while the device hangs (takes nothing and does not close):
/// what the user waits for after pressing Stop and after closing the window.
void MeasureHang(int bufferFrames)
{
    bw::test::EngineDoc doc;
    LevelSong(doc, 112);
    doc.flags.SongMode = false;
    auto control = std::make_shared<bw::audio::FakeOutputControl>();
    auto output = std::make_unique<bw::audio::LiveOutput>(bw::audio::FakeOutput(control));
    output->choose({"", bufferFrames});
    bw::audio::EngineContext ctx = doc.context();
    ctx.stream = output.get();
    bw::audio::Twaverender engine(std::move(ctx));
    engine.start();
    std::this_thread::sleep_for(1000ms);
    control->stall();
    std::this_thread::sleep_for(100ms);
    auto at = Clock::now();
    doc.flags.StopRequested = true;
    while (!engine.finished()) {
        std::this_thread::sleep_for(100us);
    }
    const double stop = std::chrono::duration<double, std::milli>(Clock::now() - at).count();
    engine.join();
    at = Clock::now();
    const bool closed = output->shutDown(300ms); // as the main window closes it
    const double close = std::chrono::duration<double, std::milli>(Clock::now() - at).count();
    std::printf("hung device: Stop took %.1f ms; the close returned after %.1f ms (%s)\n", stop,
                close, closed ? "closed" : "left to its keeper");
    control->release();
    output.reset();
}

} // namespace

int main(int argc, char** argv)
{
    const int bufferFrames =
        bw::audio::OutputChoice::validBufferFrames(argc > 1 ? std::atoi(argv[1]) : 512);
    const int repeats = std::max(1, argc > 2 ? std::atoi(argv[2]) : 5);
    std::printf("device buffer %d frames (%.1f ms), %d repeats\n", bufferFrames,
                bw::audio::BufferMilliseconds(bufferFrames), repeats);
    if (argc > 3 && std::string(argv[3]) == "hang") {
        MeasureHang(bufferFrames); // only the hung device
        return 0;
    }
    for (const int bpm : {112, 60}) {
        for (const bool stream : {false, true}) {
            MeasureEdits(stream, bpm, bufferFrames, repeats);
        }
    }
    for (const bool playing : {false, true}) {
        for (const bool stream : {false, true}) {
            MeasurePreview(stream, playing, bufferFrames, repeats);
        }
    }
    MeasureHang(bufferFrames);
    return 0;
}
