// The GUI program: creates the windows in their order and runs the event loop.

#include "audio/rtmidi_input.h"
#include "audio/rtmidi_output.h"
#include "ui/shell/main_window.h"
#include "ui/shell/program_files.h"
#include "ui/shell/program_windows.h"
#include "ui/shell/quit_signals.h"
#include "ui/widgets/message_box.h"

#ifdef BW_HAVE_SDL_OUT
#include "audio/sdl_output_device.h"
#include "audio/sdl_wave_out.h"
#endif

#include <cstdio>
#include <memory>

#include <QApplication>

namespace {

/// The sound the program plays: through SDL when built with it (the output kept open, and
/// a device of its own for the wave player demo), else into nothing.
bw::ui::SoundOutputs Outputs()
{
#ifdef BW_HAVE_SDL_OUT
    bw::ui::SoundOutputs outputs{[] { return std::make_unique<bw::audio::SdlOutputDevice>(); },
                                 [] { return std::make_unique<bw::audio::SdlWaveOut>(); },
                                 {},
                                 {}};
#else
    bw::ui::SoundOutputs outputs{};
#endif
    outputs.midi = []() -> std::unique_ptr<bw::audio::MidiInputSource> {
        auto source = std::make_unique<bw::audio::RtMidiInputSource>();
        if (!source->why().empty()) {
            // Said once; the program runs on without MIDI.
            std::fprintf(stderr, "%s\n", source->why().c_str());
        }
        return source;
    };
    // Clock out; where there is no MIDI service the input has said so already.
    outputs.midiOut = []() -> std::unique_ptr<bw::audio::MidiOutputSink> {
        return std::make_unique<bw::audio::RtMidiOutputSink>();
    };
    return outputs;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Beat Wright"));
    QApplication::setDesktopFileName(QString::fromLatin1(bw::ui::DesktopFileName));
    // The program ends with its main window, whatever tool windows are still open.
    QApplication::setQuitOnLastWindowClosed(false);

    // A build folder works in its own folder; an installed program on the user's copies.
    const bw::ui::ProgramFiles files =
        bw::ui::LocateProgramFiles(QCoreApplication::applicationDirPath());
    auto windows = bw::ui::CreateProgramWindows(files, Outputs());
    if (!files.problem.isEmpty()) {
        bw::ui::ShowMessage(windows->main.get(), files.problem, QStringLiteral("!"));
    }
    QObject::connect(windows->main.get(), &bw::ui::TMain::closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    // A logout, `kill` or Ctrl-C quits at once, keeping unsaved changes for the next start.
    const bw::ui::QuitSignals quitSignals(*windows->main);
    windows->main->show();
    // A song file named on the command line opens as the song, as desktop programs do.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        windows->main->openFile(args.at(1));
    }
    // Changes the last run could not save are offered back.
    windows->main->offerRecovery();
    const int result = QApplication::exec();
    windows.reset();
    return result;
}
