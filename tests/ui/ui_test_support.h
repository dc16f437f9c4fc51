#pragma once

#include "audio/fake_output_device.h"
#include "audio/live_output.h"
#include "audio/sdl_output_device.h"
#include "audio/sdl_wave_out.h"
#include "core/pattern_file.h"
#include "core/song.h"
#include "library/sound_library.h"
#include "ui/shell/main_window.h"
#include "ui/shell/program_windows.h"
#include "ui/shell/transport.h"
#include "ui/widgets/message_box.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace bw::ui {
/// The engine's side of the transport's request flags: tests read what a request asked for
/// and fake an engine that runs.
class TransportTestAccess
{
public:
    static audio::RequestFlags& flags(Transport& transport) { return transport.m_flags; }
};
} // namespace bw::ui

namespace bw::testing {

inline audio::RequestFlags& EngineFlags(ui::TMain& main)
{
    return ui::TransportTestAccess::flags(main.transport());
}

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

/// Shows the real message boxes while it lives (no recorder) and answers each one as it
/// opens: records its text, caption and the window it belongs to, then presses OK, or
/// Cancel where answer says so.
class RealMessageBoxes : public QObject
{
public:
    struct Box
    {
        QString text;
        QString caption;
        QWidget* owner = nullptr;
    };

    explicit RealMessageBoxes(std::function<bool(const QString& text)> cancel = {})
        : m_cancel(std::move(cancel))
    {
        m_previous = ui::SetMessageHandler({});
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { answer(); });
        m_timer.start();
    }
    ~RealMessageBoxes() override { ui::SetMessageHandler(std::move(m_previous)); }
    RealMessageBoxes(const RealMessageBoxes&) = delete;
    RealMessageBoxes& operator=(const RealMessageBoxes&) = delete;

    std::vector<Box> boxes;

private:
    void answer()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        boxes.push_back({box->text(), box->windowTitle(),
                         box->parentWidget() != nullptr ? box->parentWidget()->window() : nullptr});
        const bool cancel = m_cancel && m_cancel(box->text());
        QAbstractButton* button = box->button(cancel ? QMessageBox::Cancel : QMessageBox::Ok);
        if (button != nullptr) {
            button->click();
        }
    }

    std::function<bool(const QString& text)> m_cancel;
    ui::MessageHandler m_previous;
    QTimer m_timer;
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

/// A 16 x 16 cursor file with its hotspot at (3, 5).
inline QByteArray CursorFile()
{
    QByteArray b;
    const auto u8 = [&b](int v) { b.append(static_cast<char>(v & 0xFF)); };
    const auto u16 = [&u8](int v) {
        u8(v);
        u8(v >> 8);
    };
    const auto u32 = [&u16](int v) {
        u16(v);
        u16(v >> 16);
    };
    u16(0);
    u16(2);
    u16(1);
    u8(16);
    u8(16);
    u8(0);
    u8(0);
    u16(3);
    u16(5);
    u32(40 + 16 * 16 * 4 + 16 * 4);
    u32(22);
    u32(40);
    u32(16);
    u32(32);
    u16(1);
    u16(32);
    for (int i = 0; i < 6; ++i) {
        u32(0);
    }
    for (int i = 0; i < 16 * 16; ++i) {
        u8(0x20);
        u8(0x80);
        u8(0xF0);
        u8(0xFF);
    }
    for (int i = 0; i < 16 * 4; ++i) {
        u8(0);
    }
    return b;
}

/// A program folder with the default files the test asks for.
struct ProgramFolder
{
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

inline const std::vector<std::string> Kit = {"Kick", "Snare", "Hat", "Clap"};

/// Finds the child widget of that object name (the names the layout gives them).
template <typename T = QWidget> T* Find(QObject& root, const char* name)
{
    return root.findChild<T*>(QString::fromLatin1(name));
}

/// A press and release of button at a point of widget, as a user's click.
inline void ClickAt(QWidget* widget,
                    QPoint at,
                    Qt::MouseButton button = Qt::LeftButton,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mouseClick(widget, button, modifiers, at);
}

/// A drag with the left button from one point to another, through a middle point.
inline void
DragOn(QWidget* widget, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mousePress(widget, Qt::LeftButton, modifiers, from);
    QTest::mouseMove(widget, (from + to) / 2);
    QTest::mouseMove(widget, to);
    QTest::mouseRelease(widget, Qt::LeftButton, modifiers, to);
}

/// A click as a user makes it: the step it makes is taken once the release has been handled,
/// before the next press (two quick synthetic clicks would otherwise merge into one step).
inline void ClickSettled(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    ClickAt(widget, at, button);
    QCoreApplication::processEvents();
}

/// A drag as a user makes it, settled like ClickSettled.
inline void DragSettled(QWidget* widget,
                        QPoint from,
                        QPoint to,
                        Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    DragOn(widget, from, to, modifiers);
    QCoreApplication::processEvents();
}

/// The pointer moving over a widget without a button held. Sent to the widget itself: the
/// offscreen platform does not route moves to tool windows.
inline void HoverAt(QWidget* widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

/// The colour of one pixel of a widget as it is drawn now.
inline QColor PixelOf(QWidget& widget, QPoint at)
{
    return widget.grab().toImage().pixelColor(at);
}

/// The sound device as the program plays through it (SDL; the tests select its dummy or
/// disk driver), so playback runs in real time as it does for a user.
inline ui::SoundOutputs DeviceOutput()
{
    return {[] { return std::make_unique<audio::SdlOutputDevice>(); },
            [] { return std::make_unique<audio::SdlWaveOut>(); },
            {},
            {}};
}

/// Every window of the program, started on a folder of its own with a library of the Kit
/// sounds and a song whose tracks name trackSounds; the main window shown at width x height.
struct ShownProgram
{
    ProgramFolder folder;
    MessageRecorder messages;
    std::unique_ptr<ui::ProgramWindows> windows;

    explicit ShownProgram(const std::vector<std::string>& trackSounds = Kit,
                          int beats = 4,
                          bool sequencerVisible = false,
                          int width = 900,
                          int height = 640)
        : ShownProgram(DeviceOutput(), trackSounds, beats, sequencerVisible, width, height)
    {}

    /// The same, its sound going to outputs.
    explicit ShownProgram(ui::SoundOutputs outputs,
                          const std::vector<std::string>& trackSounds = Kit,
                          int beats = 4,
                          bool sequencerVisible = false,
                          int width = 900,
                          int height = 640)
    {
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), trackSounds, beats, sequencerVisible);
        windows = ui::CreateProgramWindows(folder.dir.path(), std::move(outputs));
        ui::TMain& m = *windows->main;
        m.show();
        if (!QTest::qWaitForWindowExposed(&m)) {
            return;
        }
        m.showNormal();
        m.resize(width, height);
        QTest::qWait(20);
        m.FormResize();
    }
    ui::TMain& main() { return *windows->main; }
};

/// The program's outputs on a fake device the test drives: it takes sound in real time and
/// keeps what it played, and fails, stalls, vanishes and returns on command.
inline ui::SoundOutputs FakeOutputs(const std::shared_ptr<audio::FakeOutputControl>& control)
{
    return {audio::FakeOutput(control), {}, {}, {}};
}

/// Waits until the program's output has opened (it opens on its own thread at the start).
inline bool OutputOpen(ui::TMain& main)
{
    audio::LiveOutput* output = main.transport().output();
    if (output == nullptr) {
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    while (!output->playing() && timer.elapsed() < 10000) {
        QTest::qWait(5);
    }
    return output->playing();
}

/// The first sound the device played from frame `from` on: its frames until the next
/// silence, as left values (the right must match for a sound played on both sides).
inline std::vector<std::int16_t> FirstSoundPlayed(const audio::FakeOutputControl& control,
                                                  std::size_t from = 0)
{
    const std::vector<std::int16_t> played = control.played();
    std::size_t f = from;
    while (2 * f + 1 < played.size() && played[2 * f] == 0 && played[2 * f + 1] == 0) {
        ++f;
    }
    std::vector<std::int16_t> sound;
    while (2 * f + 1 < played.size() && (played[2 * f] != 0 || played[2 * f + 1] != 0)) {
        sound.push_back(played[2 * f]);
        ++f;
    }
    return sound;
}

} // namespace bw::testing
