#pragma once

#include "core/song.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QDateTime>
#include <QString>

namespace bw::ui {

/// How often unsaved changes are written to the recovery file while the song is changed.
inline constexpr int RecoveryIntervalMs = 60000;

/// Unsaved changes kept in the recovery file.
struct RecoveredSong
{
    std::unique_ptr<core::TSong> song;
    bool showSequencer = false;
    /// The song's own file (where Save writes), or empty for a song never saved.
    QString songFile;
    /// When the changes were kept.
    QDateTime keptAt;
};

/// Writes the recovery file, atomically: a short header naming the song's own file, then the
/// song's image as a pattern file holds it (made by core::SerializePatternFile).
void WriteRecoveryFile(const QString& path,
                       const QString& songFile,
                       const std::vector<std::uint8_t>& songImage);

/// Reads the recovery file back. Throws FileError when it is missing or cannot be used.
RecoveredSong ReadRecoveryFile(const QString& path);

/// Writes the recovery file on a thread of its own, one write at a time, so that a big song
/// neither holds up the UI thread nor the engine. Used on the UI thread.
class RecoveryWriter
{
public:
    explicit RecoveryWriter(QString path) : m_path(std::move(path)) {}
    ~RecoveryWriter() { wait(); }
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    const QString& path() const { return m_path; }
    /// True while a write goes on.
    bool busy() const { return m_busy; }
    /// Starts writing the image; false (nothing started) while a write goes on.
    bool start(const QString& songFile, std::vector<std::uint8_t> image);
    /// Waits for the write that goes on; returns its failure, empty when it worked.
    std::string wait();
    /// Removes the file, after the write that goes on.
    void remove();

private:
    QString m_path;
    std::thread m_thread;
    std::atomic<bool> m_busy{false};
    std::string m_error; // written by the thread before m_busy clears
};

} // namespace bw::ui
