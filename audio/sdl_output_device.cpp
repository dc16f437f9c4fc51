#include "audio/sdl_output_device.h"

#include "audio/device_mix.h"
#include "audio/wave_out.h"

#include <algorithm>
#include <cstring>

#include <SDL.h>

namespace bw::audio {

namespace {

std::string SdlText(const char* fallback)
{
    const char* text = SDL_GetError();
    return text != nullptr && *text != '\0' ? std::string(text) : std::string(fallback);
}

/// SDL's audio thread: the whole buffer comes from the mix (16-bit stereo frames).
void SDLCALL Fill(void* userdata, Uint8* stream, int len)
{
    const int frames = std::max(len, 0) / 4;
    static_cast<DeviceMix*>(userdata)->render(reinterpret_cast<std::int16_t*>(stream), frames);
    if (len > frames * 4) {
        std::memset(stream + static_cast<std::ptrdiff_t>(frames) * 4, 0,
                    static_cast<std::size_t>(len - frames * 4));
    }
}

} // namespace

SdlOutputDevice::~SdlOutputDevice()
{
    close();
    stopSubsystems();
}

bool SdlOutputDevice::start(std::string& error)
{
    if (m_started) {
        return true;
    }
    // The program handles SIGINT and SIGTERM itself; the sound server shows the program's
    // name for its stream.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Beat Wright");
    // Events carry the removal and arrival of devices.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS) != 0) {
        error = SdlText("Cannot start the audio subsystem");
        return false;
    }
    m_started = true;
    return true;
}

void SdlOutputDevice::stopSubsystems()
{
    if (!m_started) {
        return;
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS);
    m_started = false;
    // The keeper thread is not SDL's: free the per-thread data SDL keeps for it.
    SDL_TLSCleanup();
}

std::string SdlOutputDevice::driver()
{
    std::string error;
    if (!start(error)) {
        return {};
    }
    const char* name = SDL_GetCurrentAudioDriver();
    return name != nullptr ? std::string(name) : std::string();
}

std::vector<std::string> SdlOutputDevice::devices()
{
    std::vector<std::string> names;
    std::string error;
    if (!start(error)) {
        return names;
    }
    const int n = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < n; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, 0);
        if (name != nullptr && std::find(names.begin(), names.end(), name) == names.end()) {
            names.emplace_back(name);
        }
    }
    return names;
}

std::string SdlOutputDevice::open(const OutputChoice& choice, DeviceMix& mix)
{
    close();
    std::string error;
    if (!start(error)) {
        throw WaveOutError(error);
    }
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16LSB;
    want.channels = 2;
    want.samples = static_cast<Uint16>(OutputChoice::validBufferFrames(choice.bufferFrames));
    want.callback = Fill;
    want.userdata = &mix;
    SDL_AudioSpec have{};
    const char* name = choice.device.empty() ? nullptr : choice.device.c_str();
    // No changes allowed: SDL converts to whatever the device really plays.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (id == 0 && name == nullptr) {
        // A sound server that restarted leaves SDL's connection dead: start SDL's audio
        // again once before giving up.
        stopSubsystems();
        if (start(error)) {
            id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        }
    }
    if (id == 0) {
        throw WaveOutError(SdlText("Cannot open the audio device"));
    }
    // Arrivals and removals before this open are history.
    SDL_FlushEvents(SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED);
    m_device = id;
    SDL_PauseAudioDevice(id, 0);
    if (!choice.device.empty()) {
        return choice.device;
    }
    char* defaultName = nullptr;
    SDL_AudioSpec format{};
    std::string shown = DefaultName;
    if (SDL_GetDefaultAudioInfo(&defaultName, &format, 0) == 0 && defaultName != nullptr) {
        shown = defaultName;
    }
    SDL_free(defaultName);
    return shown;
}

void SdlOutputDevice::close()
{
    if (m_device == 0) {
        return;
    }
    // Stops SDL's audio thread (the callback) before it returns.
    SDL_CloseAudioDevice(m_device);
    m_device = 0;
}

OutputDevice::Health SdlOutputDevice::health()
{
    Health h;
    if (!m_started) {
        return h;
    }
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED) > 0) {
        if (e.adevice.iscapture != 0) {
            continue;
        }
        if (e.type == SDL_AUDIODEVICEREMOVED && m_device != 0 && e.adevice.which == m_device) {
            h.lost = true;
        } else if (e.type == SDL_AUDIODEVICEADDED) {
            h.deviceAdded = true;
        }
    }
    if (m_device != 0 && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED) {
        h.lost = true;
    }
    return h;
}

} // namespace bw::audio
