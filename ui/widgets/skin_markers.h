#pragma once
// The event markers' sprites of the skin: drawn once at start, one per volume level.

#include <vector>

#include <QImage>

namespace bw::ui {

/// Pre-draws the event markers from the score picture: plain and selected.
void MakeMarkerSprites(const QImage& score, QImage& plain, QImage& selected);

/// The sprite at each volume level, from dark (quietest) to the whole sprite; darkness as
/// QColor::darker takes it.
std::vector<QImage> MarkerLevels(const QImage& sprite, int darkness);

} // namespace bw::ui
