#include "ui/sequencer_panel.h"

#include "audio/engine_host.h"
#include "ui/draw_helpers.h"
#include "ui/editor_context.h"
#include "ui/paint_box.h"
#include "ui/render_bridge.h"
#include "ui/skin.h"
#include "ui/widget_factory.h"

#include <algorithm>

#include <QFrame>
#include <QLabel>
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
    PaintBox11->onPaint = [this](QPainter& p, const QRect& clip) {
        p.fillRect(PaintBox11->rect(), ToQColor(colors::Silver));
        DrawRuler(p, seqbox->horizontalScrollBar()->value(), SeqBeatWidth, PaintBox11->height(),
                  clip.right());
    };
    leftseqbox = MakePaintBox(Panel20, QStringLiteral("leftseqbox"));
    leftseqbox->onPaint = [this](QPainter& p, const QRect&) { leftseqboxPaint(p); };
    seqbox = new QScrollArea(Panel20);
    seqbox->setObjectName(QStringLiteral("seqbox"));
    seqbox->setFrameShape(QFrame::NoFrame);
    PaintBox3 = MakePaintBox(nullptr, QStringLiteral("PaintBox3"));
    PaintBox3->onPaint = [this](QPainter& p, const QRect& clip) { PaintBox3Paint(p, clip); };
    seqbox->setWidget(PaintBox3);

    createPositionBox();
    createTransportBox();

    loopbut =
        MakeSpeedButton(loopHost, QStringLiteral("loopbut"), QStringLiteral("LOOP SOLO"), true);
    loopbut->setGeometry(8, 8, LoopBoxWidth - 16, 25);

    connect(&m_ctx, &EditorContext::songSettingsShown, this, &SequencerPanel::showSongSettings);
    connect(&m_ctx, &EditorContext::documentChanged, this, &SequencerPanel::repaintLanes);
    connect(&m_ctx, &EditorContext::displayChanged, this, &SequencerPanel::repaintLanes);
    connect(&m_ctx, &EditorContext::skinChanged, PaintBox10, qOverload<>(&QWidget::update));
    connect(&m_ctx, &EditorContext::songPositionChanged, this, &SequencerPanel::showSongPosition);
    connect(&m_ctx.bridge(), &RenderBridge::blockReported, this, &SequencerPanel::showBlock);
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
    auto* slash = MakeLabel(Panel34, QStringLiteral("posSlash"), QStringLiteral("/"));
    slash->setGeometry(86, 1, 8, 15);
    beatpos = MakeLabel(Panel34, QStringLiteral("beatpos"), QStringLiteral("1"));
    beatpos->setGeometry(94, 1, 20, 15);
    Lsilence = MakeLabel(Panel34, QStringLiteral("Lsilence"), QStringLiteral("Silence"));
    Lsilence->setGeometry(116, 1, 44, 15);
    Lsilence->hide();
    auto* stopCaption =
        MakeLabel(Panel34, QStringLiteral("stopCaption"), QStringLiteral("Stop at:"));
    stopCaption->setGeometry(4, 15, 52, 14);
    stopseqbox = MakeLabel(Panel34, QStringLiteral("stopseqbox"), QStringLiteral("40"));
    stopseqbox->setGeometry(56, 15, 36, 14);
    stopseqbox->setCursor(Qt::PointingHandCursor);
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
    Panel35->setGeometry(12, sh - 30 - 8, 136, 30);
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
    const int stop = m_ctx.withSong([](const core::TSong& s) { return s.StopPosition; });
    stopseqbox->setText(QString::number(stop));
    repaintLanes();
}

void SequencerPanel::showBlock(const audio::BlockReport& report)
{
    beatpos->setText(QString::number(report.beatCounter));
    Label13->setText(QString::number(report.activeVoices));
    PosLabel->setText(QString::number(report.songPosition));
    Lsilence->setVisible(report.silence);
}

void SequencerPanel::showSongPosition(int beat)
{
    PosLabel->setText(QString::number(beat));
    repaintLanes();
}

void SequencerPanel::repaintLanes()
{
    PaintBox3->update();
    leftseqbox->update();
    PaintBox11->update();
}

void SequencerPanel::PaintBox3Paint(QPainter& p, const QRect& clip)
{
    p.fillRect(clip, ToQColor(colors::Silver));
}

void SequencerPanel::leftseqboxPaint(QPainter& p)
{
    p.fillRect(leftseqbox->rect(), ToQColor(colors::Silver));
    const QFontMetrics fm(p.font());
    m_ctx.withSong([&](const core::TSong& s) {
        for (int r = 0; r < s.PatternCount; ++r) {
            const int y = r * SeqRowHeight - SeqScrollY;
            const core::TPattern& pat = s.pattern(r);
            const bool active = pat.PlayActive == 1;
            p.fillRect(QRect(0, y + 1, leftseqbox->width(), SeqRowHeight),
                       ToQColor(active ? colors::Blue : colors::Silver));
            p.setPen(ToQColor(active ? colors::White : colors::Black));
            p.drawText(1, y + 2 + fm.ascent(), QString::fromLatin1(pat.Name.str().c_str()));
            p.setPen(ToQColor(colors::Gray));
            p.drawLine(0, y + 1, leftseqbox->width(), y + 1);
        }
    });
}

} // namespace bw::ui
