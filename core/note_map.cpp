#include "core/note_map.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace bw::core {

namespace {

struct NameNote
{
    std::string_view word;
    int note;
};

/// Checked in order: the more particular words first ("open hat" before "hat", "ride bell"
/// before "ride", "cowbell" before "bell").
constexpr std::array<NameNote, 31> GmNames{{
    {"open hat", 46},   {"open hh", 46},   {"ohh", 46},        {"pedal", 44},  {"closed hat", 42},
    {"closed hh", 42},  {"chh", 42},       {"hat", 42},        {"hihat", 42},  {"low tom", 41},
    {"floor tom", 41},  {"mid tom", 45},   {"high tom", 48},   {"hi tom", 48}, {"tom", 45},
    {"kick", 36},       {"bass drum", 36}, {"rim", 37},        {"snare", 38},  {"clap", 39},
    {"crash", 49},      {"ride bell", 53}, {"ride", 51},       {"china", 52},  {"splash", 55},
    {"tambourine", 54}, {"cowbell", 56},   {"conga high", 63}, {"conga", 64},  {"clave", 75},
    {"shaker", 82},
}};

} // namespace

int GmDrumNote(std::string_view soundName)
{
    std::string lower(soundName);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& [word, note] : GmNames) {
        if (lower.find(word) != std::string::npos) {
            return note;
        }
    }
    return -1;
}

int DefaultTrackNote(const TTrack& track, int t)
{
    const int gm = GmDrumNote(track.SoundName.view());
    return gm >= 0 ? gm : std::clamp(36 + t, 0, 127);
}

int TrackNote(const TSong& song, const TTrack& track, int t)
{
    if (t >= 0 && t < MaxTracks) {
        const std::int32_t learned = song.TrackNotes[static_cast<std::size_t>(t)];
        if (learned >= 0 && learned <= 127) {
            return learned;
        }
    }
    return DefaultTrackNote(track, t);
}

bool HasOwnNoteMap(const TSong& song)
{
    return song.MidiChannel != 0 || std::any_of(song.TrackNotes.begin(), song.TrackNotes.end(),
                                                [](std::int32_t n) { return n >= 0; });
}

int TrackOfNote(const TSong& song, int note)
{
    const int tracks = std::clamp(song.TrackCount, 0, MaxTracks);
    // A learned note wins over a default one: learning is how a user says which row it plays.
    for (int t = 0; t < tracks; ++t) {
        if (song.TrackNotes[static_cast<std::size_t>(t)] == note) {
            return t;
        }
    }
    for (int t = 0; t < tracks; ++t) {
        if (TrackNote(song, song.Tracks[static_cast<std::size_t>(t)], t) == note) {
            return t;
        }
    }
    return -1;
}

} // namespace bw::core
