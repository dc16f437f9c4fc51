#pragma once

// Each event the engine plays, sent out as a MIDI note when it is heard: the render thread
// notes the frame each event starts at, and the clock's thread sends the note on once the
// device has played that far, and its note off a 32nd note later (or when the same note comes
// again first), on the drum channel as in the MIDI file.

#include "audio/midi_clock.h"
#include "audio/midi_queue.h"
#include "audio/voice.h"
#include "core/song.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace bw::audio {

/// One event the engine started on the program's output.
struct PlayedNote
{
    std::uint32_t run = 0;  // the output's run it belongs to (see RunClockReading::run)
    std::int64_t frame = 0; // its first frame, counted from the run's first
    std::uint8_t note = 0;
    std::uint8_t velocity = 0;
};

/// The render thread's notes on their way to the clock's thread. The render thread pushes only
/// while wanted is on, so that a program that sends no notes does not walk its voices for them.
struct PlayedNoteFeed
{
    SpscRing<PlayedNote, 1024> ring;
    std::atomic<bool> wanted{false};
};

/// The notes' arithmetic, without threads or ports: which note ons and offs are due once so
/// many frames of a run have been played.
class MidiNoteSchedule
{
public:
    /// Notes waiting or sounding at most; a note beyond them is dropped.
    static constexpr std::size_t MostNotes = 1024;

    MidiNoteSchedule();
    /// A note the engine started: it waits until its frame is played.
    void add(const PlayedNote& note);
    /// Appends what is due once played frames of run have been played (run is odd while one
    /// plays): the offs due, and the ons due in the order of their frames, each after the off
    /// of a note of the same number still sounding. Notes of a run that has ended are dropped;
    /// those of the next run wait for it.
    void
    advance(std::uint32_t run, double played, double framesPerBeat, std::vector<MidiBytes>& out);
    /// Ends every sounding note now and drops the waiting ones.
    void stop(std::vector<MidiBytes>& out);
    /// Whether a note waits or sounds.
    bool busy() const { return !m_waiting.empty() || !m_sounding.empty(); }

private:
    struct Off
    {
        std::uint32_t run = 0;
        double frame = 0;
        std::uint8_t note = 0;
    };
    void endNote(std::size_t i, std::vector<MidiBytes>& out);

    std::vector<PlayedNote> m_waiting; // in the order of their runs and frames
    std::vector<Off> m_sounding;
};

/// Pushes a note for each voice of the table that pattern k's events have just started (not
/// yet noted as the pattern's, see BlockRenderer::noteSources): the track's note, the event's
/// velocity, and its frame, blockFrame being the first of the block of blockValues values.
void PushPlayedNotes(const VoiceTable& voices,
                     std::int32_t blockValues,
                     const core::TSong& song,
                     int k,
                     std::int64_t blockFrame,
                     std::uint32_t run,
                     PlayedNoteFeed& feed);

/// The note on (velocity above 0) or off of a drum note.
MidiBytes DrumNoteMessage(std::uint8_t note, std::uint8_t velocity);

} // namespace bw::audio
