#pragma once

#include "ui/widgets/draw_helpers.h"

#include <cstdint>

class QPainter;

namespace bw::ui {

class Skin;

/// The drawing record of one mixer control, built afresh for every drawing: a vertical fader
/// (Kind 0) or a horizontal slider (Kind 2) in a box, with its value range and colours.
struct TFader
{
    static constexpr std::uint8_t Vertical = 0;
    static constexpr std::uint8_t Horizontal = 2;

    QPainter* Canvas = nullptr;
    std::uint8_t Kind = Vertical;
    std::int32_t Spare = 20;
    std::int32_t Left = 10;
    std::int32_t Top = 10;
    std::int32_t Right = 50;
    std::int32_t Bottom = 50;
    /// Value at the top (vertical) or left (horizontal) end, and the span of values.
    std::int32_t MinValue = 0;
    std::int32_t MaxValue = 100;
    std::int32_t Value = 0;
    std::int32_t CentreX = 0;
    std::int32_t CentreY = 0;
    /// 1: the knob fades to white as the value grows (red and blue knobs).
    std::uint8_t Tinted = 0;
    BgrColor KnobPen = colors::Lime;
    BgrColor KnobBrush = colors::Green;
    /// 1: a horizontal slider marks its centre.
    std::uint8_t CentreMark = 0;
    /// The fader pictures (caps and slider ends); null draws without them.
    const Skin* Images = nullptr;
};

/// Sets every field to its default.
void InitFader(TFader& fader);
/// Left + (Right - Left) / 2 and Top + (Bottom - Top) / 2.
void CentreFader(TFader& fader);
/// Draws the fader on its canvas.
void DrawFader(TFader& fader);
/// The value of a vertical fader for a press at (x, y): the current value when x lies outside
/// the knob's column, else the share of the travel below the top, within the range.
std::int32_t FaderValueFromMouse(TFader& fader, int x, int y, std::int32_t current);

} // namespace bw::ui
