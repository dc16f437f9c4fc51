#include "audio/event_sound.h"

#include "audio/resampler.h"

#include <algorithm>
#include <memory>

namespace bw::audio {

namespace {

EventSound MakeSound(const core::TSong& song,
                     int track,
                     const core::TNoteEvent& ev,
                     const library::SoundLibrary& lib)
{
    EventSound out;
    const core::TTrack& t = song.Tracks[static_cast<std::size_t>(track)];
    if (t.Enabled != 1 || ev.Volume <= 0 || !lib.validIndex(t.SoundIndex)) {
        return out;
    }
    const library::TSoundRec& sound = lib.at(t.SoundIndex);
    if (!sound.Data || sound.DataSize < 2) {
        return out;
    }
    // The engine's arithmetic for an event's voice: volume through the master and the
    // track, pan offset on the track's pan, pitch from the event, pattern and track.
    const std::int32_t master = std::clamp(song.MasterVolume, 0, 10000);
    const std::int32_t volume =
        std::min(ev.Volume, 10000) * master / 10000 * std::clamp(t.Volume, 0, 10000) / 10000;
    if (volume <= 0) {
        return out;
    }
    const std::int32_t pan =
        std::clamp(std::clamp(t.Pan, 0, 2000) + std::clamp(ev.Pan, -1000, 1000), 0, 2000);
    out.gain.g = volume * 4 / 5;
    out.gain.stereo = song.Stereo != 0;
    PanWeights(pan, out.gain.leftWeight, out.gain.rightWeight);
    const std::int32_t last = (sound.DataSize - 1) / 2;
    const std::int64_t pitch = static_cast<std::int64_t>(ev.Pitch) + song.Transpose + t.Transpose;
    const auto semitones = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(pitch, -MaxPitchSemitones, MaxPitchSemitones));
    std::int64_t length = 0;
    if (sound.stretchEnabled()) {
        if (sound.StretchDiv == 0 || song.Bpm < 1) {
            return out;
        }
        const std::int64_t beatFrames = std::min(2646000 / song.Bpm, 132299);
        length = beatFrames * sound.StretchMul / sound.StretchDiv;
    } else if (semitones != 0) {
        length = PitchedLength(PitchFactor(semitones), last);
    } else {
        out.data = sound.Data;
        out.count = static_cast<std::int32_t>(
            std::min<std::int64_t>(last + 1, static_cast<std::int64_t>(sound.Data->size())));
        return out;
    }
    if (length <= 0 || length > std::int64_t{MaxCopySeconds} * library::SampleRate) {
        return out;
    }
    const auto n = static_cast<std::int32_t>(length);
    auto copy = std::make_shared<library::SampleData>(static_cast<std::size_t>(n) + 12);
    Resample(sound.Data->data(), last, copy->data(), n, true);
    out.data = std::move(copy);
    out.count = n;
    return out;
}

} // namespace

EventSound
MakeEventSound(const core::TSong& song, int track, int slot, const library::SoundLibrary& lib)
{
    if (track < 0 || track >= std::clamp(song.TrackCount, 0, core::MaxTracks) || slot < 0 ||
        slot >= core::PatternSlots) {
        return {};
    }
    return MakeSound(song, track,
                     song.Events[static_cast<std::size_t>(track)][static_cast<std::size_t>(slot)],
                     lib);
}

EventSound MakeHitSound(const core::TSong& song,
                        int track,
                        std::int32_t volume,
                        const library::SoundLibrary& lib)
{
    if (track < 0 || track >= std::clamp(song.TrackCount, 0, core::MaxTracks)) {
        return {};
    }
    core::TNoteEvent ev;
    ev.Volume = std::clamp(volume, 0, 10000);
    return MakeSound(song, track, ev, lib);
}

} // namespace bw::audio
