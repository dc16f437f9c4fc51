#pragma once

#include <QIcon>

namespace bw::ui {

enum class Glyph
{
    Play,
    Stop,
    ZoomIn,
    ZoomOut,
};

/// A small button picture drawn in code (16 x 16).
QIcon MakeGlyph(Glyph glyph);

} // namespace bw::ui
