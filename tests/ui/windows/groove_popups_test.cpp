// The shuffle, delay and low-pass popups, opened from their boxes in the transport band.

#include "sound_test_support.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/editor_context.h"
#include "ui/widgets/paint_box.h"
#include "ui/windows/groove_popups.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QObject>
#include <QScreen>
#include <QSlider>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

/// How many pixels of the image are red (the shuffle preview's markers).
int RedPixels(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            n += c.red() > 200 && c.green() < 60 && c.blue() < 60 ? 1 : 0;
        }
    }
    return n;
}

} // namespace

class GroovePopupsTest : public QObject
{
    Q_OBJECT

private slots:
    void shuffleBoxOpensItsPopupWhichSetsAmountAndGrid()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        TransportBand& band = main.transportBand();
        TShuffelForm& popup = *program.windows->shuffelForm;
        ClickAt(band.Panel32, QPoint(5, 5));
        QVERIFY(popup.isVisible());
        QCOMPARE(popup.pos(), band.Panel32->mapToGlobal(QPoint(0, 0)));
        QCOMPARE(popup.Label1->text(), QStringLiteral("0%"));
        QCOMPARE(popup.SQ->currentText(), QStringLiteral("2"));
        const QImage unshuffled = popup.p1->grab().toImage();
        QVERIFY(RedPixels(unshuffled) > 4 * 21 * 10); // 21 markers

        popup.TrackBar1->setValue(50);
        QCOMPARE(popup.Label1->text(), QStringLiteral("50%"));
        QCOMPARE(main.song().ShuffleAmount, 50);
        QCOMPARE(band.Panel32->text(), QStringLiteral("50%"));
        // The preview moves the off-beat markers.
        QVERIFY(popup.p1->grab().toImage() != unshuffled);
        SaveScreenshot(popup, "shuffle_popup.png");

        // The grid stays within 2..256: beyond either end the engine would divide by zero.
        const struct
        {
            const char* typed;
            int stored;
        } grids[] = {{"0", 2}, {"1", 2}, {"abc", 2}, {"300", 256}, {"256", 256}, {"6", 6}};
        for (const auto& g : grids) {
            popup.SQ->setEditText(QString::fromLatin1(g.typed));
            QCOMPARE(main.song().ShuffleDivision, g.stored);
            QCOMPARE(popup.SQ->currentText(), QString::number(g.stored));
            QCOMPARE(main.song().ShuffleAmount, 50);
        }
        popup.close();
        QCOMPARE(band.Panel32->text(), QStringLiteral("50%"));

        // Shown again, it reads the song.
        main.context().withSong([](core::TSong& s) { core::SetShuffle(s, 20, 3); });
        ClickAt(band.Panel32, QPoint(5, 5));
        QCOMPARE(popup.TrackBar1->value(), 20);
        QCOMPARE(popup.SQ->currentText(), QStringLiteral("3"));
        popup.close();
    }

    void delayBoxOpensItsPopupWhichKeepsTheDivisorAboveZero()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        TransportBand& band = main.transportBand();
        TDelayF& popup = *program.windows->delayF;
        ClickAt(band.Panel30, QPoint(5, 5));
        QVERIFY(popup.isVisible());
        QCOMPARE(popup.mea->value(), 3);
        QCOMPARE(popup.fee->value(), 60);
        QCOMPARE(popup.SQ->currentText(), QStringLiteral("2"));

        popup.fee->setValue(40);
        popup.mea->setValue(10);
        QCOMPARE(main.song().DelayFeedback, 40);
        QCOMPARE(main.song().DelayRepeats, 10);
        QCOMPARE(band.Panel30->text(), QStringLiteral("40%"));
        SaveScreenshot(popup, "delay_popup.png");

        for (const char* typed : {"0", "-3", "abc", ""}) {
            popup.SQ->setEditText(QString::fromLatin1(typed));
            QCOMPARE(main.song().DelayDivision, 1);
            QCOMPARE(popup.SQ->currentText(), QStringLiteral("1"));
        }
        popup.SQ->setCurrentIndex(5); // "8"
        QCOMPARE(main.song().DelayDivision, 8);
        popup.close();
        QCOMPARE(band.Panel30->text(), QStringLiteral("40%"));
    }

    void popupsStayOnTheScreenAndTheLowPassChangesNothing()
    {
        ShownProgram program({"Kick"});
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        TDelayF& delay = *program.windows->delayF;
        delay.popupAt(screen.bottomRight() - QPoint(10, 10));
        QVERIFY(screen.contains(delay.frameGeometry()));
        delay.close();

        TLowPassF& lowPass = *program.windows->lowPassF;
        const core::TSong& song = program.main().song();
        const int feedback = song.DelayFeedback;
        lowPass.popupAt(QPoint(20, 20));
        QVERIFY(lowPass.isVisible());
        QCOMPARE(lowPass.titleLabel()->text(), QStringLiteral("Low Pass"));
        lowPass.close();
        QCOMPARE(song.DelayFeedback, feedback);
        QVERIFY(!program.main().transportBand().lowPassGroup->isVisible());
    }
};

std::unique_ptr<QObject> MakeGroovePopupsTest()
{
    return std::make_unique<GroovePopupsTest>();
}

} // namespace bw::testing

#include "groove_popups_test.moc"
