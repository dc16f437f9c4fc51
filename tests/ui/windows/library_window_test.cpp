// The sound library window: details, stretch and stop-target edits heard in a render,
// deleting, importing, exporting and saving.

#include "core/pattern_file.h"
#include "library/library_edits.h"
#include "sound_test_support.h"
#include "ui/regions/track_list.h"
#include "ui/shell/editor_context.h"
#include "ui/widgets/message_box.h"
#include "ui/windows/library_window.h"
#include "ui/windows/wave_inspector_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

void Click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

Tsoundlibary& ShowLibraryWindow(ShownProgram& program)
{
    program.main().SoundLibary1->trigger();
    Tsoundlibary& w = *program.windows->soundlibary;
    if (!QTest::qWaitForWindowExposed(&w)) {
        qWarning("the library window did not show");
    }
    return w;
}

library::SoundLibrary LoadLibraryFile(const QString& path)
{
    library::SoundLibrary lib;
    lib.LoadSoundLibrary(ui::ToFileSystemPath(path));
    return lib;
}

/// Answers every question with Cancel while it lives, and records the messages.
class CancellingMessages
{
public:
    CancellingMessages()
    {
        m_previous = SetMessageHandler([this](const QString& text, const QString& caption,
                                              MessageButtons buttons) {
            texts.push_back(text + QStringLiteral(" | ") + caption);
            return buttons == MessageButtons::OkCancel ? MessageResult::Cancel : MessageResult::Ok;
        });
    }
    ~CancellingMessages() { SetMessageHandler(std::move(m_previous)); }
    CancellingMessages(const CancellingMessages&) = delete;
    CancellingMessages& operator=(const CancellingMessages&) = delete;
    std::vector<QString> texts;

private:
    MessageHandler m_previous;
};

/// A 4-beat song at 120 bpm: a long tone on beat 0, a click half a beat later (it may stop
/// the tone) and another click on beat 2 (it may be stretched).
void WriteStopAndStretchSong(const QString& path)
{
    core::TSong song;
    core::InitSong(song);
    core::AddPattern(song, "A");
    core::LoadWorkingCopy(song, 0);
    song.Beats = 4;
    song.Bpm = 120;
    const char* names[] = {"Long", "Stopper", "Click"};
    for (std::size_t t = 0; t < 3; ++t) {
        song.Tracks[t].SoundName.assign(names[t]);
        song.Tracks[t].Enabled = 1;
    }
    core::InsertEvent(song, 0, 0);
    core::InsertEvent(song, 1, 32);
    core::InsertEvent(song, 2, 128);
    core::WritePatternFile(ui::ToFileSystemPath(path), song);
}

void WriteStopAndStretchLibrary(const QString& path)
{
    library::SoundLibrary lib;
    const std::vector<std::uint8_t> tone = pcm16(Sine16(220, 44100, 0.5));
    lib.AddSound("Long", "", 0, 0, 0, static_cast<std::int32_t>(tone.size()), tone.data());
    const std::vector<std::uint8_t> click = ClickBytes();
    for (const char* name : {"Stopper", "Click"}) {
        lib.AddSound(name, "", 0, 0, 0, static_cast<std::int32_t>(click.size()), click.data());
    }
    lib.SaveSoundLibrary(ui::ToFileSystemPath(path));
}

} // namespace

class LibraryWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void showsASoundAndEditsItsStretch()
    {
        ShownProgram program({"Kick"});
        Tsoundlibary& w = ShowLibraryWindow(program);
        library::SoundLibrary& lib = program.main().library();
        QCOMPARE(w.ListBox1->count(), 4);
        QCOMPARE(w.ListBox1->currentRow(), 0);
        QCOMPARE(w.Label3->text(), QStringLiteral("400 samples"));
        QCOMPARE(w.strinf->text(), QStringLiteral("No"));
        QVERIFY(!w.StrEn->isChecked());

        // Typing a ratio while stretching is off empties the box again.
        w.combomul->setEditText(QStringLiteral("3"));
        QCOMPARE(w.combomul->currentText(), QString());
        QCOMPARE(lib.at(0).StretchMul, 0);

        Click(w.StrEn);
        QCOMPARE(w.strinf->text(), QStringLiteral("enabled! strech to 1/1"));
        QCOMPARE(w.combomul->currentText(), QStringLiteral("1"));
        QCOMPARE(w.combodiv->currentText(), QStringLiteral("1"));
        QVERIFY(lib.at(0).stretchEnabled());
        for (const char* typed : {"0", "-2", "x"}) {
            w.combodiv->setEditText(QString::fromLatin1(typed));
            QCOMPARE(w.combodiv->currentText(), QStringLiteral("1"));
            QCOMPARE(lib.at(0).StretchDiv, 1);
        }
        w.combomul->setEditText(QStringLiteral("0"));
        QCOMPARE(lib.at(0).StretchMul, 0);
        w.combomul->setCurrentIndex(11); // the item "12"
        w.combodiv->setCurrentIndex(2);  // the item "3"
        QCOMPARE(w.strinf->text(), QStringLiteral("enabled! strech to 12/3"));
        w.swbox->setCurrentIndex(2);
        Click(w.Button4);
        QCOMPARE(w.stop->text(), QStringLiteral("Hat"));
        SaveScreenshot(w, "library_window.png");

        // Off shows "No" and empties the boxes but keeps the ratio; on again starts at 1/1.
        Click(w.StrEn);
        QCOMPARE(w.strinf->text(), QStringLiteral("No"));
        QCOMPARE(w.combomul->currentText(), QString());
        QCOMPARE(lib.at(0).StretchMul, 12);
        Click(w.StrEn);
        QCOMPARE(lib.at(0).StretchMul, 1);
        QCOMPARE(lib.at(0).StretchDiv, 1);

        // A stop target keeps its first 30 characters; DELETE clears it.
        w.swbox->setEditText(QString(40, QLatin1Char('s')));
        Click(w.Button4);
        QCOMPARE(w.stop->text(), QString(30, QLatin1Char('s')));
        QCOMPARE(lib.at(0).StopTarget.str(), std::string(30, 's'));
        Click(w.Button5);
        QCOMPARE(w.stop->text(), QString());

        // Another row shows that sound.
        const QRect row = w.ListBox1->visualItemRect(w.ListBox1->item(2));
        QTest::mouseClick(w.ListBox1->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(w.selectedIndex(), 2);
        QCOMPARE(w.strinf->text(), QStringLiteral("No"));
        QVERIFY(program.messages.messages.empty());
    }

    void withoutASoundTheDetailsAreEmptyAndEditsIgnored()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), {});
        WriteSong(folder.path("default.bwp"), {});
        MessageRecorder messages;
        auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
        Tsoundlibary& w = *windows->soundlibary;
        windows->main->SoundLibary1->trigger();
        QCOMPARE(w.ListBox1->count(), 0);
        QCOMPARE(w.selectedIndex(), -1);
        for (QLabel* l : {w.Label3, w.stop, w.strinf}) {
            QCOMPARE(l->text(), QString());
        }
        // Each handler is a no-op without a sound (the buttons are also disabled).
        w.StrEnClick(true);
        w.combomulChange(QStringLiteral("4"));
        w.Button4Click();
        w.Button5Click();
        w.Button2Click();
        QVERIFY(!w.StrEn->isEnabled());
        QVERIFY(!w.Button2->isEnabled());
        QCOMPARE(windows->main->library().count(), 0);
        QVERIFY(messages.messages.empty());
    }

    void stopTargetAndStretchAreHeardInARender()
    {
        ProgramFolder folder;
        WriteStopAndStretchLibrary(folder.path("default.slb"));
        WriteStopAndStretchSong(folder.path("default.bwp"));
        const QString song = folder.path("default.bwp");
        const QString library = folder.path("default.slb");
        const auto render = [&](const char* out) {
            const QString file = folder.path(out);
            const int status = RunCli({QStringLiteral("render"), song, QStringLiteral("--library"),
                                       library, QStringLiteral("--pattern"), QStringLiteral("0"),
                                       QStringLiteral("-o"), file});
            return status == 0 ? ExportedSamples(file) : std::vector<std::int16_t>();
        };
        const std::vector<std::int16_t> before = render("before.wav");
        QCOMPARE(before.size(), std::size_t{4} * 22050 * 2);

        MessageRecorder messages;
        auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
        windows->main->SoundLibary1->trigger();
        Tsoundlibary& w = *windows->soundlibary;
        // "Stopper" cuts "Long" off; "Click" lasts two beats.
        w.ListBox1->setCurrentRow(1);
        w.swbox->setEditText(QStringLiteral("Long"));
        Click(w.Button4);
        QCOMPARE(w.stop->text(), QStringLiteral("Long"));
        w.ListBox1->setCurrentRow(2);
        Click(w.StrEn);
        w.combomul->setCurrentIndex(1); // "2"
        QCOMPARE(w.strinf->text(), QStringLiteral("enabled! strech to 2/1"));
        Click(w.Button3); // CLOSE and SAVE
        QVERIFY(!w.isVisible());
        QVERIFY(messages.messages.empty());
        const std::vector<std::int16_t> after = render("after.wav");
        QCOMPARE(after.size(), before.size());

        // Frames are stereo pairs. The tone rings on past the stopper's start (frame 11025)
        // until it is cut at a zero crossing at most 1000 frames later.
        const auto frames = [](int f) { return static_cast<std::size_t>(f) * 2; };
        QVERIFY(Peak(before, frames(13000), frames(44000)) > 3000);
        QCOMPARE(Peak(after, frames(13000), frames(44000)), 0);
        // The click on beat 2 (frame 44100) was 400 frames long; stretched it lasts 2 beats.
        QCOMPARE(Peak(before, frames(46000), frames(88000)), 0);
        QVERIFY(Peak(after, frames(46000), frames(88000)) > 1000);
    }

    void deletingASoundATrackUsesWarns()
    {
        ShownProgram program({"Kick", "Snare"});
        TMain& main = program.main();
        Tsoundlibary& w = ShowLibraryWindow(program);
        {
            // Cancelled: nothing is deleted.
            CancellingMessages cancel;
            Click(w.Button2);
            QCOMPARE(cancel.texts.size(), std::size_t{1});
            QCOMPARE(cancel.texts[0],
                     QStringLiteral("Are you sure to delete \"Kick\" ? | hmmmm..."));
            QCOMPARE(main.library().count(), 4);
        }
        Click(w.Button2);
        QCOMPARE(main.library().count(), 3);
        QCOMPARE(main.library().FindSound("Kick"), -1);
        const auto& messages = program.messages.messages;
        QCOMPARE(messages.size(), std::size_t{2});
        QCOMPARE(messages[1].text,
                 QStringLiteral("The sound \"Kick\" is not in the libary but in the track 1!"));
        QCOMPARE(messages[1].caption, QStringLiteral("hmmmm..."));
        QCOMPARE(main.song().Tracks[0].Enabled, 0);
        QCOMPARE(main.song().Tracks[1].SoundIndex, 0); // Snare moved down one place
        QCOMPARE(w.ListBox1->count(), 3);
        QCOMPARE(w.ListBox1->item(0)->text(), QStringLiteral("Snare"));
        QCOMPARE(main.trackList().soundbox->count(), 3);
        QCOMPARE(LoadLibraryFile(program.folder.path("default.slb")).count(), 3);
    }

    void itsQuestionAndWarningsStackAboveIt()
    {
        // The library window stays on top: a box that belonged to the main window would open
        // hidden under it, and Return would answer it unseen.
        ShownProgram program({"Kick"});
        Tsoundlibary& w = ShowLibraryWindow(program);
        RealMessageBoxes boxes;
        Click(w.Button2);
        QCOMPARE(program.main().library().count(), 3);
        QCOMPARE(boxes.boxes.size(), std::size_t{2}); // the question, then the track's warning
        for (const RealMessageBoxes::Box& box : boxes.boxes) {
            QCOMPARE(box.caption, QStringLiteral("hmmmm..."));
            QCOMPARE(box.owner, static_cast<QWidget*>(&w));
        }
    }

    void exportImportAndSave()
    {
        ShownProgram program({"Kick"});
        library::SoundLibrary& lib = program.main().library();
        Tsoundlibary& w = ShowLibraryWindow(program);
        const QString exported = program.folder.path("kit.slb");
        const QString broken = program.folder.path("broken.slb");
        WriteBytes(broken, QByteArray("***not a library at all"));
        FileAnswers files({exported, exported, broken, QString()});

        Click(w.Button7);
        QCOMPARE(files.requests.back().filter, QStringLiteral("Sound libary (*.slb)"));
        QCOMPARE(LoadLibraryFile(exported).count(), 4);

        // Its own export merged in: every sound twice, the copies numbered; nothing saved.
        Click(w.Button6);
        QCOMPARE(lib.count(), 8);
        QCOMPARE(QString::fromLatin1(lib.SoundNameAt(4).c_str()), QStringLiteral("Kick(2)"));
        QCOMPARE(w.ListBox1->count(), 8);
        QCOMPARE(program.main().trackList().soundbox->count(), 8);
        QCOMPARE(LoadLibraryFile(program.folder.path("default.slb")).count(), 4);

        // A file that is no library: its message, and the library as it was.
        Click(w.Button6);
        QCOMPARE(lib.count(), 8);
        QCOMPARE(program.messages.messages.size(), std::size_t{1});
        QCOMPARE(program.messages.messages[0].caption, QStringLiteral("!"));

        // A cancelled dialog does nothing.
        Click(w.Button6);
        QCOMPARE(lib.count(), 8);

        Click(w.Button3);
        QVERIFY(!w.isVisible());
        QCOMPARE(LoadLibraryFile(program.folder.path("default.slb")).count(), 8);
    }

    void aLibraryThatDidNotLoadIsNeverSavedOver()
    {
        ProgramFolder folder;
        WriteLibrary(folder.path("default.slb"), Kit);
        WriteSong(folder.path("default.bwp"), {"Kick", "Clap"});
        QByteArray damaged = ReadAll(folder.path("default.slb"));
        damaged.chop(10); // the last sound is cut short: the program keeps the first three
        WriteBytes(folder.path("default.slb"), damaged);
        std::vector<QString> questions;
        MessageResult answer = MessageResult::Cancel;
        const MessageHandler previous =
            SetMessageHandler([&](const QString& text, const QString&, MessageButtons buttons) {
                questions.push_back(text);
                return buttons == MessageButtons::OkCancel ? answer : MessageResult::Ok;
            });
        {
            auto windows = CreateProgramWindows(folder.dir.path(), DeviceOutput());
            QCOMPARE(windows->main->library().count(), 3);
            // The track whose sound was in the part not read keeps its name, silent, and so
            // does a song saved meanwhile.
            QCOMPARE(windows->main->song().Tracks[1].SoundName.str(), std::string("Clap"));
            QCOMPARE(windows->main->song().Tracks[1].SoundIndex, -1);
            {
                FileAnswers songFile({folder.path("kept.bwp")});
                QVERIFY(windows->main->Saveas1Click());
            }
            const auto kept = core::ReadPatternFile(folder.path("kept.bwp").toStdString(), {});
            QCOMPARE(kept->Tracks[1].SoundName.str(), std::string("Clap"));
            windows->main->SoundLibary1->trigger();
            Tsoundlibary& w = *windows->soundlibary;
            FileAnswers files({folder.path("saved.slb")});

            // Asked first; "no" leaves the file and the window as they are.
            Click(w.Button3);
            QVERIFY(w.isVisible());
            QCOMPARE(ReadAll(folder.path("default.slb")), damaged);
            QVERIFY(questions.back().contains(QStringLiteral("could not be loaded")));
            QVERIFY(questions.back().contains(QStringLiteral("Save the sound library to another")));
            QVERIFY(files.requests.empty());

            // "Yes": another file is chosen and written; the damaged one stays.
            answer = MessageResult::Ok;
            Click(w.Button3);
            QVERIFY(!w.isVisible());
            QCOMPARE(ReadAll(folder.path("default.slb")), damaged);
            QCOMPARE(LoadLibraryFile(folder.path("saved.slb")).count(), 3);
            // Later saves go there too, without a question.
            const std::size_t asked = questions.size();
            QVERIFY(windows->main->context().saveLibrary());
            QCOMPARE(questions.size(), asked);
        }
        SetMessageHandler(previous);
    }

    void aLibraryChangedByAnotherProgramIsMergedNotSavedOver()
    {
        ShownProgram program({"Kick", "Snare"});
        TMain& main = program.main();
        const QString file = program.folder.path("default.slb");
        const QString wav = program.folder.path("tone.wav");
        WriteVector(wav, canonicalWav(Sine16(441, 2000, 0.5)));
        // The command line adds a sound to the file while the program runs...
        QCOMPARE(RunCli({QStringLiteral("add-sound"), wav, QStringLiteral("--library"), file,
                         QStringLiteral("--name"), QStringLiteral("Tone")}),
                 0);
        // ...and the program deletes "Hat" and stretches "Kick" before it saves.
        Tsoundlibary& w = ShowLibraryWindow(program);
        main.context().withSong([&](core::TSong&) {
            main.library().DeleteSound(main.library().FindSound("Hat"));
            library::SetStretchEnabled(main.library(), main.library().FindSound("Kick"), true);
        });
        Click(w.Button3);
        QVERIFY(!w.isVisible());
        const library::SoundLibrary saved = LoadLibraryFile(file);
        QCOMPARE(saved.count(), 4);
        QVERIFY(saved.FindSound("Tone") >= 0);
        QVERIFY(saved.FindSound("Hat") < 0);
        QVERIFY(saved.at(saved.FindSound("Kick")).stretchEnabled());
        // The program now has what the file has, and says why.
        QCOMPARE(main.library().count(), 4);
        QVERIFY(main.library().FindSound("Tone") >= 0);
        QCOMPARE(program.messages.messages.size(), std::size_t{1});
        QVERIFY(program.messages.messages[0].text.contains(QStringLiteral("another program")));
        QCOMPARE(main.trackList().soundbox->count(), 4);
    }
};

std::unique_ptr<QObject> MakeLibraryWindowTest()
{
    return std::make_unique<LibraryWindowTest>();
}

} // namespace bw::testing

#include "library_window_test.moc"
