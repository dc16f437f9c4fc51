#pragma once

#include "audio/engine_host.h"
#include "core/song.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace bw::audio {

/// An engine host without a user interface, for the command line and tests: it keeps the
/// song position itself and records what the engine reports.
class HeadlessHost : public EngineHost
{
public:
    HeadlessHost(core::TSong& song, core::SongLock& lock) : m_song(song), m_lock(lock) {}

    int songPosition() override { return m_position.load(); }
    void setSongPosition(int beat, bool wait) override;
    void pressPlay() override {}
    void blockDone(const BlockReport& report) override;
    void closeExportDialog() override { ++m_exportDialogCloses; }
    void engineFailed(const std::string& message, bool wavWriteFailed) override;
    void engineEnded(bool writeSong) override;
    void engineNotice(const std::string& text) override;

    /// Called after every block (progress display); may be empty.
    std::function<void(const BlockReport&)> onBlock;

    std::vector<std::string> messages() const;
    /// What engineNotice was given, in order.
    std::vector<std::string> notices() const;
    /// Called for every notice as it comes (the command line prints it); may be empty.
    std::function<void(const std::string&)> onNotice;
    int blocks() const { return m_blocks.load(); }
    int exportDialogCloses() const { return m_exportDialogCloses.load(); }
    bool ended() const { return m_ended.load(); }

private:
    core::TSong& m_song;
    core::SongLock& m_lock;
    std::atomic<int> m_position{0};
    std::atomic<int> m_blocks{0};
    std::atomic<int> m_exportDialogCloses{0};
    std::atomic<bool> m_ended{false};
    mutable std::mutex m_messagesMutex;
    std::vector<std::string> m_messages;
    std::vector<std::string> m_notices;
};

} // namespace bw::audio
