#include "ui/widgets/skin.h"

#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/skin_markers.h"

#include <array>
#include <cstdint>

#include <QGridLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace bw::ui {

namespace {

// The palette every picture is drawn from: dark slate with an amber accent and teal.
const QColor Slate(0x23, 0x28, 0x33);
const QColor SlateLight(0x3a, 0x41, 0x50);
const QColor SlateDark(0x16, 0x1a, 0x22);
const QColor Amber(0xf5, 0xb0, 0x3c);
const QColor AmberLight(0xff, 0xdc, 0x8c);
const QColor AmberDark(0x9a, 0x58, 0x0e);
const QColor TealTone(0x00, 0x80, 0x80);

QImage Blank(int w, int h, QColor fill = Qt::transparent)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

/// Small deterministic generator, so the skin looks the same on every start.
class Lcg
{
public:
    explicit Lcg(std::uint32_t seed) : m_state(seed) {}
    int next(int range)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<int>((m_state >> 8) % static_cast<std::uint32_t>(range));
    }

private:
    std::uint32_t m_state;
};

QImage DrawStars()
{
    QImage img = Blank(265, 145, QColor(0x1b, 0x21, 0x2d));
    QPainter p(&img);
    Lcg rnd(0x5eed);
    for (int i = 0; i < 70; ++i) {
        const int x = rnd.next(265);
        const int y = rnd.next(145);
        const int b = 90 + rnd.next(120);
        p.setPen(QColor(b, b, std::min(255, b + 30)));
        p.drawPoint(x, y);
    }
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 7; ++i) {
        const int x = 8 + rnd.next(249);
        const int y = 8 + rnd.next(129);
        QRadialGradient g(QPointF(x + 0.5, y + 0.5), 4.0);
        g.setColorAt(0.0, QColor(255, 244, 214, 200));
        g.setColorAt(1.0, QColor(255, 244, 214, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(QPointF(x + 0.5, y + 0.5), 4.0, 4.0);
    }
    return img;
}

QImage DrawScore()
{
    // White leaves the background unchanged under an AND; only the triangle carries colour.
    QImage img = Blank(49, 49, Qt::white);
    QPainter p(&img);
    QPolygon tri;
    tri << QPoint(0, 14) << QPoint(10, 24) << QPoint(0, 34);
    QLinearGradient g(0, 14, 0, 34);
    g.setColorAt(0.0, AmberLight);
    g.setColorAt(0.5, Amber);
    g.setColorAt(1.0, QColor(0xd8, 0x7a, 0x16));
    p.setPen(AmberDark);
    p.setBrush(g);
    p.drawPolygon(tri);
    p.setPen(QColor(0xff, 0xf2, 0xd0));
    p.drawLine(1, 17, 1, 31);
    return img;
}

/// A corner accent: a bevelled quarter-round that sits on a panel corner (the piece is
/// centred on the panel edge, so half of it lies outside and is clipped).
QImage DrawCorner(QColor base, bool upper)
{
    QImage img = Blank(33, 17);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(16.5, upper ? 0.0 : 17.0);
    QRadialGradient g(centre, 13.0);
    g.setColorAt(0.0, base.darker(170));
    g.setColorAt(0.75, base.darker(125));
    g.setColorAt(1.0, QColor(base.red(), base.green(), base.blue(), 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, 13.0, 13.0);
    p.setPen(QPen(base.lighter(160), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 8.0, 8.0);
    p.setPen(Qt::NoPen);
    QRadialGradient screw(QPointF(centre.x() - 1, centre.y() + (upper ? 2 : -2)), 4.5);
    screw.setColorAt(0.0, QColor(250, 250, 250));
    screw.setColorAt(1.0, base.darker(140));
    p.setBrush(screw);
    p.drawEllipse(centre, 4.0, 4.0);
    return img;
}

QImage DrawFaderCap(bool upper)
{
    QImage img = Blank(25, 17);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    if (upper) {
        plate.addRoundedRect(QRectF(0.5, 0.5, 24, 24), 6, 6);
    } else {
        plate.addRoundedRect(QRectF(0.5, -8.5, 24, 25), 6, 6);
    }
    QLinearGradient g(0, 0, 25, 0);
    g.setColorAt(0.0, SlateLight);
    g.setColorAt(0.5, Slate);
    g.setColorAt(1.0, SlateDark);
    p.setClipRect(0, 0, 25, 17);
    p.setPen(QPen(SlateDark, 1));
    p.setBrush(g);
    p.drawPath(plate);
    // The slot the knob runs in.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    if (upper) {
        p.drawRoundedRect(QRectF(11, 7, 3, 14), 1.5, 1.5);
    } else {
        p.drawRoundedRect(QRectF(11, -4, 3, 14), 1.5, 1.5);
    }
    return img;
}

QImage DrawPanPiece(int w, bool left)
{
    QImage img = Blank(w, 17);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(0, 0, w, 17);
    QLinearGradient g(0, 0, 0, 17);
    g.setColorAt(0.0, SlateLight);
    g.setColorAt(1.0, SlateDark);
    p.setPen(QPen(SlateDark, 1));
    p.setBrush(g);
    if (left) {
        p.drawRoundedRect(QRectF(0.5, 0.5, w + 8, 16), 6, 6);
    } else {
        p.drawRoundedRect(QRectF(-8.5, 0.5, w + 8, 16), 6, 6);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    if (left) {
        p.drawRoundedRect(QRectF(8, 7, w, 3), 1.5, 1.5);
    } else {
        p.drawRoundedRect(QRectF(-2, 7, w - 8, 3), 1.5, 1.5);
    }
    p.setBrush(Amber);
    p.drawEllipse(QPointF(left ? 4.5 : w - 4.5, 8.5), 1.6, 1.6);
    return img;
}

QImage DrawSoundRow(int h, QColor top, QColor bottom, QColor numberCell, QColor separator)
{
    QImage img = Blank(137, h);
    QPainter p(&img);
    // Under the last row the rest of the picture shows: let it fade out like a shadow.
    QLinearGradient shade(0, 24, 0, h);
    shade.setColorAt(0.0, separator.darker(160));
    shade.setColorAt(1.0, Slate);
    p.fillRect(0, 24, 137, h - 24, shade);
    for (int band = 0; band < 24; band += 24) {
        QLinearGradient g(0, band, 0, band + 23);
        g.setColorAt(0.0, top);
        g.setColorAt(1.0, bottom);
        p.fillRect(0, band, 137, 24, g);
        p.fillRect(1, band + 1, 20, 22, numberCell);
        p.setPen(top.lighter(112));
        p.drawLine(0, band, 136, band);
        p.setPen(separator);
        p.drawLine(0, band + 23, 136, band + 23);
        p.drawLine(21, band + 1, 21, band + 22);
    }
    // The rightmost 25 px open the sound popup: a small drop mark shows it.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(separator);
    QPolygonF mark;
    mark << QPointF(121, 9) << QPointF(129, 9) << QPointF(125, 14);
    p.drawPolygon(mark);
    return img;
}

QImage DrawRedRock()
{
    QImage img = Blank(25, 17, QColor(0xa8, 0x24, 0x1c));
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, 17);
    g.setColorAt(0.0, QColor(0xd8, 0x4a, 0x34));
    g.setColorAt(1.0, QColor(0x7a, 0x16, 0x10));
    p.fillRect(0, 0, 25, 17, g);
    Lcg rnd(0x0dd);
    for (int i = 0; i < 28; ++i) {
        p.setPen(QColor(0x5a + rnd.next(60), 0x10 + rnd.next(20), 0x0c));
        p.drawPoint(1 + rnd.next(23), 1 + rnd.next(15));
    }
    p.setPen(QColor(0xf0, 0x8a, 0x70));
    p.drawLine(0, 0, 24, 0);
    p.drawLine(0, 0, 0, 16);
    p.setPen(QColor(0x40, 0x08, 0x06));
    p.drawLine(0, 16, 24, 16);
    p.drawLine(24, 0, 24, 16);
    return img;
}

QImage DrawLamp(int h, bool lit)
{
    QImage img = Blank(25, h);
    QPainter p(&img);
    for (int band = 0; band < h; band += 24) {
        QLinearGradient g(0, 0, 19, 0);
        g.setColorAt(0.0, SlateLight);
        g.setColorAt(1.0, Slate);
        p.fillRect(0, band, 25, 24, g);
        p.setPen(SlateDark);
        p.drawLine(0, band + 23, 24, band + 23);
    }
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(9.5, 12.0);
    if (lit) {
        QRadialGradient glow(c, 9.0);
        glow.setColorAt(0.0, QColor(120, 255, 140, 170));
        glow.setColorAt(1.0, QColor(120, 255, 140, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(c, 9.0, 9.0);
    }
    QRadialGradient led(QPointF(c.x() - 1.5, c.y() - 1.5), 6.0);
    if (lit) {
        led.setColorAt(0.0, QColor(0xe8, 0xff, 0xe8));
        led.setColorAt(0.5, QColor(0x3c, 0xe0, 0x5a));
        led.setColorAt(1.0, QColor(0x0e, 0x7a, 0x24));
    } else {
        led.setColorAt(0.0, QColor(0x8a, 0x4a, 0x48));
        led.setColorAt(0.6, QColor(0x4e, 0x1a, 0x1a));
        led.setColorAt(1.0, QColor(0x2a, 0x0c, 0x0c));
    }
    p.setPen(QPen(SlateDark, 1));
    p.setBrush(led);
    p.drawEllipse(c, 5.0, 5.0);
    return img;
}

/// One frame of the little level meter that steps with every block.
QImage DrawAnimFrame(int w, const std::array<int, 4>& levels)
{
    QImage img = Blank(w, 57, SlateDark);
    QPainter p(&img);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const int x = 2 + static_cast<int>(i) * 6;
        for (int seg = 0; seg < levels[i]; ++seg) {
            const int y = 27 - seg * 4;
            const QColor c = seg >= 5 ? QColor(0xff, 0x5a, 0x3c) : seg >= 3 ? Amber : TealTone;
            p.fillRect(x, y, 5, 3, c);
        }
    }
    return img;
}

QImage DrawBadge()
{
    QImage img = Blank(41, 33);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(AmberDark, 1));
    p.setBrush(Slate);
    p.drawRoundedRect(QRectF(0.5, 0.5, 40, 32), 6, 6);
    p.setPen(Amber);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(14);
    p.setFont(f);
    p.drawText(QRect(0, 0, 41, 33), Qt::AlignCenter, QStringLiteral("BW"));
    return img;
}

/// The logo's four rows of 16 steps: a set bit is a lit step, the first step the top bit.
const std::array<std::uint16_t, 4> LogoSteps = {0x8888, 0x2222, 0xAAAA, 0x0904};

/// One step of the logo's motif, lit in its row's colour or dark.
void DrawStep(QPainter& p, const QRectF& box, int row, bool lit, qreal radius)
{
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? (row == 0   ? Amber
                      : row == 2 ? QColor(0x4c, 0xc9, 0xc0)
                                 : AmberLight)
                   : SlateLight);
    p.drawRoundedRect(box, radius, radius);
}

/// The step-grid motif of the logo: four rows of steps, some lit.
void DrawStepMotif(QPainter& p, int left, int top, int cell, int gap)
{
    for (int r = 0; r < 4; ++r) {
        for (int s = 0; s < 16; ++s) {
            const bool lit = (LogoSteps[static_cast<std::size_t>(r)] >> (15 - s) & 1) != 0;
            DrawStep(p, QRectF(left + s * (cell + gap), top + r * (cell + gap), cell, cell), r, lit,
                     1.2);
        }
    }
}

QImage DrawLogo()
{
    QImage img = Blank(145, 73);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 73);
    g.setColorAt(0.0, SlateLight);
    g.setColorAt(1.0, SlateDark);
    p.fillRect(0, 0, 145, 73, g);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(21);
    p.setFont(f);
    const QFontMetrics fm(f);
    const QString beat = QStringLiteral("Beat");
    const QString wright = QStringLiteral("wright");
    const int total = fm.horizontalAdvance(beat) + fm.horizontalAdvance(wright);
    const int x = (145 - total) / 2;
    p.setPen(Qt::white);
    p.drawText(x, 30, beat);
    p.setPen(Amber);
    p.drawText(x + fm.horizontalAdvance(beat), 30, wright);
    DrawStepMotif(p, 9, 40, 6, 2);
    p.setPen(SlateDark);
    p.drawLine(144, 0, 144, 72);
    return img;
}

QImage DrawSeqImage()
{
    QImage img = Blank(63, 73);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 73);
    g.setColorAt(0.0, SlateLight);
    g.setColorAt(1.0, SlateDark);
    p.fillRect(0, 0, 63, 73, g);
    // Placements on lanes, in the colours the sequencer gives patterns of 2..16 beats.
    struct Bar
    {
        int lane = 0;
        int from = 0;
        int len = 0;
        QColor color;
    };
    const std::array<Bar, 6> bars = {{{0, 6, 22, QColor(0x00, 0x00, 0xff)},
                                      {0, 32, 22, QColor(0x00, 0x00, 0xff)},
                                      {1, 14, 12, QColor(0x00, 0x80, 0x00)},
                                      {1, 40, 12, QColor(0x00, 0x80, 0x00)},
                                      {2, 6, 48, QColor(0x00, 0x80, 0x80)},
                                      {3, 22, 26, QColor(0xff, 0x00, 0xff)}}};
    for (int lane = 0; lane < 4; ++lane) {
        p.fillRect(5, 8 + lane * 10, 53, 8, SlateDark);
    }
    for (const Bar& b : bars) {
        QLinearGradient bg(0, 8 + b.lane * 10, 0, 16 + b.lane * 10);
        bg.setColorAt(0.0, b.color.lighter(150));
        bg.setColorAt(1.0, b.color);
        p.setPen(Qt::NoPen);
        p.setBrush(bg);
        p.drawRoundedRect(QRectF(b.from, 9 + b.lane * 10, b.len, 6), 1.5, 1.5);
    }
    p.setPen(QPen(Amber, 1.5));
    p.drawLine(QPointF(27.5, 5), QPointF(27.5, 48));
    return img;
}

QImage DrawSideImage()
{
    QImage img = Blank(49, 98);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 49, 0);
    g.setColorAt(0.0, SlateDark);
    g.setColorAt(0.5, Slate);
    g.setColorAt(1.0, SlateDark);
    p.fillRect(0, 0, 49, 98, g);
    // A speaker grille.
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 11; ++row) {
        for (int col = 0; col < 5; ++col) {
            const double x = 8.5 + col * 8 + (row % 2 == 0 ? 0 : 4);
            const double y = 9.5 + row * 8;
            if (x > 44) {
                continue;
            }
            p.setBrush(Qt::black);
            p.drawEllipse(QPointF(x, y), 2.3, 2.3);
            p.setBrush(QColor(0x50, 0x58, 0x68));
            p.drawEllipse(QPointF(x + 0.6, y + 0.8), 1.0, 1.0);
        }
    }
    p.setPen(QPen(Amber, 2));
    p.drawLine(QPointF(3, 95), QPointF(46, 95));
    return img;
}

QImage DrawAppIcon()
{
    QImage img = Blank(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 64);
    g.setColorAt(0.0, SlateLight);
    g.setColorAt(1.0, SlateDark);
    p.setPen(QPen(AmberDark, 2));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    // The logo's step grid: its first eight steps, every other one, as four by four. The
    // desktop icon (packaging/beatwright.svg) is the same picture.
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const bool lit = (LogoSteps[static_cast<std::size_t>(r)] >> (15 - 2 * c) & 1) != 0;
            DrawStep(p, QRectF(9.5 + c * 12, 9.5 + r * 12, 9, 9), r, lit, 1.8);
        }
    }
    return img;
}

} // namespace

Skin::Skin()
    : stars(DrawStars()), score(DrawScore()), edgup(DrawCorner(QColor(0x80, 0x80, 0x80), true)),
      edgdo(DrawCorner(QColor(0x80, 0x80, 0x80), false)), edgupg(DrawCorner(TealTone, true)),
      edgdog(DrawCorner(TealTone, false)), fadob(DrawFaderCap(true)), fadunt(DrawFaderCap(false)),
      sfadleft(DrawPanPiece(25, true)), sfadright(DrawPanPiece(33, false)),
      soulei(DrawSoundRow(49,
                          QColor(0xe9, 0xec, 0xf1),
                          QColor(0xc6, 0xcc, 0xd6),
                          QColor(0xd4, 0xd9, 0xe2),
                          QColor(0x8a, 0x93, 0xa3))),
      soulei2(DrawSoundRow(33, AmberLight, Amber, QColor(0xf0, 0xc0, 0x6a), AmberDark)),
      redrock(DrawRedRock()), mubu1(DrawLamp(49, true)), mubu2(DrawLamp(25, false)),
      i1(DrawAnimFrame(33, {3, 6, 4, 2})), i2(DrawAnimFrame(33, {5, 3, 6, 4})),
      i3(DrawAnimFrame(25, {2, 4, 3, 6})), b(DrawBadge()), logo(DrawLogo()),
      seqImage(DrawSeqImage()), sideImage(DrawSideImage()), appIcon(DrawAppIcon())
{
    MakeMarkerSprites(score, markerSprite, selectedMarkerSprite);
    markerLevels = MarkerLevels(markerSprite, 320);
    selectedMarkerLevels = MarkerLevels(selectedMarkerSprite, 260);
}

std::vector<Skin::Named> Skin::pictures() const
{
    return {{QStringLiteral("stars"), &stars},
            {QStringLiteral("score"), &score},
            {QStringLiteral("edgup"), &edgup},
            {QStringLiteral("edgdo"), &edgdo},
            {QStringLiteral("edgupg"), &edgupg},
            {QStringLiteral("edgdog"), &edgdog},
            {QStringLiteral("fadob"), &fadob},
            {QStringLiteral("fadunt"), &fadunt},
            {QStringLiteral("sfadleft"), &sfadleft},
            {QStringLiteral("sfadright"), &sfadright},
            {QStringLiteral("soulei"), &soulei},
            {QStringLiteral("soulei2"), &soulei2},
            {QStringLiteral("redrock"), &redrock},
            {QStringLiteral("mubu1"), &mubu1},
            {QStringLiteral("mubu2"), &mubu2},
            {QStringLiteral("i1"), &i1},
            {QStringLiteral("i2"), &i2},
            {QStringLiteral("i3"), &i3},
            {QStringLiteral("b"), &b}};
}

const QImage* Skin::picture(const QString& name) const
{
    for (const Named& n : pictures()) {
        if (n.name == name) {
            return n.image;
        }
    }
    return nullptr;
}

TConti::TConti(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Conti"));
    setWindowTitle(QStringLiteral("Conti"));
    resize(520, 420);
    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    layout->addWidget(m_pages);

    auto* scroll = new QScrollArea(m_pages);
    auto* page = new QWidget(scroll);
    auto* grid = new QGridLayout(page);
    int index = 0;
    for (const Skin::Named& n : m_skin.pictures()) {
        auto* picture = new QLabel(page);
        picture->setObjectName(n.name);
        picture->setPixmap(QPixmap::fromImage(*n.image));
        auto* caption = new QLabel(
            QStringLiteral("%1  %2 x %3").arg(n.name).arg(n.image->width()).arg(n.image->height()),
            page);
        grid->addWidget(picture, (index / 3) * 2, index % 3);
        grid->addWidget(caption, (index / 3) * 2 + 1, index % 3);
        ++index;
    }
    scroll->setWidget(page);
    m_pages->addTab(scroll, QStringLiteral("Pictures"));
}

} // namespace bw::ui
