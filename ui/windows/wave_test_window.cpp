// The wave player demo window: the output player driven from the UI thread.

#include "audio/async_player.h"
#include "library/sound_library.h"
#include "library/wav_reader.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/widget_factory.h"
#include "ui/windows/periphery_windows.h"

#include <algorithm>
#include <exception>
#include <vector>

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace bw::ui {

namespace {

/// How far ahead of the output the window writes (milliseconds).
constexpr std::int32_t QueueAhead = 500;
constexpr std::int32_t ChunkBytes = 4096;

QString Utf8(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

TWaveTest::TWaveTest(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("WaveTest"));
    setWindowTitle(QStringLiteral("TAsyncPlayer-Demo"));
    resize(420, 160);
    auto* grid = new QGridLayout(this);
    grid->addWidget(MakeLabel(this, QString(), QStringLiteral("Square wave:")), 0, 0);
    frequency = new QSpinBox(this);
    frequency->setObjectName(QStringLiteral("frequency"));
    frequency->setRange(20, 8000);
    frequency->setValue(440);
    frequency->setSuffix(QStringLiteral(" Hz"));
    frequency->setAccessibleName(QStringLiteral("Tone frequency"));
    grid->addWidget(frequency, 0, 1);
    toneButton = MakeButton(this, QStringLiteral("toneButton"), QStringLiteral("Play Tone"));
    grid->addWidget(toneButton, 0, 2);
    openButton = MakeButton(this, QStringLiteral("openButton"), QStringLiteral("Open WAV..."));
    grid->addWidget(openButton, 1, 0);
    fileLabel = MakeLabel(this, QStringLiteral("fileLabel"), QStringLiteral("No File"));
    fileLabel->setFrameShape(QFrame::Panel);
    fileLabel->setFrameShadow(QFrame::Sunken);
    grid->addWidget(fileLabel, 1, 1);
    playButton = MakeButton(this, QStringLiteral("playButton"), QStringLiteral("Play File"));
    playButton->setEnabled(false);
    grid->addWidget(playButton, 1, 2);
    status = MakeLabel(this, QStringLiteral("status"), QStringLiteral("Stopped"));
    grid->addWidget(status, 2, 0, 1, 2);
    stopButton = MakeButton(this, QStringLiteral("stopButton"), QStringLiteral("Stop"));
    grid->addWidget(stopButton, 2, 2);
    m_timer = new QTimer(this);
    m_timer->setInterval(40);

    connect(toneButton, &QPushButton::clicked, this, &TWaveTest::toneClick);
    connect(openButton, &QPushButton::clicked, this, &TWaveTest::openClick);
    connect(playButton, &QPushButton::clicked, this, &TWaveTest::playClick);
    connect(stopButton, &QPushButton::clicked, this, &TWaveTest::stopClick);
    connect(m_timer, &QTimer::timeout, this, &TWaveTest::feed);
}

TWaveTest::~TWaveTest()
{
    m_timer->stop();
    m_player.reset(); // closes the output before the window's parts go
}

void TWaveTest::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    stopClick();
}

bool TWaveTest::openPlayer(int rate, int bits)
{
    try {
        if (!m_player) {
            std::unique_ptr<audio::WaveOut> out =
                m_output ? m_output() : std::make_unique<audio::NullWaveOut>();
            m_player = std::make_unique<audio::TAsyncPlayer>(std::move(out));
        }
        m_player->Open(rate, bits, 1);
        return true;
    } catch (const std::exception& e) {
        m_player.reset();
        finish(QStringLiteral("Stopped"));
        ShowMessage(this, Utf8(e.what()), QStringLiteral("!"));
        return false;
    }
}

void TWaveTest::toneClick()
{
    stopClick();
    if (!openPlayer(library::SampleRate, 16)) {
        return;
    }
    m_bytesPerSecond = library::SampleRate * 2;
    m_toneLeft = ToneSamples;
    m_phase = 0.0;
    m_step = static_cast<double>(frequency->value()) / library::SampleRate;
    m_source = Source::Tone;
    status->setText(QStringLiteral("Playing a %1 Hz square wave").arg(frequency->value()));
    feed();
    m_timer->start();
}

void TWaveTest::openClick()
{
    FileRequest request;
    request.kind = FileRequest::Kind::Open;
    request.title = QStringLiteral("Select a mono WAV file");
    request.filter = QStringLiteral("Wave files (*.wav)");
    request.defaultSuffix = QStringLiteral("wav");
    request.presetName = QStringLiteral("*.wav");
    const QString path = ChooseFile(this, request);
    if (path.isEmpty()) {
        return;
    }
    stopClick();
    auto file = std::make_unique<library::TWAVSource>("WAVSource");
    file->FileName = ToFileSystemPath(path);
    try {
        file->Open();
    } catch (const std::exception& e) {
        ShowMessage(this, Utf8(e.what()), QStringLiteral("!"));
        return;
    }
    // The player takes the stored bytes as they are: only plain PCM of one channel plays.
    const int bits = file->BitsPerSample();
    if (file->FormatTag() != library::TWAVSource::FormatPcm || file->Channels() != 1 ||
        (bits != 8 && bits != 16) || file->SamplesPerSec() <= 0) {
        ShowMessage(this,
                    QStringLiteral("Only mono PCM files of 8 or 16 bits can be played here; "
                                   "\"%1\" has %2 channels and %3 bits.")
                        .arg(QFileInfo(path).fileName())
                        .arg(file->Channels())
                        .arg(bits),
                    QStringLiteral("!"));
        return;
    }
    fileLabel->setText(QStringLiteral("%1  (%2 Hz, %3 bit, %4 ms)")
                           .arg(QFileInfo(path).fileName())
                           .arg(file->SamplesPerSec())
                           .arg(bits)
                           .arg(file->Length()));
    m_file = std::move(file);
    playButton->setEnabled(true);
}

void TWaveTest::playClick()
{
    if (!m_file) {
        return;
    }
    stopClick();
    if (!openPlayer(m_file->SamplesPerSec(), m_file->BitsPerSample())) {
        return;
    }
    m_bytesPerSecond = std::max(1, static_cast<int>(m_file->format().avgBytesPerSec()));
    m_file->setPosition(m_file->StartPos());
    m_source = Source::File;
    status->setText(QStringLiteral("Playing %1").arg(fileLabel->text()));
    feed();
    m_timer->start();
}

void TWaveTest::stopClick()
{
    m_timer->stop();
    if (m_player) {
        try {
            m_player->Reset();
            m_player->Close();
        } catch (const std::exception&) {
            // Closing an output that already failed changes nothing for the user.
        }
    }
    finish(QStringLiteral("Stopped"));
}

void TWaveTest::finish(const QString& text)
{
    m_timer->stop();
    m_source = Source::None;
    status->setText(text);
}

void TWaveTest::writeChunk(const void* bytesToPlay, std::int32_t bytes)
{
    const auto duration =
        static_cast<std::int32_t>(static_cast<std::int64_t>(bytes) * 1000 / m_bytesPerSecond);
    m_player->Write(bytesToPlay, bytes, std::max(1, duration));
    if (m_player->HoldBack()) {
        m_player->Start();
    }
}

void TWaveTest::feed()
{
    if (m_source == Source::None || !m_player) {
        return;
    }
    try {
        bool more = true;
        while (more && m_player->QueuedDuration() < QueueAhead) {
            if (m_source == Source::Tone) {
                const int samples = std::min(m_toneLeft, ChunkBytes / 2);
                std::vector<std::int16_t> chunk(static_cast<std::size_t>(samples));
                for (std::int16_t& s : chunk) {
                    s = static_cast<std::int16_t>(m_phase < 0.5 ? ToneAmplitude : -ToneAmplitude);
                    m_phase += m_step;
                    m_phase -= static_cast<int>(m_phase);
                }
                m_toneLeft -= samples;
                if (samples > 0) {
                    writeChunk(chunk.data(), samples * 2);
                }
                more = m_toneLeft > 0;
            } else {
                std::vector<std::uint8_t> chunk(ChunkBytes);
                const std::int32_t got = m_file->Read(chunk.data(), ChunkBytes);
                if (got > 0) {
                    writeChunk(chunk.data(), got);
                }
                more = got > 0;
            }
        }
        // Once everything is written, the last buffers play out before the output closes.
        if (!more && m_player->State() != audio::TAsyncPlayer::StatePlaying) {
            m_player->Close();
            finish(QStringLiteral("Played"));
        }
    } catch (const std::exception& e) {
        stopClick();
        ShowMessage(this, Utf8(e.what()), QStringLiteral("!"));
    }
}

} // namespace bw::ui
