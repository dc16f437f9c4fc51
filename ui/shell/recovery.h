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

namespace bw {
class FileLock;
}

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

/// The recovery file of this running copy of the program: the first of NAME.bwp, NAME-2.bwp ..
/// NAME-8.bwp that no other running copy holds. Each copy holds its own under a lock for as
/// long as it runs, so two copies never write over, nor offer back, each other's unsaved work.
class RecoverySlot
{
public:
    static constexpr int Slots = 8;
    /// Takes the first free slot of the files named after first (slot 1).
    explicit RecoverySlot(const QString& first);
    ~RecoverySlot();
    RecoverySlot(const RecoverySlot&) = delete;
    RecoverySlot& operator=(const RecoverySlot&) = delete;

    /// This copy's file; empty when every slot is held.
    const QString& path() const { return m_path; }
    /// The recovery files copies of the program left when they ended (held by no copy that
    /// runs now): this copy's own first, then the others in slot order.
    std::vector<QString> leftBehind() const;
    /// The file of slot n (1 .. Slots) of the files named after first.
    static QString slotPath(const QString& first, int n);

private:
    QString m_first;
    QString m_path;
    std::unique_ptr<FileLock> m_lock;
};

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
