#pragma once

#include "audio/headless_host.h"
#include "audio/render_engine.h"
#include "audio/stretch_cache.h"
#include "core/song.h"
#include "library/atomic_file.h"
#include "library/sound_library.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace bw::test {

/// A scratch folder removed with the object.
class ScratchDir
{
public:
    ScratchDir()
    {
        char tmpl[] = "/tmp/bw-engine-XXXXXX";
        m_path = ::mkdtemp(tmpl);
    }
    ~ScratchDir() { std::filesystem::remove_all(m_path); }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

/// A WAV file written by an export, split into its header fields and samples.
struct WavFile
{
    std::vector<std::uint8_t> bytes;
    std::uint32_t riffSize = 0;
    std::uint32_t dataSize = 0;
    std::uint16_t channels = 0;
    std::uint16_t blockAlign = 0;
    std::uint32_t bytesPerSecond = 0;
    std::vector<std::int16_t> samples;
};

inline std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

inline WavFile readWav(const std::string& path)
{
    WavFile w;
    if (!std::filesystem::is_regular_file(path)) {
        return w; // a failed export may leave no file, or a refused target that is no file
    }
    w.bytes = readWholeFile(path);
    if (w.bytes.size() < 44) {
        return w;
    }
    w.riffSize = le32(w.bytes, 4);
    w.channels = static_cast<std::uint16_t>(w.bytes[22] | (w.bytes[23] << 8));
    w.bytesPerSecond = le32(w.bytes, 28);
    w.blockAlign = static_cast<std::uint16_t>(w.bytes[32] | (w.bytes[33] << 8));
    w.dataSize = le32(w.bytes, 40);
    for (std::size_t i = 44; i + 1 < w.bytes.size(); i += 2) {
        w.samples.push_back(static_cast<std::int16_t>(w.bytes[i] | (w.bytes[i + 1] << 8)));
    }
    return w;
}

/// A song with one pattern "A" and a library, ready to render.
struct EngineDoc
{
    std::unique_ptr<core::TSong> song = std::make_unique<core::TSong>();
    library::SoundLibrary lib;
    core::SongLock lock;
    audio::StretchCache cache;
    audio::RequestFlags flags;
    std::unique_ptr<audio::HeadlessHost> host;

    EngineDoc()
    {
        core::InitSong(*song);
        core::AddPattern(*song, "A");
        core::InitPattern(*song, 0);
        core::LoadWorkingCopy(*song, 0);
        host = std::make_unique<audio::HeadlessHost>(*song, lock);
    }

    int addSound(const std::string& name,
                 const std::vector<std::int16_t>& samples,
                 const std::string& stopTarget = "",
                 std::int32_t flagsValue = 0,
                 std::int32_t mul = 0,
                 std::int32_t div = 0)
    {
        std::vector<std::uint8_t> bytes;
        for (const auto s : samples) {
            bytes.push_back(static_cast<std::uint8_t>(s));
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
        }
        return lib.AddSound(name, stopTarget, div, mul, flagsValue,
                            static_cast<std::int32_t>(bytes.size()), bytes.data());
    }

    /// Binds working-copy track t to a sound and enables it.
    core::TTrack&
    track(int t, const std::string& sound, std::int32_t volume = 10000, std::int32_t pan = 1000)
    {
        core::TTrack& tr = song->Tracks[static_cast<std::size_t>(t)];
        tr.SoundName.assign(sound);
        tr.Volume = volume;
        tr.Pan = pan;
        tr.Enabled = 1;
        return tr;
    }

    core::TNoteEvent&
    event(int t, int slot, std::int32_t volume, std::int32_t pitch = 0, std::int32_t pan = 0)
    {
        core::TNoteEvent& e =
            song->Events[static_cast<std::size_t>(t)][static_cast<std::size_t>(slot)];
        e.Volume = volume;
        e.Pitch = pitch;
        e.Pan = pan;
        return e;
    }

    audio::EngineContext context(audio::WaveOutFactory device = nullptr)
    {
        return audio::EngineContext{*song, lib, lock, cache, flags, *host, std::move(device)};
    }

    /// Exports one pattern pass (or the song) through the engine on this thread.
    WavFile exportTo(const std::string& path, bool wholeSong)
    {
        flags.InspectorPlayRequested = false;
        flags.SongMode = false;
        flags.setExportFileName(path);
        flags.WriteSong = wholeSong;
        flags.WriteRequested = true;
        audio::Twaverender engine(context());
        engine.run();
        lastClips = engine.totalClips();
        lastFailure = engine.failure();
        return readWav(path);
    }

    std::int64_t lastClips = 0;
    std::string lastFailure;
};

/// Samples of a constant value.
inline std::vector<std::int16_t> constant(std::size_t n, std::int16_t value)
{
    return std::vector<std::int16_t>(n, value);
}

} // namespace bw::test
