// The mixer strip: one column per track across the strip.

#include "sound_test_support.h"
#include "ui/regions/mixer_strip.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui_test_support.h"

#include <QFrame>
#include <QObject>
#include <QStatusBar>
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

/// The strip at its design size: 699 pixels wide, 98 high.
MixerStrip& StripOf699(TMain& main)
{
    MixerStrip& mixer = main.mixer();
    mixer.setGeometry(QRect(mixer.Panel9->x(), 0, 699, 98));
    return mixer;
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

    void fadersFollowTheMouseRules()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        MixerStrip& mixer = StripOf699(main);
        QCOMPARE(mixer.columnWidth(), 58); // Half 29
        PaintBox* faders = mixer.Volumemix;
        const core::TTrack& t10 = main.song().Tracks[10];

        // x 600 is in track 10's left half: its volume; higher means louder.
        QTest::mousePress(faders, Qt::LeftButton, {}, QPoint(600, 40));
        QVERIFY(main.context().MixerDragging);
        QCOMPARE(t10.Volume, 10000 * 13 / 40);
        QTest::mouseMove(faders, QPoint(600, 2));
        QCOMPARE(t10.Volume, 10000);
        QTest::mouseMove(faders, QPoint(600, 65));
        QCOMPARE(t10.Volume, 0);
        QTest::mouseRelease(faders, Qt::LeftButton, {}, QPoint(600, 65));
        QVERIFY(!main.context().MixerDragging);
        QCOMPARE(main.song().Tracks[9].Volume, 10000);
        QCOMPARE(main.song().Tracks[11].Volume, 10000);

        // Beside the knob's column a left press changes nothing, a right press still sets 7500.
        QTest::mouseClick(faders, Qt::LeftButton, {}, QPoint(581, 30));
        QCOMPARE(t10.Volume, 0);
        QTest::mouseClick(faders, Qt::RightButton, {}, QPoint(581, 30));
        QCOMPARE(t10.Volume, 7500);

        // x 615 is its right half: the delay send below, most send at the top.
        QTest::mousePress(faders, Qt::LeftButton, {}, QPoint(615, 40));
        QCOMPARE(t10.DelaySend, 1000 - 1000 * 10 / 23);
        QTest::mouseMove(faders, QPoint(615, 21));
        QCOMPARE(t10.DelaySend, 1000);
        // Dragged on into the transpose tag: the transpose stays.
        QTest::mouseMove(faders, QPoint(615, 8));
        QCOMPARE(t10.Transpose, 0);
        QTest::mouseMove(faders, QPoint(615, 65));
        QCOMPARE(t10.DelaySend, 0);
        QTest::mouseRelease(faders, Qt::LeftButton, {}, QPoint(615, 65));

        // The tag counts clicks: two up give +2, one down from 0 gives -1.
        QTest::mouseClick(faders, Qt::LeftButton, {}, QPoint(615, 8));
        QTest::mouseClick(faders, Qt::LeftButton, {}, QPoint(615, 8));
        QCOMPARE(t10.Transpose, 2);
        QCOMPARE(faders->onToolTip(QPoint(615, 8)),
                 QStringLiteral("Transpose of track 11: +2 (click: up, right click: down)"));
        QTest::mouseClick(faders, Qt::RightButton, {}, QPoint(58 * 3 + 40, 8));
        QCOMPARE(main.song().Tracks[3].Transpose, -1);

        // The column's middle, the gap above the delay fader and the strip's unused end do
        // nothing.
        const core::TTrack before = t10;
        for (const QPoint at :
             {QPoint(609, 30), QPoint(615, 18), QPoint(615, 19), QPoint(697, 30)}) {
            QTest::mouseClick(faders, Qt::RightButton, {}, at);
        }
        QCOMPARE(t10.Volume, before.Volume);
        QCOMPARE(t10.DelaySend, before.DelaySend);
        QCOMPARE(t10.Transpose, before.Transpose);
        QCOMPARE(main.song().Tracks[11].Volume, 10000);

        QCOMPARE(
            faders->onToolTip(QPoint(600, 40)),
            QStringLiteral("Volume of track 11: 7500 (right click: 7500, double click: 10000)"));
        QCOMPARE(faders->accessibleName(),
                 QStringLiteral("Volume, transpose and delay send of every track"));
    }

    void panEdgesAndCentre()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        MixerStrip& mixer = StripOf699(main);
        const core::TTrack& t10 = main.song().Tracks[10];
        QTest::mouseClick(mixer.panmix, Qt::LeftButton, {}, QPoint(580, 7));
        QCOMPARE(t10.Pan, 0);
        QTest::mouseClick(mixer.panmix, Qt::LeftButton, {}, QPoint(580 + 57, 7));
        QCOMPARE(t10.Pan, 2000);
        QCOMPARE(mixer.panmix->onToolTip(QPoint(600, 7)),
                 QStringLiteral("Pan of track 11: 100% right (2000; right click: centre)"));
        QTest::mouseClick(mixer.panmix, Qt::RightButton, {}, QPoint(600, 7));
        QCOMPARE(t10.Pan, 1000);
        // A drag carries on across the columns, as the pointer goes.
        DragOn(mixer.panmix, QPoint(58 * 2 + 2, 7), QPoint(58 * 2 + 30, 7));
        QCOMPARE(main.song().Tracks[2].Pan, 28 * 2000 / 54);
        QVERIFY(!main.context().MixerDragging);
    }

    void keysStepAndADoubleClickResets()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        MixerStrip& mixer = StripOf699(main);
        const core::TTrack& t10 = main.song().Tracks[10];
        QWidget* faders = mixer.Volumemix;
        // A right press sets 7500 and gives the row the keys; the value shows as it changes.
        QTest::mouseClick(faders, Qt::RightButton, {}, QPoint(600, 40));
        QTest::keyClick(faders, Qt::Key_Up);
        QCOMPARE(t10.Volume, 7500 + MixerStrip::VolumeStep);
        QTest::keyClick(faders, Qt::Key_PageDown);
        QCOMPARE(t10.Volume, 7500 + MixerStrip::VolumeStep * (1 - MixerStrip::PageSteps));
        QCOMPARE(main.statusBar()->currentMessage(),
                 QStringLiteral("Volume of track 11: 6600 (right click: 7500, double click: "
                                "10000)"));
        QTest::mouseDClick(faders, Qt::LeftButton, {}, QPoint(600, 40));
        QCOMPARE(t10.Volume, 10000);
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(faders, Qt::Key_Up); // kept within the range
        }
        QCOMPARE(t10.Volume, 10000);
        // The delay send and the pan likewise.
        QTest::mouseClick(faders, Qt::LeftButton, {}, QPoint(615, 65)); // the fader's foot: 0
        QTest::keyClick(faders, Qt::Key_PageUp);
        QCOMPARE(t10.DelaySend, MixerStrip::DelayStep * MixerStrip::PageSteps);
        QTest::mouseDClick(faders, Qt::LeftButton, {}, QPoint(615, 40));
        QCOMPARE(t10.DelaySend, 0);
        QTest::mouseClick(mixer.panmix, Qt::RightButton, {}, QPoint(600, 7));
        QTest::keyClick(mixer.panmix, Qt::Key_Left);
        QCOMPARE(t10.Pan, 1000 - MixerStrip::PanStep);
        QTest::mouseDClick(mixer.panmix, Qt::LeftButton, {}, QPoint(600, 7));
        QCOMPARE(t10.Pan, 1000);
    }

    void knobsShowTheirValues()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        MixerStrip& mixer = StripOf699(main);
        main.context().withSong([](core::TSong& s) {
            s.Tracks[0].Volume = 10000; // loud: a red knob at the top
            s.Tracks[0].DelaySend = 0;  // none: a white knob at the bottom
            s.Tracks[1].Transpose = 5;
        });
        main.context().documentEdited();
        const QImage img = mixer.Volumemix->grab().toImage();
        const TFader volume = mixer.volumeFader(0, 58);
        QCOMPARE(img.pixelColor(volume.CentreX, volume.Top + 9), QColor(255, 0, 0));
        const TFader delay = mixer.delayFader(0, 58);
        const int m = 1000 * (delay.Bottom - delay.Top - 19) / 1000;
        QCOMPARE(img.pixelColor(delay.CentreX, delay.Top + m + 9), QColor(255, 255, 255));
        SaveScreenshot(*mixer.Panel9, "mixer.png");
    }
};

std::unique_ptr<QObject> MakeMixerStripTest()
{
    return std::make_unique<MixerStripTest>();
}

} // namespace bw::testing

#include "mixer_strip_test.moc"
