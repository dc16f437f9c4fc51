#pragma once

#include <optional>

#include <QWidget>

class QLabel;
class QScrollArea;
class QToolButton;

namespace bw::ui {

class EditorContext;
class PaintBox;
class RenderBridge;
class Skin;

/// The separate Pattern Sequencer window: play and stop, a step either way and a ruler for
/// the song position, and the stop position; it acts on the same song as the main window's
/// sequencer panel and keeps Play and Stop at hand while that panel is hidden.
class TSequencerForm : public QWidget
{
    Q_OBJECT
public:
    explicit TSequencerForm(QWidget* parent = nullptr);
    /// The song and engine the window acts on.
    void attach(EditorContext& context);
    /// Keeps the window out of the way while an export runs and brings it back after.
    void followEngine(RenderBridge& bridge);

    QToolButton* playb = nullptr;
    QToolButton* SpeedButton1 = nullptr; // stop
    QToolButton* SpeedButton3 = nullptr; // one beat on
    QToolButton* SpeedButton4 = nullptr; // one beat back
    PaintBox* PaintBox1 = nullptr;       // ruler
    QScrollArea* lane = nullptr;
    PaintBox* PaintBox3 = nullptr; // lane (draws nothing)
    QLabel* Panel6 = nullptr;      // stop position
    QLabel* position = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void playbClick();
    void stopClick();
    void editStopPosition();
    void showPosition(int beat);

    EditorContext* m_ctx = nullptr;
    std::optional<bool> m_wasVisible; // remembered while an export hides the window
};

/// The multi-sequencer window: an arrangement area tiled with the skin's cells and a strip
/// of buttons; it does not read or change the song.
class TMultiseq : public QWidget
{
    Q_OBJECT
public:
    explicit TMultiseq(QWidget* parent = nullptr);
    void setSkin(const Skin* skin) { m_skin = skin; }

    QScrollArea* arrbox = nullptr;
    PaintBox* arrpai = nullptr;
    PaintBox* PaintBox1 = nullptr;
    PaintBox* PaintBox2 = nullptr;

private:
    const Skin* m_skin = nullptr;
};

} // namespace bw::ui
