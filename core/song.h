#pragma once

#include "library/short_string.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace bw::library {
class SoundLibrary;
}

namespace bw::core {

constexpr int MaxTracks = 31;
constexpr int PatternSlots = 257;
constexpr int SlotResolution = 256;
constexpr int DefaultTrackCount = 12;
/// The song time line's last beat; the song position never goes beyond it.
constexpr int MaxSongPosition = 4000;
/// Beats of a pattern: 1..MaxBeats (the beats box offers up to 16 and takes typed values up
/// to 100). Ticks per beat: 1..MaxTicks, so that every grid step of the largest pattern still
/// maps to a slot at a whole-number position and the grid stays drawable.
constexpr int MaxBeats = 100;
constexpr int MaxTicks = 256;
/// Humanize amounts: timing up to +-MaxHumanizeTiming ms around an event's time, volume up to
/// +-MaxHumanizeVolume % around its volume.
constexpr int MaxHumanizeTiming = 20;
constexpr int MaxHumanizeVolume = 30;
/// The volume a click gives a new event unless the song says otherwise (2..10000).
constexpr int DefaultEventVolume = 5000;
/// The seed a new song's humanize starts with.
constexpr std::uint64_t DefaultHumanizeSeed = 0;
/// Characters of a track's own name (as a library sound's name).
constexpr int TrackNameLength = 30;
/// Colours a pattern's placements may take (indexes into PatternPalette, core/arrangement.h).
constexpr int PaletteSize = 8;

/// One event slot. Empty exactly when Volume is 0.
struct TNoteEvent
{
    std::int32_t Volume = 0; // 0 = empty, events 2..10000
    std::int32_t Pitch = 0;  // semitones
    std::int32_t Pan = 0;    // -1000 .. +1000, added to the track pan
    std::array<std::int32_t, 6> Reserved1{};
    std::int32_t Selected = 0; // 1 = marked
    std::int32_t Reserved2 = 0;
};
static_assert(sizeof(TNoteEvent) == 44);

/// Per-track settings of a pattern; laid out exactly as its 348-byte file image.
struct TTrack
{
    std::array<std::uint8_t, 257> Reserved0{};
    ShortString<42> SoundName;
    std::int32_t StopTargetIndex = -1; // recomputed from names
    std::int32_t SoundIndex = 0;       // recomputed from names
    std::int32_t Reserved1 = 0;
    std::int32_t Volume = 10000; // 0..10000
    std::int32_t Pan = 1000;     // 0 left, 1000 centre, 2000 right
    std::uint8_t Enabled = 0;    // 1 = sounds, 0 = muted
    std::array<std::uint8_t, 3> Reserved2{};
    std::int32_t Reserved3 = 0;
    std::int32_t Reserved4 = 0;
    std::int32_t Transpose = 0; // semitones
    std::int32_t DelaySend = 0; // 0..1000
    std::array<std::int32_t, 2> Reserved5{};
};
static_assert(sizeof(TTrack) == 348);

using EventGrid = std::array<std::array<TNoteEvent, PatternSlots>, MaxTracks>;
using TrackArray = std::array<TTrack, MaxTracks>;

struct TPattern
{
    ShortString<20> Name;
    std::int32_t Beats = 4;
    std::int32_t Ticks = 4;
    EventGrid Events{};
    TrackArray Tracks{};
    std::int32_t Transpose = 0;
    /// The colour its placements are drawn in: an index into the palette, 0..PaletteSize-1.
    /// A pattern added to a song takes its position in the list, modulo the palette.
    std::int32_t Color = 0;
    // Run-time state set for the render engine, never stored.
    std::uint8_t PlayActive = 0;
    std::int32_t PlayFrom = 0;
    std::int32_t PlayTo = 0;
    /// 1 when the play window comes from a placement on the song time line, whose first
    /// song beat PlayPlacement holds (humanize varies with it); 0 when the pattern plays
    /// alone and the engine counts its passes.
    std::uint8_t PlayPlaced = 0;
    std::int32_t PlayPlacement = 0;
};

struct TSeqEntry
{
    std::uint8_t Reserved = 0;
    ShortString<20> Name;
    std::int32_t Position = 0;     // first song beat
    std::int32_t Color = 0xFF0000; // 0xBBGGRR
};

/// A note map with no learned note.
constexpr std::array<std::int32_t, MaxTracks> NoLearnedNotes()
{
    std::array<std::int32_t, MaxTracks> notes{};
    notes.fill(-1);
    return notes;
}

/// The song document, with the working copy of the current pattern. About 360 KB: keep it on
/// the heap. Guarded by the song lock (SongLock) between the UI and the render thread.
struct TSong
{
    std::int32_t Beats = 4;
    std::int32_t Ticks = 4;
    std::int32_t TrackCount = DefaultTrackCount;
    std::int32_t InstrumentCount = DefaultTrackCount;
    std::int32_t Stereo = 1;
    std::int32_t Bpm = 120;
    std::int32_t MasterVolume = 10000;
    std::int32_t ShuffleAmount = 0;
    std::int32_t ShuffleDivision = 2;
    TrackArray Tracks{};
    EventGrid Events{};
    std::int32_t SelectedTrack = 0;
    std::int32_t PatternCount = 0;
    std::int32_t CurrentPattern = 0;
    std::vector<std::unique_ptr<TPattern>> Patterns;
    std::vector<TSeqEntry> Sequence;
    std::int32_t Transpose = 0;
    std::int32_t StopPosition = 40;
    std::int32_t DelayDivision = 2;
    std::int32_t DelayFeedback = 60;
    std::int32_t DelayRepeats = 3;
    /// Humanize: timing 0..MaxHumanizeTiming ms and volume 0..MaxHumanizeVolume % around each
    /// event, drawn from a hash of the seed and the event's place, so every render of the song
    /// is the same. 0 and 0 leave every event as it is.
    std::int32_t HumanizeTiming = 0;
    std::int32_t HumanizeVolume = 0;
    std::uint64_t HumanizeSeed = DefaultHumanizeSeed;
    /// The volume a click gives a new event, 2..10000.
    std::int32_t DefaultVolume = DefaultEventVolume;
    // Arrangement settings, kept in tags of their own: a file without them leaves these.
    /// A name per track row, shown instead of its sound's name; empty: the sound's name.
    std::array<ShortString<TrackNameLength>, MaxTracks> TrackNames{};
    /// Bit t: track t is soloed. While a track below TrackCount is soloed, only soloed tracks
    /// sound (a muted one stays silent).
    std::uint32_t SoloTracks = 0;
    /// The loop range: song beats LoopStart .. LoopEnd - 1; no range while LoopEnd <= LoopStart.
    std::int32_t LoopStart = 0;
    std::int32_t LoopEnd = 0;
    /// Song playback stays within the loop range (exports ignore it unless asked).
    bool LoopOn = false;
    // The MIDI map, kept in a tag of its own: a file without it leaves these.
    /// The note learned for each track row, 0..127; -1: the default note (core/note_map.h).
    std::array<std::int32_t, MaxTracks> TrackNotes = NoLearnedNotes();
    /// The MIDI channel pads are taken from, 1..16; 0: any channel.
    std::int32_t MidiChannel = 0;

    TPattern& pattern(int index) { return *Patterns.at(static_cast<std::size_t>(index)); }
    const TPattern& pattern(int index) const
    {
        return *Patterns.at(static_cast<std::size_t>(index));
    }
    bool validPattern(int index) const { return index >= 0 && index < PatternCount; }
};

/// One lock for the song and the sound library: the UI holds it for each edit, the render
/// thread for its read of the document at each beat.
using SongLock = std::mutex;

// Lifecycle
void InitSong(TSong& song);
void InitTrack(TTrack& track);
void ClearEvent(TNoteEvent& event);
void InitPattern(TSong& song, int index);
int AddPattern(TSong& song, const std::string& name);
/// Deletes pattern index with its placements in the sequence (those of a name another
/// pattern still has stay: they play that one).
void DeletePattern(TSong& song, int index);
void FreePatterns(TSong& song);
void LoadWorkingCopy(TSong& song, int index);
void StoreWorkingCopy(TSong& song, int index);
int FindPatternByName(const TSong& song, const std::string& name);
int FindPatternByName(const TSong& song, const ShortString<20>& name);
void ClearPatternEvents(TSong& song, int index);
void ResetEventPans(TSong& song, int index);

// Working-copy events
void InsertEvent(TSong& song, int t, int p);
void DeleteEvent(TSong& song, int t, int p);
void ClearSelection(TSong& song);
void ClickSelect(TSong& song, int t, int p, bool additive);
void ToggleSelectRect(TSong& song, int trackA, int trackB, int slotA, int slotB, bool additive);
void DeleteSelected(TSong& song);
void PasteEvents(TSong& song, const EventGrid& clip, int anchor, int target);
void ChangeBeats(TSong& song, int newBeats);
void SetTranspose(TSong& song, int n);
/// Sets the volume of the event at track t, slot p (kept within 2..10000); false when the
/// slot holds no event.
bool SetEventVolume(TSong& song, int t, int p, int volume);
void SetShuffle(TSong& song, int amount, int division);
/// Sets the humanize amounts, kept within their ranges.
void SetHumanize(TSong& song, int timing, int volume);
void SetStopPosition(TSong& song, int beat);

// Sound binding
/// A track whose sound name the library does not hold (0-based track number).
struct MissingSound
{
    int track = 0;
    std::string name;
};
/// Binds the first trackCount tracks to library sounds by name (exact match, first sound
/// wins) and their stop targets (the last sound of the target's name wins, else -1). A track
/// whose sound is missing loses its name and is disabled (of an incomplete library it keeps
/// both and plays nothing); those that named a sound are returned in track order.
/// clearAllStopTargets resets the stop target of all MaxTracks tracks instead of only the bound
/// ones.
std::vector<MissingSound> BindTrackSounds(TrackArray& tracks,
                                          int trackCount,
                                          const library::SoundLibrary& lib,
                                          bool clearAllStopTargets);
/// The warning shown for a missing sound: "The sound "X" is not in the libary but in the
/// track N!".
std::string MissingSoundText(const MissingSound& missing);
/// Text taken from a file (Latin-1) made safe for a terminal or a message box: control bytes
/// (0x00-0x1F, 0x7F and 0x80-0x9F) are written as \xNN; everything else is kept. The
/// warnings of the reader and of the sound binding hand on the file's bytes as they are;
/// whoever shows them escapes them with this.
std::string EscapeControlBytes(std::string_view latin1);
/// Binds the tracks of pattern index; missing sounds are cleared without a warning.
void ResolvePatternSounds(TSong& song, int index, const library::SoundLibrary& lib);

// Song sequence
void InitSequence(TSong& song);
void AddSeqEntry(TSong& song, int position, const std::string& name);
/// One placement to add: its first beat and the pattern's name.
struct SeqPlacement
{
    std::int32_t position = 0;
    ShortString<20> name;
};
/// Adds the placements in order with the same result as AddSeqEntry for each, in
/// O(n log n) rather than one shift of the whole list per entry. The sequence is sorted by
/// position, as AddSeqEntry keeps it.
void AddSeqEntries(TSong& song, const std::vector<SeqPlacement>& placements);
int SeqHitTest(const TSong& song, int patternIndex, int beat);
void RemoveSeqEntryAt(TSong& song, int beat, int patternIndex);
void SetPlayWindowFromSong(TSong& song, int patternIndex, int beat);
void SetPlayWindow(TSong& song, int patternIndex, int beat);
/// Moves the song position to beat, kept within 0..MaxSongPosition, and sets every pattern's
/// play window for it. Returns the position taken.
int MoveSongPosition(TSong& song, int beat);

/// The beats the engine walks a pattern with: its Beats kept within 1..MaxBeats, so that a
/// pattern changed to a value no editor allows still ends.
inline std::int32_t PlayedBeats(const TPattern& p)
{
    return p.Beats < 1 ? 1 : (p.Beats > MaxBeats ? MaxBeats : p.Beats);
}

/// Slot of grid step s in a pattern of beats x ticks steps.
inline int StepSlot(int s, int beats, int ticks)
{
    return s * SlotResolution / (beats * ticks);
}

} // namespace bw::core
