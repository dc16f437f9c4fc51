#include "audio/headless_host.h"

#include <algorithm>

namespace bw::audio {

void HeadlessHost::setSongPosition(int beat, bool /*wait*/)
{
    std::lock_guard<core::SongLock> g(m_lock);
    m_position = core::MoveSongPosition(m_song, beat);
}

void HeadlessHost::blockDone(const BlockReport& report)
{
    ++m_blocks;
    if (onBlock) {
        onBlock(report);
    }
}

void HeadlessHost::engineFailed(const std::string& message, bool wavWriteFailed)
{
    std::lock_guard<std::mutex> g(m_messagesMutex);
    if (wavWriteFailed) {
        m_messages.emplace_back(OpenFileErrorText);
    }
    m_messages.push_back(message);
}

void HeadlessHost::engineEnded(bool /*writeSong*/)
{
    m_ended = true;
}

void HeadlessHost::engineNotice(const std::string& text)
{
    {
        std::lock_guard<std::mutex> g(m_messagesMutex);
        m_notices.push_back(text);
    }
    if (onNotice) {
        onNotice(text);
    }
}

std::vector<std::string> HeadlessHost::notices() const
{
    std::lock_guard<std::mutex> g(m_messagesMutex);
    return m_notices;
}

std::vector<std::string> HeadlessHost::messages() const
{
    std::lock_guard<std::mutex> g(m_messagesMutex);
    return m_messages;
}

} // namespace bw::audio
