#pragma once

#include <cstdint>

#include <QColor>
#include <QImage>
#include <QString>

class QPainter;

namespace bw::ui {

class Skin;

/// A colour as the program writes it: 0xBBGGRR (0x0000FF is red, 0xFF0000 is blue).
using BgrColor = std::uint32_t;

namespace colors {
constexpr BgrColor Black = 0x000000;
constexpr BgrColor White = 0xFFFFFF;
constexpr BgrColor Red = 0x0000FF;
constexpr BgrColor Lime = 0x00FF00;
constexpr BgrColor Blue = 0xFF0000;
constexpr BgrColor Yellow = 0x00FFFF;
constexpr BgrColor Fuchsia = 0xFF00FF;
constexpr BgrColor Green = 0x008000;
constexpr BgrColor Navy = 0x800000;
constexpr BgrColor Maroon = 0x000080;
constexpr BgrColor Olive = 0x008080;
constexpr BgrColor Purple = 0x800080;
constexpr BgrColor Teal = 0x808000;
constexpr BgrColor Gray = 0x808080;
constexpr BgrColor Silver = 0xC0C0C0;
} // namespace colors

/// The one place where a 0xBBGGRR value becomes a Qt colour.
QColor ToQColor(BgrColor bgr);

/// red + green * 256 + blue * 65536; each component 0..255.
BgrColor PackColor(int red, int green, int blue);

// Grid geometry. A pattern spans positions 0..256 over a paint width; steps = beats * ticks.

/// The position of the grid step nearest to pixel x, 0..256.
int PosFromX(int x, int width, int steps);
/// The pixel x of position p (0..256) on a grid of the given width.
int XFromPos(int p, int width);
/// The row under pixel y, 0..rows - 1.
int RowFromY(int y, int rowHeight, int rows);
/// The vertical centre of row r.
int RowCentreY(int row, int rowHeight);

/// Row height of the pattern grid, the sounds column and the mute column.
constexpr int GridRowHeight = 24;

// Drawing routines. Each draws on the painter handed in and restores any composition mode
// it changes; pen and brush are left as the routine's description says.

/// A filled polygon through (left, top), (right, top), (right, bottom), (left, bottom) with the
/// painter's current pen and brush.
void FillQuad(QPainter& p, int left, int top, int right, int bottom);

/// Tiles image over the visible part of a scrolled area, the tiles anchored at content (0, 0).
void TileBitmap(QPainter& p,
                const QImage& image,
                int scrollX,
                int visibleHeight,
                int visibleWidth,
                int scrollY);

enum class MarkerDirection
{
    Right, // the grid's events
    Left,  // the shuffle preview
};

/// The rows of an event marker (21: 20 px high and its last row).
constexpr int MarkerRows = 21;
/// How many of a marker's rows, from the bottom, are lit for an event volume (2..10000):
/// 1..MarkerRows, so that the lit share of the marker's area is the volume's share of 10000
/// (rounded up: no event looks empty). 2000, 5000, 7500 and 10000 light 7, 11, 14 and 21.
int MarkerLevel(int volume);

/// An event marker: a triangle with its tip 10 px from x, 20 px high, centred on y. Unselected
/// right-pointing markers are white with the skin's `score` overlay ANDed over them. Below
/// full volume (10000) only its bottom MarkerLevel(volume) rows are lit; the rest of it is
/// darkened inside its outline.
void DrawEventMarker(QPainter& p,
                     int x,
                     bool selected,
                     int y,
                     const Skin* skin,
                     MarkerDirection direction = MarkerDirection::Right,
                     int volume = 10000);

/// The outline of a right-pointing marker drawn by inverting the pixels under the pen; drawing
/// it twice at the same place restores them. Only meaningful on a raster paint device.
void DrawMarkerOutline(QPainter& p, int x, int y);

/// A framed panel in colour; teal and gray panels get the skin's corner pieces.
void DrawSkinPanel(
    QPainter& p, int left, int top, int right, int bottom, BgrColor color, const Skin* skin);

/// A rounded tab button with its text at (left + 6, top + 4).
void DrawTabButton(
    QPainter& p, int left, int top, int right, int bottom, bool selected, const QString& text);

/// Ticks every spacing px from the scroll offset on, a longer numbered tick every fourth one.
/// clipRight is the right edge of the area to draw.
void DrawRuler(QPainter& p, int scroll, int spacing, int height, int clipRight);

/// An olive value box with a silver edge, centred on (x, y), sized for "+00".
void DrawValueTag(QPainter& p, int x, int y, const QString& text);

/// text with its horizontal centre at x and its top at y.
void DrawCentredText(QPainter& p, int x, int top, const QString& text);

/// The font the small rulers and labels use ("Small Fonts" 7 where it exists).
QFont SmallFont();

} // namespace bw::ui
