#pragma once

#include <cstdint>
#include <optional>

#include <QObject>
#include <QRect>

class QCheckBox;
class QFrame;
class QLabel;
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
/// sits in the transport band's loop box).
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

    // The lane, the names column and the ruler.
    void PaintBox3MouseDown(QMouseEvent* event);
    void leftseqboxMouseDown(QMouseEvent* event);
    void PaintBox11MouseDown(QMouseEvent* event);
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

    // Lane geometry and scrolling.
    int SeqRowHeight = 16;
    int SeqBeatWidth = 8;
    int SeqScrollX = 0;
    int SeqScrollY = 0;
    int PosStep = 0;
    bool SplitterDragging = false;

    static constexpr int DesignWidth = 300;

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

    EditorContext& m_ctx;
    int m_panelWidth = DesignWidth;
    std::optional<int> m_heardBeat;    // while the song plays: the beat being heard
    std::uint64_t m_heardPatterns = 0; // and the patterns heard in it (bit k: pattern k)
};

} // namespace bw::ui
