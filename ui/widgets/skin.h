#pragma once

#include <vector>

#include <QImage>
#include <QString>
#include <QWidget>

class QTabWidget;

namespace bw::ui {

/// The skin: every bitmap the painted controls use, drawn in code at start-up. The named
/// pictures keep their design sizes; the painters rely on them.
class Skin
{
public:
    /// Draws every picture.
    Skin();

    QImage stars;          // 265 x 145, tiled grid background
    QImage score;          // 49 x 49, ANDed over unselected event markers
    QImage edgup, edgdo;   // 33 x 17, corner pieces of gray panels
    QImage edgupg, edgdog; // 33 x 17, corner pieces of teal panels
    QImage fadob, fadunt;  // 25 x 17, fader caps
    QImage sfadleft;       // 25 x 17, pan slider left piece
    QImage sfadright;      // 33 x 17, pan slider right piece
    QImage soulei;         // 137 x 49, sounds column row
    QImage soulei2;        // 137 x 33, sounds column row of the current track
    QImage redrock;        // 25 x 17, multi-sequencer cell
    QImage mubu1;          // 25 x 49, mute lamp of an enabled track
    QImage mubu2;          // 25 x 25, mute lamp of a muted track
    QImage i1, i2;         // 33 x 57, animation frames
    QImage i3;             // 25 x 57, animation frame
    QImage b;              // 41 x 33, kept with the others, not drawn

    // The window's own pictures (sizes are ours).
    QImage logo;      // 145 x 73, top-left logo
    QImage seqImage;  // 63 x 73, the "Sequencer" picture of the top strip
    QImage sideImage; // 49 x 98, left of the mixer
    QImage appIcon;   // 64 x 64

    /// The event markers as they come out on any background: the unselected one (white
    /// triangle with score ANDed over it) and the selected one, 11 x 21, the triangle's left
    /// edge at x 0 and its tip at (10, 10). Null when score is not white around its triangle
    /// (then the AND must be done on the canvas).
    QImage markerSprite;
    QImage selectedMarkerSprite;
    /// The same two for each volume level (MarkerLevel): entry n has the bottom n of the 21
    /// rows lit and the rows above darkened inside the outline, so a soft event reads as a
    /// half-empty marker. Entry MarkerRows is the sprite above. Empty when it is null.
    std::vector<QImage> markerLevels;
    std::vector<QImage> selectedMarkerLevels;

    struct Named
    {
        QString name;
        const QImage* image;
    };
    /// Every picture with the name painters look it up by, in table order.
    std::vector<Named> pictures() const;
    /// The picture with that name, or nullptr.
    const QImage* picture(const QString& name) const;
};

/// The picture container window: holds the skin and, when shown, displays its pictures.
/// Created at start-up and hidden.
class TConti : public QWidget
{
    Q_OBJECT
public:
    explicit TConti(QWidget* parent = nullptr);

    const Skin& skin() const { return m_skin; }

private:
    Skin m_skin;
    QTabWidget* m_pages = nullptr;
};

} // namespace bw::ui
