#include "ui/sequencer_lane.h"

namespace bw::ui {

TSequencerForm::TSequencerForm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SequencerForm"));
    setWindowTitle(QStringLiteral("Pattern Sequencer"));
    resize(600, 300);
}

TMultiseq::TMultiseq(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Multiseq"));
    setWindowTitle(QStringLiteral("Multi-Sequencer"));
    resize(573, 356);
}

} // namespace bw::ui
