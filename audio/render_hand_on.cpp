// Handing a rendered block on: to the player a whole beat ahead, to the program's open
// output in short steps, or to the WAV file.

#include "audio/render_run.h"
#include "audio/stretch_cache.h"

#include <algorithm>
#include <thread>

namespace bw::audio {

namespace {

void sleepBriefly()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

/// Frames as the player's duration unit (stereo values × 1000 / 44100).
std::int32_t FramesAsDuration(std::int64_t frames)
{
    return static_cast<std::int32_t>(frames * 2 * 1000 / library::SampleRate);
}

} // namespace

void RenderRun::deliver(const BlockReport& report)
{
    try {
        m_host.blockDone(report);
    } catch (...) {
        // The display is not worth stopping the music for.
    }
}

void RenderRun::deliverHeard()
{
    const std::int64_t queued =
        m_streaming ? m_stream->queuedFrames() : std::int64_t{m_player->QueuedDuration()};
    m_heard.deliverDue(static_cast<std::int32_t>(queued),
                       [this](const BlockReport& r) { deliver(r); });
}

void RenderRun::handOnBlock()
{
    m_flags.setStage("play Error (500)");
    if (m_stepped) {
        handOnSteps();
        writeToFile();
        return;
    }
    const bool toDevice = !m_flags.WriteRequested.load() && !m_writing;
    if (m_streaming) {
        // An export took over the run: what is queued plays out, the rest goes to the file,
        // and the blocks that wait to be heard are shown now.
        m_streaming = false;
        m_stream->end(false);
        m_heard.deliverDue(0, [this](const BlockReport& r) { deliver(r); });
        m_heard.clear();
    }
    m_queuedSnapshot = m_player->QueuedDuration();
    if (toDevice && !m_flags.StopRequested.load()) {
        // Stay about a quarter of a second ahead of the device; meanwhile the blocks that
        // begin to sound are shown.
        while (m_player->QueuedDuration() >= 500 && !m_flags.StopRequested.load()) {
            deliverHeard();
            sleepBriefly();
        }
        m_flags.setStage("play Error (501)");
        const std::int32_t queued =
            m_player->Write(m_renderer->block(), m_blockValues * 2,
                            static_cast<std::int32_t>(static_cast<std::int64_t>(m_blockValues) *
                                                      1000 / library::SampleRate));
        m_heard.written(m_report, queued);
        deliverHeard();
    } else {
        deliver(m_report); // exports, and a block cut short by Stop, show at once
    }
    writeToFile();
    if (m_player->State() == TAsyncPlayer::StateIdle) {
        m_player->Start();
    }
}

bool RenderRun::waitForRoom(std::int64_t limit)
{
    for (;;) {
        if (m_flags.StopRequested.load()) {
            return false;
        }
        if (!m_stream->playing()) {
            // The device has gone: the run ends as by Stop (the program says why).
            m_flags.StopRequested = true;
            return false;
        }
        const std::int64_t excess = m_stream->queuedFrames() - limit;
        if (excess <= 0) {
            return true;
        }
        deliverHeard();
        // Sleep until the device should have taken the excess, in slices short enough to
        // answer Stop at once and to catch a device that takes its buffers early.
        const std::int64_t micros = std::clamp<std::int64_t>(
            excess * 1000000 / library::SampleRate, 500,
            std::int64_t{m_stream->bufferFrames()} * 1000000 / library::SampleRate / 2);
        std::this_thread::sleep_for(std::chrono::microseconds(micros));
    }
}

void RenderRun::handOnSteps()
{
    const std::int32_t frames = m_blockValues / 2;
    // Two device buffers and a step's margin: the device never waits for the render thread
    // as long as it wakes once in a buffer's time, and what is queued ahead of an edit stays
    // short.
    const std::int64_t most = std::int64_t{2} * m_stream->bufferFrames() + StepFrames;
    m_queuedSnapshot = FramesAsDuration(m_stream->queuedFrames());
    std::int32_t clips = 0;
    bool reported = false;
    m_flags.setStage("play Error (501)");
    for (std::int32_t from = 0; from < frames;) {
        const std::int32_t to = std::min(from + StepFrames, frames);
        if (!waitForRoom(most - (to - from))) {
            break;
        }
        const auto started = std::chrono::steady_clock::now();
        withSong([this](const core::TSong& s) { m_renderer->followSong(s); });
        clips += m_renderer->mixFrames(from, to);
        const std::int16_t* step = m_renderer->block() + 2 * static_cast<std::ptrdiff_t>(from);
        const std::int64_t written = m_stream->write(step, to - from);
        m_streamedFrames += written;
        m_renderTime += std::chrono::steady_clock::now() - started;
        if (!reported) {
            m_heard.written(m_report, static_cast<std::int32_t>(written));
            reported = true;
        } else {
            m_heard.wrote(static_cast<std::int32_t>(written));
        }
        deliverHeard();
        from = to;
    }
    if (!reported) {
        deliver(m_report); // cut short by Stop before it sounded: shown at once
    }
    m_renderer->endMix();
    m_clipCount = clips;
    m_totalClips += clips;
    const auto playing =
        std::chrono::microseconds(std::int64_t{frames} * 1000000 / library::SampleRate);
    m_lastLoad =
        playing.count() > 0
            ? static_cast<int>(
                  std::chrono::duration_cast<std::chrono::microseconds>(m_renderTime).count() *
                  100 / playing.count())
            : 0;
}

void RenderRun::writeToFile()
{
    m_flags.setStage("play Error(510)");
    if (m_writing) {
        ++m_beatsWritten;
        if (m_wav) {
            // A mono file takes the left channel (the writer's own conversion).
            m_wav->writeStereo(m_renderer->block(), m_blockValues / 2);
        }
        if (m_stems.active()) {
            m_stems.writeBlock(*m_renderer, m_blockValues / 2, [this](std::int32_t sound) {
                return withSong([&](core::TSong&) {
                    return m_ctx.library.validIndex(sound) ? m_ctx.library.SoundNameAt(sound)
                                                           : std::string();
                });
            });
        }
    }
    m_ctx.cache.TrimCache();
}

void RenderRun::playOut()
{
    // The song reached its end by itself: what is queued still goes to the device, for as
    // long as it takes to play and no longer; Stop (or closing) ends the wait at once.
    m_flags.StopRequested = false;
    if (m_streaming) {
        m_stream->end(false);
        const auto limit =
            std::chrono::steady_clock::now() +
            std::chrono::milliseconds(m_stream->queuedFrames() * 1000 / library::SampleRate + 1000);
        while (m_stream->queuedFrames() > 0 && m_stream->playing() &&
               !m_flags.StopRequested.load() && std::chrono::steady_clock::now() < limit) {
            deliverHeard();
            sleepBriefly();
        }
        deliverHeard();
        return;
    }
    if (m_player->State() == TAsyncPlayer::StateIdle && m_player->InFlight() == 0 &&
        m_player->HoldBack()) {
        m_player->Start();
    }
    const auto limit = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(m_player->QueuedDuration() + 1000);
    while (m_player->InFlight() > 0 && !m_flags.StopRequested.load() &&
           std::chrono::steady_clock::now() < limit) {
        deliverHeard();
        sleepBriefly();
    }
}

} // namespace bw::audio
