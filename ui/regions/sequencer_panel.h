#pragma once

#include <cstdint>
#include <optional>

#include <QObject>
#include <QRect>

class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QMouseEvent;
class QEvent;
class QPainter;
class QScrollArea;
class QTimer;
class QToolButton;
class QWidget;

namespace bw::audio {
struct BlockReport;
}
namespace bw::core {
struct TSong;
}

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The song sequencer panel at the window's right: the lane of pattern placements with its
/// names column and ruler, the position read-out and buttons, the "Stop at" box, the
/// transport box (its play and stop buttons belong to the transport) and "LOOP SOLO" (which
/// sits in the transport band's loop box). Placements are drawn in their pattern's colour and
/// can be dragged along their row (Ctrl: a copy); the ruler holds the loop range that song
/// playback stays in while "loop" is on.
class SequencerPanel : public QObject
{
    Q_OBJECT
public:
    SequencerPanel(EditorContext& context, QWidget* parent, QWidget* loopHost);

    /// The box that holds the play and stop buttons.
    QWidget* transportBox() const;

    bool isShown() const;
    void setShown(bool shown);
    /// The width the user gave the panel (the window may show it narrower).
    int panelWidth() const { return m_panelWidth; }
    void setPanelWidth(int width) { m_panelWidth = width; }
    /// Places the panel and lays out its inner boxes.
    void setGeometry(const QRect& rect);

    /// Scrolls the lane back to its first beat and pattern.
    void scrollToStart();
    /// Releases "LOOP SOLO" (Play and Stop do).
    void releaseLoop();

    // The lane (sequencer_panel_lane.cpp). A press on an empty beat places the row's pattern
    // there. A left press on a placement grabs it: dragged along the row it moves, snapping
    // to beats (with Ctrl held a copy moves), and released where it was it is removed. A
    // place that overlaps another placement of the same pattern is refused. A right press on
    // a placement opens its menu.
    void PaintBox3MouseDown(QMouseEvent* event);
    void PaintBox3MouseMove(QMouseEvent* event);
    void PaintBox3MouseUp(QMouseEvent* event);
    /// The menu of the placement of row's pattern at beat: "Delete", "Duplicate after" and
    /// "Colour"; opened at the screen point (not blocking; it deletes itself when it closes).
    QMenu* showPlacementMenu(int row, int beat, QPoint screen);
    /// The colour menu of pattern row ("Colour" of the placement and of the names column).
    QMenu* makeColorMenu(int row, QWidget* parent);
    /// A click selects the pattern; a right click opens its colour menu.
    void leftseqboxMouseDown(QMouseEvent* event);
    // The ruler (sequencer_panel_loop.cpp): a click moves the song position; a drag marks
    // the loop range over the beats it passes; the range's two handles move its ends; a right
    // press offers "Clear loop range".
    void PaintBox11MouseDown(QMouseEvent* event);
    void PaintBox11MouseMove(QMouseEvent* event);
    void PaintBox11MouseUp(QMouseEvent* event);
    /// "loop": song playback stays within the loop range. Turned on without a range, it
    /// marks the bar (four beats) at the song position.
    void loopBoxClick(bool on);
    // Position buttons: to the start, and a step left or right every 50 ms while held.
    void gMouseDown();
    void stepButtonDown(int step);
    void stepButtonUp();
    void ChangepostimerTimer();
    /// Edits the stop position through the numeric popup (kept within 1..999).
    void stopseqboxClick();
    void loopbutClick(bool down);
    /// The beat column under x of the lane, and the row under y.
    int beatAt(int x) const;
    int rowAt(int y) const;
    /// The beat the lane marks: the song beat being heard while the song plays, otherwise
    /// the song position.
    int markedBeat() const;

    QFrame* seqpanel = nullptr;
    QFrame* Panel36 = nullptr; // splitter
    PaintBox* PaintBox10 = nullptr;
    QLabel* Label6 = nullptr;
    QFrame* Panel20 = nullptr;
    QFrame* Panel33 = nullptr;
    PaintBox* PaintBox11 = nullptr; // ruler
    PaintBox* PaintBox12 = nullptr;
    PaintBox* leftseqbox = nullptr; // pattern names
    QScrollArea* seqbox = nullptr;
    PaintBox* PaintBox3 = nullptr; // the lane
    QFrame* Panel34 = nullptr;
    QLabel* PosLabel = nullptr;
    QLabel* posSlash = nullptr;
    QLabel* beatpos = nullptr;
    QLabel* Lsilence = nullptr;
    QLabel* Label13 = nullptr; // active voices
    QLabel* stopCaption = nullptr;
    QLabel* stopseqbox = nullptr;
    QFrame* Panel35 = nullptr;
    QFrame* goleftstop = nullptr;
    PaintBox* g = nullptr;
    QFrame* goleftpanel = nullptr;
    PaintBox* Image5 = nullptr;
    QFrame* gorightpanel = nullptr;
    PaintBox* Image6 = nullptr;
    QTimer* Changepostimer = nullptr;
    QToolButton* loopbut = nullptr;
    /// "follow": while the song plays, the grid shows the pattern being heard.
    QCheckBox* followBox = nullptr;
    /// "loop": song playback loops the ruler's loop range.
    QCheckBox* loopBox = nullptr;

    // Lane geometry and scrolling.
    int SeqRowHeight = 16;
    int SeqBeatWidth = 8;
    int SeqScrollX = 0;
    int SeqScrollY = 0;
    int PosStep = 0;
    bool SplitterDragging = false;

    static constexpr int DesignWidth = 300;
    /// The ruler's strip that holds the loop range and its handles, at its bottom.
    static constexpr int LoopStripHeight = 12;
    /// The loop range's colour while the loop is on (0xBBGGRR); gray while it is off.
    static constexpr std::uint32_t LoopOnColor = 0x40B040;

signals:
    /// "LOOP SOLO" released: playback stops.
    void loopReleased();
    /// The splitter moved the panel's edge: the window lays out again.
    void widthDragged();

private:
    void createPositionBox();
    void createTransportBox();
    void layoutInner();
    void showSongSettings();
    void showBlock(const audio::BlockReport& report);
    /// "follow": the grid switches to the pattern the reported block plays.
    void followHeardPattern(const audio::BlockReport& report);
    void runEnded();
    void showSongPosition(int beat);
    void repaintLanes();
    void PaintBox3Paint(QPainter& p, const QRect& clip);
    void paintBeatColumn(QPainter& p, const core::TSong& song, int beat);
    /// Drawn over the placements: the marked beat's outline and the song's end after the
    /// "Stop at" beat.
    void paintLaneMarks(QPainter& p, const core::TSong& song, const QRect& clip);
    void keepPositionInView(int beat);
    void followLaneScroll();
    void splitterEvent(QEvent* event);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void leftseqboxPaint(QPainter& p);
    /// The ghost of a placement being dragged, where it would go.
    void paintDraggedPlacement(QPainter& p, const core::TSong& song);
    void paintRuler(QPainter& p, const QRect& clip);
    /// Applies an edit of the sequence: the play windows follow the song position.
    void sequenceEdited();
    /// The x of a beat's left edge on the ruler (scrolled with the lane).
    int rulerX(int beat) const;

    /// A placement held by the mouse on the lane.
    struct PlacementDrag
    {
        int row = 0;
        int entry = 0;     // its index in the sequence
        int pressBeat = 0; // the beat grabbed
        int origin = 0;    // where it starts
        int target = 0;    // where it would go
        bool copy = false; // Ctrl was held at the press
        bool moved = false;
    };
    /// What a press on the ruler does while the button is held.
    enum class RulerDrag
    {
        None,
        Pressed,   // a click so far: the song position moved to the beat pressed
        Range,     // marks a range from the beat pressed
        StartEdge, // moves the range's first beat
        EndEdge,   // moves the range's last beat
    };

    EditorContext& m_ctx;
    std::optional<PlacementDrag> m_drag;
    RulerDrag m_rulerDrag = RulerDrag::None;
    int m_rulerPressBeat = 0;
    int m_panelWidth = DesignWidth;
    std::optional<int> m_heardBeat;    // while the song plays: the beat being heard
    std::uint64_t m_heardPatterns = 0; // and the patterns heard in it (bit k: pattern k)
};

} // namespace bw::ui
