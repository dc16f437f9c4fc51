#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace bw::audio {

/// A failure of the output layer or the player; the message is the text shown to the user.
class WaveOutError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// One device buffer: a header and its data area. The player owns it; the output layer only
/// reads data[0..length) and reports it finished.
struct WaveBuffer
{
    /// Duration share in the low 31 bits, top bit set while the buffer is in use; 0 = free.
    std::atomic<std::uint32_t> user{0};
    std::uint32_t length = 0; // bytes to play
    std::unique_ptr<std::uint8_t[]> data;
    std::uint32_t capacity = 0;
};

/// The sound output layer under the player: open a PCM output, queue buffers, report each
/// finished buffer on a thread of its own, discard everything queued, close.
class WaveOut
{
public:
    using DoneCallback = std::function<void(WaveBuffer*)>;
    virtual ~WaveOut() = default;

    /// Opens the default output. Throws WaveOutError with the layer's error text.
    virtual void open(int rate, int bits, int channels, DoneCallback done) = 0;
    /// Queues a filled buffer; done(buffer) is called once it has been played.
    virtual void queue(WaveBuffer* buffer) = 0;
    /// Stops output; every queued buffer is reported done before this returns.
    virtual void reset() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
};

using WaveOutFactory = std::function<std::unique_ptr<WaveOut>()>;

/// An output that opens no device and reports every buffer played as soon as it is queued.
/// The engine uses it for WAV export, so an export needs no sound card.
class NullWaveOut : public WaveOut
{
public:
    void open(int rate, int bits, int channels, DoneCallback done) override;
    void queue(WaveBuffer* buffer) override;
    void reset() override {}
    void close() override;
    bool isOpen() const override { return m_open; }

private:
    DoneCallback m_done;
    bool m_open = false;
};

} // namespace bw::audio
