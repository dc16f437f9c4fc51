#include "ui/windows/sound_popup.h"

#include "ui/shell/editor_context.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"

#include <algorithm>
#include <cmath>

#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace bw::ui {

namespace {

QLabel* StatusPanel(QStatusBar* bar, int width, const QString& text = {})
{
    auto* panel = new QLabel(text, bar);
    panel->setFixedWidth(width);
    bar->addWidget(panel);
    return panel;
}

} // namespace

TselfPopup::TselfPopup(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("selfPopup"));
    setWindowTitle(QStringLiteral("Select Sound"));
    setFocusPolicy(Qt::StrongFocus);
    resize(433, 428);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    P = new PaintBox();
    P->setObjectName(QStringLiteral("P"));
    P->setMouseTracking(true);
    P->setAccessibleName(QStringLiteral("Library sounds"));
    P->setToolTip(QStringLiteral("Click a sound to give it to the track; right click to hear it"));
    P->onPaint = [this](QPainter& p, const QRect& clip) { PPaint(p, clip); };
    P->onMouseMove = [this](QMouseEvent* e) { PMouseMove(e); };
    P->onMouseDown = [this](QMouseEvent* e) { PMouseDown(e); };
    ScrollBox1->setWidget(P);
    layout->addWidget(ScrollBox1, 1);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    namePanel = StatusPanel(StatusBar1, 120);
    lengthPanel = StatusPanel(StatusBar1, 100);
    stretchPanel = StatusPanel(StatusBar1, 70);
    hintPanel = StatusPanel(StatusBar1, 50 + 60, QStringLiteral("Click right to hear"));
    layout->addWidget(StatusBar1);
}

void TselfPopup::showAt(QPoint screen, const QComboBox* names)
{
    m_names = names;
    move(screen);
    show();
    raise();
    activateWindow();
    setFocus(); // for Esc
    relayout();
    keepOnScreen();
}

int TselfPopup::nameCount() const
{
    return m_names != nullptr ? m_names->count() : 0;
}

int TselfPopup::indexAt(QPoint at) const
{
    return (at.x() / CellWidth) * m_rowsPerColumn + at.y() / CellHeight;
}

QPoint TselfPopup::cellOrigin(int i) const
{
    return {(i / m_rowsPerColumn) * CellWidth, (i % m_rowsPerColumn) * CellHeight};
}

void TselfPopup::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    relayout();
    m_hoverIndex = -1;
    m_prevHoverIndex = -1;
    keepOnScreen();
}

void TselfPopup::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void TselfPopup::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The popup closes when the user clicks elsewhere.
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) {
        close();
    }
}

void TselfPopup::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TselfPopup::relayout()
{
    const int client = ScrollBox1->viewport()->height();
    m_rowsPerColumn = std::max(1, client / CellHeight);
    const int count = nameCount();
    const int width = count > 0 ? ((count - 1) / m_rowsPerColumn) * CellWidth + CellWidth : 0;
    P->resize(std::max(width, ScrollBox1->viewport()->width()), client);
    P->update();
}

void TselfPopup::keepOnScreen()
{
    const QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (s == nullptr) {
        return;
    }
    const QRect area = s->geometry();
    QRect frame = frameGeometry();
    if (frame.bottom() > area.bottom()) {
        frame.moveBottom(area.bottom());
    }
    if (frame.right() > area.right()) {
        frame.moveRight(area.right());
    }
    move(frame.topLeft());
}

void TselfPopup::PPaint(QPainter& p, const QRect& clip)
{
    p.fillRect(clip, palette().window());
    QFont f = p.font();
    f.setPixelSize(10);
    p.setFont(f);
    const QFontMetrics fm(f);
    const int count = nameCount();
    for (int i = 0; i < count; ++i) {
        const QPoint o = cellOrigin(i);
        if (!clip.intersects(QRect(o, QSize(CellWidth, CellHeight)))) {
            continue;
        }
        const QColor fill = i == m_hoverIndex ? QColor(255, 255, 255) : QColor(192, 192, 192);
        p.setPen(fill);
        p.setBrush(fill);
        FillQuad(p, o.x() + 1, o.y(), o.x() + 109, o.y() + 16);
        p.setPen(Qt::black);
        p.drawText(o.x() + 2, o.y() + 2 + fm.ascent(), m_names->itemText(i));
    }
}

void TselfPopup::PMouseMove(QMouseEvent* event)
{
    m_prevHoverIndex = m_hoverIndex;
    m_hoverIndex = indexAt(event->position().toPoint());
    if (m_hoverIndex == m_prevHoverIndex) {
        return;
    }
    for (const int i : {m_hoverIndex, m_prevHoverIndex}) {
        if (i >= 0) {
            P->update(QRect(cellOrigin(i), QSize(CellWidth, CellHeight)));
        }
    }
    showSoundInfo(m_hoverIndex);
}

void TselfPopup::showSoundInfo(int index)
{
    if (m_ctx == nullptr) {
        return;
    }
    struct Info
    {
        bool valid = false;
        std::string name;
        std::int32_t dataSize = 0;
        bool stretched = false;
    };
    const Info info = m_ctx->withSong([this, index](core::TSong&) {
        Info i;
        const library::SoundLibrary& lib = m_ctx->library();
        if (lib.validIndex(index)) {
            i.valid = true;
            i.name = lib.at(index).Name.str();
            i.dataSize = lib.at(index).DataSize;
            i.stretched = lib.at(index).stretchEnabled();
        }
        return i;
    });
    if (!info.valid) {
        return; // the panels keep the last sound's texts
    }
    namePanel->setText(QString::fromLatin1(info.name.c_str()));
    const std::int64_t ms = static_cast<std::int64_t>(info.dataSize) * 1000 / library::SampleRate;
    lengthPanel->setText(QStringLiteral("length: ") +
                         QString::number(std::lrint(static_cast<double>(ms) * 0.5)) +
                         QStringLiteral("ms"));
    stretchPanel->setText(info.stretched ? QStringLiteral("Stretched") : QString());
}

void TselfPopup::PMouseDown(QMouseEvent* event)
{
    m_hoverIndex = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        const int picked = m_hoverIndex;
        close();
        emit soundPicked(picked);
    } else if (event->button() == Qt::RightButton && m_ctx != nullptr) {
        m_ctx->previewSound(m_hoverIndex);
    }
}

} // namespace bw::ui
