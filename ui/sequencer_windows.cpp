#include "ui/sequencer_windows.h"

#include "ui/render_bridge.h"

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

void TSequencerForm::followEngine(RenderBridge& bridge)
{
    connect(&bridge, &RenderBridge::blockReported, this, [this](const audio::BlockReport& r) {
        if ((r.writing || r.exportPending) && !m_wasVisible.has_value()) {
            m_wasVisible = isVisible();
            hide();
        }
    });
    connect(&bridge, &RenderBridge::runEnded, this, [this, &bridge] {
        if (m_wasVisible.has_value()) {
            if (*m_wasVisible && !bridge.shuttingDown()) {
                show();
            }
            m_wasVisible.reset();
        }
    });
}

} // namespace bw::ui
