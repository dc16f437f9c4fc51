// The sample import window, driven as a user would: files made by the test, the waveform
// clicked at computed pixels, ADD, and the sound found in the popup, the library window and
// after a restart.

#include "library/sample_import.h"
#include "library/sample_loader.h"
#include "sound_test_support.h"
#include "ui/regions/track_list.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/render_bridge.h"
#include "ui/widgets/paint_box.h"
#include "ui/windows/library_window.h"
#include "ui/windows/sound_popup.h"
#include "ui/windows/wave_inspector_window.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

namespace {

void Click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

/// The import window, opened from the library window's "ADD Sound" as a user opens it.
TWaveInspector& OpenInspector(ShownProgram& program)
{
    program.main().SoundLibary1->trigger();
    Click(program.windows->soundlibary->Button1);
    return *program.windows->waveInspector;
}

} // namespace

class WaveInspectorTest : public QObject
{
    Q_OBJECT

private slots:
    void importSelectAddAndFindItAfterARestart()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        Tsoundlibary& libraryWindow = *program.windows->soundlibary;
        TWaveInspector& w = OpenInspector(program);
        QVERIFY(w.isVisible());
        QVERIFY(!libraryWindow.isVisible());
        QCOMPARE(w.SampleName->text(), QStringLiteral("sample"));

        // A 441 Hz sine: a period of 100 samples, peaks at sample 25 + 100 k.
        const std::vector<std::int16_t> tone = Sine16(441, 2000, 0.5);
        const QString file = program.folder.path("tone.wav");
        WriteVector(file, canonicalWav(tone));
        FileAnswers files({file});
        Click(w.Button1);
        library::SampleImport& m = w.sampleImport();
        QCOMPARE(w.SampleName->text(), QStringLiteral("tone.wav"));
        QVERIFY(w.Label3->text().endsWith(QStringLiteral("tone.wav")));
        QCOMPARE(m.sampleCount(), 2000);
        QCOMPARE(m.StartPoint, 0);
        QCOMPARE(m.EndPoint, 2000);
        QVERIFY(std::abs(m.Zoom - 1.1) < 1e-9);
        QVERIFY(files.requests.at(0).title.contains(QStringLiteral("FLAC")));
        QVERIFY(w.hint->text().contains(QString::fromLatin1(library::ImportFormatsText)));

        // Back to one pixel a sample, then the mouse rules' worked case.
        Click(w.SpeedButton3);
        QVERIFY(std::abs(m.Zoom - 1.0) < 1e-9);
        QTest::mouseClick(w.PaintBox1, Qt::LeftButton, {}, QPoint(50, 10));
        QCOMPARE(m.StartPoint, 50);
        QTest::mouseClick(w.PaintBox1, Qt::RightButton, {}, QPoint(30, 10));
        QCOMPARE(m.EndPoint, 30);
        QCOMPARE(m.StartPoint, 20);

        // The selection, the centre line and the wave are drawn where they belong.
        const QImage shot = w.PaintBox1->grab().toImage();
        QCOMPARE(shot.pixelColor(25, 10), QColor(0xCB, 0xDC, 0xFE));
        QCOMPARE(shot.pixelColor(60, 10), QColor(0xFF, 0xC4, 0xDA));
        QCOMPARE(shot.pixelColor(75, library::SampleImport::CentreLineY), QColor(Qt::red));
        const int peakY = library::SampleImport::waveY(tone[125]);
        QCOMPARE(shot.pixelColor(125, peakY), QColor(Qt::black));
        SaveScreenshot(w, "import_window.png");

        // ADD under a new name: the library, its file, the chooser and the popup have it.
        w.SampleName->clear();
        QTest::keyClicks(w.SampleName, QStringLiteral("My Tone"));
        Click(w.Button2);
        library::SoundLibrary& lib = main.library();
        const int index = lib.FindSound("My Tone");
        QCOMPARE(index, 4);
        QVERIFY(SoundSamples(lib, index) ==
                std::vector<std::int16_t>(tone.begin() + 20, tone.begin() + 30));
        QCOMPARE(main.trackList().soundbox->itemText(4), QStringLiteral("My Tone"));
        QVERIFY(program.messages.messages.empty());

        ClickAt(main.trackList().PaintBox1, QPoint(30, 12), Qt::RightButton);
        TselfPopup& popup = *program.windows->selfPopup;
        QVERIFY(popup.isVisible());
        HoverAt(popup.P, popup.cellOrigin(4) + QPoint(30, 8));
        QCOMPARE(popup.namePanel->text(), QStringLiteral("My Tone"));
        ClickAt(popup.P, popup.cellOrigin(4) + QPoint(30, 8));
        QCOMPARE(main.song().Tracks[0].SoundName.str(), std::string("My Tone"));

        // Closing the window brings the library window back, with the new sound listed.
        Click(w.Button3);
        QVERIFY(!w.isVisible());
        QVERIFY(!m.loaded());
        QVERIFY(libraryWindow.isVisible());
        QCOMPARE(libraryWindow.ListBox1->count(), 5);
        QCOMPARE(libraryWindow.ListBox1->item(4)->text(), QStringLiteral("My Tone"));

        // A restart on the same folder finds it in "default.slb".
        program.windows.reset();
        program.windows = CreateProgramWindows(program.folder.dir.path(), DeviceOutput());
        library::SoundLibrary& again = program.windows->main->library();
        QCOMPARE(again.FindSound("My Tone"), 4);
        QVERIFY(SoundSamples(again, 4) ==
                std::vector<std::int16_t>(tone.begin() + 20, tone.begin() + 30));
        QCOMPARE(program.windows->main->trackList().soundbox->count(), 5);
    }

    void stereo48kHz24BitFileKeepsItsLengthAndPitch()
    {
        ShownProgram program({"Kick"});
        TWaveInspector& w = OpenInspector(program);
        const QString file = program.folder.path("sine.wav");
        WriteVector(file, StereoSine48k24());
        FileAnswers files({file});
        Click(w.Button1);
        QVERIFY(program.messages.messages.empty());
        library::SampleImport& m = w.sampleImport();
        QVERIFY(std::abs(m.sampleCount() - 44100) <= 1);
        QVERIFY(w.Label3->toolTip().contains(QStringLiteral("48000 Hz")));
        const std::vector<std::int16_t> samples(m.samples()->begin(), m.samples()->end());
        QVERIFY(std::abs(zeroCrossingFrequency(samples, 44100) - 1000.0) < 1.0);

        // ADD stores what the command line's add-sound stores for the same file.
        w.SampleName->setText(QStringLiteral("Sine"));
        Click(w.Button2);
        library::SoundLibrary& lib = program.main().library();
        const int index = lib.FindSound("Sine");
        QVERIFY(index >= 0);
        const QString cliLibrary = program.folder.path("cli.slb");
        WriteLibrary(cliLibrary, {});
        QCOMPARE(RunCli({QStringLiteral("add-sound"), file, QStringLiteral("--library"), cliLibrary,
                         QStringLiteral("--name"), QStringLiteral("Sine")}),
                 0);
        library::SoundLibrary fromCli;
        fromCli.LoadSoundLibrary(ui::ToFileSystemPath(cliLibrary));
        QCOMPARE(fromCli.count(), 1);
        QVERIFY(SoundSamples(fromCli, 0) == SoundSamples(lib, index));
    }

    void nameTakenUnreadableFileAndCancelledDialog()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        TWaveInspector& w = OpenInspector(program);
        library::SampleImport& m = w.sampleImport();
        const QString file = program.folder.path("click.wav");
        WriteVector(file, canonicalWav(Sine16(1000, 500, 0.3)));
        FileAnswers files({file, program.folder.path("default.bwp"), QString()});
        Click(w.Button1);
        QCOMPARE(m.sampleCount(), 500);

        // A name the library holds: the message, nothing added, the selected track muted.
        main.context().withSong([](core::TSong& s) { s.SelectedTrack = 0; });
        w.SampleName->setText(QStringLiteral("Kick"));
        Click(w.Button2);
        QCOMPARE(main.library().count(), 4);
        QCOMPARE(program.messages.messages.size(), std::size_t{1});
        QCOMPARE(program.messages.messages[0].text,
                 QStringLiteral("This name is still in the libary. Please choose another one!"));
        QCOMPARE(program.messages.messages[0].caption, QStringLiteral("hmmmm..."));
        QCOMPARE(main.song().Tracks[0].Enabled, 0);
        // Letter case makes another name.
        w.SampleName->setText(QStringLiteral("kick"));
        Click(w.Button2);
        QCOMPARE(main.library().count(), 5);

        // A file that is no sound: its message, and the loaded sound stays.
        Click(w.Button1);
        QCOMPARE(program.messages.messages.size(), std::size_t{2});
        QVERIFY(program.messages.messages[1].text.startsWith(
            QStringLiteral("There`s a problem : unable to open file ")));
        QCOMPARE(m.sampleCount(), 500);

        // A cancelled dialog still selects all of the loaded sound.
        QTest::mouseClick(w.PaintBox1, Qt::LeftButton, {}, QPoint(100, 10));
        QVERIFY(m.StartPoint > 0);
        Click(w.Button1);
        QCOMPARE(m.StartPoint, 0);
        QCOMPARE(m.EndPoint, 500);
    }

    void longFileIsCutWithItsMessage()
    {
        ShownProgram program({"Kick"});
        TWaveInspector& w = OpenInspector(program);
        const QString file = program.folder.path("long.wav");
        WriteVector(file, canonicalWav(std::vector<std::int16_t>(441000 + 1, 100)));
        FileAnswers files({file});
        Click(w.Button1);
        QCOMPARE(w.sampleImport().DataBytes, 882000);
        QCOMPARE(program.messages.messages.size(), std::size_t{1});
        QCOMPARE(program.messages.messages[0].text,
                 QStringLiteral("The File is to big. I cut it !"));
        // The whole sound fits in the scroll range at the largest zoom that allows it.
        QCOMPARE(w.sampleImport().ScrollRange, 32000);
        QCOMPARE(w.PaintBox1->width(), 32000);
    }

    void playButtonPreviewsTheSelectionOnTheLiveVoices()
    {
        auto device = std::make_shared<audio::FakeOutputControl>();
        ShownProgram program(FakeOutputs(device), {"Kick"});
        QVERIFY(OutputOpen(program.main()));
        TWaveInspector& w = OpenInspector(program);
        const QString file = program.folder.path("blip.wav");
        WriteVector(file, canonicalWav(Sine16(880, 2205, 0.4)));
        FileAnswers files({file});
        Click(w.Button1);
        const std::size_t before = device->playedFrames();
        Click(w.SpeedButton1);
        // Heard at once, without a run of the engine: the selection, all of it.
        QCOMPARE(program.main().transport().runCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(program.main().transport().output()->voices().pending(), 0, 5000);
        const library::SampleDataPtr samples = w.sampleImport().samples();
        const std::vector<std::int16_t> played = device->played();
        std::size_t first = before;
        while (2 * first < played.size() && played[2 * first] == 0) {
            ++first;
        }
        // The sine starts at 0: its first sound is its second sample.
        QVERIFY(played.size() >= 2 * (first + 2204));
        for (std::size_t i = 0; i + 1 < 2205; ++i) {
            QCOMPARE(played[2 * (first + i)], (*samples)[i + 1]);
        }
        QVERIFY(program.messages.messages.empty());
    }

    void aLongImportShowsItsProgressAndCanBeCancelled()
    {
        ShownProgram program({"Kick"});
        TWaveInspector& w = OpenInspector(program);
        // Ten seconds at 768 kHz: seconds of converting down to 44.1 kHz.
        const QString file = program.folder.path("fast.wav");
        WriteVector(file, WavBuilder()
                              .fmt(1, 1, 768000, 16)
                              .data(std::vector<std::uint8_t>(15360000, 1))
                              .bytes());
        FileAnswers files({file});
        bool cancelled = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QStringLiteral("BackgroundProgress") && top->isVisible() &&
                    !cancelled) {
                    auto* cancel = top->findChild<QPushButton*>(QStringLiteral("Cancel"));
                    QVERIFY(cancel != nullptr);
                    cancelled = true;
                    Click(cancel);
                }
            }
        });
        poll.start(50);
        Click(w.Button1);
        poll.stop();
        QVERIFY(cancelled);
        // As a cancelled file dialog: nothing loaded, nothing said.
        QVERIFY(!w.sampleImport().loaded());
        QCOMPARE(w.Label3->text(), QStringLiteral("No File"));
        QVERIFY(program.messages.messages.empty());
    }
};

std::unique_ptr<QObject> MakeWaveInspectorTest()
{
    return std::make_unique<WaveInspectorTest>();
}

} // namespace bw::testing

#include "wave_inspector_test.moc"
