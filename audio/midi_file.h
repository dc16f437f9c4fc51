#pragma once

#include "core/song.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bw::audio {

/// Ticks per quarter note of the MIDI files written here; a beat is a quarter note.
constexpr int MidiFilePpq = 480;
/// The channel drums go to (10, counted from 1; 9 in the status byte).
constexpr int MidiDrumChannel = 9;
/// How long each written note is held, in ticks (a 32nd note), unless the next hit of the same
/// track comes sooner.
constexpr int MidiNoteTicks = 60;

/// What to take into a MIDI file: one pattern once through, or the song's arrangement as a
/// song export plays it (from its start to the "Stop at" beat).
struct MidiExportChoice
{
    bool wholeSong = false;
    /// The pattern, counted from 0, when wholeSong is false.
    int pattern = 0;
};

/// The velocity of an event volume (2..10000): linear, 10000 gives 127, never below 1.
int VelocityOfVolume(std::int32_t volume);

/// A Standard MIDI File, type 1, of the song's events: a tempo track (the song's Bpm in
/// quarter notes) and one track per track row that has a note to play, each on channel 10
/// with the row's note from the note map and a velocity from the event volume. Events sit
/// where the engine plays them, shuffle included; delay echoes, humanize, pitch and pan are not
/// written (a drum channel has no use for them). Muted rows, and rows other than the soloed
/// ones while any is soloed, are left out, as in a WAV export. The working copy is taken as
/// it is: the caller stores it into its pattern first. Throws std::out_of_range for a pattern
/// the song does not hold.
std::vector<std::uint8_t> MidiFileBytes(const core::TSong& song, const MidiExportChoice& choice);

/// MidiFileBytes written to path atomically: a failure leaves what was there (FileError).
void WriteMidiFile(const std::string& path,
                   const core::TSong& song,
                   const MidiExportChoice& choice);

} // namespace bw::audio
