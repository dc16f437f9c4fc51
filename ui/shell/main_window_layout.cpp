// The main window's frame: building it and its regions, and placing them on resize.

#include "ui/regions/mixer_strip.h"
#include "ui/regions/pattern_grid.h"
#include "ui/regions/pattern_tabs.h"
#include "ui/regions/sequencer_panel.h"
#include "ui/regions/tool_row.h"
#include "ui/regions/track_list.h"
#include "ui/regions/transport_band.h"
#include "ui/regions/value_lane.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/main_window_frame.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/widgets/widget_factory.h"

#include <algorithm>

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QStatusBar>
#include <QToolButton>

namespace bw::ui {

namespace {

constexpr int TopStripHeight = 73;
constexpr int LedRowHeight = 9;
constexpr int SideWidth = 145;
constexpr int EditorBandHeight = 128;
constexpr int BottomStripHeight = 98;
constexpr int SeqImageWidth = 63;
constexpr int SideImageWidth = 49;
constexpr int MinVisibleWidthForBands = 350;
constexpr int MinVisibleWidthForSides = 500;

} // namespace

void TMain::createFrame()
{
    m_frame = std::make_unique<Frame>();
    Frame& f = *m_frame;
    f.client = new QWidget(this);
    f.client->setObjectName(QStringLiteral("client"));
    // The form colour; the regions cover it.
    SetBackground(f.client, colors::Lime);
    setCentralWidget(f.client);
    f.client->installEventFilter(this);
    // The window's status line: the value of the slider or fader being worked (status tips
    // of every widget end up here).
    statusBar()->setObjectName(QStringLiteral("statusLine"));
    statusBar()->setSizeGripEnabled(false);

    f.Panel16 = MakePanel(f.client, QStringLiteral("Panel16"), FrameColor);
    f.Image2 = MakePaintBox(f.Panel16, QStringLiteral("Image2"));
    f.Image2->setGeometry(0, 0, SideWidth, TopStripHeight);
    f.Image2->setCursor(Qt::PointingHandCursor);
    f.Image2->setToolTip(QStringLiteral("About Beatwright"));
    f.Image2->onPaint = [this](QPainter& p, const QRect&) {
        if (const Skin* s = skin()) {
            p.drawImage(0, 0, s->logo);
        }
    };
    f.Image2->onClick = [this] { ShowAbout(); };
    f.PanelSeq = MakePanel(f.Panel16, QStringLiteral("PanelSeq"), FrameColor);
    f.Panel19 = MakePanel(f.Panel16, QStringLiteral("Panel19"), FrameColor);
    f.Image3 = MakePaintBox(f.Panel19, QStringLiteral("Image3"));
    f.Image3->setGeometry(0, 0, SeqImageWidth, 54);
    f.Image3->setCursor(Qt::PointingHandCursor);
    f.Image3->setToolTip(QStringLiteral("Pattern Sequencer"));
    f.Image3->onPaint = [this](QPainter& p, const QRect&) {
        if (const Skin* s = skin()) {
            p.drawImage(0, 0, s->seqImage);
        }
    };
    f.Image3->onMouseDown = [this](QMouseEvent* e) { Image3MouseDown(e); };
    f.seqLabel = MakeLabel(f.Panel19, QStringLiteral("seqLabel"), QStringLiteral("Sequencer"));
    f.seqLabel->setAlignment(Qt::AlignCenter);
    f.seqLabel->setGeometry(0, 54, SeqImageWidth, 17);
    f.seqLabel->setCursor(Qt::PointingHandCursor);
    f.seqLabel->installEventFilter(this);

    f.Panel28 = MakePanel(f.client, QStringLiteral("Panel28"), colors::Silver);
    f.Panel28->resize(0, LedRowHeight);

    f.Panel3 = MakePanel(f.client, QStringLiteral("Panel3"), colors::Silver);
    f.Panel12 = MakePanel(f.Panel3, QStringLiteral("Panel12"), colors::Gray);
    f.Panel12->setGeometry(0, 0, SideWidth, ValueLane::LaneHeight);

    f.Panel1 = MakePanel(f.client, QStringLiteral("Panel1"), colors::Gray);
    f.Panel14 = MakePanel(f.Panel1, QStringLiteral("Panel14"), colors::Gray);
    f.Image4 = MakePaintBox(f.Panel14, QStringLiteral("Image4"));
    f.Image4->setGeometry(0, 0, SideImageWidth, BottomStripHeight);
    f.Image4->onPaint = [this](QPainter& p, const QRect&) {
        if (const Skin* s = skin()) {
            p.drawImage(0, 0, s->sideImage);
        }
    };
    f.Panel24 = MakePanel(f.Panel1, QStringLiteral("Panel24"), FrameColor);
    f.Panel24->installEventFilter(this);
    f.Panel25 = MakePanel(f.Panel24, QStringLiteral("Panel25"), colors::Silver);
    f.StatusBar1 = new QStatusBar(f.Panel25);
    f.StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
}

void TMain::createRegions()
{
    Frame& f = *m_frame;
    EditorContext& ctx = *m_context;
    m_patternTabs = new PatternTabs(ctx, f.PanelSeq);
    m_toolRow = new ToolRow(ctx, f.PanelSeq);
    m_trackList = new TrackList(ctx, f.client, f.Panel16);
    m_grid = new PatternGrid(ctx, f.client);
    m_transportBand = new TransportBand(ctx, f.Panel12, f.Panel3, f.Panel28);
    m_valueLane = new ValueLane(ctx, f.Panel12, f.Panel3, f.Panel24);
    m_sequencer = new SequencerPanel(ctx, f.client, m_transportBand->loopBox());
    m_transportBand->attachPlayButtons(m_sequencer->transportBox());
    m_mixer = new MixerStrip(ctx, f.Panel1);
    // The status bar panel stays above the animation box.
    f.Panel25->raise();
    connect(m_transportBand, &TransportBand::transportPressed, m_sequencer,
            &SequencerPanel::releaseLoop);
    connect(m_toolRow->OneB, &QToolButton::clicked, m_grid, &PatternGrid::OneBClick);
    connect(m_toolRow->GroupB, &QToolButton::clicked, m_grid, &PatternGrid::GroupBClick);
    connect(m_toolRow->zoomplus, &QToolButton::clicked, m_grid, &PatternGrid::zoomplusClick);
    connect(m_toolRow->zoommin, &QToolButton::clicked, m_grid, &PatternGrid::zoomminClick);
    connect(m_grid, &PatternGrid::pasteEnded, m_toolRow,
            [this] { m_toolRow->setPasteWaiting(false); });
    connect(m_toolRow->SpeedButton1, &QToolButton::clicked, this, [this] { Cut1Click(); });
    connect(m_toolRow->SpeedButton3, &QToolButton::clicked, this, [this] { Copy1Click(); });
    connect(m_toolRow->SpeedButton5, &QToolButton::clicked, this, [this] { Inster1Click(); });
    connect(m_sequencer, &SequencerPanel::loopReleased, m_transportBand,
            &TransportBand::stopBClick);
    connect(m_sequencer, &SequencerPanel::widthDragged, this, [this] { FormResize(); });
    connect(m_context.get(), &EditorContext::documentChanged, this, [this] { documentEdited(); });
    connect(m_context.get(), &EditorContext::displayChanged, this, [this] { displayEdited(); });
    connect(m_context.get(), &EditorContext::trackRowsChanged, this, [this] {
        m_grid->setRowCount(m_song->TrackCount);
        FormResize(); // the mixer's columns follow the track count
    });
    connect(m_context.get(), &EditorContext::statusMessage, this,
            [this](const QString& text, int ms) { statusBar()->showMessage(text, ms); });

    // Styled once every control exists (the tool row sizes its buttons from their unstyled
    // hints).
    setStyleSheet(QStringLiteral(
        "QFrame#Panel18 QToolButton, QFrame#Panel17 QPushButton {"
        "  color: #e9ecf1; background: #3a4150; border: 1px solid #161a22;"
        "  border-radius: 3px; padding: 2px 6px; }"
        "QFrame#Panel18 QToolButton:checked { background: #f5b03c; color: #161a22; }"
        "QFrame#Panel18 QToolButton:hover, QFrame#Panel17 QPushButton:hover {"
        "  border-color: #f5b03c; }"
        "QTabBar#pattab::tab { color: #e9ecf1; background: #3a4150; border: 1px solid #161a22;"
        "  border-bottom: none; border-top-left-radius: 4px; border-top-right-radius: 4px;"
        "  padding: 2px 12px; margin-right: 2px; }"
        "QTabBar#pattab::tab:selected { background: #f5b03c; color: #161a22; }"
        "QLabel#Channels { color: white; background: #000080; border: 1px solid #c0c0c0; }"
        "QLabel#Panel32, QLabel#Panel30, QLabel#Panel38, QLabel#humanBox { background: #f0f0f0;"
        "  border: 1px solid #404040; }"
        "QComboBox#transcom { color: white; background: #808000; }"
        "QLabel#seqLabel { color: #e9ecf1; }"
        // The transport's state must read at a glance: a pressed button is dark and lit.
        "QToolButton#playb, QToolButton#stopB, QToolButton#loopbut {"
        "  color: #161a22; background: #e9ecf1; border: 1px solid #505868;"
        "  border-radius: 3px; }"
        "QToolButton#playb:checked, QToolButton#stopB:checked, QToolButton#loopbut:checked {"
        "  color: #f5b03c; background: #161a22; border: 2px solid #f5b03c; }"
        "QToolButton#playb:hover, QToolButton#stopB:hover, QToolButton#loopbut:hover {"
        "  border-color: #f5b03c; }"));
}

void TMain::FormResize()
{
    if (m_frame == nullptr) {
        return;
    }
    Frame& f = *m_frame;
    const int w = width();
    // On a narrow window the bands and side panels go, so the grid keeps its room.
    f.Panel1->setVisible(w >= MinVisibleWidthForBands);
    f.Panel3->setVisible(w >= MinVisibleWidthForBands);
    f.Panel14->setVisible(w >= MinVisibleWidthForSides);
    f.Panel24->setVisible(w >= MinVisibleWidthForSides);
    // A maximised window has no corner for the status bar panel; a minimised one keeps it.
    if (isMaximized()) {
        f.Panel25->setVisible(false);
    } else if (!isMinimized()) {
        f.Panel25->setVisible(true);
    }
    // Every region in its place; the tempo and sequencer panels lay out their insides.
    layoutFrame();
}

void TMain::layoutFrame()
{
    Frame& f = *m_frame;
    const int w = f.client->width();
    const int h = f.client->height();
    f.Panel16->setGeometry(0, 0, w, TopStripHeight);
    f.Panel19->setGeometry(w - SeqImageWidth, 0, SeqImageWidth, TopStripHeight);
    f.PanelSeq->setGeometry(SideWidth, 0, std::max(0, w - SideWidth - SeqImageWidth),
                            TopStripHeight);
    const int seqW = f.PanelSeq->width();
    m_patternTabs->setRowWidth(seqW);
    m_toolRow->setRowGeometry(PatternTabs::RowHeight, seqW);

    f.Panel28->setGeometry(0, TopStripHeight, w, LedRowHeight);
    m_transportBand->setLedGeometry(SideWidth, std::max(0, w - SideWidth));

    const int top = TopStripHeight + LedRowHeight;
    int bottom = h;
    if (!f.Panel1->isHidden()) {
        bottom = h - BottomStripHeight;
        f.Panel1->setGeometry(0, bottom, w, BottomStripHeight);
        // The right strip takes the remainder, so the mixer's columns are all equally wide.
        const int tracks = m_context->withSong([](const core::TSong& s) { return s.TrackCount; });
        const int span = std::max(width(), 0) - f.Panel14->width();
        const int rightW = (tracks > 0 ? span % tracks : 0) + 23;
        const int left = f.Panel14->isHidden() ? 0 : SideImageWidth;
        const int right = f.Panel24->isHidden() ? w : w - rightW;
        f.Panel14->setGeometry(0, 0, SideImageWidth, BottomStripHeight);
        f.Panel24->setGeometry(right, 0, rightW, BottomStripHeight);
        m_mixer->setGeometry(QRect(left, 0, std::max(0, right - left), BottomStripHeight));
        f.Panel25->setGeometry(0, BottomStripHeight - 20, rightW, 20);
        f.StatusBar1->setGeometry(0, 0, rightW, 20);
    }
    bottom = std::max(bottom, top);

    int right = w;
    if (m_sequencer->isShown()) {
        const int sw = std::min(m_sequencer->panelWidth(), w);
        right = w - sw;
        m_sequencer->setGeometry(QRect(right, top, sw, bottom - top));
    }
    int midBottom = bottom;
    if (!f.Panel3->isHidden()) {
        midBottom = std::max(top, bottom - EditorBandHeight);
        f.Panel3->setGeometry(0, midBottom, right, bottom - midBottom);
        m_valueLane->setLaneGeometry(SideWidth, std::max(0, right - SideWidth));
        m_transportBand->setBandGeometry(ValueLane::LaneHeight, right);
    }
    m_trackList->setGeometry(QRect(0, top, SideWidth, midBottom - top));
    m_grid->setGeometry(QRect(SideWidth, top, std::max(0, right - SideWidth), midBottom - top));
}

void TMain::repaintFrame()
{
    const Frame& f = *m_frame;
    for (QWidget* widget : {static_cast<QWidget*>(f.Image2), static_cast<QWidget*>(f.Image3),
                            static_cast<QWidget*>(f.Image4), static_cast<QWidget*>(f.Panel1)}) {
        widget->update();
    }
}

} // namespace bw::ui
