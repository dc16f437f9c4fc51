// The mixer strip: one column per track across the strip.

#include "ui/draw_helpers.h"
#include "ui/editor_context.h"
#include "ui/main_window.h"
#include "ui/mixer_strip.h"
#include "ui/paint_box.h"
#include "ui_test_support.h"

#include <QFrame>
#include <QObject>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// How many of the equal columns of the numbers row hold light (number) pixels.
int ColumnsWithNumbers(PaintBox& numbers, int tracks)
{
    const QImage img = numbers.grab().toImage();
    const int w = img.width() / tracks;
    int found = 0;
    for (int c = 0; c < tracks; ++c) {
        bool white = false;
        for (int x = c * w; x < (c + 1) * w && !white; ++x) {
            for (int y = 0; y < img.height() && !white; ++y) {
                white = img.pixelColor(x, y).lightness() > 200; // gray is 128
            }
        }
        found += white ? 1 : 0;
    }
    return found;
}

} // namespace

class MixerStripTest : public QObject
{
    Q_OBJECT

private slots:
    void everyTrackHasItsNumberedColumn()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        MixerStrip& mixer = main.mixer();
        QCOMPARE(ColumnsWithNumbers(*mixer.PaintBox6, 12), 12);
        {
            std::lock_guard<core::SongLock> guard(main.songLock());
            main.song().TrackCount = 5;
        }
        main.context().documentEdited();
        QCOMPARE(ColumnsWithNumbers(*mixer.PaintBox6, 5), 5);
        // The strip's rows fill it from top to bottom.
        QCOMPARE(mixer.Volumemix->height() + mixer.panmix->height() + mixer.PaintBox6->height(),
                 mixer.Panel9->height());
    }
};

std::unique_ptr<QObject> MakeMixerStripTest()
{
    return std::make_unique<MixerStripTest>();
}

} // namespace bw::testing

#include "mixer_strip_test.moc"
