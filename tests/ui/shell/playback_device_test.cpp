// Playback from the main window as the sound device receives it (SDL's disk driver writes
// what the device would have played to a file).

#include "audio/sdl_wave_out.h"
#include "core/pattern_file.h"
#include "library/file_lock.h"
#include "tests/support/test_paths.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/render_bridge.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/windows/library_window.h"
#include "ui_test_support.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QObject>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

namespace {

std::vector<std::int16_t> Samples(const QByteArray& bytes, qsizetype from = 0)
{
    std::vector<std::int16_t> out;
    for (qsizetype i = from; i + 1 < bytes.size(); i += 2) {
        out.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                                (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
    }
    return out;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// The device's output from the first sound on (the device plays silence until then).
std::vector<std::int16_t> FromFirstSound(const std::vector<std::int16_t>& device)
{
    std::size_t first = 0;
    while (first < device.size() && device[first] == 0) {
        ++first;
    }
    first -= first % 2;
    return {device.begin() + static_cast<std::ptrdiff_t>(first), device.end()};
}

/// The folder's song as `beatwright-cli render --song` writes it, from its first sound on;
/// empty when the command failed.
std::vector<std::int16_t> CliSongFromFirstSound(const ProgramFolder& folder)
{
    QProcess cli;
    cli.start(QString::fromUtf8(BW_CLI_PATH),
              {QStringLiteral("render"), folder.path("default.bwp"), QStringLiteral("--library"),
               folder.path("default.slb"), QStringLiteral("--song"), QStringLiteral("-o"),
               folder.path("song.wav")});
    if (!cli.waitForFinished(60000) || cli.exitStatus() != QProcess::NormalExit ||
        cli.exitCode() != 0) {
        return {};
    }
    return FromFirstSound(Samples(ReadAll(folder.path("song.wav")), 44));
}

/// Plays through SDL's disk driver into a file while it exists; restores the dummy driver.
class DiskDevice
{
public:
    explicit DiskDevice(const QString& file)
    {
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", file.toLocal8Bit().constData(), 1);
    }
    ~DiskDevice() { ::setenv("SDL_AUDIODRIVER", "dummy", 1); }
    DiskDevice(const DiskDevice&) = delete;
    DiskDevice& operator=(const DiskDevice&) = delete;

    /// The program's outputs on that driver.
    static SoundOutputs outputs() { return DeviceOutput(); }
};

/// The underruns of the run playing (or last played) on the program's output.
std::uint64_t Underruns(TMain& main)
{
    return main.transport().runUnderruns();
}

} // namespace

class PlaybackDeviceTest : public QObject
{
    Q_OBJECT

private slots:
    void playAndStopPutTheSongOnTheDevice()
    {
        if (!audio::SdlWaveOut::driverAvailable("disk")) {
            QSKIP("SDL has no disk audio driver here");
        }
        ProgramFolder folder;
        for (const char* name : {"default.slb", "default.bwp"}) {
            QVERIFY(QFile::copy(QString::fromUtf8(BW_BUILD_DIR) + QLatin1Char('/') +
                                    QString::fromLatin1(name),
                                folder.path(name)));
        }
        // The song's first values are silent too: compare from the first sound of both.
        const std::vector<std::int16_t> song = CliSongFromFirstSound(folder);
        QVERIFY(!song.empty());

        const QString deviceFile = folder.path("device.raw");
        // A busy machine may run the device dry between blocks; that attempt proves nothing.
        for (int attempt = 0; attempt < 3; ++attempt) {
            QFile::remove(deviceFile);
            DiskDevice device(deviceFile);
            MessageRecorder messages;
            auto windows = CreateProgramWindows(folder.dir.path(), DiskDevice::outputs());
            TMain& main = *windows->main;
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(main.songPosition() >= 6, 15000);
            const std::uint64_t underruns = Underruns(main); // the output lives while it plays
            QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(main.transport().runCount(), 0, 5000);
            QVERIFY(messages.messages.empty());
            if (underruns != 0) {
                continue;
            }
            const std::vector<std::int16_t> played = FromFirstSound(Samples(ReadAll(deviceFile)));
            std::size_t same = 0;
            while (same < played.size() && same < song.size() && played[same] == song[same]) {
                ++same;
            }
            // Several beats at 112 bpm (the ones still queued at Stop are discarded), then only
            // the silence after Stop.
            const std::size_t beat = std::size_t{2} * (2646000 / 112);
            QVERIFY2(same >= 3 * beat, qPrintable(QString::number(same)));
            for (std::size_t i = same; i < played.size(); ++i) {
                QCOMPARE(played[i], std::int16_t{0});
            }
            return;
        }
        QSKIP("the machine is too busy to play in real time without gaps");
    }

    void aSongThatEndsByItselfPlaysToItsLastFrame()
    {
        if (!audio::SdlWaveOut::driverAvailable("disk")) {
            QSKIP("SDL has no disk audio driver here");
        }
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick", "Snare"}, 4, true);
        {
            // Four beats at 300 bpm, the last one sounding to its end.
            core::PatternReadCallbacks none;
            auto song = core::ReadPatternFile(folder.path("default.bwp").toStdString(), none);
            song->Bpm = 300;
            song->StopPosition = 3;
            core::AddSeqEntry(*song, 0, "A");
            core::InsertEvent(*song, 1, 250);
            core::WritePatternFile(folder.path("default.bwp").toStdString(), *song, true);
        }
        const std::vector<std::int16_t> song = CliSongFromFirstSound(folder);
        QVERIFY(!song.empty());
        const QString deviceFile = folder.path("device.raw");
        for (int attempt = 0; attempt < 3; ++attempt) {
            QFile::remove(deviceFile);
            DiskDevice device(deviceFile);
            MessageRecorder messages;
            auto windows = CreateProgramWindows(folder.dir.path(), DiskDevice::outputs());
            TMain& main = *windows->main;
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
            std::uint64_t underruns = 0;
            QTRY_VERIFY_WITH_TIMEOUT((underruns = Underruns(main), main.songPosition() >= 3),
                                     10000);
            QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 10000);
            QTRY_COMPARE_WITH_TIMEOUT(main.transport().runCount(), 0, 5000);
            QVERIFY(messages.messages.empty());
            if (underruns != 0) {
                continue;
            }
            // Every frame the export writes reaches the device, the last beat's tail included.
            const std::vector<std::int16_t> played = FromFirstSound(Samples(ReadAll(deviceFile)));
            QVERIFY2(played.size() >= song.size(),
                     qPrintable(QStringLiteral("%1 of %2").arg(played.size()).arg(song.size())));
            for (std::size_t i = 0; i < song.size(); ++i) {
                QCOMPARE(played[i], song[i]);
            }
            return;
        }
        QSKIP("the machine is too busy to play in real time without gaps");
    }

    void theDisplayShowsTheBeatAsItIsHeard()
    {
        if (!audio::SdlWaveOut::driverAvailable("disk")) {
            QSKIP("SDL has no disk audio driver here");
        }
        // A click on every beat of a 4-beat song at 60 bpm: beat n sounds from the n-th click.
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick"}, 4, true);
        {
            core::PatternReadCallbacks none;
            auto song = core::ReadPatternFile(folder.path("default.bwp").toStdString(), none);
            song->Bpm = 60;
            song->StopPosition = 3;
            core::AddSeqEntry(*song, 0, "A");
            core::WritePatternFile(folder.path("default.bwp").toStdString(), *song, true);
        }
        const QString deviceFile = folder.path("device.raw");
        for (int attempt = 0; attempt < 3; ++attempt) {
            QFile::remove(deviceFile);
            DiskDevice device(deviceFile);
            MessageRecorder messages;
            auto windows = CreateProgramWindows(folder.dir.path(), DiskDevice::outputs());
            TMain& main = *windows->main;
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            // What the device had played when each beat was shown, and what was shown.
            struct Shown
            {
                int beat;
                qint64 playedFrames;
                QString label;
            };
            std::vector<Shown> shown;
            std::uint64_t underruns = 0;
            QObject::connect(&main.bridge(), &RenderBridge::blockReported, &main,
                             [&](const audio::BlockReport& r) {
                                 underruns = Underruns(main);
                                 shown.push_back({r.songPosition, QFileInfo(deviceFile).size() / 4,
                                                  main.sequencer().PosLabel->text()});
                             });
            QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 15000);
            QTRY_COMPARE_WITH_TIMEOUT(main.transport().runCount(), 0, 5000);
            QVERIFY(messages.messages.empty());
            if (underruns != 0) {
                continue;
            }
            const std::vector<std::int16_t> played = Samples(ReadAll(deviceFile));
            std::size_t first = 0;
            while (first < played.size() && played[first] == 0) {
                ++first;
            }
            const auto firstClick = static_cast<qint64>(first / 2);
            QCOMPARE(shown.size(), std::size_t{4});
            for (int n = 0; n < 4; ++n) {
                const Shown& s = shown[static_cast<std::size_t>(n)];
                QCOMPARE(s.beat, n);
                QCOMPARE(s.label, QString::number(n));
                // Shown within a device buffer or two of its first sound (the file is written
                // a buffer at a time), and never before the beat ahead of it has been heard:
                // a beat shown as rendered would come up to a whole beat early.
                const qint64 early = firstClick + n * 44100 - s.playedFrames;
                QVERIFY2(early > -22050 && early < 4410,
                         qPrintable(QStringLiteral("beat %1 shown %2 frames before it sounds")
                                        .arg(n)
                                        .arg(early)));
            }
            return;
        }
        QSKIP("the machine is too busy to play in real time without gaps");
    }

    void aTempoChangeIsHeardFromTheNextBeat()
    {
        if (!audio::SdlWaveOut::driverAvailable("disk")) {
            QSKIP("SDL has no disk audio driver here");
        }
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        {
            core::TSong song;
            core::InitSong(song);
            core::AddPattern(song, "A");
            core::LoadWorkingCopy(song, 0);
            song.Beats = 1;
            song.Bpm = 300;
            song.Tracks[0].SoundName.assign("Kick");
            song.Tracks[0].Enabled = 1;
            core::InsertEvent(song, 0, 0); // a click at every beat
            core::WritePatternFile(folder.path("default.bwp").toStdString(), song);
        }
        const QString deviceFile = folder.path("device.raw");
        for (int attempt = 0; attempt < 3; ++attempt) {
            QFile::remove(deviceFile);
            DiskDevice device(deviceFile);
            MessageRecorder messages;
            auto windows = CreateProgramWindows(folder.dir.path(), DiskDevice::outputs());
            TMain& main = *windows->main;
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            int blocks = 0;
            QObject::connect(&main.bridge(), &RenderBridge::blockReported, &main,
                             [&blocks] { ++blocks; });
            QTest::mouseClick(main.sequencer().loopbut, Qt::LeftButton); // the pattern loops
            QTRY_VERIFY_WITH_TIMEOUT(blocks >= 6, 10000);
            const int before = blocks;
            main.transportBand().bpm->setValue(150); // beats twice as long from the next one
            const int after = blocks;
            QTRY_VERIFY_WITH_TIMEOUT(blocks >= after + 8, 15000);
            const std::uint64_t underruns = Underruns(main); // the output lives while it plays
            QTest::mouseClick(main.sequencer().loopbut, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(main.transport().runCount(), 0, 5000);
            QVERIFY(messages.messages.empty());
            if (underruns != 0) {
                continue;
            }
            // Every beat starts with the click: the distance between clicks is the beat.
            const std::vector<std::int16_t> played = Samples(ReadAll(deviceFile));
            std::vector<std::size_t> onsets;
            for (std::size_t i = 2; i < played.size(); i += 2) {
                if (played[i] != 0 && played[i - 2] == 0) {
                    onsets.push_back(i);
                }
            }
            const std::size_t fast = std::size_t{2} * (2646000 / 300);
            const std::size_t slow = std::size_t{2} * (2646000 / 150);
            std::size_t shortBeats = 0;
            std::size_t longBeats = 0;
            for (std::size_t k = 1; k < onsets.size(); ++k) {
                const std::size_t d = onsets[k] - onsets[k - 1];
                if (d == fast) {
                    QCOMPARE(longBeats, std::size_t{0}); // no fast beat after a slow one
                    ++shortBeats;
                } else {
                    QCOMPARE(d, slow);
                    ++longBeats;
                }
            }
            QVERIFY(longBeats >= 2);
            // The beats rendered before the change kept the old tempo, at most the one being
            // rendered as the bar moved as well. Blocks are reported as they begin to sound,
            // so besides those heard up to three more (half a second of 200 ms beats and the
            // one rendered while it waited) were queued ahead.
            const int queuedAhead = 500 / 200 + 1;
            QVERIFY2(static_cast<int>(shortBeats) >= before - 1 &&
                         static_cast<int>(shortBeats) <= after + queuedAhead + 1,
                     qPrintable(QStringLiteral("%1 fast beats, %2 blocks before the change")
                                    .arg(shortBeats)
                                    .arg(before)));
            return;
        }
        QSKIP("the machine is too busy to play in real time without gaps");
    }

    void playbackGoesOnWhileTheLibraryWindowSaves()
    {
        if (!audio::SdlWaveOut::driverAvailable("disk")) {
            QSKIP("SDL has no disk audio driver here");
        }
        ProgramFolder folder;
        for (const char* name : {"default.slb", "default.bwp"}) {
            QVERIFY(QFile::copy(QString::fromUtf8(BW_BUILD_DIR) + QLatin1Char('/') +
                                    QString::fromLatin1(name),
                                folder.path(name)));
        }
        const std::string library = ToFileSystemPath(folder.path("default.slb"));
        const QString deviceFile = folder.path("device.raw");
        for (int attempt = 0; attempt < 3; ++attempt) {
            QFile::remove(deviceFile);
            DiskDevice device(deviceFile);
            MessageRecorder messages;
            auto windows = CreateProgramWindows(folder.dir.path(), DiskDevice::outputs());
            TMain& main = *windows->main;
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            int blocks = 0;
            QObject::connect(&main.bridge(), &RenderBridge::blockReported, &main,
                             [&blocks] { ++blocks; });
            QTest::mouseClick(main.transportBand().playb, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(blocks >= 3, 10000);

            // Another program writes the library for a second and a half: the save waits for
            // it, as it would for a slow disk.
            std::atomic<bool> held{false};
            std::thread other([&] {
                const FileLock lock(library);
                held = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            });
            while (!held) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            const std::uint64_t before = Underruns(main);
            const int blocksBefore = blocks;
            int blocksDuring = -1;
            bool lockFree = false;
            QTimer probe; // a second into the wait
            probe.setSingleShot(true);
            QObject::connect(&probe, &QTimer::timeout, &main, [&] {
                blocksDuring = blocks;
                for (int i = 0; i < 100 && !lockFree; ++i) { // the engine takes it briefly
                    lockFree = main.songLock().try_lock();
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                if (lockFree) {
                    main.songLock().unlock();
                }
            });
            probe.start(1000);
            main.SoundLibary1->trigger();
            QTest::mouseClick(windows->soundlibary->Button3, Qt::LeftButton);
            other.join();
            const std::uint64_t underruns = Underruns(main) - before;
            QTest::mouseClick(main.transportBand().stopB, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(main.transport().runCount(), 0, 5000);
            QVERIFY(messages.messages.empty());
            QVERIFY(!windows->soundlibary->isVisible()); // saved, and closed
            // While the save waited, the song lock was free and the engine went on.
            QVERIFY(lockFree);
            QVERIFY2(blocksDuring > blocksBefore,
                     qPrintable(QStringLiteral("%1 -> %2").arg(blocksBefore).arg(blocksDuring)));
            if (underruns == 0) {
                return;
            }
        }
        QSKIP("the machine is too busy to play in real time without gaps");
    }
};

std::unique_ptr<QObject> MakePlaybackDeviceTest()
{
    return std::make_unique<PlaybackDeviceTest>();
}

} // namespace bw::testing

#include "playback_device_test.moc"
