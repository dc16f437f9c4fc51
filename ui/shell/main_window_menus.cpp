// The main menu and the window-level click handlers.

#include "ui/regions/sequencer_panel.h"
#include "ui/regions/track_list.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/main_window_frame.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/skin.h"
#include "ui/windows/export_dialog.h"
#include "ui/windows/library_window.h"
#include "ui/windows/midi_window.h"
#include "ui/windows/performance_window.h"
#include "ui/windows/periphery_windows.h"
#include "ui/windows/sequencer_windows.h"
#include "ui/windows/wave_output_window.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

namespace bw::ui {

namespace {

QAction*
AddItem(QMenu* menu, const char* name, const char* caption, const QKeySequence& shortcut = {})
{
    auto* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
    }
    return action;
}

void ShowWindow(QWidget* w)
{
    if (w != nullptr) {
        w->show();
        w->raise();
    }
}

} // namespace

void TMain::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    fileMenu = bar->addMenu(QStringLiteral("File"));
    fileMenu->setObjectName(QStringLiteral("File1"));
    New1 = AddItem(fileMenu, "New1", "New");
    NewEmpty1 = AddItem(fileMenu, "NewEmpty1", "New Empty Song");
    Open1 = AddItem(fileMenu, "Open1", "Open", QKeySequence(Qt::CTRL | Qt::Key_O));
    Save1 = AddItem(fileMenu, "Save1", "Save", QKeySequence(Qt::CTRL | Qt::Key_S));
    Saveas1 = AddItem(fileMenu, "Saveas1", "Save as");
    fileMenu->addSeparator();
    WriteWav1 =
        AddItem(fileMenu, "WriteWav1", "Write Pattern  Wav", QKeySequence(Qt::CTRL | Qt::Key_W));
    WritePatternSong1 = AddItem(fileMenu, "WritePatternSong1", "Write Song Wav");
    WritePatternMidi1 = AddItem(fileMenu, "WritePatternMidi1", "Write Pattern MIDI");
    WriteSongMidi1 = AddItem(fileMenu, "WriteSongMidi1", "Write Song MIDI");
    fileMenu->addSeparator();
    Quit1 = AddItem(fileMenu, "Quit1", "Quit");

    editMenu = bar->addMenu(QStringLiteral("Edit"));
    editMenu->setObjectName(QStringLiteral("Edit1"));
    Undo1 = AddItem(editMenu, "Undo1", "Undo", QKeySequence(Qt::CTRL | Qt::Key_Z));
    Redo1 = AddItem(editMenu, "Redo1", "Redo");
    Redo1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    editMenu->addSeparator();
    Cut1 = AddItem(editMenu, "Cut1", "Cut", QKeySequence(Qt::CTRL | Qt::Key_X));
    Copy1 = AddItem(editMenu, "Copy1", "Copy", QKeySequence(Qt::CTRL | Qt::Key_C));
    Inster1 = AddItem(editMenu, "Inster1", "Paste", QKeySequence(Qt::CTRL | Qt::Key_V));
    Delete1 = AddItem(editMenu, "Delete1", "Delete", QKeySequence(Qt::Key_Delete));

    trackMenu = bar->addMenu(QStringLiteral("Track"));
    trackMenu->setObjectName(QStringLiteral("Track1"));
    AddTrack1 = AddItem(trackMenu, "AddTrack1", "Add Track");
    RemoveTrack1 = AddItem(trackMenu, "RemoveTrack1", "Remove Track");
    RenameTrack1 = AddItem(trackMenu, "RenameTrack1", "Rename Track...", QKeySequence(Qt::Key_F2));
    LearnMidi1 = AddItem(trackMenu, "LearnMidi1", "Learn MIDI Note");

    viewMenu = bar->addMenu(QStringLiteral("View"));
    viewMenu->setObjectName(QStringLiteral("View1"));
    Preferences1 = AddItem(viewMenu, "Preferences1", "Preferences");
    Preferences1->setVisible(false);
    PatternSequencer1 = AddItem(viewMenu, "PatternSequencer1", "Pattern Sequencer");
    // The separate window keeps Play and Stop at hand while the panel is hidden.
    SequencerWindow1 = AddItem(viewMenu, "SequencerWindow1", "Pattern Sequencer Window",
                               QKeySequence(Qt::CTRL | Qt::Key_T));
    SoundLibary1 =
        AddItem(viewMenu, "SoundLibary1", "Sound Libary", QKeySequence(Qt::CTRL | Qt::Key_L));
    WaveOutput1 = AddItem(viewMenu, "WaveOutput1", "Wave Output");
    Midi1 = AddItem(viewMenu, "Midi1", "MIDI");
    Performance1 = AddItem(viewMenu, "Performance1", "Performance");

    helpMenu = bar->addMenu(QStringLiteral("Help"));
    helpMenu->setObjectName(QStringLiteral("Help1"));
    help2 = AddItem(helpMenu, "help2", "Help");
    helpMenu->addSeparator();
    AboutBeatwright1 = AddItem(helpMenu, "AboutBeatwright1", "About Beatwright");
    gotowebsite1 = AddItem(helpMenu, "gotowebsite1", "go to website");
    gotowebsite1->setVisible(*ProductPageUrl != '\0'); // offered once there is a web page

    // The shortcuts work wherever the focus is inside the main window.
    for (QAction* a : {New1,
                       NewEmpty1,
                       Open1,
                       Save1,
                       Saveas1,
                       WriteWav1,
                       WritePatternSong1,
                       Quit1,
                       Undo1,
                       Redo1,
                       Cut1,
                       Copy1,
                       Inster1,
                       Delete1,
                       AddTrack1,
                       RemoveTrack1,
                       RenameTrack1,
                       Preferences1,
                       PatternSequencer1,
                       SequencerWindow1,
                       SoundLibary1,
                       WaveOutput1,
                       Performance1,
                       help2,
                       AboutBeatwright1,
                       gotowebsite1}) {
        a->setShortcutContext(Qt::WindowShortcut);
    }

    connect(New1, &QAction::triggered, this, [this] { New1Click(); });
    connect(NewEmpty1, &QAction::triggered, this, [this] { NewEmpty1Click(); });
    connect(AddTrack1, &QAction::triggered, this, [this] { AddTrack1Click(); });
    connect(RemoveTrack1, &QAction::triggered, this, [this] { RemoveTrack1Click(); });
    connect(RenameTrack1, &QAction::triggered, this, [this] { RenameTrack1Click(); });
    connect(Open1, &QAction::triggered, this, [this] { Open1Click(); });
    connect(Save1, &QAction::triggered, this, [this] { Save1Click(); });
    connect(Saveas1, &QAction::triggered, this, [this] { Saveas1Click(); });
    connect(WriteWav1, &QAction::triggered, this, [this] { WriteWav1Click(); });
    connect(WritePatternSong1, &QAction::triggered, this, [this] { WritePatternSong1Click(); });
    connect(WritePatternMidi1, &QAction::triggered, this, [this] { writeMidi(false); });
    connect(WriteSongMidi1, &QAction::triggered, this, [this] { writeMidi(true); });
    connect(LearnMidi1, &QAction::triggered, this, [this] { learnMidiNote(); });
    connect(Quit1, &QAction::triggered, this, [this] { Quit1Click(); });
    connect(Undo1, &QAction::triggered, this, [this] { Undo1Click(); });
    connect(Redo1, &QAction::triggered, this, [this] { Redo1Click(); });
    connect(Cut1, &QAction::triggered, this, [this] { Cut1Click(); });
    connect(Copy1, &QAction::triggered, this, [this] { Copy1Click(); });
    connect(Inster1, &QAction::triggered, this, [this] { Inster1Click(); });
    connect(Delete1, &QAction::triggered, this, [this] { Delete1Click(); });
    connect(Preferences1, &QAction::triggered, this, [this] { Preferences1Click(); });
    connect(PatternSequencer1, &QAction::triggered, this, [this] { PatternSequencer1Click(); });
    connect(SequencerWindow1, &QAction::triggered, this, [this] { SequencerWindow1Click(); });
    connect(SoundLibary1, &QAction::triggered, this, [this] { SoundLibary1Click(); });
    connect(WaveOutput1, &QAction::triggered, this, [this] { WaveOutput1Click(); });
    connect(Midi1, &QAction::triggered, this, [this] { ShowWindow(links().midi); });
    connect(Performance1, &QAction::triggered, this, [this] { Performance1Click(); });
    connect(help2, &QAction::triggered, this, [this] { help2Click(); });
    connect(AboutBeatwright1, &QAction::triggered, this, [this] { AboutBeatwright1Click(); });
    connect(gotowebsite1, &QAction::triggered, this, [this] { gotowebsite1Click(); });
}

void TMain::WriteWav1Click()
{
    if (links().writeWav != nullptr) {
        links().writeWav->openFor(ExportWhat::Pattern);
    }
}

void TMain::WritePatternSong1Click()
{
    if (links().writeWav != nullptr) {
        links().writeWav->openFor(ExportWhat::Song);
    }
}

void TMain::AddTrack1Click()
{
    m_trackList->addTrack();
}

void TMain::RemoveTrack1Click()
{
    m_trackList->removeTrack();
}

void TMain::RenameTrack1Click()
{
    m_trackList->renameTrack(
        m_context->withSong([](const core::TSong& s) { return s.SelectedTrack; }));
}

void TMain::Quit1Click()
{
    close();
}

void TMain::Preferences1Click()
{
    ShowWindow(links().preferences);
}

void TMain::PatternSequencer1Click()
{
    ToggleSequencer();
}

void TMain::SequencerWindow1Click()
{
    ShowWindow(links().sequencer);
}

void TMain::SoundLibary1Click()
{
    ShowWindow(links().soundLibrary);
}

void TMain::WaveOutput1Click()
{
    ShowWindow(links().waveOutput);
}

void TMain::Performance1Click()
{
    ShowWindow(links().performance);
}

void TMain::help2Click()
{
    OpenInBrowser(this, QUrl::fromLocalFile(m_files.help));
}

void TMain::AboutBeatwright1Click()
{
    ShowAbout();
}

void TMain::gotowebsite1Click()
{
    if (*ProductPageUrl == '\0') {
        return;
    }
    OpenInBrowser(this, QUrl(QString::fromLatin1(ProductPageUrl)));
}

void TMain::Image3MouseDown(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton && event->modifiers().testFlag(Qt::ControlModifier)) {
        ShowWindow(links().multiseq);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    // A press on the picture shows the panel; a press while it is shown hides it again, so
    // the picture works as a toggle like the menu item and the label.
    if (!m_sequencer->isShown()) {
        if (m_sequencer->panelWidth() < 50) {
            m_sequencer->setPanelWidth(50);
        }
        m_sequencer->setShown(true);
        FormResize();
        ShowSongSettings();
    } else {
        ToggleSequencer();
    }
}

void TMain::Panel24MouseDown(QMouseEvent* event)
{
    if ((event->modifiers() & Qt::ShiftModifier) != 0) {
        ShowWindow(links().conti);
    }
}

bool TMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && m_editPending) {
        // After the release has reached its widget (which may edit once more).
        QTimer::singleShot(0, this, [this] {
            if (m_editPending && QGuiApplication::mouseButtons() == Qt::NoButton) {
                commitEdit();
            }
        });
    }
    if (event->type() == QEvent::KeyPress && isKeyForThisWindow(watched)) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        for (const QChar c : text) {
            FormKeyPress(c);
        }
        if (text == QLatin1String(" ")) {
            return true; // Space plays; no button or list takes it as well
        }
    }
    if (m_frame == nullptr) {
        return QMainWindow::eventFilter(watched, event);
    }
    const Frame& f = *m_frame;
    if (watched == f.client && event->type() == QEvent::Resize) {
        FormResize();
    } else if (watched == f.seqLabel && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && f.seqLabel->rect().contains(me->pos())) {
            ToggleSequencer();
            return true;
        }
    } else if (watched == f.Panel24 && event->type() == QEvent::MouseButtonPress) {
        Panel24MouseDown(static_cast<QMouseEvent*>(event));
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace bw::ui
