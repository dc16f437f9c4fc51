#include "ui/windows/performance_window.h"

#include "ui/shell/render_bridge.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/widget_factory.h"

#include <algorithm>

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QShowEvent>
#include <QSlider>
#include <QVBoxLayout>

namespace bw::ui {

namespace {

void Fill(QWidget* w, BgrColor color)
{
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ToQColor(color));
    w->setPalette(pal);
}

/// The first time the program shows window, it goes to the middle of the screen; later the
/// user's placement stays.
void PlaceOnFirstShow(QWidget* window, const QShowEvent* event, bool& placed)
{
    if (!event->spontaneous() && !placed) {
        placed = true;
        CentreOnScreen(window);
    }
}

} // namespace

Tperformf::Tperformf(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("performf"));
    setWindowTitle(QStringLiteral("Performance"));
    setFixedSize(300, 64);
    m_track = new QFrame(this);
    m_track->setObjectName(QStringLiteral("Panel1"));
    m_track->setGeometry(10, 12, 249, 18);
    Fill(m_track, colors::White);
    m_bar = new QFrame(m_track);
    m_bar->setObjectName(QStringLiteral("Panel2"));
    m_bar->setGeometry(0, 0, 1, 18);
    Fill(m_bar, colors::Blue);
    m_pert = new QLabel(QStringLiteral("0%"), this);
    m_pert->setObjectName(QStringLiteral("pert"));
    m_pert->setGeometry(264, 12, 34, 18);
    auto* caption = new QLabel(QStringLiteral("Render load"), this);
    caption->setGeometry(10, 36, 249, 18);
}

void Tperformf::SetMeter(int value)
{
    Fill(m_bar, value < 100 ? colors::Blue : colors::Red);
    // A queue longer than the block gives a negative value: the bar is then empty.
    const int width = std::max(0, value * m_track->width() / 100);
    m_bar->setGeometry(0, 0, width, m_track->height());
    m_pert->setText(QString::number(value) + QStringLiteral("%"));
}

Tprefform::Tprefform(QWidget* parent) : QDialog(parent, Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("prefform"));
    setWindowTitle(QStringLiteral("Preferences"));
    setFixedSize(300, 170);
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Tasks"), this);
    auto* inner = new QVBoxLayout(group);
    int n = 1;
    for (const char* label : {"Audio - Render", "Visuell - Render"}) {
        inner->addWidget(new QLabel(QString::fromLatin1(label), group));
        auto* bar = new QSlider(Qt::Horizontal, group);
        bar->setObjectName(QStringLiteral("TrackBar%1").arg(n++));
        bar->setRange(0, 10);
        bar->setTickInterval(1);
        bar->setTickPosition(QSlider::TicksBelow);
        inner->addWidget(bar);
    }
    layout->addWidget(group);
}

void Tperformf::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    PlaceOnFirstShow(this, event, m_placed);
}

void Tprefform::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    PlaceOnFirstShow(this, event, m_placed);
}

void Tperformf::followEngine(RenderBridge& bridge)
{
    connect(&bridge, &RenderBridge::blockReported, this,
            [this](const audio::BlockReport& report) { SetMeter(report.meter); });
    connect(&bridge, &RenderBridge::runEnded, this, [this] { SetMeter(0); });
}

} // namespace bw::ui
