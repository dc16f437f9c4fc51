#pragma once

#include "core/pattern_file.h"
#include "core/song.h"
#include "library/sound_library.h"
#include "ui/message_box.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace bw::testing {

/// Records every message box instead of showing it (a modal box would block the test).
class MessageRecorder
{
public:
    struct Message
    {
        QString text;
        QString caption;
    };

    MessageRecorder()
    {
        m_previous = ui::SetMessageHandler(
            [this](const QString& text, const QString& caption, ui::MessageButtons) {
                messages.push_back({text, caption});
                return ui::MessageResult::Ok;
            });
    }
    ~MessageRecorder() { ui::SetMessageHandler(std::move(m_previous)); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<Message> messages;

private:
    ui::MessageHandler m_previous;
};

/// Records the addresses handed to the system instead of opening them.
class UrlRecorder
{
public:
    UrlRecorder()
    {
        m_previous = ui::SetUrlHandler([this](const QUrl& url) {
            urls.push_back(url);
            return true;
        });
    }
    ~UrlRecorder() { ui::SetUrlHandler(std::move(m_previous)); }
    UrlRecorder(const UrlRecorder&) = delete;
    UrlRecorder& operator=(const UrlRecorder&) = delete;

    std::vector<QUrl> urls;

private:
    ui::UrlHandler m_previous;
};

/// A short click sound: 400 samples of a decaying square wave.
inline std::vector<std::uint8_t> ClickBytes()
{
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 400; ++i) {
        const int v = ((i / 20) % 2 == 0 ? 1 : -1) * (12000 - i * 25);
        const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

/// Writes a library file with one click sound per name.
inline void WriteLibrary(const QString& path, const std::vector<std::string>& names)
{
    library::SoundLibrary lib;
    const std::vector<std::uint8_t> data = ClickBytes();
    for (const std::string& n : names) {
        lib.AddSound(n, "", 0, 0, 0, static_cast<std::int32_t>(data.size()), data.data());
    }
    lib.SaveSoundLibrary(QDir::toNativeSeparators(path).toStdString());
}

/// Writes a pattern file: one 4-beat pattern "A" whose tracks name the given sounds (an
/// empty name leaves the track without sound), with an event on every beat of track 0.
inline void WriteSong(const QString& path,
                      const std::vector<std::string>& trackSounds,
                      int beats = 4,
                      bool sequencerVisible = false)
{
    core::TSong song;
    core::InitSong(song);
    core::AddPattern(song, "A");
    core::LoadWorkingCopy(song, 0);
    song.Beats = beats;
    for (std::size_t t = 0; t < trackSounds.size(); ++t) {
        song.Tracks[t].SoundName.assign(trackSounds[t]);
        song.Tracks[t].Enabled = trackSounds[t].empty() ? 0 : 1;
    }
    for (int b = 0; b < beats; ++b) {
        core::InsertEvent(song, 0, b * 256 / beats);
    }
    core::WritePatternFile(QDir::toNativeSeparators(path).toStdString(), song, sequencerVisible);
}

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

} // namespace bw::testing
