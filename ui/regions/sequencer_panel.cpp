#include "ui/regions/sequencer_panel.h"

#include "audio/engine_host.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/widgets/widget_factory.h"
#include "ui/windows/entry_windows.h"

#include <algorithm>
#include <utility>

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

namespace bw::ui {

namespace {

constexpr int LoopBoxWidth = 90;

void PaintArrow(QPainter& p, const QRect& r, bool left, bool bar)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const double cx = r.center().x() + 0.5;
    const double cy = r.center().y() + 0.5;
    const double d = left ? -1.0 : 1.0;
    p.drawPolygon(QPolygonF(
        {QPointF(cx - 4 * d, cy - 5), QPointF(cx + 4 * d, cy), QPointF(cx - 4 * d, cy + 5)}));
    if (bar) {
        p.drawRect(QRectF(cx - 6, cy - 5, 2, 10));
    }
}

} // namespace

SequencerPanel::SequencerPanel(EditorContext& context, QWidget* parent, QWidget* loopHost)
    : QObject(parent), m_ctx(context)
{
    seqpanel = MakePanel(parent, QStringLiteral("seqpanel"), colors::Silver);
    seqpanel->resize(DesignWidth, 300);
    seqpanel->hide();
    Panel36 = MakePanel(seqpanel, QStringLiteral("Panel36"), colors::Silver);
    Panel36->setCursor(Qt::SplitHCursor);
    PaintBox10 = MakePaintBox(seqpanel, QStringLiteral("PaintBox10"));
    PaintBox10->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, -1, 0, PaintBox10->width(), PaintBox10->height(), colors::Teal,
                      m_ctx.skin());
    };
    Label6 = MakeLabel(seqpanel, QStringLiteral("Label6"), QStringLiteral("Sequencer"));
    SetTextColor(Label6, colors::White);
    QFont bold = Label6->font();
    bold.setBold(true);
    Label6->setFont(bold);

    Panel20 = MakePanel(seqpanel, QStringLiteral("Panel20"), colors::Silver);
    Panel33 = MakePanel(Panel20, QStringLiteral("Panel33"), colors::Silver);
    PaintBox12 = MakePaintBox(Panel33, QStringLiteral("PaintBox12"));
    PaintBox11 = MakePaintBox(Panel33, QStringLiteral("PaintBox11"));
    PaintBox11->setAccessibleName(QStringLiteral("Song ruler"));
    PaintBox11->setToolTip(
        QStringLiteral("Song ruler: click to move the song position, drag to mark the loop "
                       "range (its handles move its ends), right click to clear it"));
    PaintBox11->onMouseDown = [this](QMouseEvent* e) { PaintBox11MouseDown(e); };
    PaintBox11->onMouseMove = [this](QMouseEvent* e) { PaintBox11MouseMove(e); };
    PaintBox11->onMouseUp = [this](QMouseEvent* e) { PaintBox11MouseUp(e); };
    PaintBox11->onPaint = [this](QPainter& p, const QRect& clip) { paintRuler(p, clip); };
    leftseqbox = MakePaintBox(Panel20, QStringLiteral("leftseqbox"));
    leftseqbox->onPaint = [this](QPainter& p, const QRect&) { leftseqboxPaint(p); };
    leftseqbox->onMouseDown = [this](QMouseEvent* e) { leftseqboxMouseDown(e); };
    leftseqbox->setAccessibleName(QStringLiteral("Song patterns"));
    leftseqbox->setToolTip(
        QStringLiteral("Click a pattern to edit it, right click to choose its colour"));
    seqbox = new QScrollArea(Panel20);
    seqbox->setObjectName(QStringLiteral("seqbox"));
    seqbox->setFrameShape(QFrame::NoFrame);
    PaintBox3 = MakePaintBox(nullptr, QStringLiteral("PaintBox3"));
    PaintBox3->onPaint = [this](QPainter& p, const QRect& clip) { PaintBox3Paint(p, clip); };
    PaintBox3->onMouseDown = [this](QMouseEvent* e) { PaintBox3MouseDown(e); };
    PaintBox3->onMouseMove = [this](QMouseEvent* e) { PaintBox3MouseMove(e); };
    PaintBox3->onMouseUp = [this](QMouseEvent* e) { PaintBox3MouseUp(e); };
    PaintBox3->setAccessibleName(QStringLiteral("Song lane"));
    PaintBox3->setToolTip(
        QStringLiteral("Song lane: click an empty beat to place the row's pattern there, click "
                       "a placement to remove it, drag it to move it (Ctrl: copy it), right "
                       "click it for more"));
    seqbox->setWidget(PaintBox3);
    connect(seqbox->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &SequencerPanel::followLaneScroll);
    connect(seqbox->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &SequencerPanel::followLaneScroll);
    Panel36->installEventFilter(this);

    createPositionBox();
    createTransportBox();

    followBox = new QCheckBox(QStringLiteral("follow"), seqpanel);
    followBox->setObjectName(QStringLiteral("followBox"));
    followBox->setChecked(true);
    followBox->setToolTip(
        QStringLiteral("While the song plays, the grid shows the pattern being heard"));
    SetTextColor(followBox, colors::White);
    loopBox = new QCheckBox(QStringLiteral("loop"), seqpanel);
    loopBox->setObjectName(QStringLiteral("loopBox"));
    loopBox->setToolTip(
        QStringLiteral("Song playback loops the range marked on the ruler (drag on the ruler "
                       "to mark it)"));
    SetTextColor(loopBox, colors::White);
    connect(loopBox, &QCheckBox::clicked, this, &SequencerPanel::loopBoxClick);

    loopbut =
        MakeSpeedButton(loopHost, QStringLiteral("loopbut"), QStringLiteral("LOOP SOLO"), true);
    loopbut->setGeometry(8, 8, LoopBoxWidth - 16, 25);
    loopbut->setToolTip(QStringLiteral("Loop the pattern shown"));
    connect(loopbut, &QToolButton::clicked, this, &SequencerPanel::loopbutClick);

    connect(&m_ctx, &EditorContext::songSettingsShown, this, &SequencerPanel::showSongSettings);
    connect(&m_ctx, &EditorContext::documentChanged, this, &SequencerPanel::repaintLanes);
    connect(&m_ctx, &EditorContext::displayChanged, this, &SequencerPanel::repaintLanes);
    connect(&m_ctx, &EditorContext::skinChanged, PaintBox10, qOverload<>(&QWidget::update));
    connect(&m_ctx, &EditorContext::songPositionChanged, this, &SequencerPanel::showSongPosition);
    connect(&m_ctx, &EditorContext::patternsChanged, this, [this] {
        layoutInner();
        repaintLanes();
    });
    connect(&m_ctx.bridge(), &RenderBridge::blockReported, this, &SequencerPanel::showBlock);
    connect(&m_ctx.bridge(), &RenderBridge::runEnded, this, &SequencerPanel::runEnded);
}

void SequencerPanel::createPositionBox()
{
    Panel34 = MakePanel(seqpanel, QStringLiteral("Panel34"), colors::Silver);
    Panel34->setFrameShape(QFrame::StyledPanel);
    auto* posCaption =
        MakeLabel(Panel34, QStringLiteral("posCaption"), QStringLiteral("Position:"));
    posCaption->setGeometry(4, 1, 52, 15);
    PosLabel = MakeLabel(Panel34, QStringLiteral("PosLabel"), QStringLiteral("0"));
    PosLabel->setGeometry(56, 1, 30, 15);
    posSlash = MakeLabel(Panel34, QStringLiteral("posSlash"), QStringLiteral("/"));
    posSlash->setGeometry(86, 1, 8, 15);
    beatpos = MakeLabel(Panel34, QStringLiteral("beatpos"), QStringLiteral("1"));
    beatpos->setGeometry(94, 1, 20, 15);
    // "Silence" takes the place of the beat counter (always 1 while it shows), so that it
    // fits the panel at its narrowest.
    Lsilence = MakeLabel(Panel34, QStringLiteral("Lsilence"), QStringLiteral("Silence"));
    Lsilence->setGeometry(86, 1, Lsilence->fontMetrics().horizontalAdvance(Lsilence->text()) + 4,
                          15);
    Lsilence->hide();
    stopCaption = MakeLabel(Panel34, QStringLiteral("stopCaption"), QStringLiteral("Stop at:"));
    stopCaption->setGeometry(4, 15, 52, 14);
    stopseqbox = MakeLabel(Panel34, QStringLiteral("stopseqbox"), QStringLiteral("40"));
    stopseqbox->setGeometry(56, 15, 36, 14);
    // It looks like the entry it is, and the whole "Stop at:" line opens it.
    stopseqbox->setStyleSheet(
        QStringLiteral("QLabel { background: white; border: 1px solid #808080; padding: 0 2px; }"));
    for (QLabel* l : {stopCaption, stopseqbox}) {
        l->setCursor(Qt::PointingHandCursor);
        l->setToolTip(QStringLiteral("Click to set the beat the song stops after"));
        l->installEventFilter(this);
    }
    Label13 = MakeLabel(Panel34, QStringLiteral("Label13"), QStringLiteral("0"));
    Label13->setToolTip(QStringLiteral("Voices"));
    Label13->setGeometry(116, 15, 40, 14);
}

void SequencerPanel::createTransportBox()
{
    Panel35 = MakePanel(seqpanel, QStringLiteral("Panel35"), colors::Teal);
    const auto positionButton = [this](const QString& panelName, const QString& boxName, int x,
                                       bool left, bool bar, QFrame*& panel, PaintBox*& box) {
        panel = MakePanel(Panel35, panelName, colors::Teal);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Raised);
        panel->setGeometry(x, 3, 22, 24);
        box = MakePaintBox(panel, boxName);
        box->setGeometry(2, 2, 18, 20);
        box->onPaint = [box, left, bar](QPainter& p, const QRect&) {
            PaintArrow(p, box->rect(), left, bar);
        };
        // The button looks pressed while it is held.
        box->onMouseUp = [panel](QMouseEvent*) { panel->setFrameShadow(QFrame::Raised); };
    };
    positionButton(QStringLiteral("goleftstop"), QStringLiteral("g"), 62, true, true, goleftstop,
                   g);
    positionButton(QStringLiteral("goleftpanel"), QStringLiteral("Image5"), 86, true, false,
                   goleftpanel, Image5);
    positionButton(QStringLiteral("gorightpanel"), QStringLiteral("Image6"), 110, false, false,
                   gorightpanel, Image6);
    Changepostimer = new QTimer(this);
    Changepostimer->setObjectName(QStringLiteral("Changepostimer"));
    Changepostimer->setInterval(50);
    connect(Changepostimer, &QTimer::timeout, this, &SequencerPanel::ChangepostimerTimer);
    g->setToolTip(QStringLiteral("To the start of the song"));
    Image5->setToolTip(QStringLiteral("Song position back (hold to run)"));
    Image6->setToolTip(QStringLiteral("Song position forward (hold to run)"));
    g->onMouseDown = [this](QMouseEvent*) {
        goleftstop->setFrameShadow(QFrame::Sunken);
        gMouseDown();
    };
    Image5->onMouseDown = [this](QMouseEvent*) {
        goleftpanel->setFrameShadow(QFrame::Sunken);
        stepButtonDown(-1);
    };
    Image6->onMouseDown = [this](QMouseEvent*) {
        gorightpanel->setFrameShadow(QFrame::Sunken);
        stepButtonDown(+1);
    };
    const auto stepUp = [this](QMouseEvent*) {
        goleftpanel->setFrameShadow(QFrame::Raised);
        gorightpanel->setFrameShadow(QFrame::Raised);
        stepButtonUp();
    };
    Image5->onMouseUp = stepUp;
    Image6->onMouseUp = stepUp;
}

QWidget* SequencerPanel::transportBox() const
{
    return Panel35;
}

bool SequencerPanel::isShown() const
{
    return !seqpanel->isHidden();
}

void SequencerPanel::setShown(bool shown)
{
    seqpanel->setVisible(shown);
}

void SequencerPanel::scrollToStart()
{
    seqbox->horizontalScrollBar()->setValue(0);
    seqbox->verticalScrollBar()->setValue(0);
    SeqScrollX = 0;
    SeqScrollY = 0;
    repaintLanes();
}

void SequencerPanel::releaseLoop()
{
    loopbut->setChecked(false);
}

void SequencerPanel::setGeometry(const QRect& rect)
{
    seqpanel->setGeometry(rect);
    layoutInner();
}

void SequencerPanel::layoutInner()
{
    const int sw = seqpanel->width();
    const int sh = seqpanel->height();
    Panel36->setGeometry(0, 0, 5, sh);
    PaintBox10->setGeometry(5, 0, std::max(0, sw - 5), sh);
    Label6->setGeometry(12, 4, std::max(0, (sw - 25) / 2), 16);
    const int followWidth = followBox->sizeHint().width();
    followBox->setGeometry(std::max(Label6->x() + Label6->width(), sw - 9 - followWidth), 3,
                           followWidth, 18);
    const int loopWidth = loopBox->sizeHint().width();
    loopBox->setGeometry(std::max(Label6->x() + Label6->width(), followBox->x() - 6 - loopWidth), 3,
                         loopWidth, 18);
    Panel35->setGeometry(12, sh - 30 - 8, 166, 30);
    const int posLeft = Panel35->x() + Panel35->width() + 4;
    Panel34->setGeometry(posLeft, sh - 30 - 8, std::max(0, sw - 9 - posLeft), 30);
    const int laneTop = Label6->y() + Label6->height() + 5;
    Panel20->setGeometry(12, laneTop, std::max(0, sw - 21),
                         std::max(0, sh - Panel35->height() - Label6->height() - 19));
    const int pw = Panel20->width();
    const int ph = Panel20->height();
    Panel33->setGeometry(0, 0, pw, 41);
    PaintBox12->setGeometry(0, 0, 65, 41);
    PaintBox11->setGeometry(65, 0, std::max(0, pw - 65), 41);
    leftseqbox->setGeometry(0, 41, 64, std::max(0, ph - 41));
    seqbox->setGeometry(64, 41, std::max(0, pw - 64), std::max(0, ph - 41));
    const int patterns = m_ctx.withSong([](const core::TSong& s) { return s.PatternCount; });
    PaintBox3->resize(SeqBeatWidth * core::MaxSongPosition,
                      std::max(patterns * SeqRowHeight, seqbox->viewport()->height()));
}

void SequencerPanel::showSongSettings()
{
    const auto [stop, loop] = m_ctx.withSong(
        [](const core::TSong& s) { return std::pair<int, bool>(s.StopPosition, s.LoopOn); });
    stopseqbox->setText(QString::number(stop));
    loopBox->setChecked(loop);
    repaintLanes();
}

void SequencerPanel::showBlock(const audio::BlockReport& report)
{
    // Blocks played on the device are reported as they begin to sound, so this is the beat
    // being heard; the song position itself runs ahead by what is queued.
    beatpos->setText(QString::number(report.beatCounter));
    Label13->setText(QString::number(report.activeVoices));
    PosLabel->setText(QString::number(report.songPosition));
    Lsilence->setVisible(report.silence);
    posSlash->setVisible(!report.silence);
    beatpos->setVisible(!report.silence);
    if (!report.songMode || report.writing || report.exportPending) {
        return;
    }
    if (m_heardBeat != report.songPosition || m_heardPatterns != report.soundingPatterns) {
        m_heardBeat = report.songPosition;
        m_heardPatterns = report.soundingPatterns;
        PaintBox3->update();
        leftseqbox->update();
        keepPositionInView(report.songPosition);
    }
    followHeardPattern(report);
}

void SequencerPanel::followHeardPattern(const audio::BlockReport& report)
{
    if (!followBox->isChecked() || report.soundingPattern < 0) {
        return;
    }
    const int shown = m_ctx.withSong([](const core::TSong& s) { return s.CurrentPattern; });
    if (report.pattern == shown && report.patternSounds) {
        return; // the pattern shown is heard
    }
    m_ctx.SwitchPattern(report.soundingPattern, false);
}

void SequencerPanel::runEnded()
{
    m_heardBeat.reset();
    PosLabel->setText(QString::number(m_ctx.songPosition()));
    repaintLanes();
}

int SequencerPanel::markedBeat() const
{
    return m_heardBeat.value_or(m_ctx.songPosition());
}

void SequencerPanel::showSongPosition(int beat)
{
    repaintLanes();
    if (m_heardBeat) {
        return; // while the song plays the read-out and the view follow what is heard
    }
    PosLabel->setText(QString::number(beat));
    keepPositionInView(beat);
}

void SequencerPanel::keepPositionInView(int beat)
{
    QScrollBar* bar = seqbox->horizontalScrollBar();
    const int x = beat * SeqBeatWidth;
    const int h = bar->value();
    if (h + seqbox->width() - 30 < x) {
        bar->setValue(x - 20);
    } else if (x < h) {
        bar->setValue(x - 50);
    }
}

void SequencerPanel::followLaneScroll()
{
    const int x = seqbox->horizontalScrollBar()->value();
    const int y = seqbox->verticalScrollBar()->value();
    if (x != SeqScrollX) {
        SeqScrollX = x;
        PaintBox11->update();
    }
    if (y != SeqScrollY) {
        SeqScrollY = y;
        leftseqbox->update();
    }
}

int SequencerPanel::beatAt(int x) const
{
    return std::clamp(x / SeqBeatWidth, 0, core::MaxSongPosition);
}

int SequencerPanel::rowAt(int y) const
{
    const int patterns = m_ctx.withSong([](const core::TSong& s) { return s.PatternCount; });
    if (patterns <= 0) {
        return -1;
    }
    return std::clamp(y / SeqRowHeight, 0, patterns - 1);
}

void SequencerPanel::gMouseDown()
{
    m_ctx.SetSongPosition(0);
}

void SequencerPanel::stepButtonDown(int step)
{
    PosStep = step;
    Changepostimer->start();
}

void SequencerPanel::stepButtonUp()
{
    Changepostimer->stop();
}

void SequencerPanel::ChangepostimerTimer()
{
    m_ctx.SetSongPosition(m_ctx.songPosition() + PosStep);
}

void SequencerPanel::stopseqboxClick()
{
    Tnumberedit* popup = m_ctx.links().numberEdit;
    if (popup == nullptr) {
        return;
    }
    const QPoint corner = stopseqbox->mapToGlobal(QPoint(0, 0));
    const int current = m_ctx.withSong([](const core::TSong& s) { return s.StopPosition; });
    const int typed = popup->EditNumber(corner.x(), corner.y(), current, stopseqbox->height(),
                                        stopseqbox->width(), stopseqbox);
    const int stop = std::clamp(typed, 1, 999);
    m_ctx.withSong([stop](core::TSong& s) { core::SetStopPosition(s, stop); });
    stopseqbox->setText(QString::number(stop));
    m_ctx.documentEdited();
}

void SequencerPanel::loopbutClick(bool down)
{
    if (!down) {
        emit loopReleased();
        return;
    }
    if (!m_ctx.transport().play(PlayMode::Pattern)) { // the current pattern repeats
        loopbut->setChecked(false);
    }
}

bool SequencerPanel::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == stopseqbox || watched == stopCaption) &&
        event->type() == QEvent::MouseButtonPress) {
        stopseqboxClick();
        return true;
    }
    if (watched == Panel36) {
        splitterEvent(event);
    }
    return QObject::eventFilter(watched, event);
}

void SequencerPanel::splitterEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        SplitterDragging = true;
        Panel34->hide();
        Panel35->hide();
        break;
    case QEvent::MouseButtonRelease:
        SplitterDragging = false;
        Panel34->show();
        Panel35->show();
        break;
    case QEvent::MouseMove: {
        if (!SplitterDragging) {
            break;
        }
        // The panel reaches from the pointer to the window's right edge.
        const auto* move = static_cast<QMouseEvent*>(event);
        QWidget* window = seqpanel->window();
        QWidget* client = seqpanel->parentWidget();
        const int fromLeft =
            static_cast<int>(move->globalPosition().x()) - client->mapToGlobal(QPoint(0, 0)).x();
        const int width = client->width() - fromLeft;
        if (width > 140) {
            m_panelWidth = width;
            emit widthDragged();
        }
        Q_UNUSED(window);
        break;
    }
    default:
        break;
    }
}

void SequencerPanel::repaintLanes()
{
    PaintBox3->update();
    leftseqbox->update();
    PaintBox11->update();
}

} // namespace bw::ui
