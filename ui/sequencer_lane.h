#pragma once

#include <QWidget>

namespace bw::ui {

/// The separate Pattern Sequencer window; its controls are added with the song sequencer.
class TSequencerForm : public QWidget
{
    Q_OBJECT
public:
    explicit TSequencerForm(QWidget* parent = nullptr);
};

/// The multi-sequencer window.
class TMultiseq : public QWidget
{
    Q_OBJECT
public:
    explicit TMultiseq(QWidget* parent = nullptr);
};

} // namespace bw::ui
