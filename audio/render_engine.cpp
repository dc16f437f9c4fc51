#include "audio/render_engine.h"

#include "audio/render_run.h"

#include <bit>
#include <exception>

namespace bw::audio {

static_assert(std::endian::native == std::endian::little,
              "sample blocks are handed to the output and the WAV file as they lie in memory");

Twaverender::Twaverender(EngineContext context) : m_ctx(std::move(context))
{}

Twaverender::~Twaverender()
{
    join();
}

void Twaverender::start()
{
    m_thread = std::thread([this] { run(); });
}

void Twaverender::join()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::string Twaverender::failure() const
{
    std::lock_guard<std::mutex> g(m_failureMutex);
    return m_failure;
}

void Twaverender::run()
{
    RequestFlags& flags = m_ctx.flags;
    flags.setStage("Init Error(0)");
    bool idle = false;
    if (!flags.EngineRunning.compare_exchange_strong(idle, true)) {
        // Another run is playing; it picks up the changed request flags at its next block.
        m_finished = true;
        return;
    }
    RenderRun run(m_ctx, m_clipCount, m_totalClips);
    bool failed = false;
    std::string reason;
    try {
        run.startUp();
        run.loop();
    } catch (const WaveOutError& e) {
        // The device's own text (SDL's), and a write error or the size limit of the WAV
        // file, say more than the stage: they follow it on a line of their own.
        failed = true;
        reason = e.what();
    } catch (const WavWriteError& e) {
        failed = true;
        reason = e.what();
    } catch (...) {
        // Memory exhaustion, divisions by zero: all end the run with the stage that was in
        // progress.
        failed = true;
    }
    if (failed) {
        std::string message = "SHUTDOWN AUDIO RENDER:" + flags.stage();
        if (!reason.empty()) {
            message += "\n" + reason;
        }
        {
            std::lock_guard<std::mutex> g(m_failureMutex);
            m_failure = message;
        }
        try {
            m_ctx.host.engineFailed(message, flags.WavWriteFailed.load());
        } catch (...) {
        }
    }
    run.finish(failed);
    m_finished = true;
}

} // namespace bw::audio
