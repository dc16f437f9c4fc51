#pragma once

#include <optional>

#include <QWidget>

namespace bw::ui {

class RenderBridge;

/// The separate Pattern Sequencer window; its controls are added with the song sequencer.
class TSequencerForm : public QWidget
{
    Q_OBJECT
public:
    explicit TSequencerForm(QWidget* parent = nullptr);
    /// Keeps the window out of the way while an export runs and brings it back after.
    void followEngine(RenderBridge& bridge);

private:
    std::optional<bool> m_wasVisible; // remembered while an export hides the window
};

/// The multi-sequencer window.
class TMultiseq : public QWidget
{
    Q_OBJECT
public:
    explicit TMultiseq(QWidget* parent = nullptr);
};

} // namespace bw::ui
