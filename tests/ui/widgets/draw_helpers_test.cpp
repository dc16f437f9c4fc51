// Grid geometry, the drawing routines and the skin's pictures.

#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/skin.h"

#include <memory>

#include <QImage>
#include <QObject>
#include <QPainter>
#include <QTest>

namespace bw::testing {

using namespace bw::ui;

namespace {

QImage Canvas(int w, int h, QColor fill)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

} // namespace

class DrawHelpersTest : public QObject
{
    Q_OBJECT

private slots:
    void posFromXRightEdgeIs256()
    {
        for (const int width : {100, 333, 768, 800, 1920}) {
            for (const int steps : {1, 3, 12, 16, 64}) {
                QCOMPARE(PosFromX(width, width, steps), 256);
                QCOMPARE(PosFromX(width + 40, width, steps), 256);
            }
        }
    }

    void posFromXSnapsToSteps()
    {
        // Twelve steps over 768 px: 64 px a step, landing on k * 256 / 12.
        const int expected[] = {0, 21, 42, 64, 85};
        for (int k = 0; k < 5; ++k) {
            QCOMPARE(PosFromX(k * 64, 768, 12), expected[k]);
            // Just short of half a step past the line still snaps back to it...
            QCOMPARE(PosFromX(k * 64 + 31, 768, 12), expected[k]);
        }
        // ...half a step or more goes on to the next one.
        QCOMPARE(PosFromX(32, 768, 12), 21);
        // The last step's right half lands on the right edge.
        QCOMPARE(PosFromX(767, 768, 12), 256);
    }

    void posFromXLeftOfGridIsZero()
    {
        QCOMPARE(PosFromX(-1, 768, 12), 0);
        QCOMPARE(PosFromX(-500, 768, 12), 0);
        QCOMPARE(PosFromX(10, 0, 12), 0);
    }

    void rowsAndColumns()
    {
        QCOMPARE(XFromPos(0, 800), 0);
        QCOMPARE(XFromPos(256, 800), 800);
        QCOMPARE(XFromPos(64, 800), 200);
        QCOMPARE(RowFromY(0, 24, 12), 0);
        QCOMPARE(RowFromY(47, 24, 12), 1);
        QCOMPARE(RowFromY(24 * 40, 24, 12), 11); // below the last row
        QCOMPARE(RowFromY(-30, 24, 12), 0);
        QCOMPARE(RowCentreY(0, 24), 12);
        QCOMPARE(RowCentreY(3, 24), 84);
    }

    void colorsArePackedBlueGreenRed()
    {
        QCOMPARE(PackColor(255, 0, 0), 0x0000FFu);
        QCOMPARE(PackColor(0, 0, 255), 0xFF0000u);
        QCOMPARE(PackColor(1, 2, 3), 0x030201u);
        QCOMPARE(ToQColor(colors::Red), QColor(255, 0, 0));
        QCOMPARE(ToQColor(colors::Teal), QColor(0, 128, 128));
        QCOMPARE(ToQColor(PackColor(10, 20, 30)), QColor(10, 20, 30));
    }

    void markerOutlineDrawnTwiceLeavesNoTrace()
    {
        QImage img = Canvas(60, 60, QColor(30, 90, 150));
        const QImage before = img;
        {
            QPainter p(&img);
            DrawMarkerOutline(p, 20, 30);
        }
        QVERIFY(img != before);
        const QColor inverted(255 - 30, 255 - 90, 255 - 150);
        QCOMPARE(img.pixelColor(20, 30), inverted);            // the back edge
        QCOMPARE(img.pixelColor(20, 20), inverted);            // a corner, inverted once
        QCOMPARE(img.pixelColor(25, 25), inverted);            // the upper edge
        QCOMPARE(img.pixelColor(24, 30), QColor(30, 90, 150)); // inside stays
        {
            QPainter p(&img);
            DrawMarkerOutline(p, 20, 30);
        }
        QCOMPARE(img, before);
    }

    void eventMarkers()
    {
        const Skin skin;
        QImage img = Canvas(80, 60, QColor(20, 20, 40));
        {
            QPainter p(&img);
            DrawEventMarker(p, 10, false, 30, &skin);
            DrawEventMarker(p, 40, true, 30, &skin);
        }
        // Unselected: the white triangle ANDed with the score picture shows the picture.
        QCOMPARE(img.pixelColor(13, 30).rgb(), skin.score.pixelColor(3, 24).rgb());
        // The score picture is white outside its triangle, so the background stays.
        QCOMPARE(img.pixelColor(30, 30), QColor(20, 20, 40));
        // Selected: lime inside, no picture.
        QCOMPARE(img.pixelColor(43, 30), QColor(0, 255, 0));
    }

    void markersLightTheShareOfTheirVolume()
    {
        QCOMPARE(MarkerLevel(2000), 7);
        QCOMPARE(MarkerLevel(5000), 11);
        QCOMPARE(MarkerLevel(7500), 14);
        QCOMPARE(MarkerLevel(10000), MarkerRows);
        QCOMPARE(MarkerLevel(2), 1); // never an empty-looking event
        QCOMPARE(MarkerLevel(-5), 1);
        QCOMPARE(MarkerLevel(99999), MarkerRows);
        for (int v = 3; v <= 10000; ++v) {
            QVERIFY(MarkerLevel(v) >= MarkerLevel(v - 1));
        }
        // Drawn, with the skin's sprites and without them (antialiased, or pointing left):
        // the unlit rows are darker than the lit ones, at full volume nothing is.
        const Skin skin;
        QCOMPARE(skin.markerLevels.back(), skin.markerSprite);
        for (const bool antialiased : {false, true}) {
            for (const MarkerDirection d : {MarkerDirection::Right, MarkerDirection::Left}) {
                const int tipDx = d == MarkerDirection::Right ? 3 : -3;
                const auto draw = [&](int volume) {
                    QImage img = Canvas(40, 40, QColor(20, 20, 40));
                    QPainter p(&img);
                    p.setRenderHint(QPainter::Antialiasing, antialiased);
                    DrawEventMarker(p, 20, false, 20, &skin, d, volume);
                    return img;
                };
                const QImage soft = draw(2000);
                const QImage full = draw(10000);
                // (20 + tipDx, 14) lies in the unlit top of a 2000 marker, (.., 27) lit.
                QVERIFY(soft.pixelColor(20 + tipDx, 14).value() <
                        full.pixelColor(20 + tipDx, 14).value() - 60);
                QCOMPARE(soft.pixelColor(20 + tipDx, 27), full.pixelColor(20 + tipDx, 27));
            }
        }
    }

    void skinPanelCornersOnlyForTealAndGray()
    {
        const Skin skin;
        for (const BgrColor color : {colors::Teal, colors::Gray, colors::Navy}) {
            QImage img = Canvas(100, 50, Qt::black);
            {
                QPainter p(&img);
                DrawSkinPanel(p, 0, 0, 100, 50, color, &skin);
            }
            int off = 0;
            for (int y = 0; y < 49; ++y) {
                for (int x = 1; x < 99; ++x) {
                    if (img.pixelColor(x, y) != ToQColor(color)) {
                        ++off;
                    }
                }
            }
            QCOMPARE(img.pixelColor(0, 25), QColor(Qt::white));
            QCOMPARE(img.pixelColor(99, 25), QColor(Qt::white));
            if (color == colors::Navy) {
                QCOMPARE(off, 0);
            } else {
                QVERIFY2(off > 20, "corner pieces expected");
                QCOMPARE(img.pixelColor(50, 25), ToQColor(color)); // middle untouched
            }
        }
    }

    void tilesCoverTheScrolledArea()
    {
        QImage tile(10, 7, QImage::Format_RGB32);
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 10; ++x) {
                tile.setPixelColor(x, y, QColor(x * 20, y * 30, 200));
            }
        }
        QImage content = Canvas(200, 150, Qt::black);
        const int x0 = 37, y0 = 22, visW = 61, visH = 45;
        {
            QPainter p(&content);
            TileBitmap(p, tile, x0, visH, visW, y0);
        }
        for (int y = y0; y < y0 + visH; ++y) {
            for (int x = x0; x < x0 + visW; ++x) {
                QCOMPARE(content.pixelColor(x, y), tile.pixelColor(x % 10, y % 7));
            }
        }
        // Far outside the visible part nothing is drawn.
        QCOMPARE(content.pixelColor(190, 140), QColor(Qt::black));
        QCOMPARE(content.pixelColor(2, 2), QColor(Qt::black));
    }

    void rulerShiftsTicksByTheScrollRemainder()
    {
        QImage img = Canvas(120, 40, Qt::white);
        {
            QPainter p(&img);
            // Offset 13 with spacing 8: ticks at 8d - 5; beat numbers d + 1.
            DrawRuler(p, 13, 8, 40, 119);
        }
        const QColor black(Qt::black);
        QCOMPARE(img.pixelColor(3, 38), black);  // d = 1, beat 2: short tick
        QVERIFY(img.pixelColor(3, 34) != black); // ...only 4 px high
        QCOMPARE(img.pixelColor(19, 34), black); // d = 3, beat 4: long tick
        QCOMPARE(img.pixelColor(11, 38), black); // d = 2, short
        QVERIFY(img.pixelColor(11, 34) != black);
        QCOMPARE(img.pixelColor(51, 34), black); // d = 7, beat 8: long
    }
};

std::unique_ptr<QObject> MakeDrawHelpersTest()
{
    return std::make_unique<DrawHelpersTest>();
}

} // namespace bw::testing

#include "draw_helpers_test.moc"
