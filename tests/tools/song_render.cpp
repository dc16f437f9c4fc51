#include "tests/tools/song_render.h"

#include "audio/headless_host.h"
#include "audio/render_engine.h"
#include "audio/stretch_cache.h"
#include "core/pattern_file.h"
#include "library/atomic_file.h"
#include "library/sound_library.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <unistd.h>

namespace bw::analysis {

namespace {

library::SoundLibrary LoadKit(const std::string& folder)
{
    library::SoundLibrary lib;
    lib.CreateSoundLibrary();
    lib.LoadSoundLibrary(folder + "/default.slb");
    return lib;
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

/// The interleaved stereo samples of an export, split into channels.
void ReadStereoWav(const std::string& path, StereoRender& out)
{
    const std::vector<std::uint8_t> bytes = readWholeFile(path);
    if (bytes.size() < 44 || bytes[22] != 2) {
        out.failure = "not a stereo export";
        return;
    }
    const std::size_t size = std::min<std::size_t>(Le32(bytes, 40), bytes.size() - 44);
    for (std::size_t i = 44; i + 3 < 44 + size; i += 4) {
        const auto l = static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8));
        const auto r = static_cast<std::int16_t>(bytes[i + 2] | (bytes[i + 3] << 8));
        out.left.push_back(l / 32768.0);
        out.right.push_back(r / 32768.0);
    }
}

std::string ScratchFile()
{
    static std::atomic<int> counter{0};
    return "/tmp/bw-stem-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".wav";
}

} // namespace

StereoRender
RenderDefaultSong(const std::string& folder, const std::vector<std::string>& audible, int pattern)
{
    StereoRender out;
    library::SoundLibrary lib = LoadKit(folder);
    if (!audible.empty()) {
        for (int i = 0; i < lib.count(); ++i) {
            library::TSoundRec& rec = lib.at(i);
            if (std::find(audible.begin(), audible.end(), rec.Name.str()) == audible.end()) {
                rec.Data = std::make_shared<const library::SampleData>(rec.Data->size(), 0);
            }
        }
    }
    auto song = core::ReadPatternFile(folder + "/default.bwp");
    // Taken in as the main window and the render command take a document in.
    song->Bpm = std::clamp(song->Bpm, 50, 300);
    const std::int32_t masterPosition = std::clamp(song->MasterVolume / 10, 0, 1000);
    song->MasterVolume = masterPosition * 10000 / 1000;
    if (pattern >= 0) {
        core::StoreWorkingCopy(*song, song->CurrentPattern);
        core::LoadWorkingCopy(*song, pattern);
    }
    core::BindTrackSounds(song->Tracks, song->TrackCount, lib, true);

    const std::string file = ScratchFile();
    core::SongLock lock;
    audio::StretchCache cache;
    audio::RequestFlags flags;
    audio::HeadlessHost host(*song, lock);
    flags.InspectorPlayRequested = false;
    flags.SongMode = false;
    flags.setExportFileName(file);
    flags.WriteSong = pattern < 0;
    flags.WriteRequested = true;
    audio::Twaverender engine(audio::EngineContext{*song, lib, lock, cache, flags, host, nullptr});
    engine.run();
    if (!host.messages().empty()) {
        out.failure = host.messages().front();
    } else {
        ReadStereoWav(file, out);
        if (out.failure.empty()) {
            out.clips = engine.totalClips();
        }
    }
    std::remove(file.c_str());
    return out;
}

std::vector<std::string> DefaultSongTrackSounds(const std::string& folder)
{
    auto song = core::ReadPatternFile(folder + "/default.bwp");
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(std::max(song->TrackCount, 0)));
    for (int t = 0; t < song->TrackCount; ++t) {
        names.push_back(song->pattern(0).Tracks[static_cast<std::size_t>(t)].SoundName.str());
    }
    return names;
}

std::vector<TrackUse> DefaultSongTrackUse(const std::string& folder)
{
    auto song = core::ReadPatternFile(folder + "/default.bwp");
    core::StoreWorkingCopy(*song, song->CurrentPattern);
    const auto tracks = static_cast<std::size_t>(song->TrackCount);
    std::vector<TrackUse> use(tracks);
    std::vector<std::map<std::string, int>> counts(tracks);
    std::vector<std::set<int>> pitches(tracks);
    for (const core::TSeqEntry& entry : song->Sequence) {
        const int k = core::FindPatternByName(*song, entry.Name);
        if (k < 0) {
            continue;
        }
        const core::TPattern& p = song->pattern(k);
        for (std::size_t t = 0; t < tracks; ++t) {
            const core::TTrack& track = p.Tracks[t];
            if (track.Enabled != 1) {
                continue;
            }
            const std::string sound = track.SoundName.str();
            for (const core::TNoteEvent& e : p.Events[t]) {
                if (e.Volume <= 0) {
                    continue;
                }
                const int pitch = e.Pitch + p.Transpose + track.Transpose;
                ++use[t].hits;
                ++counts[t][sound + "@" + std::to_string(pitch)];
                pitches[t].insert(pitch);
                if (std::find(use[t].sounds.begin(), use[t].sounds.end(), sound) ==
                    use[t].sounds.end()) {
                    use[t].sounds.push_back(sound);
                }
            }
        }
    }
    std::map<std::string, std::size_t> owner;
    for (std::size_t t = 0; t < tracks; ++t) {
        int most = 0;
        for (const auto& [key, n] : counts[t]) {
            most = std::max(most, n);
        }
        use[t].waveforms = static_cast<int>(counts[t].size());
        use[t].mostUsedShare = use[t].hits > 0 ? static_cast<double>(most) / use[t].hits : 0.0;
        use[t].pitches.assign(pitches[t].begin(), pitches[t].end());
        for (const std::string& sound : use[t].sounds) {
            if (!owner.emplace(sound, t).second) {
                throw std::runtime_error(sound + " plays on two tracks");
            }
        }
    }
    return use;
}

int DefaultSongPatternCount(const std::string& folder)
{
    return core::ReadPatternFile(folder + "/default.bwp")->PatternCount;
}

std::vector<std::int16_t> DefaultKitSound(const std::string& folder, const std::string& name)
{
    const library::SoundLibrary lib = LoadKit(folder);
    const int i = lib.FindSound(name);
    return i >= 0 ? *lib.at(i).Data : std::vector<std::int16_t>{};
}

std::vector<std::string> DefaultKitNames(const std::string& folder)
{
    const library::SoundLibrary lib = LoadKit(folder);
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(lib.count()));
    for (int i = 0; i < lib.count(); ++i) {
        names.push_back(lib.at(i).Name.str());
    }
    return names;
}

} // namespace bw::analysis
