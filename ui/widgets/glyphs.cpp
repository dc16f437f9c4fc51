#include "ui/widgets/glyphs.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygonF>

namespace bw::ui {

QIcon MakeGlyph(Glyph glyph)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case Glyph::Play:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2e, 0xb8, 0x4a));
        p.drawPolygon(QPolygonF({QPointF(4, 2), QPointF(14, 8), QPointF(4, 14)}));
        break;
    case Glyph::Stop:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xd0, 0x3a, 0x2c));
        p.drawRoundedRect(QRectF(3, 3, 10, 10), 1.5, 1.5);
        break;
    case Glyph::ZoomIn:
    case Glyph::ZoomOut:
        // A magnifying glass with a plus or a minus in its lens.
        p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.6));
        p.setBrush(QColor(0xf4, 0xf8, 0xff));
        p.drawEllipse(QRectF(1.5, 1.5, 9.5, 9.5));
        p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(14.2, 14.2));
        p.setPen(QPen(QColor(0x20, 0x50, 0xa0), 1.5));
        p.drawLine(QPointF(3.8, 6.25), QPointF(8.7, 6.25));
        if (glyph == Glyph::ZoomIn) {
            p.drawLine(QPointF(6.25, 3.8), QPointF(6.25, 8.7));
        }
        break;
    }
    return QIcon(pm);
}

} // namespace bw::ui
