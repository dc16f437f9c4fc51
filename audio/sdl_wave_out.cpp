#include "audio/sdl_wave_out.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <string>
#include <utility>

#include <SDL.h>

namespace bw::audio {

namespace {

WaveOutError sdlError(const char* fallback)
{
    const char* text = SDL_GetError();
    return WaveOutError(text != nullptr && *text != '\0' ? std::string(text) : fallback);
}

} // namespace

struct SdlWaveOut::Impl
{
    SDL_AudioDeviceID device = 0;
    bool paused = true; // caller thread only
    DoneCallback done;
    std::uint8_t silence = 0;

    // Single producer (queue, caller thread), single consumer (the audio callback). reset()
    // also consumes, but only while it holds the device lock, which keeps the callback out.
    std::array<WaveBuffer*, QueueCapacity> ring{};
    std::atomic<std::size_t> head{0}; // next slot to fill
    std::atomic<std::size_t> tail{0}; // oldest queued buffer
    std::uint32_t offset = 0;         // bytes of the oldest buffer already played
    bool playedAny = false;           // audio thread only
    std::atomic<std::uint64_t> underruns{0};

    /// SDL's audio thread: copy out of the queued buffers in order, silence when none is left.
    /// No locks, no allocation: the done callback only updates the player's atomics.
    void fill(std::uint8_t* stream, std::size_t len)
    {
        std::size_t pos = 0;
        while (pos < len) {
            const std::size_t t = tail.load(std::memory_order_relaxed);
            if (t == head.load(std::memory_order_acquire)) {
                if (playedAny) {
                    underruns.fetch_add(1, std::memory_order_relaxed);
                }
                std::memset(stream + pos, silence, len - pos);
                return;
            }
            playedAny = true;
            WaveBuffer* b = ring[t % QueueCapacity];
            const std::size_t left = b->length > offset ? b->length - offset : 0;
            const std::size_t n = std::min(left, len - pos);
            std::memcpy(stream + pos, b->data.get() + offset, n);
            pos += n;
            offset += static_cast<std::uint32_t>(n);
            if (offset >= b->length) {
                offset = 0;
                tail.store(t + 1, std::memory_order_release);
                if (done) {
                    done(b);
                }
            }
        }
    }

    static void SDLCALL callback(void* userdata, Uint8* stream, int len)
    {
        static_cast<Impl*>(userdata)->fill(stream, static_cast<std::size_t>(std::max(len, 0)));
    }

    /// Reports every queued buffer done. The callback must not be running.
    void drain()
    {
        std::size_t t = tail.load(std::memory_order_relaxed);
        const std::size_t h = head.load(std::memory_order_acquire);
        offset = 0;
        while (t != h) {
            WaveBuffer* b = ring[t % QueueCapacity];
            ++t;
            tail.store(t, std::memory_order_release);
            if (done) {
                done(b);
            }
        }
    }
};

SdlWaveOut::SdlWaveOut() : m_impl(std::make_unique<Impl>())
{}

SdlWaveOut::~SdlWaveOut()
{
    closeDevice();
}

void SdlWaveOut::open(int rate, int bits, int channels, DoneCallback done)
{
    close();
    SDL_AudioFormat format = 0;
    if (bits == 16) {
        format = AUDIO_S16LSB;
    } else if (bits == 8) {
        format = AUDIO_U8;
    } else {
        throw WaveOutError("Unsupported sample width: " + std::to_string(bits) + " bits");
    }
    if (channels < 1 || channels > 8 || rate <= 0) {
        throw WaveOutError("Unsupported format: " + std::to_string(rate) + " Hz, " +
                           std::to_string(channels) + " channels");
    }
    // The program handles SIGINT and SIGTERM itself (it keeps unsaved work and quits): SDL's
    // own handlers would take them over for as long as a device is open.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Reference-counted by SDL; the driver comes from SDL_AUDIODRIVER when set.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        WaveOutError error = sdlError("Cannot start the audio subsystem");
        SDL_TLSCleanup(); // the error text lives in this thread's SDL data: free it (see close)
        throw error;
    }
    Impl& impl = *m_impl;
    impl.done = std::move(done);
    impl.head.store(0);
    impl.tail.store(0);
    impl.offset = 0;
    impl.paused = true;

    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = format;
    want.channels = static_cast<Uint8>(channels);
    want.samples = 1024;
    want.callback = Impl::callback;
    want.userdata = &impl;
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to whatever the device really plays.
    impl.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (impl.device == 0) {
        WaveOutError error = sdlError("Cannot open the audio device");
        impl.done = nullptr;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_TLSCleanup();
        throw error;
    }
    impl.silence = have.silence;
}

void SdlWaveOut::queue(WaveBuffer* buffer)
{
    Impl& impl = *m_impl;
    if (impl.device == 0) {
        throw WaveOutError("The audio device is not open");
    }
    const std::size_t h = impl.head.load(std::memory_order_relaxed);
    if (h - impl.tail.load(std::memory_order_acquire) >= QueueCapacity) {
        throw WaveOutError("The audio queue is full");
    }
    impl.ring[h % QueueCapacity] = buffer;
    impl.head.store(h + 1, std::memory_order_release);
    if (impl.paused) {
        // The device stays paused from open (and reset) until there is something to play.
        SDL_PauseAudioDevice(impl.device, 0);
        impl.paused = false;
    }
}

void SdlWaveOut::reset()
{
    Impl& impl = *m_impl;
    if (impl.device == 0) {
        return;
    }
    SDL_PauseAudioDevice(impl.device, 1);
    impl.paused = true;
    SDL_LockAudioDevice(impl.device);
    impl.drain();
    SDL_UnlockAudioDevice(impl.device);
}

void SdlWaveOut::close()
{
    closeDevice();
}

void SdlWaveOut::closeDevice()
{
    Impl& impl = *m_impl;
    if (impl.device == 0) {
        return;
    }
    // Closing stops SDL's audio thread; whatever it had not played is finished here.
    SDL_CloseAudioDevice(impl.device);
    impl.device = 0;
    impl.drain();
    impl.done = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // SDL keeps per-thread data (its error text) for threads it did not create; the render
    // thread that closes the device ends soon after, so free it here or it leaks.
    SDL_TLSCleanup();
}

bool SdlWaveOut::driverAvailable(const std::string& name)
{
    const int n = SDL_GetNumAudioDrivers();
    for (int i = 0; i < n; ++i) {
        const char* driver = SDL_GetAudioDriver(i);
        if (driver != nullptr && name == driver) {
            return true;
        }
    }
    return false;
}

std::uint64_t SdlWaveOut::underruns() const
{
    return m_impl->underruns.load(std::memory_order_relaxed);
}

bool SdlWaveOut::isOpen() const
{
    return m_impl->device != 0;
}

} // namespace bw::audio
