// The shuffle, delay and low-pass popups, opened from their boxes in the transport band.

#include "sound_test_support.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/editor_context.h"
#include "ui/widgets/paint_box.h"
#include "ui/windows/groove_popups.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
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

        // A grid of 2 swings sixteenths: the eighths' row (the top fifth) stays; a grid of 1
        // moves it.
        const auto eighths = [&popup] {
            const QImage img = popup.p1->grab().toImage();
            return img.copy(0, 0, img.width(), img.height() / TShuffelForm::PreviewRowCount);
        };
        const QImage straightEighths = unshuffled.copy(
            0, 0, unshuffled.width(), unshuffled.height() / TShuffelForm::PreviewRowCount);
        QCOMPARE(eighths(), straightEighths);
        QCOMPARE(popup.SQ->itemText(0), QStringLiteral("1"));
        popup.SQ->setCurrentIndex(0);
        QCOMPARE(main.song().ShuffleDivision, 1);
        QVERIFY(eighths() != straightEighths);

        // The grid stays within 1..256: beyond either end the engine would divide by zero.
        const struct
        {
            const char* typed;
            int stored;
        } grids[] = {{"0", 1}, {"1", 1}, {"abc", 1}, {"300", 256}, {"256", 256}, {"6", 6}};
        for (const auto& g : grids) {
            popup.SQ->setEditText(QString::fromLatin1(g.typed));
            QCOMPARE(main.song().ShuffleDivision, g.stored);
            QCOMPARE(popup.SQ->currentText(), QString::number(g.stored));
            QCOMPARE(main.song().ShuffleAmount, 50);
        }
        // Escape closes it, also while the grid box has the focus.
        popup.SQ->lineEdit()->setFocus();
        QTest::keyClick(popup.SQ->lineEdit(), Qt::Key_Escape);
        QVERIFY(!popup.isVisible());
        QCOMPARE(main.song().ShuffleDivision, 6);
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

    void humanizeBoxOpensItsPopupWhichSetsAmountsAndSeed()
    {
        ShownProgram program({"Kick"});
        TMain& main = program.main();
        TransportBand& band = main.transportBand();
        THumanizeForm& popup = *program.windows->humanizeForm;
        QCOMPARE(band.humanBox->text(), QStringLiteral("off"));
        ClickAt(band.humanBox, QPoint(5, 5));
        QVERIFY(popup.isVisible());
        QCOMPARE(popup.timeBar->maximum(), 20);
        QCOMPARE(popup.volBar->maximum(), 30);
        QCOMPARE(popup.seedValue->text(), QStringLiteral("0000000000000000"));

        popup.timeBar->setValue(12);
        popup.volBar->setValue(25);
        QCOMPARE(main.song().HumanizeTiming, 12);
        QCOMPARE(main.song().HumanizeVolume, 25);
        QCOMPARE(popup.timeValue->text(), QStringLiteral("\u00B112 ms"));
        QCOMPARE(band.humanBox->text(), QStringLiteral("12ms 25%"));
        // "New seed" gives another seed each time, shown as its 16 hex digits.
        QTest::mouseClick(popup.newSeed, Qt::LeftButton);
        const std::uint64_t first = main.song().HumanizeSeed;
        QVERIFY(first != 0);
        QCOMPARE(popup.seedValue->text(),
                 QStringLiteral("%1").arg(first, 16, 16, QLatin1Char('0')));
        QTest::mouseClick(popup.newSeed, Qt::LeftButton);
        QVERIFY(main.song().HumanizeSeed != first);
        SaveScreenshot(popup, "humanize_popup.png");
        popup.close();

        // Shown again it reads the song; amounts a file sets out of range show kept to them.
        main.context().withSong([](core::TSong& s) {
            s.HumanizeTiming = 99;
            s.HumanizeVolume = -3;
        });
        main.context().documentEdited();
        QCOMPARE(band.humanBox->text(), QStringLiteral("20ms 0%"));
        ClickAt(band.humanBox, QPoint(5, 5));
        QCOMPARE(popup.timeBar->value(), 20);
        QCOMPARE(popup.volBar->value(), 0);
        QCOMPARE(main.song().HumanizeTiming, 99); // showing changes nothing
        popup.close();
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
