#include "ui/widgets/skin_markers.h"

#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/skin.h"

#include <QPainter>

namespace bw::ui {

/// Pre-draws the event markers (see Skin::markerSprite). The unselected marker is a white
/// triangle ANDed with score; where the triangle covers, the result is score's colour, and
/// elsewhere the background stays as it is exactly when score is white there.
void MakeMarkerSprites(const QImage& score, QImage& plain, QImage& selected)
{
    const QPolygon tri({QPoint(0, 0), QPoint(10, 10), QPoint(0, 20)});
    QImage cover(11, 21, QImage::Format_ARGB32_Premultiplied);
    cover.fill(Qt::transparent);
    {
        QPainter p(&cover);
        p.setPen(Qt::white);
        p.setBrush(Qt::white);
        p.drawPolygon(tri);
    }
    plain = QImage(11, 21, QImage::Format_ARGB32_Premultiplied);
    plain.fill(Qt::transparent);
    const int top = score.height() / 2 - 10; // the marker's centre row sits on score's middle
    for (int y = 0; y < score.height(); ++y) {
        for (int x = 0; x < score.width(); ++x) {
            const bool inSprite = x < 11 && y >= top && y < top + 21;
            const bool covered = inSprite && qAlpha(cover.pixel(x, y - top)) != 0;
            if (covered) {
                plain.setPixel(x, y - top, score.pixel(x, y) | 0xFF000000u);
            } else if ((score.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu) {
                plain = QImage(); // the AND would change the background: no sprite
                break;
            }
        }
        if (plain.isNull()) {
            break;
        }
    }
    selected = QImage(11, 21, QImage::Format_ARGB32_Premultiplied);
    selected.fill(Qt::transparent);
    QPainter p(&selected);
    p.setPen(Qt::black);
    p.setBrush(QColor(0, 255, 0));
    p.drawPolygon(tri);
}

namespace {

/// The sprite with its rows above the bottom lit ones darkened inside the outline: the shape
/// stays whole, its lit part shows the event's volume.
QImage DimmedAbove(const QImage& sprite, int lit, int darkness)
{
    QImage out = sprite.copy();
    const int w = sprite.width();
    const int h = sprite.height();
    const auto covered = [&sprite, w, h](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && qAlpha(sprite.pixel(x, y)) != 0;
    };
    for (int y = 0; y < h - lit; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool edge = !covered(x - 1, y) || !covered(x + 1, y) || !covered(x, y - 1) ||
                              !covered(x, y + 1);
            if (covered(x, y) && !edge) {
                out.setPixel(x, y, QColor::fromRgba(sprite.pixel(x, y)).darker(darkness).rgba());
            }
        }
    }
    return out;
}

} // namespace

std::vector<QImage> MarkerLevels(const QImage& sprite, int darkness)
{
    std::vector<QImage> levels;
    if (sprite.isNull()) {
        return levels;
    }
    for (int lit = 0; lit <= MarkerRows; ++lit) {
        levels.push_back(lit == MarkerRows ? sprite : DimmedAbove(sprite, lit, darkness));
    }
    return levels;
}

} // namespace bw::ui
