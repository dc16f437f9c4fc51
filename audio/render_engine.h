#pragma once

#include "audio/engine_host.h"
#include "audio/engine_stream.h"
#include "audio/request_flags.h"
#include "audio/wave_out.h"
#include "core/song.h"
#include "library/sound_library.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace bw::audio {

class StretchCache;

/// Everything a render run reads and talks to. All references outlive the run.
struct EngineContext
{
    core::TSong& song;
    library::SoundLibrary& library;
    core::SongLock& lock; // guards song and library
    StretchCache& cache;
    RequestFlags& flags;
    EngineHost& host;
    /// Opens the sound device for playback and previews; empty = an output that discards.
    /// Exports never use it.
    WaveOutFactory deviceOutput;
    /// The program's open output: when given, playback goes through it in short steps
    /// (a few milliseconds ahead of the device) instead of through deviceOutput.
    EngineStream* stream = nullptr;
};

/// The render engine: one object per start of playback, preview or export. It renders one
/// beat per block on its own thread until StopRequested is set at the end of a block. A block
/// played through the program's open output is mixed and handed on in steps of a few
/// milliseconds, each taking the song's mute, volumes and pans as they are then; a block
/// written to a file is mixed at once, with the values of its beat's start.
class Twaverender
{
public:
    explicit Twaverender(EngineContext context);
    ~Twaverender(); // joins the thread
    Twaverender(const Twaverender&) = delete;
    Twaverender& operator=(const Twaverender&) = delete;

    /// Starts the render thread. If another run is active, the new thread ends at once.
    void start();
    /// The thread body; tests and the command line may run it on their own thread.
    void run();
    /// Waits for the thread. Must not be called from a thread that serves blocking host
    /// calls while the run may still make them: wait for finished() with events served first.
    void join();
    /// True once the thread has done everything, host calls included.
    bool finished() const { return m_finished.load(); }

    /// Saturated sample values in the last block and over the whole run.
    std::int32_t clipCount() const { return m_clipCount.load(); }
    std::int64_t totalClips() const { return m_totalClips.load(); }
    /// The failure message of the run, empty when it ended normally.
    std::string failure() const;

private:
    EngineContext m_ctx;
    std::thread m_thread;
    std::atomic<bool> m_finished{false};
    std::atomic<std::int32_t> m_clipCount{0};
    std::atomic<std::int64_t> m_totalClips{0};
    mutable std::mutex m_failureMutex;
    std::string m_failure;
};

} // namespace bw::audio
