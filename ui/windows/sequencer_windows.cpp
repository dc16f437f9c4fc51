#include "ui/windows/sequencer_windows.h"

#include "core/song.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/widgets/widget_factory.h"
#include "ui/windows/entry_windows.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace bw::ui {

namespace {
constexpr int BeatWidth = 8;
constexpr int RulerHeight = 30;
} // namespace

TSequencerForm::TSequencerForm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SequencerForm"));
    setWindowTitle(QStringLiteral("Pattern Sequencer"));
    resize(600, 300);
    auto* layout = new QVBoxLayout(this);
    auto* strip = new QHBoxLayout();
    const auto button = [this, strip](const char* name, const char* text, const char* tip) {
        QToolButton* b =
            MakeSpeedButton(this, QString::fromLatin1(name), QString::fromLatin1(text), false);
        b->setToolTip(QString::fromLatin1(tip));
        strip->addWidget(b);
        return b;
    };
    playb = button("playb", "Play", "Play the song");
    SpeedButton1 = button("SpeedButton1", "Stop", "Stop");
    SpeedButton4 = button("SpeedButton4", "<", "Song position one beat back");
    SpeedButton3 = button("SpeedButton3", ">", "Song position one beat on");
    position = MakeLabel(this, QStringLiteral("position"), QStringLiteral("0"));
    strip->addWidget(MakeLabel(this, QStringLiteral("posCaption"), QStringLiteral("Position:")));
    strip->addWidget(position);
    strip->addStretch(1);
    strip->addWidget(MakeLabel(this, QStringLiteral("stopCaption"), QStringLiteral("Stop at:")));
    Panel6 = MakeLabel(this, QStringLiteral("Panel6"), QStringLiteral("40"));
    Panel6->setCursor(Qt::PointingHandCursor);
    Panel6->setToolTip(QStringLiteral("Click to set the beat the song stops after"));
    Panel6->installEventFilter(this);
    strip->addWidget(Panel6);
    layout->addLayout(strip);

    lane = new QScrollArea(this);
    lane->setObjectName(QStringLiteral("lane"));
    auto* content = new QWidget();
    content->resize(BeatWidth * core::MaxSongPosition, 200);
    PaintBox1 = MakePaintBox(content, QStringLiteral("PaintBox1"));
    PaintBox1->setGeometry(0, 0, content->width(), RulerHeight);
    PaintBox1->setAccessibleName(QStringLiteral("Song ruler"));
    PaintBox1->setToolTip(QStringLiteral("Song ruler: click to move the song position"));
    PaintBox1->onPaint = [this](QPainter& p, const QRect& clip) {
        p.fillRect(clip, ToQColor(colors::Silver));
        DrawRuler(p, 0, BeatWidth, RulerHeight, clip.right());
        if (m_ctx != nullptr) {
            p.fillRect(m_ctx->songPosition() * BeatWidth, RulerHeight - 3, BeatWidth, 3,
                       ToQColor(colors::Red));
        }
    };
    PaintBox1->onMouseDown = [this](QMouseEvent* e) {
        if (m_ctx != nullptr) {
            m_ctx->SetSongPosition(e->position().toPoint().x() / BeatWidth);
        }
    };
    PaintBox3 = MakePaintBox(content, QStringLiteral("PaintBox3"));
    PaintBox3->setGeometry(0, RulerHeight, content->width(), 170);
    lane->setWidget(content);
    layout->addWidget(lane, 1);

    connect(playb, &QToolButton::clicked, this, &TSequencerForm::playbClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TSequencerForm::stopClick);
    connect(SpeedButton3, &QToolButton::clicked, this, [this] {
        if (m_ctx != nullptr) {
            m_ctx->SetSongPosition(m_ctx->songPosition() + 1);
        }
    });
    connect(SpeedButton4, &QToolButton::clicked, this, [this] {
        if (m_ctx != nullptr) {
            m_ctx->SetSongPosition(m_ctx->songPosition() - 1);
        }
    });
}

void TSequencerForm::attach(EditorContext& context)
{
    m_ctx = &context;
    connect(&context, &EditorContext::songPositionChanged, this, &TSequencerForm::showPosition);
    connect(&context, &EditorContext::songSettingsShown, this, [this] {
        Panel6->setText(
            QString::number(m_ctx->withSong([](const core::TSong& s) { return s.StopPosition; })));
    });
}

void TSequencerForm::showPosition(int beat)
{
    position->setText(QString::number(beat));
    PaintBox1->update();
}

void TSequencerForm::playbClick()
{
    if (m_ctx == nullptr) {
        return;
    }
    m_ctx->transport().play(PlayMode::Song);
}

void TSequencerForm::stopClick()
{
    if (m_ctx == nullptr) {
        return;
    }
    m_ctx->transport().stop();
}

void TSequencerForm::editStopPosition()
{
    Tnumberedit* popup = m_ctx != nullptr ? m_ctx->links().numberEdit : nullptr;
    if (popup == nullptr) {
        return;
    }
    const QPoint corner = Panel6->mapToGlobal(QPoint(0, 0));
    const int current = m_ctx->withSong([](const core::TSong& s) { return s.StopPosition; });
    const int stop = std::clamp(popup->EditNumber(corner.x(), corner.y(), current, Panel6->height(),
                                                  Panel6->width(), Panel6),
                                1, 999);
    m_ctx->withSong([stop](core::TSong& s) { core::SetStopPosition(s, stop); });
    // Both stop boxes show the new value.
    m_ctx->showSongSettings();
    m_ctx->documentEdited();
}

bool TSequencerForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel6 && event->type() == QEvent::MouseButtonPress) {
        editStopPosition();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TSequencerForm::followEngine(RenderBridge& bridge)
{
    connect(&bridge, &RenderBridge::blockReported, this, [this](const audio::BlockReport& r) {
        if ((r.writing || r.exportPending) && !m_wasVisible.has_value()) {
            m_wasVisible = isVisible();
            hide();
        }
    });
    connect(&bridge, &RenderBridge::runEnded, this, [this] {
        if (m_wasVisible.has_value()) {
            const bool closing = m_ctx != nullptr && m_ctx->transport().shuttingDown();
            if (*m_wasVisible && !closing) {
                show();
            }
            m_wasVisible.reset();
        }
    });
}

TMultiseq::TMultiseq(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Multiseq"));
    setWindowTitle(QStringLiteral("Multi-Sequencer"));
    resize(573, 356);
    auto* layout = new QVBoxLayout(this);
    auto* strip = new QHBoxLayout();
    QToolButton* play = MakeSpeedButton(this, QStringLiteral("playb"), QStringLiteral(">"), false);
    strip->addWidget(play);
    for (int i = 1; i <= 3; ++i) {
        strip->addWidget(MakeSpeedButton(this, QStringLiteral("SpeedButton%1").arg(i),
                                         QStringLiteral("%1").arg(i), false));
    }
    for (const char* text : {"POS:", "XXX", "Left Loc:"}) {
        strip->addWidget(new QLabel(QString::fromLatin1(text), this));
    }
    strip->addStretch(1);
    layout->addLayout(strip);
    auto* rows = new QHBoxLayout();
    PaintBox2 = MakePaintBox(this, QStringLiteral("PaintBox2"));
    PaintBox2->setFixedWidth(40);
    rows->addWidget(PaintBox2);
    auto* column = new QVBoxLayout();
    PaintBox1 = MakePaintBox(this, QStringLiteral("PaintBox1"));
    PaintBox1->setFixedHeight(20);
    column->addWidget(PaintBox1);
    arrbox = new QScrollArea(this);
    arrbox->setObjectName(QStringLiteral("arrbox"));
    arrpai = MakePaintBox(nullptr, QStringLiteral("arrpai"));
    arrpai->resize(BeatWidth * core::MaxSongPosition, 600);
    arrpai->onPaint = [this](QPainter& p, const QRect&) {
        if (m_skin == nullptr) {
            return;
        }
        const QRect visible = arrbox->viewport()->rect().translated(
            arrbox->horizontalScrollBar()->value(), arrbox->verticalScrollBar()->value());
        TileBitmap(p, m_skin->redrock, visible.x(), visible.height(), visible.width(), visible.y());
    };
    arrbox->setWidget(arrpai);
    column->addWidget(arrbox, 1);
    rows->addLayout(column, 1);
    layout->addLayout(rows, 1);
    // The side boxes follow the area's scrolling; they paint nothing.
    connect(arrbox->horizontalScrollBar(), &QScrollBar::valueChanged, PaintBox1,
            qOverload<>(&QWidget::update));
    connect(arrbox->verticalScrollBar(), &QScrollBar::valueChanged, PaintBox2,
            qOverload<>(&QWidget::update));
}

} // namespace bw::ui
