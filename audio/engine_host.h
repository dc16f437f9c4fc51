#pragma once

#include <cstdint>
#include <string>

namespace bw::audio {

/// Shown (caption "ERROR") before the failure message when the export file could not be
/// created. UTF-8.
inline constexpr const char* OpenFileErrorText =
    "Open File Error! I can\xC2\xB4t write. Maybe the file is used by another application.";

/// What the engine hands to the display after every block.
struct BlockReport
{
    int beatCounter = 1;        // beat within the block group (always 1)
    int activeVoices = 0;       // voices sounding after the block
    int songPosition = 0;       // the song beat the block plays (song mode), else the position
    int blockValues = 0;        // 16-bit values of the block
    int queuedSnapshot = 0;     // player's queued duration after the previous block
    int meter = 0;              // performance meter value, percent
    bool silence = false;       // SilenceDisplay
    bool writing = false;       // a WAV file is open
    bool exportPending = false; // an export is requested but its file is not open yet
    int progress = 0;           // export progress 0..100 while writing, 5 while pending
    // What the block plays, for the displays that follow the music: the current pattern's
    // play window in slots 0..256 when that pattern sounds in the block, and the first
    // pattern in list order that sounds (-1 for none).
    bool songMode = false;
    int pattern = -1;
    bool patternSounds = false;
    int playFromSlot = 0;
    int playToSlot = 0;
    int soundingPattern = -1;
    std::uint64_t soundingPatterns = 0; // bit k: pattern k (below 64) sounds
};

/// Implemented by the UI (and by the command line and tests). Every call comes from the
/// render thread; calls marked "waits" return only once the UI has carried them out. The
/// engine never holds the song lock while it calls the host.
class EngineHost
{
public:
    virtual ~EngineHost() = default;

    /// The song position as the main window holds it (read at any time).
    virtual int songPosition() = 0;
    /// Sets the song position and every pattern's play window from it. Waits when wait is
    /// true (advance after a song beat); the engine's resets to 0 pass false.
    virtual void setSongPosition(int beat, bool wait) = 0;
    /// The play button shows pressed (posted, no wait).
    virtual void pressPlay() = 0;
    /// Display update after every block (waits; failures inside it are ignored). A block
    /// played on the sound device is reported when it begins to sound; others at once.
    virtual void blockDone(const BlockReport& report) = 0;
    /// The export finished: close the export dialog (waits).
    virtual void closeExportDialog() = 0;
    /// The run failed: show the messages (waits). wavWriteFailed adds the "ERROR" box first.
    virtual void engineFailed(const std::string& message, bool wavWriteFailed) = 0;
    /// The run has ended: reset the transport, the meter and the export dialog (waits).
    virtual void engineEnded(bool writeSong) = 0;
    /// Something the user should know that does not stop the run (a sound too large to
    /// stretch stays silent); at most once per run. Shown as a warning; ignored by default.
    virtual void engineNotice(const std::string& /*text*/) {}
};

} // namespace bw::audio
