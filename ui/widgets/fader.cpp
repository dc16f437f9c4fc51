#include "ui/widgets/fader.h"

#include "ui/widgets/skin.h"

#include <algorithm>

#include <QPainter>

namespace bw::ui {

namespace {

constexpr int DesignCapWidth = 25; // fadob and fadunt
constexpr int DesignCapHeight = 17;

/// An ellipse inside the box from (x1, y1) to (x2, y2), right and bottom edge excluded.
void Ellipse(QPainter& p, int x1, int y1, int x2, int y2)
{
    p.drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void DrawVertical(TFader& f)
{
    QPainter& p = *f.Canvas;
    const Skin* s = f.Images;
    const int wo = s != nullptr ? s->fadob.width() : DesignCapWidth;
    const int ho = s != nullptr ? s->fadob.height() : DesignCapHeight;
    const int hu = s != nullptr ? s->fadunt.height() : DesignCapHeight;
    const QColor gray = ToQColor(colors::Gray);
    p.setPen(gray);
    p.setBrush(gray);
    const int grooveLeft = f.CentreX - wo / 2 + 1;
    const int grooveRight = f.CentreX + wo / 2 - 1;
    FillQuad(p, grooveLeft, f.Top + ho, grooveRight, f.Bottom - hu);
    if (s != nullptr) {
        p.drawImage(f.CentreX - wo / 2, f.Top, s->fadob);
        p.drawImage(f.CentreX - wo / 2, f.Bottom - hu, s->fadunt);
    }
    p.setPen(ToQColor(colors::White));
    p.drawLine(grooveLeft, f.Top + ho, grooveLeft, f.Bottom - hu);
    p.drawLine(grooveRight, f.Top + ho, grooveRight, f.Bottom - hu);

    const int span = f.MaxValue != 0 ? f.MaxValue : 1;
    const int m = (f.Value - f.MinValue) * (f.Bottom - f.Top - 19) / span;
    BgrColor brush = f.KnobBrush;
    if (f.Tinted == 1) {
        const int v = std::clamp(f.Value * 255 / span, 0, 255);
        if (f.KnobBrush == colors::Red) {
            brush = PackColor(255, v, v);
        } else if (f.KnobBrush == colors::Blue) {
            brush = PackColor(v, v, 255);
        }
    }
    p.setPen(ToQColor(f.KnobPen));
    p.setBrush(ToQColor(brush));
    Ellipse(p, f.CentreX - 4, f.Top + m + 6, f.CentreX + 4, f.Top + m + 13);
}

void DrawHorizontal(TFader& f)
{
    QPainter& p = *f.Canvas;
    const Skin* s = f.Images;
    const int wl = s != nullptr ? s->sfadleft.width() : 0;
    const int wr = s != nullptr ? s->sfadright.width() : 0;
    // The slider stays inside its box, however narrow the column.
    p.save();
    p.setClipRect(QRect(QPoint(f.Left, f.Top), QPoint(f.Right, f.Bottom)), Qt::IntersectClip);
    const int grooveLeft = f.Left + wl;
    const int grooveRight = f.Right - wr;
    const QColor gray = ToQColor(colors::Gray);
    p.setPen(gray);
    p.setBrush(gray);
    if (grooveLeft < grooveRight) {
        FillQuad(p, grooveLeft, f.CentreY - 2, grooveRight, f.CentreY + 2);
    }
    if (s != nullptr) {
        p.drawImage(f.Left, f.CentreY - s->sfadleft.height() / 2, s->sfadleft);
        p.drawImage(f.Right - wr, f.CentreY - s->sfadright.height() / 2, s->sfadright);
    }
    if (grooveLeft < grooveRight) {
        p.setPen(ToQColor(colors::White));
        p.drawLine(grooveLeft, f.CentreY - 2, grooveRight, f.CentreY - 2);
        p.drawLine(grooveLeft, f.CentreY + 2, grooveRight, f.CentreY + 2);
    }
    if (f.CentreMark == 1) {
        const int m = f.Left + (f.Right - f.Left) / 2;
        p.setPen(ToQColor(colors::Silver));
        p.setBrush(ToQColor(colors::White));
        Ellipse(p, m - 3, f.CentreY - 4, m + 3, f.CentreY + 4);
    }
    const int span = f.MaxValue != 0 ? f.MaxValue : 1;
    const int m = (f.Value - f.MinValue) * (f.Right - f.Left - 10) / span;
    p.setPen(ToQColor(f.KnobBrush));
    p.setBrush(ToQColor(f.KnobPen));
    Ellipse(p, f.Left + m + 2, f.CentreY - 3, f.Left + m + 8, f.CentreY + 3);
    p.restore();
}

} // namespace

void InitFader(TFader& fader)
{
    QPainter* canvas = fader.Canvas;
    const Skin* images = fader.Images;
    fader = TFader{};
    fader.Canvas = canvas;
    fader.Images = images;
}

void CentreFader(TFader& fader)
{
    fader.CentreX = fader.Left + (fader.Right - fader.Left) / 2;
    fader.CentreY = fader.Top + (fader.Bottom - fader.Top) / 2;
}

void DrawFader(TFader& fader)
{
    if (fader.Canvas == nullptr) {
        return;
    }
    CentreFader(fader);
    if (fader.Kind == TFader::Vertical) {
        DrawVertical(fader);
    } else if (fader.Kind == TFader::Horizontal) {
        DrawHorizontal(fader);
    }
}

std::int32_t FaderValueFromMouse(TFader& fader, int x, int y, std::int32_t current)
{
    CentreFader(fader);
    const int capWidth = fader.Images != nullptr ? fader.Images->fadob.width() : DesignCapWidth;
    const int h = capWidth / 2;
    if (x <= fader.CentreX - h || x >= fader.CentreX + h) {
        return current;
    }
    const int travel = fader.Bottom - fader.Top - 20;
    if (travel <= 0) {
        return current; // a fader too short to move
    }
    const int e = std::clamp(y - fader.Top - 10, 0, travel);
    return fader.MinValue + (fader.MaxValue - fader.MinValue) * e / travel;
}

} // namespace bw::ui
