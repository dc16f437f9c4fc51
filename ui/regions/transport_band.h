#pragma once

#include "audio/engine_host.h"

#include <optional>

#include <QObject>

class QComboBox;
class QFrame;
class QLabel;
class QPainter;
class QScrollBar;
class QSlider;
class QToolButton;
class QWidget;

namespace bw::ui {

class EditorContext;
class PaintBox;

/// The transport and the song's global settings: play and stop, tempo, beats, ticks,
/// transpose, master volume, mono/stereo, the shuffle, delay and humanize boxes, and the position
/// LED over the grid that lights the beat being played.
class TransportBand : public QObject
{
    Q_OBJECT
public:
    /// comboHost holds the beats, ticks and transpose selectors (left of the value lane),
    /// bandHost the band under the lane, ledHost the LED row over the grid.
    TransportBand(EditorContext& context, QWidget* comboHost, QWidget* bandHost, QWidget* ledHost);

    /// Creates the play and stop buttons in host (the sequencer panel's transport box).
    void attachPlayButtons(QWidget* host);
    /// The box at the band's right end that holds "LOOP SOLO".
    QWidget* loopBox() const;

    /// Places the band at y in its host, width wide, and lays out the tempo panel.
    void setBandGeometry(int y, int width);
    /// Places the LED strip at x in its row, width wide.
    void setLedGeometry(int x, int width);
    /// Lays out the tempo panel's controls for its width.
    void layoutTempoPanel();

    void playbClick();
    void stopBClick();

    // The song's settings, as their controls change.
    void bpmChange(int value);
    void BeatBChange();
    void TickBChange();
    void transcomChange();
    void mastervolChange(int position);
    void ChannelsMouseDown();

    // Beats, ticks and transpose (left of the value lane).
    PaintBox* PaintBox5 = nullptr;
    QComboBox* BeatB = nullptr;
    QComboBox* TickB = nullptr;
    QComboBox* transcom = nullptr;
    // The band: shuffle and delay, tempo, channels, master volume, the loop box.
    QFrame* panel4 = nullptr;
    QFrame* Panel15 = nullptr;
    PaintBox* PaintBox7 = nullptr;
    QLabel* Panel32 = nullptr;  // shuffle box
    QLabel* Panel30 = nullptr;  // delay box
    QLabel* humanBox = nullptr; // humanize box: "off" or the amounts
    QFrame* lowPassGroup = nullptr;
    QLabel* Panel38 = nullptr; // low-pass box (hidden group)
    QFrame* Panel10 = nullptr;
    PaintBox* PaintBox8 = nullptr;
    QScrollBar* bpm = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* bpmLabel = nullptr;
    QLabel* Channels = nullptr;
    QSlider* mastervol = nullptr;
    QLabel* masterLabel = nullptr;
    QFrame* Panel23 = nullptr;
    PaintBox* PaintBox9 = nullptr;
    // Transport buttons (in the sequencer panel) and the LED.
    QToolButton* playb = nullptr;
    QToolButton* stopB = nullptr;
    /// Record: pads played while the song plays are written into the pattern.
    QToolButton* recB = nullptr;
    PaintBox* ledPB = nullptr;

signals:
    /// Play or Stop was pressed: "LOOP SOLO" is released.
    void transportPressed();

private:
    void createSelectors(QWidget* host);
    void createBand(QWidget* host);
    void showSongSettings();
    /// The shuffle and delay boxes show the amount and the feedback.
    void showGrooveBoxes();
    void ledPBPaint(QPainter& p);
    void runEnded();
    bool eventFilter(QObject* watched, QEvent* event) override;

    EditorContext& m_ctx;
    /// The last block that began to sound, while a run plays: what the LED lights.
    std::optional<audio::BlockReport> m_heard;
};

/// Selects the item of box whose text reads as number (a leading "+" allowed); when several
/// match the last one wins, when none matches the first item is selected.
void SelectItemByNumber(QComboBox* box, int number);

} // namespace bw::ui
