// Plays the starter song through the sound output in real time while the library window saves
// a big library ("CLOSE and SAVE"), and counts the output's underruns (device callbacks that
// found nothing queued once playback had begun) before, during and after the save. A
// measurement, not a test: it prints figures and asserts nothing.
//
//   SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/tmp/device.raw QT_QPA_PLATFORM=offscreen
//       library_save_check PROGRAM_DIR [MEGABYTES]
//
// PROGRAM_DIR holds the default library and starter song (a build folder); they are copied to
// a temporary folder, and the library saved there grows to MEGABYTES (default 300) of sounds.

#include "audio/sdl_output_device.h"
#include "audio/sdl_wave_out.h"
#include "ui/shell/main_window.h"
#include "ui/shell/program_windows.h"
#include "ui/shell/transport.h"
#include "ui/widgets/message_box.h"
#include "ui/windows/library_window.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Clock = std::chrono::steady_clock;

/// The program's window, for the underrun count of its output's run.
bw::ui::TMain* g_main = nullptr;

std::uint64_t Underruns()
{
    return g_main != nullptr ? g_main->transport().runUnderruns() : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: library_save_check PROGRAM_DIR [MEGABYTES]\n");
        return 2;
    }
    const int megabytes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 300;
    // A message would wait for a click: print it instead.
    bw::ui::SetMessageHandler(
        [](const QString& text, const QString& caption, bw::ui::MessageButtons) {
            std::fprintf(stderr, "message \"%s\": %s\n", qPrintable(caption), qPrintable(text));
            return bw::ui::MessageResult::Ok;
        });
    QTemporaryDir folder;
    for (const char* name : {"default.slb", "default.bwp", "stick.cur"}) {
        QFile::copy(QDir(QString::fromLocal8Bit(argv[1])).filePath(QString::fromLatin1(name)),
                    folder.filePath(QString::fromLatin1(name)));
    }
    auto windows = bw::ui::CreateProgramWindows(
        folder.path(), {[] { return std::make_unique<bw::audio::SdlOutputDevice>(); },
                        [] { return std::make_unique<bw::audio::SdlWaveOut>(); },
                        {},
                        {}});
    bw::ui::TMain& main = *windows->main;
    g_main = &main;
    main.show();
    if (!QTest::qWaitForWindowExposed(&main)) {
        std::fprintf(stderr, "the window did not show\n");
        return 1;
    }

    // Ten-second sounds until the library holds the size asked for.
    std::vector<std::uint8_t> tone(882000);
    for (std::size_t i = 0; i + 1 < tone.size(); i += 2) {
        const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(
            std::lrint(8000.0 * std::sin(0.031 * static_cast<double>(i)))));
        tone[i] = static_cast<std::uint8_t>(v);
        tone[i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    {
        std::lock_guard<bw::core::SongLock> guard(main.songLock());
        for (int i = 0; static_cast<double>(i) * 882087.0 < megabytes * 1048576.0; ++i) {
            main.library().AddSound("Filler " + std::to_string(i), "", 0, 0, 0,
                                    static_cast<std::int32_t>(tone.size()), tone.data());
        }
    }

    main.playbClick();
    QTest::qWait(3000);
    const std::uint64_t beforeSave = Underruns();
    const int positionBefore = main.songPosition();
    main.SoundLibary1->trigger();
    QTest::qWait(200);
    const auto t0 = Clock::now();
    windows->soundlibary->Button3->click();
    const double saveSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
    const std::uint64_t afterSave = Underruns();
    QTest::qWait(2000);
    const std::uint64_t end = Underruns();
    main.stopBClick();
    QTest::qWait(300);

    const QString library = folder.filePath(QStringLiteral("default.slb"));
    std::printf("saved %.0f MB in %.2f s while playing (song position %d -> %d); underruns: %llu "
                "in the 3 s before the save, %llu during it, %llu in the 2 s after it\n",
                static_cast<double>(QFileInfo(library).size()) / 1048576.0, saveSeconds,
                positionBefore, main.songPosition(), static_cast<unsigned long long>(beforeSave),
                static_cast<unsigned long long>(afterSave - beforeSave),
                static_cast<unsigned long long>(end - afterSave));
    main.close();
    return 0;
}
