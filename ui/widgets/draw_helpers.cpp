#include "ui/widgets/draw_helpers.h"

#include "ui/widgets/skin.h"

#include <algorithm>
#include <cstdint>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

namespace bw::ui {

namespace {

/// Writes text with its top-left corner at (x, y), as the program's labels place text.
void TextOut(QPainter& p, int x, int y, const QString& text)
{
    const QFontMetrics fm(p.font());
    p.drawText(x, y + fm.ascent(), text);
}

QPolygon Triangle(int x, int y, int tipDx)
{
    QPolygon poly;
    poly << QPoint(x, y - 10) << QPoint(x + tipDx, y) << QPoint(x, y + 10);
    return poly;
}

} // namespace

QColor ToQColor(BgrColor bgr)
{
    return QColor(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                  static_cast<int>((bgr >> 16) & 0xFFu));
}

BgrColor PackColor(int red, int green, int blue)
{
    return static_cast<BgrColor>(red + green * 256 + blue * 65536);
}

int PosFromX(int x, int width, int steps)
{
    if (width <= 0 || steps <= 0) {
        return 0;
    }
    // 64-bit products: a wide zoomed grid times many steps must not overflow.
    const std::int64_t half = (width / steps + 1) / 2;
    const std::int64_t step = std::int64_t{steps} * (x + half) / width;
    const std::int64_t pos = step * 256 / steps;
    // A press left of the grid (a drag that leaves it) must not yield a negative slot.
    return static_cast<int>(std::clamp<std::int64_t>(pos, 0, 256));
}

int XFromPos(int p, int width)
{
    return static_cast<int>(std::int64_t{p} * width / 256);
}

int RowFromY(int y, int rowHeight, int rows)
{
    if (rowHeight <= 0) {
        return 0;
    }
    const int row = std::min(y / rowHeight, rows - 1);
    return std::max(row, 0);
}

int RowCentreY(int row, int rowHeight)
{
    return row * rowHeight + rowHeight / 2;
}

void FillQuad(QPainter& p, int left, int top, int right, int bottom)
{
    QPolygon poly;
    poly << QPoint(left, top) << QPoint(right, top) << QPoint(right, bottom)
         << QPoint(left, bottom);
    p.drawPolygon(poly);
}

void TileBitmap(
    QPainter& p, const QImage& image, int scrollX, int visibleHeight, int visibleWidth, int scrollY)
{
    const int w = image.width();
    const int h = image.height();
    if (w <= 0 || h <= 0) {
        return;
    }
    const int baseX = scrollX - scrollX % w;
    const int baseY = scrollY - scrollY % h;
    const int columns = visibleWidth / w + 1;
    const int rows = visibleHeight / h + 1;
    for (int c = 0; c <= columns; ++c) {
        for (int r = 0; r <= rows; ++r) {
            p.drawImage(baseX + c * w, baseY + r * h, image);
        }
    }
}

int MarkerLevel(int volume)
{
    // The lit part's share of the triangle's area follows the volume, as the eye reads it:
    // the rows are 1, 2, .. 11, .. 2, 1 px wide (121 px in all), so the top rows count little.
    constexpr int Area = 121;
    const std::int64_t wanted = (std::int64_t{std::clamp(volume, 0, 10000)} * Area + 9999) / 10000;
    int lit = 0;
    std::int64_t area = 0;
    while (lit < MarkerRows && (lit == 0 || area < wanted)) {
        const int row = MarkerRows - 1 - lit; // counted from the bottom
        area += std::min(row, MarkerRows - 1 - row) + 1;
        ++lit;
    }
    return lit;
}

namespace {

/// The marker at full volume.
void DrawFullMarker(
    QPainter& p, int x, bool selected, int y, const Skin* skin, const QPolygon& tri, bool right)
{
    if (selected) {
        p.setPen(ToQColor(colors::Black));
        p.setBrush(ToQColor(colors::Lime));
        p.drawPolygon(tri);
        return;
    }
    if (!right) {
        p.setPen(ToQColor(colors::Black));
        p.setBrush(ToQColor(colors::Red));
        p.drawPolygon(tri);
        return;
    }
    p.setPen(ToQColor(colors::White));
    p.setBrush(ToQColor(colors::White));
    p.drawPolygon(tri);
    if (skin != nullptr && !skin->score.isNull()) {
        const QPainter::CompositionMode old = p.compositionMode();
        p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        p.drawImage(x, y - skin->score.height() / 2, skin->score);
        p.setCompositionMode(old);
    }
}

} // namespace

void DrawEventMarker(QPainter& p,
                     int x,
                     bool selected,
                     int y,
                     const Skin* skin,
                     MarkerDirection direction,
                     int volume)
{
    const bool right = direction == MarkerDirection::Right;
    const int lit = MarkerLevel(volume);
    // The grid draws thousands of markers: the skin has them pre-drawn, one per level.
    if (right && skin != nullptr && !p.testRenderHint(QPainter::Antialiasing)) {
        const std::vector<QImage>& levels =
            selected ? skin->selectedMarkerLevels : skin->markerLevels;
        if (levels.size() == static_cast<std::size_t>(MarkerRows) + 1) {
            p.drawImage(x, y - 10, levels[static_cast<std::size_t>(lit)]);
            return;
        }
    }
    const QPolygon tri = Triangle(x, y, right ? 10 : -10);
    DrawFullMarker(p, x, selected, y, skin, tri, right);
    if (lit < MarkerRows) {
        // The unlit rows: darkened inside the outline, the outline stays.
        p.save();
        p.setClipRect(QRect(right ? x : x - 10, y - 10, 11, MarkerRows - lit));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 170));
        p.drawPolygon(Triangle(right ? x + 1 : x - 1, y, right ? 8 : -8));
        p.restore();
    }
}

void DrawMarkerOutline(QPainter& p, int x, int y)
{
    const QPainter::CompositionMode old = p.compositionMode();
    const bool aa = p.testRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(Triangle(x, y, 10));
    p.setCompositionMode(old);
    p.setRenderHint(QPainter::Antialiasing, aa);
}

void DrawSkinPanel(
    QPainter& p, int left, int top, int right, int bottom, BgrColor color, const Skin* skin)
{
    const QColor c = ToQColor(color);
    p.setPen(c);
    p.setBrush(c);
    p.fillRect(QRect(QPoint(left, top), QPoint(right, bottom - 1)), c);
    p.setPen(ToQColor(colors::White));
    p.drawLine(left, top, left, bottom);
    p.drawLine(right - 1, top, right - 1, bottom);
    if (skin == nullptr || (color != colors::Teal && color != colors::Gray)) {
        return;
    }
    const QImage& up = color == colors::Teal ? skin->edgupg : skin->edgup;
    const QImage& down = color == colors::Teal ? skin->edgdog : skin->edgdo;
    for (const int x : {left, right - 1}) {
        p.drawImage(x - up.width() / 2, top, up);
        p.drawImage(x - down.width() / 2, bottom - down.height(), down);
    }
}

void DrawTabButton(
    QPainter& p, int left, int top, int right, int bottom, bool selected, const QString& text)
{
    if (selected) {
        p.setPen(ToQColor(colors::Black));
        p.setBrush(ToQColor(colors::Gray));
        p.drawRoundedRect(QRect(QPoint(left - 2, top - 2), QPoint(right + 1, bottom + 2)), 2.5,
                          2.5);
        p.setPen(ToQColor(colors::White));
    } else {
        p.setPen(ToQColor(colors::Gray));
        p.drawRoundedRect(QRect(QPoint(left - 1, top - 1), QPoint(right + 1, bottom + 1)), 2.5,
                          2.5);
        p.setPen(ToQColor(colors::Black));
    }
    TextOut(p, left + 6, top + 4, text);
}

QFont SmallFont()
{
    QFont f(QStringLiteral("Small Fonts"));
    f.setPointSize(7);
    return f;
}

void DrawRuler(QPainter& p, int scroll, int spacing, int height, int clipRight)
{
    if (spacing <= 0) {
        return;
    }
    p.setFont(SmallFont());
    p.setPen(ToQColor(colors::Black));
    const int shift = scroll % spacing;
    const int first = scroll / spacing;
    const int last = clipRight / spacing;
    for (int d = 0; d <= last; ++d) {
        const int x = spacing * d - shift;
        const int number = d + first;
        if (number % 4 == 0) {
            p.drawLine(x, height - 8, x, height);
            TextOut(p, x, 2, QString::number(number));
        } else {
            p.drawLine(x, height - 4, x, height);
        }
    }
}

void DrawValueTag(QPainter& p, int x, int y, const QString& text)
{
    const QFontMetrics fm(p.font());
    const int w = fm.horizontalAdvance(QStringLiteral("+00")) + 3;
    const int h = fm.height() + 3;
    p.setPen(ToQColor(colors::Silver));
    p.setBrush(ToQColor(colors::Olive));
    p.drawRect(x - w / 2, y - h / 2, w, h);
    p.setPen(ToQColor(colors::White));
    TextOut(p, x - fm.horizontalAdvance(text) / 2, y - fm.height() / 2, text);
}

void DrawCentredText(QPainter& p, int x, int top, const QString& text)
{
    const QFontMetrics fm(p.font());
    TextOut(p, x - fm.horizontalAdvance(text) / 2, top, text);
}

} // namespace bw::ui
