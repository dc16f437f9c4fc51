// Times the main window: start-up to a painted window, a full repaint of the pattern grid and
// of the value lane with every slot of 31 tracks filled at 8 beats x 8 ticks, and the CPU
// share of playing the starter song in real time. A measurement, not a test: it prints
// figures and asserts nothing.
//
//   ui_bench PROGRAM_DIR [SECONDS]     (run with QT_QPA_PLATFORM=offscreen or on a display;
//                                       SDL_AUDIODRIVER picks the sound device)

#include "audio/sdl_output_device.h"
#include "audio/sdl_wave_out.h"
#include "ui/regions/pattern_grid.h"
#include "ui/regions/transport_band.h"
#include "ui/regions/value_lane.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/program_windows.h"
#include "ui/widgets/paint_box.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

/// Median milliseconds of rendering widget (and its children) into an image, as a repaint
/// of the whole widget does.
double MedianRepaintMs(QWidget* widget, int runs)
{
    QImage target(widget->size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        target.fill(Qt::black);
        QPainter p(&target);
        const auto t0 = Clock::now();
        widget->render(&p);
        p.end();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    const auto processStart = Clock::now();
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_bench PROGRAM_DIR [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    auto windows =
        bw::ui::CreateProgramWindows(QString::fromLocal8Bit(argv[1]),
                                     {[] { return std::make_unique<bw::audio::SdlOutputDevice>(); },
                                      [] { return std::make_unique<bw::audio::SdlWaveOut>(); },
                                      {},
                                      {}});
    bw::ui::TMain& main = *windows->main;
    main.show();
    if (!QTest::qWaitForWindowExposed(&main)) {
        std::fprintf(stderr, "the window did not show\n");
        return 1;
    }
    QApplication::processEvents();
    main.grab(); // the first full paint
    const double startMs =
        std::chrono::duration<double, std::milli>(Clock::now() - processStart).count();

    // Playback of the song as it loaded (the starter song), in real time.
    const double idleCpu0 = CpuSeconds();
    QTest::qWait(1000);
    const double idleShare = (CpuSeconds() - idleCpu0) / 1.0;
    main.playbClick();
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < static_cast<qint64>(seconds) * 1000) {
        QTest::qWait(100);
    }
    const double playShare = (CpuSeconds() - cpu0) / (static_cast<double>(wall.elapsed()) / 1e3);
    main.stopBClick();
    QTest::qWait(300);

    // The densest pattern the editor can show.
    main.resize(1280, 900);
    QTest::qWait(50);
    main.context().withSong([](bw::core::TSong& s) {
        s.TrackCount = bw::core::MaxTracks;
        s.Beats = 8;
        s.Ticks = 8;
        for (auto& row : s.Events) {
            for (std::size_t p = 0; p < row.size(); ++p) {
                row[p].Volume = 2 + static_cast<int>(p * 37 % 9999);
                row[p].Selected = p % 3 == 0 ? 1 : 0;
            }
        }
    });
    main.grid().setRowCount(bw::core::MaxTracks);
    main.ShowSongSettings();
    QTest::qWait(50);
    const double gridMs = MedianRepaintMs(main.grid().PaintBox2, 30);
    const double laneMs = MedianRepaintMs(main.valueLane().valbox, 30);

    std::printf("start-up to a painted main window: %.0f ms\n", startMs);
    std::printf("grid full repaint, 31 tracks x 257 slots, 8x8 steps, %dx%d px: %.2f ms\n",
                main.grid().PaintBox2->width(), main.grid().PaintBox2->height(), gridMs);
    std::printf("value lane full repaint, %d px wide: %.2f ms\n", main.valueLane().valbox->width(),
                laneMs);
    std::printf("CPU while idle: %.1f %% of one core; playing the song: %.1f %% of one core "
                "(%d s)\n",
                idleShare * 100.0, playShare * 100.0, seconds);
    main.close();
    return 0;
}
