#pragma once

#include "audio/wave_out.h"

#include <cstdint>
#include <memory>

#include <QDialog>
#include <QWidget>

class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;

namespace bw::audio {
class TAsyncPlayer;
}
namespace bw::library {
class TWAVSource;
}

namespace bw::ui {

class Skin;

/// The address of the product's web page and the support address shown in the About window
/// and offered by Help. The project has neither yet: while they are empty nothing is shown or
/// offered, rather than an address that leads nowhere.
inline constexpr const char* ProductPageUrl = "";
inline constexpr const char* SupportAddress = "";
inline constexpr const char* VersionText = "v 1.003";

/// The About window: the logo, the version, a link to the product page, the support address
/// and "OK". Not modal.
class TinfoF : public QDialog
{
    Q_OBJECT
public:
    explicit TinfoF(QWidget* parent = nullptr);

    /// The skin the picture comes from (set once the picture container exists).
    void setSkin(const Skin* skin);
    /// The window the extra button opens.
    void setExtraWindow(QWidget* window) { m_extraWindow = window; }

    QLabel* picture() const { return m_picture; }
    QLabel* link() const { return m_link; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* extraButton() const { return m_extra; }

private:
    QLabel* m_picture = nullptr;
    QLabel* m_link = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_extra = nullptr;
    QWidget* m_extraWindow = nullptr;
};

/// An empty window with three tabs, opened from the About window.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    QTabWidget* tabs() const { return m_tabs; }

private:
    QTabWidget* m_tabs = nullptr;
};

/// The redraw stub: an empty window that is created and never used.
class TRefo : public QWidget
{
    Q_OBJECT
public:
    explicit TRefo(QWidget* parent = nullptr);
};

/// An empty stub window.
class TMakSoED : public QWidget
{
    Q_OBJECT
public:
    explicit TMakSoED(QWidget* parent = nullptr);
};

/// The wave player demo window (reached only from a hidden button): plays a generated
/// square-wave tone or a mono PCM WAV file through the wave output player, on the program's
/// sound output, keeping about half a second queued.
class TWaveTest : public QWidget
{
    Q_OBJECT
public:
    explicit TWaveTest(QWidget* parent = nullptr);
    ~TWaveTest() override;
    TWaveTest(const TWaveTest&) = delete;
    TWaveTest& operator=(const TWaveTest&) = delete;

    /// The sound output to play through (empty: an output that discards).
    void setDeviceOutput(audio::WaveOutFactory output) { m_output = std::move(output); }

    void toneClick(); // play the tone
    void openClick(); // choose a WAV file
    void playClick(); // play the file
    void stopClick(); // stop playing
    bool playing() const { return m_source != Source::None; }
    /// The player while one is open (tests look at its queue).
    const audio::TAsyncPlayer* player() const { return m_player.get(); }

    QSpinBox* frequency = nullptr;
    QPushButton* toneButton = nullptr;
    QPushButton* openButton = nullptr;
    QPushButton* playButton = nullptr;
    QPushButton* stopButton = nullptr;
    QLabel* fileLabel = nullptr;
    QLabel* status = nullptr;

    /// Length of the tone in samples (two seconds).
    static constexpr int ToneSamples = 88200;
    static constexpr int ToneAmplitude = 8000;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    enum class Source
    {
        None,
        Tone,
        File,
    };
    /// Opens the player for mono at rate and bits; false (reported) when it fails.
    bool openPlayer(int rate, int bits);
    /// Tops the queue up to about half a second; ends the playback once all is played.
    void feed();
    void writeChunk(const void* bytesToPlay, std::int32_t bytes);
    void finish(const QString& text);

    audio::WaveOutFactory m_output;
    std::unique_ptr<audio::TAsyncPlayer> m_player;
    std::unique_ptr<library::TWAVSource> m_file;
    QTimer* m_timer = nullptr;
    Source m_source = Source::None;
    std::int32_t m_bytesPerSecond = 88200;
    // The tone in progress.
    int m_toneLeft = 0;
    double m_phase = 0.0;
    double m_step = 0.0;
};

} // namespace bw::ui
