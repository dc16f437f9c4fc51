#include "audio/async_player.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace bw::audio {

namespace {

constexpr std::uint32_t InUseBit = 0x80000000u;
constexpr std::uint32_t ShareMask = 0x7FFFFFFFu;

constexpr const char* NoDeviceText = "TASyncPlayer: kein Ausgabegerät geöffnet";
constexpr const char* MaxBuffersText = "TAsyncPlayer.Write: WaveOutMaxBuffers überschritten";

static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
              "the done callback must not take a lock");

} // namespace

TAsyncPlayer::TAsyncPlayer(std::unique_ptr<WaveOut> output) : m_out(std::move(output))
{
    if (!m_out) {
        m_out = std::make_unique<NullWaveOut>();
    }
}

TAsyncPlayer::~TAsyncPlayer()
{
    try {
        Close();
    } catch (...) {
        // A failing device on the way out has nobody left to tell.
    }
}

void TAsyncPlayer::Open(int rate, int bits, int channels)
{
    if (m_out->isOpen()) {
        Close();
    }
    try {
        m_out->open(rate, bits, channels, [this](WaveBuffer* b) { bufferDone(b); });
    } catch (const WaveOutError&) {
        Close();
        m_flow.store(makeFlow(StateClosed, 0));
        throw;
    }
    m_queued.store(0);
    m_flow.store(makeFlow(StateIdle, 0));
    m_holdBack = true;
    m_bufferSize = channels == 1 ? 4096 : 8192;
}

WaveBuffer* TAsyncPlayer::freeBuffer() const
{
    for (int i = 0; i < m_count; ++i) {
        WaveBuffer* b = m_table[static_cast<std::size_t>(i)].get();
        if (b->user.load() == 0) {
            return b;
        }
    }
    return nullptr;
}

WaveBuffer* TAsyncPlayer::allocateBuffer()
{
    auto b = std::make_unique<WaveBuffer>();
    const auto size = static_cast<std::size_t>(m_bufferSize);
    b->data = std::make_unique<std::uint8_t[]>(size);
    b->capacity = static_cast<std::uint32_t>(m_bufferSize);
    WaveBuffer* raw = b.get();
    m_table[static_cast<std::size_t>(m_count)] = std::move(b);
    ++m_count;
    return raw;
}

std::int32_t TAsyncPlayer::Write(const void* data, std::int32_t length, std::int32_t duration)
{
    if (!m_out->isOpen()) {
        throw WaveOutError(NoDeviceText);
    }
    const auto* src = static_cast<const std::uint8_t*>(data);
    // A negative duration would spill into the in-use bit; nothing meaningful to queue.
    const std::int64_t dur = std::max<std::int32_t>(duration, 0);
    std::int32_t written = 0;
    std::int32_t queued = 0;
    while (written < length) {
        WaveBuffer* b = freeBuffer();
        if (b == nullptr) {
            if (m_count >= MaxBuffers) {
                Close();
                throw WaveOutError(MaxBuffersText);
            }
            b = allocateBuffer();
        }
        const std::int32_t c = std::min(m_bufferSize, length - written);
        std::memcpy(b->data.get(), src + written, static_cast<std::size_t>(c));
        b->length = static_cast<std::uint32_t>(c);
        // 64-bit product: duration × bytes overflows 32 bits for long blocks.
        const auto share = static_cast<std::int32_t>(dur * c / length);
        m_queued.fetch_add(share);
        queued += share;
        b->user.store(InUseBit | (static_cast<std::uint32_t>(share) & ShareMask));
        // Count the buffer before the output sees it: an output may report it done at once.
        m_flow.fetch_add(1);
        if (!m_holdBack) {
            send(b);
        }
        written += c;
    }
    if (m_holdBack && m_count > AutoStartBuffers) {
        Start();
    }
    return queued;
}

void TAsyncPlayer::Start()
{
    if (!m_out->isOpen()) {
        throw WaveOutError(NoDeviceText);
    }
    if (!m_holdBack) {
        return;
    }
    m_holdBack = false;
    // While held back no buffer completes, so table order is the order of writing.
    for (int i = 0; i < m_count; ++i) {
        WaveBuffer* b = m_table[static_cast<std::size_t>(i)].get();
        if ((b->user.load() & InUseBit) != 0) {
            send(b);
        }
    }
}

void TAsyncPlayer::setPlaying()
{
    std::uint64_t flow = m_flow.load();
    while (!m_flow.compare_exchange_weak(flow, makeFlow(StatePlaying, inFlightOf(flow)))) {
    }
}

void TAsyncPlayer::send(WaveBuffer* b)
{
    // Mark playing before queueing so that a completion that follows at once can mark idle.
    setPlaying();
    try {
        m_out->queue(b);
    } catch (const WaveOutError&) {
        Close();
        throw;
    }
}

void TAsyncPlayer::bufferDone(WaveBuffer* b)
{
    const std::uint32_t user = b->user.load();
    m_queued.fetch_sub(static_cast<std::int32_t>(user & ShareMask));
    b->user.store(0);
    std::uint64_t flow = m_flow.load();
    for (;;) {
        const std::int32_t inFlight = inFlightOf(flow);
        const std::uint8_t state = inFlight == 1 ? StateIdle : stateOf(flow);
        if (m_flow.compare_exchange_weak(flow, makeFlow(state, inFlight - 1))) {
            break;
        }
    }
}

void TAsyncPlayer::Reset()
{
    if (!m_out->isOpen()) {
        return;
    }
    // The output reports every buffer it holds as done; held-back buffers it never saw.
    m_out->reset();
    for (int i = 0; i < m_count; ++i) {
        m_table[static_cast<std::size_t>(i)].reset();
    }
    m_count = 0;
    // Nothing is queued any more, held-back buffers included; a stale total here would keep
    // the render thread waiting for a queue that can never drain.
    m_queued.store(0);
    const std::uint8_t state = stateOf(m_flow.load());
    m_flow.store(makeFlow(state == StatePlaying ? StateIdle : state, 0));
}

void TAsyncPlayer::Close()
{
    if (!m_out->isOpen()) {
        return;
    }
    Reset();
    m_out->close();
    m_holdBack = false;
    m_flow.store(makeFlow(StateClosed, 0));
}

} // namespace bw::audio
