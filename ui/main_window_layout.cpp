// The main window's regions: building them, laying them out on resize, and painting the
// parts that show the song.

#include "ui/draw_helpers.h"
#include "ui/main_window.h"
#include "ui/paint_box.h"
#include "ui/skin.h"

#include <algorithm>

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

namespace bw::ui {

namespace {

constexpr int TopStripHeight = 73;
constexpr int LedRowHeight = 9;
constexpr int SideWidth = 145;
constexpr int EditorBandHeight = 128;
constexpr int LaneBandHeight = 87;
constexpr int BottomStripHeight = 98;
constexpr int SeqImageWidth = 63;
constexpr int LoopBoxWidth = 90;
constexpr int SequencerDesignWidth = 300;
constexpr int MinVisibleWidthForBands = 350;
constexpr int MinVisibleWidthForSides = 500;

void SetBackground(QWidget* w, BgrColor color)
{
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ToQColor(color));
    w->setPalette(pal);
}

QFrame* MakePanel(QWidget* parent, const QString& name, BgrColor color)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    SetBackground(panel, color);
    return panel;
}

PaintBox* MakePaintBox(QWidget* parent, const QString& name)
{
    auto* box = new PaintBox(parent);
    box->setObjectName(name);
    return box;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QToolButton*
MakeSpeedButton(QWidget* parent, const QString& name, const QString& text, bool checkable)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setCheckable(checkable);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

/// A glyph drawn in code for the transport and position buttons.
QIcon Glyph(const QString& kind)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    if (kind == QLatin1String("play")) {
        p.setBrush(QColor(0x2e, 0xb8, 0x4a));
        p.drawPolygon(QPolygonF({QPointF(4, 2), QPointF(14, 8), QPointF(4, 14)}));
    } else if (kind == QLatin1String("stop")) {
        p.setBrush(QColor(0xd0, 0x3a, 0x2c));
        p.drawRoundedRect(QRectF(3, 3, 10, 10), 1.5, 1.5);
    }
    return QIcon(pm);
}

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

void TMain::createRegions()
{
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    // The form colour; the regions cover it.
    SetBackground(client, colors::Lime);
    setCentralWidget(client);
    client->installEventFilter(this);

    createTopStrip();
    createMiddle();
    createEditorBand();
    createSequencerPanel();
    createBottomStrip();

    PasteTimer = new QTimer(this);
    PasteTimer->setObjectName(QStringLiteral("PasteTimer"));
    PasteTimer->setInterval(500);

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
        "QLabel#Panel32, QLabel#Panel30, QLabel#Panel38 { background: #f0f0f0;"
        "  border: 1px solid #404040; }"
        "QComboBox#transcom { color: white; background: #808000; }"
        "QLabel#seqLabel { color: #e9ecf1; }"));
}

void TMain::createTopStrip()
{
    Panel16 = MakePanel(client, QStringLiteral("Panel16"), PackColor(0x23, 0x28, 0x33));

    Image2 = MakePaintBox(Panel16, QStringLiteral("Image2"));
    Image2->setGeometry(0, 0, SideWidth, TopStripHeight);
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->setToolTip(QStringLiteral("About Beatwright"));
    Image2->onPaint = [this](QPainter& p, const QRect&) {
        if (const Skin* s = skin()) {
            p.drawImage(0, 0, s->logo);
        }
    };
    Image2->onClick = [this] { ShowAbout(); };

    soundbox = new QComboBox(Panel16);
    soundbox->setObjectName(QStringLiteral("soundbox"));
    soundbox->setToolTip(QStringLiteral("Select Sound"));
    soundbox->setMaxVisibleItems(30);
    soundbox->setGeometry(4, 44, 137, 22);
    soundbox->hide();

    PanelSeq = MakePanel(Panel16, QStringLiteral("PanelSeq"), PackColor(0x23, 0x28, 0x33));
    Panel17 = MakePanel(PanelSeq, QStringLiteral("Panel17"), PackColor(0x23, 0x28, 0x33));
    Panel17->setGeometry(0, 0, 400, 32);
    pattab = new QTabBar(Panel17);
    pattab->setObjectName(QStringLiteral("pattab"));
    pattab->setExpanding(false);
    pattab->setDrawBase(false);
    pattab->setUsesScrollButtons(true);
    Button5 = new QPushButton(QStringLiteral("New Pat"), Panel17);
    Button5->setObjectName(QStringLiteral("Button5"));
    Button5->setFocusPolicy(Qt::NoFocus);
    Button6 = new QPushButton(QStringLiteral("Del Pat"), Panel17);
    Button6->setObjectName(QStringLiteral("Button6"));
    Button6->setFocusPolicy(Qt::NoFocus);

    Panel18 = MakePanel(PanelSeq, QStringLiteral("Panel18"), PackColor(0x2b, 0x31, 0x3d));
    OneB =
        MakeSpeedButton(Panel18, QStringLiteral("OneB"), QStringLiteral("add/delete events"), true);
    OneB->setToolTip(QStringLiteral("add/delete event"));
    OneB->setChecked(true);
    GroupB =
        MakeSpeedButton(Panel18, QStringLiteral("GroupB"), QStringLiteral("select events"), true);
    GroupB->setToolTip(QStringLiteral("select events"));
    auto* modes = new QButtonGroup(this);
    modes->setExclusive(true);
    modes->addButton(OneB);
    modes->addButton(GroupB);
    SpeedButton1 =
        MakeSpeedButton(Panel18, QStringLiteral("SpeedButton1"), QStringLiteral("Cut"), false);
    SpeedButton3 =
        MakeSpeedButton(Panel18, QStringLiteral("SpeedButton3"), QStringLiteral("Copy"), false);
    SpeedButton5 =
        MakeSpeedButton(Panel18, QStringLiteral("SpeedButton5"), QStringLiteral("Paste"), true);
    zoomplus = MakeSpeedButton(Panel18, QStringLiteral("zoomplus"), QStringLiteral("+"), false);
    zoomplus->setToolTip(QStringLiteral("Zoom in"));
    zoommin = MakeSpeedButton(Panel18, QStringLiteral("zoommin"), QStringLiteral("-"), false);
    zoommin->setToolTip(QStringLiteral("Zoom out"));
    FillB = MakeSpeedButton(Panel18, QStringLiteral("FillB"), QStringLiteral("Fill"), false);
    FillB->hide();
    int x = 8;
    for (QToolButton* b :
         {OneB, GroupB, SpeedButton1, SpeedButton3, SpeedButton5, zoomplus, zoommin}) {
        const int w = std::max(28, b->sizeHint().width());
        b->setGeometry(x, 8, w, 25);
        x += w + (b == GroupB || b == SpeedButton5 ? 14 : 4);
    }
    FillB->setGeometry(x, 8, 40, 25);

    Panel19 = MakePanel(Panel16, QStringLiteral("Panel19"), PackColor(0x23, 0x28, 0x33));
    Image3 = MakePaintBox(Panel19, QStringLiteral("Image3"));
    Image3->setGeometry(0, 0, SeqImageWidth, 54);
    Image3->setCursor(Qt::PointingHandCursor);
    Image3->setToolTip(QStringLiteral("Pattern Sequencer"));
    Image3->onPaint = [this](QPainter& p, const QRect&) {
        if (const Skin* s = skin()) {
            p.drawImage(0, 0, s->seqImage);
        }
    };
    Image3->onMouseDown = [this](QMouseEvent* e) { Image3MouseDown(e); };
    seqLabel = MakeLabel(Panel19, QStringLiteral("seqLabel"), QStringLiteral("Sequencer"));
    seqLabel->setAlignment(Qt::AlignCenter);
    seqLabel->setGeometry(0, 54, SeqImageWidth, 17);
    seqLabel->setCursor(Qt::PointingHandCursor);
    seqLabel->installEventFilter(this);

    Panel28 = MakePanel(client, QStringLiteral("Panel28"), colors::Silver);
    ledPB = MakePaintBox(Panel28, QStringLiteral("ledPB"));
    ledPB->onPaint = [this](QPainter& p, const QRect&) { paintLed(p); };
}

void TMain::createMiddle()
{
    Panel8 = MakePanel(client, QStringLiteral("Panel8"), PackColor(0x23, 0x28, 0x33));
    PaintBox1 = MakePaintBox(Panel8, QStringLiteral("PaintBox1"));
    PaintBox1->setToolTip(QStringLiteral("Sounds"));
    PaintBox1->onPaint = [this](QPainter& p, const QRect&) { paintSounds(p); };
    PaintBox4 = MakePaintBox(Panel8, QStringLiteral("PaintBox4"));
    PaintBox4->setToolTip(QStringLiteral("Mute"));
    PaintBox4->onPaint = [this](QPainter& p, const QRect&) { paintMute(p); };

    ScrollBox1 = new QScrollArea(client);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setToolTip(QStringLiteral("Left Click: Insert Event, Right Click: delete Event"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(false);
    SetBackground(ScrollBox1->viewport(), PackColor(0x1b, 0x21, 0x2d));
    panel5 = new QWidget();
    panel5->setObjectName(QStringLiteral("panel5"));
    PaintBox2 = MakePaintBox(panel5, QStringLiteral("PaintBox2"));
    PaintBox2->onPaint = [this](QPainter& p, const QRect& clip) { paintGridBackground(p, clip); };
    noteBox = MakePaintBox(PaintBox2, QStringLiteral("noteBox"));
    noteBox->onPaint = [this](QPainter& p, const QRect&) { paintEvents(p); };
    ScrollBox1->setWidget(panel5);
    const auto scrolled = [this] {
        const int sx = -ScrollBox1->horizontalScrollBar()->value();
        const int sy = -ScrollBox1->verticalScrollBar()->value();
        if (sy != m_edit.GridScrollY) {
            m_edit.GridScrollY = sy;
            PaintBox1->update();
            PaintBox4->update();
        }
        if (sx != m_edit.GridScrollX) {
            m_edit.GridScrollX = sx;
            valbox->update();
            ledPB->update();
        }
    };
    connect(ScrollBox1->horizontalScrollBar(), &QScrollBar::valueChanged, this, scrolled);
    connect(ScrollBox1->verticalScrollBar(), &QScrollBar::valueChanged, this, scrolled);
}

void TMain::createEditorBand()
{
    Panel3 = MakePanel(client, QStringLiteral("Panel3"), colors::Silver);

    Panel12 = MakePanel(Panel3, QStringLiteral("Panel12"), colors::Gray);
    Panel12->setGeometry(0, 0, SideWidth, LaneBandHeight);
    PaintBox5 = MakePaintBox(Panel12, QStringLiteral("PaintBox5"));
    PaintBox5->setGeometry(0, 0, SideWidth, LaneBandHeight);
    PaintBox5->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, 0, 0, PaintBox5->width(), PaintBox5->height(), colors::Gray, skin());
    };
    struct Row
    {
        QComboBox** box;
        const char* name;
        const char* label;
        QStringList items;
    };
    QStringList transItems;
    for (int v = 12; v >= -12; --v) {
        transItems << (v > 0 ? QStringLiteral("+%1").arg(v) : QString::number(v));
    }
    const Row rows[] = {
        {&BeatB, "BeatB", "Beats", {"2", "4", "8", "12", "16"}},
        {&TickB, "TickB", "Ticks", {"3", "4", "6", "8", "9", "12", "16"}},
        {&transcom, "transcom", "Trans", transItems},
    };
    int y = 6;
    for (const Row& r : rows) {
        auto* label = MakeLabel(Panel12, QString::fromLatin1(r.label) + QStringLiteral("Label"),
                                QString::fromLatin1(r.label));
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(pal);
        label->setGeometry(8, y + 2, 34, 18);
        auto* box = new QComboBox(Panel12);
        box->setObjectName(QString::fromLatin1(r.name));
        box->addItems(r.items);
        box->setGeometry(40, y, 38, 22);
        box->setFocusPolicy(Qt::ClickFocus);
        *r.box = box;
        y += 26;
    }
    transcom->setMaxVisibleItems(25);

    tab = MakePaintBox(Panel12, QStringLiteral("tab"));
    tab->setGeometry(SideWidth - 64, 0, 64, LaneBandHeight);
    tab->onPaint = [this](QPainter& p, const QRect&) { paintLaneSelector(p); };

    Panel13 = MakePanel(Panel3, QStringLiteral("Panel13"), colors::Gray);
    valbox = MakePaintBox(Panel13, QStringLiteral("valbox"));
    valbox->onPaint = [this](QPainter& p, const QRect&) { paintValueLane(p); };

    panel4 = MakePanel(Panel3, QStringLiteral("panel4"), colors::Teal);

    Panel15 = MakePanel(panel4, QStringLiteral("Panel15"), colors::Teal);
    Panel15->setGeometry(0, 0, SideWidth, 41);
    PaintBox7 = MakePaintBox(Panel15, QStringLiteral("PaintBox7"));
    PaintBox7->setGeometry(0, 0, SideWidth, 41);
    PaintBox7->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, 0, 0, PaintBox7->width(), PaintBox7->height(), colors::Teal, skin());
    };
    const auto boxLabel = [this](QWidget* parent, const QString& text, int x) {
        auto* l = MakeLabel(parent, text + QStringLiteral("Label"), text);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        l->setPalette(pal);
        l->setFont(SmallFont());
        l->setGeometry(x, 2, 56, 14);
        return l;
    };
    boxLabel(Panel15, QStringLiteral("Shuffle"), 14);
    Panel32 = MakeLabel(Panel15, QStringLiteral("Panel32"), QStringLiteral("0%"));
    Panel32->setAlignment(Qt::AlignCenter);
    Panel32->setGeometry(14, 16, 52, 19);
    Panel32->setCursor(Qt::PointingHandCursor);
    boxLabel(Panel15, QStringLiteral("Delay"), 78);
    Panel30 = MakeLabel(Panel15, QStringLiteral("Panel30"), QStringLiteral("0%"));
    Panel30->setAlignment(Qt::AlignCenter);
    Panel30->setGeometry(78, 16, 52, 19);
    Panel30->setCursor(Qt::PointingHandCursor);
    lowPassGroup = new QFrame(Panel15);
    lowPassGroup->setObjectName(QStringLiteral("lowPassGroup"));
    lowPassGroup->setGeometry(0, 0, SideWidth, 41);
    boxLabel(lowPassGroup, QStringLiteral("Low Pass"), 14);
    Panel38 = MakeLabel(lowPassGroup, QStringLiteral("Panel38"), QStringLiteral("0%"));
    Panel38->setGeometry(14, 16, 52, 19);
    lowPassGroup->hide();

    Panel10 = MakePanel(panel4, QStringLiteral("Panel10"), colors::Teal);
    PaintBox8 = MakePaintBox(Panel10, QStringLiteral("PaintBox8"));
    PaintBox8->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, -1, 0, PaintBox8->width(), PaintBox8->height(), colors::Teal, skin());
    };
    bpm = new QScrollBar(Qt::Horizontal, Panel10);
    bpm->setObjectName(QStringLiteral("bpm"));
    bpm->setRange(50, 300);
    bpm->setValue(120);
    bpm->setFocusPolicy(Qt::NoFocus);
    Label5 = MakeLabel(Panel10, QStringLiteral("Label5"), QStringLiteral("120"));
    bpmLabel = MakeLabel(Panel10, QStringLiteral("bpmLabel"), QStringLiteral("BPM"));
    Channels = MakeLabel(Panel10, QStringLiteral("Channels"), QStringLiteral("stereo"));
    Channels->setAlignment(Qt::AlignCenter);
    Channels->setCursor(Qt::PointingHandCursor);
    mastervol = new QSlider(Qt::Horizontal, Panel10);
    mastervol->setObjectName(QStringLiteral("mastervol"));
    mastervol->setRange(0, 1000);
    mastervol->setValue(1000);
    mastervol->setTickPosition(QSlider::TicksBelow);
    mastervol->setTickInterval(50);
    mastervol->setFocusPolicy(Qt::NoFocus);
    masterLabel =
        MakeLabel(Panel10, QStringLiteral("masterLabel"), QStringLiteral("Master Volume"));
    masterLabel->setFont(SmallFont());
    for (QLabel* l : {Label5, bpmLabel, masterLabel}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        l->setPalette(pal);
    }

    Panel23 = MakePanel(panel4, QStringLiteral("Panel23"), colors::Teal);
    PaintBox9 = MakePaintBox(Panel23, QStringLiteral("PaintBox9"));
    PaintBox9->setGeometry(0, 0, LoopBoxWidth, 41);
    PaintBox9->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, -1, 0, PaintBox9->width(), PaintBox9->height(), colors::Teal, skin());
    };
    loopbut =
        MakeSpeedButton(Panel23, QStringLiteral("loopbut"), QStringLiteral("LOOP SOLO"), true);
    loopbut->setGeometry(8, 8, LoopBoxWidth - 16, 25);
}

void TMain::createSequencerPanel()
{
    seqpanel = MakePanel(client, QStringLiteral("seqpanel"), colors::Silver);
    seqpanel->resize(SequencerDesignWidth, 300);
    m_seqPanelWidth = SequencerDesignWidth;
    seqpanel->hide();
    Panel36 = MakePanel(seqpanel, QStringLiteral("Panel36"), colors::Silver);
    Panel36->setCursor(Qt::SplitHCursor);
    PaintBox10 = MakePaintBox(seqpanel, QStringLiteral("PaintBox10"));
    PaintBox10->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, -1, 0, PaintBox10->width(), PaintBox10->height(), colors::Teal, skin());
    };
    Label6 = MakeLabel(seqpanel, QStringLiteral("Label6"), QStringLiteral("Sequencer"));
    QPalette white = Label6->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    Label6->setPalette(white);
    QFont bold = Label6->font();
    bold.setBold(true);
    Label6->setFont(bold);

    Panel20 = MakePanel(seqpanel, QStringLiteral("Panel20"), colors::Silver);
    Panel33 = MakePanel(Panel20, QStringLiteral("Panel33"), colors::Silver);
    PaintBox12 = MakePaintBox(Panel33, QStringLiteral("PaintBox12"));
    PaintBox11 = MakePaintBox(Panel33, QStringLiteral("PaintBox11"));
    PaintBox11->onPaint = [this](QPainter& p, const QRect& clip) {
        p.fillRect(PaintBox11->rect(), ToQColor(colors::Silver));
        DrawRuler(p, seqbox->horizontalScrollBar()->value(), m_edit.SeqBeatWidth,
                  PaintBox11->height(), clip.right());
    };
    leftseqbox = MakePaintBox(Panel20, QStringLiteral("leftseqbox"));
    leftseqbox->onPaint = [this](QPainter& p, const QRect&) { paintSequencerNames(p); };
    seqbox = new QScrollArea(Panel20);
    seqbox->setObjectName(QStringLiteral("seqbox"));
    seqbox->setFrameShape(QFrame::NoFrame);
    PaintBox3 = MakePaintBox(nullptr, QStringLiteral("PaintBox3"));
    PaintBox3->onPaint = [this](QPainter& p, const QRect& clip) { paintSequencerLane(p, clip); };
    seqbox->setWidget(PaintBox3);

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

    Panel35 = MakePanel(seqpanel, QStringLiteral("Panel35"), colors::Teal);
    playb = MakeSpeedButton(Panel35, QStringLiteral("playb"), QString(), true);
    playb->setIcon(Glyph(QStringLiteral("play")));
    playb->setGeometry(3, 3, 26, 24);
    stopB = MakeSpeedButton(Panel35, QStringLiteral("stopB"), QString(), true);
    stopB->setIcon(Glyph(QStringLiteral("stop")));
    stopB->setGeometry(31, 3, 26, 24);
    stopB->setChecked(true);
    auto* transport = new QButtonGroup(this);
    transport->setExclusive(true);
    transport->addButton(playb);
    transport->addButton(stopB);
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

    connect(playb, &QToolButton::clicked, this, [this] { playbClick(); });
    connect(stopB, &QToolButton::clicked, this, [this] { stopBClick(); });
}

void TMain::createBottomStrip()
{
    Panel1 = MakePanel(client, QStringLiteral("Panel1"), colors::Gray);
    Panel14 = MakePanel(Panel1, QStringLiteral("Panel14"), colors::Gray);
    Image4 = MakePaintBox(Panel14, QStringLiteral("Image4"));
    Image4->setGeometry(0, 0, 49, BottomStripHeight);
    Image4->onPaint = [this](QPainter& p, const QRect&) {
        if (const Skin* s = skin()) {
            p.drawImage(0, 0, s->sideImage);
        }
    };
    Panel9 = MakePanel(Panel1, QStringLiteral("Panel9"), colors::Gray);
    PaintBox6 = MakePaintBox(Panel9, QStringLiteral("PaintBox6"));
    PaintBox6->onPaint = [this](QPainter& p, const QRect&) { paintMixerNumbers(p); };
    panmix = MakePaintBox(Panel9, QStringLiteral("panmix"));
    Panel_volumandex = MakePanel(Panel9, QStringLiteral("Panel_volumandex"), colors::Gray);
    Volumemix = MakePaintBox(Panel_volumandex, QStringLiteral("Volumemix"));
    Volumemix->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, 0, 0, Volumemix->width(), Volumemix->height(), colors::Gray, skin());
    };

    Panel24 = MakePanel(Panel1, QStringLiteral("Panel24"), PackColor(0x23, 0x28, 0x33));
    Panel24->installEventFilter(this);
    funBox3 = MakePaintBox(Panel24, QStringLiteral("funBox3"));
    funBox3->setGeometry(0, 4, 27, 31);
    funBox3->onPaint = [this](QPainter& p, const QRect&) { paintFunBox(p); };
    funBox3->hide();
    Panel25 = MakePanel(Panel24, QStringLiteral("Panel25"), colors::Silver);
    StatusBar1 = new QStatusBar(Panel25);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
}

void TMain::FormResize()
{
    if (client == nullptr) {
        return;
    }
    const int w = width();
    // 1. Bands and side panels need room.
    Panel1->setVisible(w >= MinVisibleWidthForBands);
    Panel3->setVisible(w >= MinVisibleWidthForBands);
    Panel14->setVisible(w >= MinVisibleWidthForSides);
    Panel24->setVisible(w >= MinVisibleWidthForSides);
    // 7. The status bar panel follows the window state; a minimised window keeps it as is.
    if (isMaximized()) {
        Panel25->setVisible(false);
    } else if (!isMinimized()) {
        Panel25->setVisible(true);
    }
    layoutRegions();
    // 2.-4. The tempo panel's controls.
    layoutTempoPanel();
    // 5. The sequencer panel's inner boxes.
    layoutSequencerPanel();
}

void TMain::layoutRegions()
{
    const int w = client->width();
    const int h = client->height();
    Panel16->setGeometry(0, 0, w, TopStripHeight);
    Panel19->setGeometry(w - SeqImageWidth, 0, SeqImageWidth, TopStripHeight);
    PanelSeq->setGeometry(SideWidth, 0, std::max(0, w - SideWidth - SeqImageWidth), TopStripHeight);
    const int seqW = PanelSeq->width();
    Panel17->setGeometry(0, 0, seqW, 32);
    Button6->setGeometry(seqW - 70, 4, 64, 24);
    Button5->setGeometry(seqW - 140, 4, 64, 24);
    pattab->setGeometry(6, 2, std::max(0, seqW - 150), Panel17->height() - 2);
    Panel18->setGeometry(0, 32, seqW, TopStripHeight - 32);

    Panel28->setGeometry(0, TopStripHeight, w, LedRowHeight);
    ledPB->setGeometry(SideWidth, 0, std::max(0, w - SideWidth), LedRowHeight);

    const int top = TopStripHeight + LedRowHeight;
    int bottom = h;
    if (!Panel1->isHidden()) {
        bottom = h - BottomStripHeight;
        Panel1->setGeometry(0, bottom, w, BottomStripHeight);
        // 6. The right strip's width lets the mixer columns share the rest evenly.
        int tracks = 0;
        {
            std::lock_guard<core::SongLock> guard(m_songLock);
            tracks = m_song->TrackCount;
        }
        const int span = std::max(width(), 0) - Panel14->width();
        const int rightW = (tracks > 0 ? span % tracks : 0) + 23;
        Panel24->resize(rightW, BottomStripHeight);
        const int left = Panel14->isHidden() ? 0 : Panel14->width();
        const int right = Panel24->isHidden() ? w : w - rightW;
        Panel14->setGeometry(0, 0, 49, BottomStripHeight);
        Panel24->setGeometry(right, 0, rightW, BottomStripHeight);
        Panel9->setGeometry(left, 0, std::max(0, right - left), BottomStripHeight);
        PaintBox6->setGeometry(0, 0, Panel9->width(), 17);
        panmix->setGeometry(0, 17, Panel9->width(), 15);
        Panel_volumandex->setGeometry(0, 32, Panel9->width(), BottomStripHeight - 32);
        Volumemix->setGeometry(0, 0, Panel9->width(), Panel_volumandex->height());
        Panel25->setGeometry(0, BottomStripHeight - 20, rightW, 20);
        StatusBar1->setGeometry(0, 0, rightW, 20);
    }
    bottom = std::max(bottom, top);

    int right = w;
    if (!seqpanel->isHidden()) {
        const int sw = std::min(m_seqPanelWidth, w);
        right = w - sw;
        seqpanel->setGeometry(right, top, sw, bottom - top);
    }
    int midBottom = bottom;
    if (!Panel3->isHidden()) {
        midBottom = std::max(top, bottom - EditorBandHeight);
        Panel3->setGeometry(0, midBottom, right, bottom - midBottom);
        Panel13->setGeometry(SideWidth, 0, std::max(0, right - SideWidth), LaneBandHeight);
        valbox->setGeometry(0, 0, Panel13->width(), LaneBandHeight);
        panel4->setGeometry(0, LaneBandHeight, right, EditorBandHeight - LaneBandHeight);
        Panel23->setGeometry(std::max(SideWidth, right - LoopBoxWidth), 0, LoopBoxWidth, 41);
        Panel10->setGeometry(SideWidth, 0, std::max(0, Panel23->x() - SideWidth), 41);
        PaintBox8->setGeometry(0, 0, Panel10->width(), 41);
    }
    Panel8->setGeometry(0, top, SideWidth, midBottom - top);
    PaintBox1->setGeometry(0, 0, SideWidth - 19, Panel8->height());
    PaintBox4->setGeometry(SideWidth - 19, 0, 19, Panel8->height());
    ScrollBox1->setGeometry(SideWidth, top, std::max(0, right - SideWidth), midBottom - top);
    updateGridSize();
}

void TMain::layoutTempoPanel()
{
    const int W = Panel10->width();
    bpm->setGeometry(W / 51, 19, W * 23 / 51 - W / 51, 17);
    Label5->adjustSize();
    Label5->move(W / 51, 3);
    bpmLabel->adjustSize();
    bpmLabel->move(Label5->x() + Label5->width() + 8, 3);
    Channels->setGeometry(W * 24 / 51, 9, 49, 23);
    const int masterLeft = W * 25 / 51 + 49;
    mastervol->setGeometry(masterLeft, 15, W * 50 / 51 - masterLeft, 24);
    masterLabel->adjustSize();
    masterLabel->move(W * 25 / 51 + 53, 2);
}

void TMain::layoutSequencerPanel()
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
    int patterns = 0;
    {
        std::lock_guard<core::SongLock> guard(m_songLock);
        patterns = m_song->PatternCount;
    }
    PaintBox3->resize(m_edit.SeqBeatWidth * core::MaxSongPosition,
                      std::max(patterns * m_edit.SeqRowHeight, seqbox->viewport()->height()));
}

void TMain::updateGridSize()
{
    const int rows = panel5->property("rowsHeight").toInt();
    // The grid always fills at least the visible area; it scrolls only vertically (zooming
    // widens it), so leave room for the vertical bar when the rows need it.
    const QSize view = ScrollBox1->maximumViewportSize();
    const bool needsBar = rows > view.height();
    const int barWidth = needsBar ? ScrollBox1->verticalScrollBar()->sizeHint().width() : 0;
    const int gw = std::max(view.width() - barWidth, 1);
    const int gh = std::max(rows, view.height());
    panel5->resize(gw, gh);
    PaintBox2->setGeometry(0, 0, gw, gh);
    noteBox->setGeometry(0, 0, gw, gh);
}

void TMain::repaintEditors()
{
    for (QWidget* w : {static_cast<QWidget*>(PaintBox2), static_cast<QWidget*>(noteBox),
                       static_cast<QWidget*>(valbox), static_cast<QWidget*>(tab),
                       static_cast<QWidget*>(PaintBox1), static_cast<QWidget*>(PaintBox4),
                       static_cast<QWidget*>(PaintBox3), static_cast<QWidget*>(leftseqbox),
                       static_cast<QWidget*>(Panel1), static_cast<QWidget*>(PaintBox6),
                       static_cast<QWidget*>(panmix), static_cast<QWidget*>(Volumemix),
                       static_cast<QWidget*>(PaintBox11), static_cast<QWidget*>(ledPB)}) {
        if (w != nullptr) {
            w->update();
        }
    }
}

// ---- painting ----

void TMain::paintGridBackground(QPainter& p, const QRect& clip)
{
    const int W = PaintBox2->width();
    const QRect visible = ScrollBox1->viewport()->rect().translated(
        ScrollBox1->horizontalScrollBar()->value(), ScrollBox1->verticalScrollBar()->value());
    if (const Skin* s = skin()) {
        TileBitmap(p, s->stars, visible.x(), visible.height(), visible.width(), visible.y());
    }
    int beats = 4, ticks = 4, rows = 0;
    {
        std::lock_guard<core::SongLock> guard(m_songLock);
        beats = std::max(1, m_song->Beats);
        ticks = std::max(1, m_song->Ticks);
        rows = std::clamp(m_song->TrackCount, 0, core::MaxTracks);
    }
    const int steps = beats * ticks;
    p.setFont(SmallFont());
    for (int b = 0; b < steps; ++b) {
        const int x = b * W / steps;
        if (x > clip.right() + 1) {
            break;
        }
        const bool beatStart = b % ticks == 0;
        const int barWidth = b % (4 * ticks) == 0 ? 2 : 1;
        p.fillRect(x, 0, barWidth, PaintBox2->height(),
                   ToQColor(beatStart ? colors::Lime : colors::Blue));
        if (W / steps > 16) {
            p.setPen(ToQColor(colors::White));
            const QFontMetrics fm(p.font());
            p.drawText(x + 4, 1 + fm.ascent(),
                       QStringLiteral("%1.%2").arg(b / ticks + 1).arg(b % ticks + 1));
        }
    }
    p.setPen(ToQColor(colors::White));
    for (int r = 0; r < rows; ++r) {
        const int y = RowCentreY(r, GridRowHeight);
        for (int b = 0; b < steps; ++b) {
            const int x = b * W / steps;
            p.drawLine(x, r * GridRowHeight + 10, x, r * GridRowHeight + 15);
        }
        p.drawLine(0, y, W, y);
    }
}

void TMain::paintEvents(QPainter& p)
{
    const int W = noteBox->width();
    p.setRenderHint(QPainter::Antialiasing, false);
    int rows = 0;
    int steps = 16;
    {
        std::lock_guard<core::SongLock> guard(m_songLock);
        rows = std::clamp(m_song->TrackCount, 0, core::MaxTracks);
        steps = std::max(1, m_song->Beats * m_song->Ticks);
        for (int r = 0; r < rows; ++r) {
            const auto& row = m_song->Events[static_cast<std::size_t>(r)];
            for (int slot = 0; slot < core::PatternSlots; ++slot) {
                const core::TNoteEvent& e = row[static_cast<std::size_t>(slot)];
                if (e.Volume > 0) {
                    DrawEventMarker(p, XFromPos(slot, W), e.Selected != 0,
                                    RowCentreY(r, GridRowHeight), skin());
                }
            }
        }
    }
    // The paste preview and the rubber band are inverting drawings over the markers. They
    // are kept as state and drawn here, so a repaint shows them instead of wiping them.
    if (m_edit.PastePending && m_edit.PreviewShown) {
        const int c = XFromPos(PosFromX(m_edit.PreviewX, W, steps), W);
        const int anchorX = XFromPos(m_edit.ClipAnchor, W);
        const core::EventGrid& clip = *m_clipboard;
        for (int t = 0; t < rows; ++t) {
            const auto& row = clip[static_cast<std::size_t>(t)];
            for (int i = 0; i < core::PatternSlots; ++i) {
                const core::TNoteEvent& e = row[static_cast<std::size_t>(i)];
                if (e.Volume > 0 && e.Selected == 1) {
                    DrawMarkerOutline(p, c + XFromPos(i, W) - anchorX,
                                      RowCentreY(t, GridRowHeight));
                }
            }
        }
    }
    if (m_edit.BandActive) {
        const QPainter::CompositionMode old = p.compositionMode();
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        p.setPen(QPen(Qt::black, 0, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(QPoint(m_edit.BandStartX, m_edit.BandStartY),
                         QPoint(m_edit.BandEndX, m_edit.BandEndY))
                       .normalized());
        p.setCompositionMode(old);
        p.setPen(Qt::SolidLine);
    }
}

void TMain::paintSounds(QPainter& p)
{
    const Skin* s = skin();
    p.fillRect(PaintBox1->rect(), QColor(0x23, 0x28, 0x33));
    std::lock_guard<core::SongLock> guard(m_songLock);
    const int rows = std::clamp(m_song->TrackCount, 0, core::MaxTracks);
    for (int i = 0; i < rows; ++i) {
        const int y = i * GridRowHeight + m_edit.GridScrollY;
        if (s != nullptr) {
            p.drawImage(0, y, i == m_song->SelectedTrack ? s->soulei2 : s->soulei);
        }
        const core::TTrack& t = m_song->Tracks[static_cast<std::size_t>(i)];
        p.setPen(ToQColor(colors::Black));
        const QFontMetrics fm(p.font());
        p.drawText(5, y + 5 + fm.ascent(), QString::number(i + 1));
        const QString name = t.Enabled == 0 && t.SoundName.empty()
                                 ? QStringLiteral(" - - - ")
                                 : QString::fromLatin1(t.SoundName.str().c_str());
        p.drawText(25, y + 5 + fm.ascent(), name);
    }
}

void TMain::paintMute(QPainter& p)
{
    const Skin* s = skin();
    p.fillRect(PaintBox4->rect(), QColor(0x23, 0x28, 0x33));
    if (s == nullptr) {
        return;
    }
    std::lock_guard<core::SongLock> guard(m_songLock);
    const int rows = std::clamp(m_song->TrackCount, 0, core::MaxTracks);
    for (int i = 0; i < rows; ++i) {
        const bool enabled = m_song->Tracks[static_cast<std::size_t>(i)].Enabled == 1;
        p.drawImage(0, i * GridRowHeight + m_edit.GridScrollY, enabled ? s->mubu1 : s->mubu2);
    }
}

void TMain::paintLed(QPainter& p)
{
    const int h = ledPB->height();
    const int W = PaintBox2->width();
    bool lit = false;
    int x1 = 0, x2 = 0;
    if (m_flags.EngineRunning && !m_flags.SilenceDisplay) {
        std::lock_guard<core::SongLock> guard(m_songLock);
        if (m_song->validPattern(m_song->CurrentPattern)) {
            const core::TPattern& pat = m_song->pattern(m_song->CurrentPattern);
            if (pat.PlayActive == 1 && pat.Beats > 0) {
                lit = true;
                x1 = XFromPos(pat.PlayFrom * 256 / pat.Beats, W) + m_edit.GridScrollX;
                x2 = XFromPos(pat.PlayTo * 256 / pat.Beats, W) + m_edit.GridScrollX;
            }
        }
    }
    // The whole strip is repainted each time, so clearing the previous segment is implied.
    p.fillRect(ledPB->rect(), ToQColor(colors::Silver));
    if (lit) {
        p.fillRect(QRect(QPoint(x1, 1), QPoint(x2 - 1, h - 2)), ToQColor(colors::Red));
        m_ledX1 = x1;
        m_ledX2 = x2;
    }
}

void TMain::paintValueLane(QPainter& p)
{
    const int H = valbox->height();
    const int W = PaintBox2->width();
    DrawSkinPanel(p, -15, 0, valbox->width(), H, colors::Gray, skin());
    if (m_edit.LaneMode != 0) {
        return;
    }
    p.setPen(ToQColor(colors::Black));
    for (int k = 1; k <= H / 6 - 1; ++k) {
        const int y = k * H / 6;
        if (y < H) {
            p.drawLine(0, y, valbox->width(), y);
        }
    }
    std::lock_guard<core::SongLock> guard(m_songLock);
    const int track = m_song->SelectedTrack;
    if (track < 0 || track >= core::MaxTracks) {
        return;
    }
    const auto& row = m_song->Events[static_cast<std::size_t>(track)];
    for (int slot = 0; slot < core::PatternSlots; ++slot) {
        const int v = row[static_cast<std::size_t>(slot)].Volume;
        if (v > 0) {
            const int x = XFromPos(slot, W) + m_edit.GridScrollX;
            const int y = H - H * v / 10000;
            p.fillRect(x, y, 3, H - y, ToQColor(colors::Black));
        }
    }
}

void TMain::paintLaneSelector(QPainter& p)
{
    p.fillRect(tab->rect(), ToQColor(colors::Silver));
    const int B = tab->height() / 8;
    const QString names[] = {QStringLiteral("Volume"), QStringLiteral("Pitch"),
                             QStringLiteral("Pan")};
    p.setBrush(ToQColor(colors::Silver));
    for (int i = 0; i < 3; ++i) {
        DrawTabButton(p, 10, (1 + 2 * i) * B, tab->width() + 1, (3 + 2 * i) * B,
                      m_edit.LaneMode == i, names[i]);
        p.setBrush(ToQColor(colors::Silver));
    }
}

void TMain::paintMixerNumbers(QPainter& p)
{
    p.fillRect(PaintBox6->rect(), ToQColor(colors::Gray));
    int tracks = 0;
    {
        std::lock_guard<core::SongLock> guard(m_songLock);
        tracks = m_song->TrackCount;
    }
    if (tracks <= 0) {
        return;
    }
    const int w = PaintBox6->width() / tracks;
    p.setPen(ToQColor(colors::White));
    p.setFont(SmallFont());
    for (int i = 0; i < tracks; ++i) {
        DrawCentredText(p, w * i + w / 2, 2, QString::number(i + 1));
    }
}

void TMain::paintSequencerLane(QPainter& p, const QRect& clip)
{
    p.fillRect(clip, ToQColor(colors::Silver));
}

void TMain::paintSequencerNames(QPainter& p)
{
    p.fillRect(leftseqbox->rect(), ToQColor(colors::Silver));
    std::lock_guard<core::SongLock> guard(m_songLock);
    const QFontMetrics fm(p.font());
    for (int r = 0; r < m_song->PatternCount; ++r) {
        const int y = r * m_edit.SeqRowHeight - m_edit.SeqScrollY;
        const core::TPattern& pat = m_song->pattern(r);
        const bool active = pat.PlayActive == 1;
        p.fillRect(QRect(0, y + 1, leftseqbox->width(), m_edit.SeqRowHeight),
                   ToQColor(active ? colors::Blue : colors::Silver));
        p.setPen(ToQColor(active ? colors::White : colors::Black));
        p.drawText(1, y + 2 + fm.ascent(), QString::fromLatin1(pat.Name.str().c_str()));
        p.setPen(ToQColor(colors::Gray));
        p.drawLine(0, y + 1, leftseqbox->width(), y + 1);
    }
}

void TMain::paintFunBox(QPainter& p)
{
    const Skin* s = skin();
    if (s == nullptr || funBox3->isHidden()) {
        return;
    }
    const int c = m_edit.AnimationCounter;
    p.drawImage(0, 0, c == 0 ? s->i3 : (c == 2 ? s->i1 : s->i2));
}

} // namespace bw::ui
