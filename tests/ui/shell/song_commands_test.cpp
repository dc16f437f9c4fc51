// The main window's commands that span regions: files with the save prompt, the event
// clipboard and the typed keys.

#include "audio/midi_file.h"
#include "core/arrangement.h"
#include "core/track_commands.h"
#include "tests/support/test_paths.h"
#include "ui/regions/pattern_grid.h"
#include "ui/regions/pattern_tabs.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/regions/tool_row.h"
#include "ui/regions/value_lane.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/paint_box.h"
#include "ui/windows/pattern_dialogs.h"
#include "ui_test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// The JSON the command line prints for a pattern file.
QByteArray InfoJson(const QString& path)
{
    QProcess cli;
    cli.start(QString::fromUtf8(BW_CLI_PATH),
              {QStringLiteral("info"), path, QStringLiteral("--json")});
    cli.waitForFinished(20000);
    return cli.readAllStandardOutput();
}

/// Answers file dialogs with the given file and the save prompt with answer.
struct Answers
{
    explicit Answers(QString file, TwantsaveF::Answer answer = TwantsaveF::Answer::No)
    {
        SetFileDialogHandler([this](const FileRequest&) { return chosen; });
        TwantsaveF::setHandler([this] {
            ++prompts;
            return reply;
        });
        chosen = std::move(file);
        reply = answer;
    }
    ~Answers()
    {
        SetFileDialogHandler({});
        TwantsaveF::setHandler({});
    }
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;
    QString chosen;
    TwantsaveF::Answer reply;
    int prompts = 0;
};

/// Types text as a user does: to the widget that has the focus in the window.
void Type(TMain& main, const QString& text)
{
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClicks(focus != nullptr && focus->window() == &main ? focus : &main, text);
}

} // namespace

class SongCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void writeMidiTakesTheCurrentPatternOrTheSongAndRefusesAFolder()
    {
        ShownProgram program({"Kick", "Snare"});
        TMain& main = program.main();
        ClickAt(main.grid().noteBox, QPoint(3, 24 + 12)); // an edit not yet stored
        const QString path = program.folder.path("pattern.mid");
        Answers answers(path);
        main.WritePatternMidi1->trigger();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        std::vector<std::uint8_t> expected;
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            expected = audio::MidiFileBytes(main.song(), {false, main.song().CurrentPattern});
        }
        QCOMPARE(bytes, QByteArray(reinterpret_cast<const char*>(expected.data()),
                                   static_cast<qsizetype>(expected.size())));
        QVERIFY(bytes.contains("Snare")); // the new event's row
        QVERIFY(program.messages.messages.empty());
        answers.chosen = program.folder.path("");
        main.WriteSongMidi1->trigger();
        QCOMPARE(program.messages.messages.size(), std::size_t{1});
    }

    void saveNewAndOpenKeepTheDocument()
    {
        ShownProgram program({"Kick", "Snare"});
        TMain& main = program.main();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QCOMPARE(main.windowTitle(), QStringLiteral("Beatwright  - NONAME.BWP "));
        ClickAt(main.grid().noteBox, QPoint(3, 24 + 12)); // an edit
        QVERIFY(main.isModified());
        QVERIFY(main.windowTitle().endsWith(QStringLiteral(" *")));

        const QString path = program.folder.path("song.bwp");
        Answers answers(path);
        QTest::keyClick(&main, Qt::Key_S, Qt::ControlModifier); // Save without a name: Save as
        QCOMPARE(main.currentFileName(), path);
        QCOMPARE(main.windowTitle(), QStringLiteral("Beatwright - ") + path);
        QVERIFY(!main.isModified());
        const QByteArray saved = InfoJson(path);
        QVERIFY(saved.contains("\"Events\""));

        main.New1Click(); // nothing changed since the save: no prompt
        QCOMPARE(answers.prompts, 0);
        QCOMPARE(main.windowTitle(), QStringLiteral("Beatwright  - NONAME.BWP"));
        QVERIFY(main.currentFileName().isEmpty());
        QCOMPARE(main.song().Events[1][0].Volume, 0);

        main.Open1Click();
        QCOMPARE(main.currentFileName(), path);
        QCOMPARE(main.song().Events[1][0].Volume, 5000);
        QCOMPARE(main.songPosition(), 0);
        // Saved again as it was opened, the file says the same.
        const QString again = program.folder.path("again.bwp");
        answers.chosen = again;
        QVERIFY(main.Saveas1Click());
        QCOMPARE(InfoJson(again), saved);
        QVERIFY(program.messages.messages.empty());
    }

    void newEmptySongPlacesNothingAndAnArrangedSongReopensWhole()
    {
        ShownProgram program({"Kick", "Snare"});
        TMain& main = program.main();
        ClickAt(main.grid().noteBox, QPoint(3, 24 + 12)); // an edit
        Answers answers(program.folder.path("arranged.bwp"), TwantsaveF::Answer::Cancel);
        main.NewEmpty1->trigger();
        QCOMPARE(answers.prompts, 1);
        QCOMPARE(main.song().Tracks[0].SoundName.str(), std::string("Kick"));
        answers.reply = TwantsaveF::Answer::No;
        main.NewEmpty1->trigger();
        QCOMPARE(main.song().PatternCount, 1);
        QCOMPARE(main.song().Beats, 4);
        QVERIFY(main.song().Sequence.empty());
        QVERIFY(main.song().Tracks[0].SoundName.empty());
        QCOMPARE(main.library().count(), 4); // the library stays
        QCOMPARE(main.windowTitle(), QStringLiteral("Beatwright  - NONAME.BWP"));

        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            core::SetTrackName(main.song(), 2, "Perc");
            core::SetLoopRange(main.song(), 8, 15);
            main.song().LoopOn = true;
            main.song().pattern(0).Color = 5;
        }
        main.context().documentEdited();
        QVERIFY(main.Saveas1Click());
        main.New1Click();
        main.Open1Click();
        QCOMPARE(core::TrackLabel(main.song(), 2), std::string("Perc"));
        QCOMPARE(main.song().LoopStart, 8);
        QCOMPARE(main.song().LoopEnd, 16);
        QVERIFY(main.sequencer().loopBox->isChecked());
        QCOMPARE(main.song().pattern(0).Color, 5);
        QVERIFY(program.messages.messages.empty());
    }

    void missingSoundsAreReportedUnderTheNewSongsName()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        const QString path = program.folder.path("other.bwp");
        WriteSong(path, {"Kick", "Gone"});
        std::vector<QString> titles;
        const ui::MessageHandler previous =
            ui::SetMessageHandler([&](const QString& text, const QString&, ui::MessageButtons) {
                titles.push_back(text + QStringLiteral(" | ") + main.windowTitle());
                return ui::MessageResult::Ok;
            });
        const bool opened = main.openFile(path);
        ui::SetMessageHandler(previous);
        QVERIFY(opened);
        QCOMPARE(titles,
                 std::vector<QString>{
                     QStringLiteral("The sound \"Gone\" is not in the libary but in the track 2! | "
                                    "Beatwright - ") +
                     QDir::toNativeSeparators(path)});
    }

    void damagedFilesKeepTheCurrentSong()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        QByteArray valid;
        {
            QFile f(program.folder.path("default.bwp"));
            QVERIFY(f.open(QIODevice::ReadOnly));
            valid = f.readAll();
        }
        QByteArray random(3000, '\0');
        for (int i = 0; i < random.size(); ++i) {
            random[i] = static_cast<char>((i * 7919 + 13) % 251);
        }
        const QByteArray cases[] = {QByteArray("NOPE") + valid.mid(4), valid.left(150), random};
        const QString title = main.windowTitle();
        int n = 0;
        for (const QByteArray& bytes : cases) {
            const QString path = program.folder.path("bad.bwp") + QString::number(n++);
            WriteBytes(path, bytes);
            program.messages.messages.clear();
            QVERIFY(!main.openFile(path));
            QCOMPARE(program.messages.messages.size(), std::size_t{1});
            QVERIFY(
                program.messages.messages[0].text.contains(QStringLiteral("could not be read")));
            QCOMPARE(main.song().PatternCount, 1);
            QCOMPARE(main.song().Events[0][64].Volume, 5000);
            QCOMPARE(main.windowTitle(), title);
            QVERIFY(main.currentFileName().isEmpty());
        }
    }

    void thePromptGuardsUnsavedChanges()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        ClickAt(main.grid().noteBox, QPoint(3, 24 + 12));
        Answers answers(QString(), TwantsaveF::Answer::Cancel);
        main.New1Click();
        QCOMPARE(answers.prompts, 1);
        QCOMPARE(main.song().Events[1][0].Volume, 5000); // cancelled: nothing happened
        QVERIFY(!main.close());                          // the close is refused too
        QVERIFY(main.isVisible());
        // "Save" whose file cannot be written stops the command: the changes stay.
        answers.reply = TwantsaveF::Answer::Save;
        answers.chosen = program.folder.path("no/such/folder/x.bwp");
        main.New1Click();
        QCOMPARE(main.song().Events[1][0].Volume, 5000);
        QVERIFY(main.isModified());
        QCOMPARE(program.messages.messages.back().caption, QStringLiteral("ERROR"));
        answers.reply = TwantsaveF::Answer::No;
        main.New1Click();
        QCOMPARE(main.song().Events[1][0].Volume, 0);
        QVERIFY(!main.isModified());
    }

    void clipboardCutCopyPasteAndRows()
    {
        ShownProgram program({"Kick", "Snare"});
        TMain& main = program.main();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        PatternGrid& grid = main.grid();
        QWidget* box = grid.noteBox;
        const int W = box->width();
        main.Copy1Click(); // add mode: nothing can be selected
        QCOMPARE(program.messages.messages.back().text,
                 QStringLiteral("There is nothing selected. Choose \"select events\" to select "
                                "events."));
        // Select the events at 64 and 128 with a band, copy, and paste at 192.
        QTest::mouseClick(main.toolRow().GroupB, Qt::LeftButton);
        main.Copy1Click();
        QCOMPARE(program.messages.messages.back().text,
                 QStringLiteral("There is nothing selected."));
        // The band marks every slot it covers, empty or not: the anchor is its first slot.
        DragOn(box, QPoint(XFromPos(64, W) + 1, 30), QPoint(XFromPos(128, W) + 1, 5));
        QTest::keyClick(&main, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(main.context().ClipAnchor, 64);
        QTest::mouseClick(main.toolRow().SpeedButton5, Qt::LeftButton); // Paste waits
        QVERIFY(grid.state().PastePending);
        QVERIFY(main.toolRow().PasteTimer->isActive());
        ClickAt(box, QPoint(XFromPos(192, W), 40));
        QCOMPARE(main.song().Events[0][192].Volume, 5000);
        QCOMPARE(main.song().Events[0][256].Volume, 5000);
        QVERIFY(!main.toolRow().PasteTimer->isActive());
        QVERIFY(!main.toolRow().SpeedButton5->isChecked());
        // Dropped at an earlier slot, the second event lands 64 slots later.
        main.Inster1Click();
        ClickAt(box, QPoint(XFromPos(16, W), 40));
        QCOMPARE(main.song().Events[0][16].Volume, 5000);
        QCOMPARE(main.song().Events[0][80].Volume, 5000);

        // "+" during a paste moves the rows down a track (row 0 keeps its own: the material
        // lands on both rows); "-" moves them up, losing what was in row 0.
        main.Inster1Click();
        Type(main, QStringLiteral("+"));
        ClickAt(box, QPoint(XFromPos(32, W), 40));
        QCOMPARE(main.song().Events[1][32].Volume, 5000);
        QCOMPARE(main.song().Events[0][32].Volume, 5000);
        main.Inster1Click();
        Type(main, QStringLiteral("--"));
        // Twice up: rows 0 and 1 now hold what rows 2 and 3 held (marks without events).
        ClickAt(box, QPoint(XFromPos(40, W), 40));
        QCOMPARE(main.song().Events[0][40].Volume, 0);
        QCOMPARE(main.song().Events[1][40].Volume, 0);

        // Paste twice cancels; Cut copies and deletes.
        main.Inster1Click();
        main.Inster1Click();
        QVERIFY(!grid.state().PastePending);
        QVERIFY(!main.toolRow().SpeedButton5->isChecked());
        DragOn(box, QPoint(1, 30), QPoint(XFromPos(20, W), 5));
        QTest::keyClick(&main, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(main.song().Events[0][0].Volume, 0);
        QCOMPARE(main.song().Events[0][16].Volume, 0);
        QCOMPARE(main.clipboard()[0][16].Volume, 5000);
    }

    void typedKeywordsAndSpace()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QVERIFY(main.valueLane().funBox3->isHidden());
        Type(main, QStringLiteral("xyzquillrop"));
        QVERIFY(main.valueLane().funBox3->isVisible());
        // "tintrose" turns the grid's background rose, over its stars.
        const auto average = [&main] {
            const QImage img = main.grid().PaintBox2->grab().toImage();
            double r = 0, g = 0, b = 0;
            int n = 0;
            for (int y = 0; y < img.height(); y += 7) {
                for (int x = 0; x < img.width(); x += 7) {
                    const QColor c = img.pixelColor(x, y);
                    r += c.red();
                    g += c.green();
                    b += c.blue();
                    ++n;
                }
            }
            return QColor(static_cast<int>(r / n), static_cast<int>(g / n),
                          static_cast<int>(b / n));
        };
        const QColor before = average();
        Type(main, QStringLiteral("tintrose"));
        const QColor after = average();
        QVERIFY2(after.red() > after.green() + 60 && after.blue() > after.green() + 60 &&
                     before.red() < before.green() + 30,
                 qPrintable(after.name() + QStringLiteral(" after ") + before.name()));
        Type(main, QStringLiteral("hushlit+"));
        QVERIFY(main.transport().displaySilenced());
        Type(main, QStringLiteral("hushlit-"));
        QVERIFY(!main.transport().displaySilenced());
        // Characters typed in another window do not count.
        QWidget other;
        other.show();
        QTest::keyClicks(&other, QStringLiteral("hushlit+"));
        QVERIFY(!main.transport().displaySilenced());
        other.close();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        Type(main, QStringLiteral(" "));
        QTRY_VERIFY_WITH_TIMEOUT(main.transport().running(), 5000);
        Type(main, QStringLiteral(" ")); // Space again does not stop it
        QTest::qWait(100);
        QVERIFY(main.transport().running());
        main.stopBClick();
        QTRY_VERIFY_WITH_TIMEOUT(!main.transport().running(), 5000);
    }
};

std::unique_ptr<QObject> MakeSongCommandsTest()
{
    return std::make_unique<SongCommandsTest>();
}

} // namespace bw::testing

#include "song_commands_test.moc"
