#include "ui/regions/transport_band.h"

#include "ui/shell/editor_context.h"
#include "ui/shell/render_bridge.h"
#include "ui/shell/transport.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/glyphs.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/widgets/value_readout.h"
#include "ui/widgets/widget_factory.h"
#include "ui/windows/groove_popups.h"

#include <algorithm>

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>

namespace bw::ui {

namespace {

/// The shuffle, delay and humanize boxes at the band's left end.
constexpr int GrooveWidth = 220;
constexpr int BandHeight = 41;

/// The master volume bar with tick marks that can be seen on the teal band: the style's own
/// are two pixels of gray.
class TickedSlider : public QSlider
{
public:
    using QSlider::QSlider;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        QStyleOptionSlider option;
        initStyleOption(&option);
        option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
        style()->drawComplexControl(QStyle::CC_Slider, &option, &p, this);
        const int interval = tickInterval();
        if (interval <= 0) {
            return;
        }
        // Where the style centres the handle for a value, as its own tick marks do.
        const int handle = style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
        const int span = width() - handle;
        p.setPen(QColor(255, 255, 255, 170));
        for (int v = minimum(); v <= maximum(); v += interval) {
            const int x =
                QStyle::sliderPositionFromValue(minimum(), maximum(), v, span) + handle / 2;
            const bool major = (v - minimum()) % (interval * 5) == 0;
            p.drawLine(x, height() - (major ? 6 : 4), x, height() - 1);
        }
    }
};

constexpr int LoopBoxWidth = 90;

} // namespace

TransportBand::TransportBand(EditorContext& context,
                             QWidget* comboHost,
                             QWidget* bandHost,
                             QWidget* ledHost)
    : QObject(bandHost), m_ctx(context)
{
    createSelectors(comboHost);
    createBand(bandHost);
    ledPB = MakePaintBox(ledHost, QStringLiteral("ledPB"));
    ledPB->setAccessibleName(QStringLiteral("Playing position"));
    ledPB->setToolTip(QStringLiteral("Playing position: lights the beat being played"));
    ledPB->onPaint = [this](QPainter& p, const QRect&) { ledPBPaint(p); };

    connect(bpm, &QScrollBar::valueChanged, this, &TransportBand::bpmChange);
    connect(BeatB, &QComboBox::currentIndexChanged, this, &TransportBand::BeatBChange);
    connect(TickB, &QComboBox::currentIndexChanged, this, &TransportBand::TickBChange);
    connect(transcom, &QComboBox::currentIndexChanged, this, &TransportBand::transcomChange);
    connect(mastervol, &QSlider::valueChanged, this, &TransportBand::mastervolChange);
    Channels->installEventFilter(this);
    for (QLabel* box : {Panel32, Panel30, Panel38, humanBox}) {
        box->installEventFilter(this);
    }
    Panel32->setAccessibleName(QStringLiteral("Shuffle"));
    Panel32->setToolTip(QStringLiteral("Shuffle amount: click to set the shuffle"));
    Panel30->setAccessibleName(QStringLiteral("Delay"));
    Panel30->setToolTip(QStringLiteral("Delay feedback: click to set the delay"));
    humanBox->setAccessibleName(QStringLiteral("Humanize"));
    humanBox->setToolTip(
        QStringLiteral("Humanize timing and volume: click to loosen the hits around the grid"));

    connect(&m_ctx, &EditorContext::songSettingsShown, this, &TransportBand::showSongSettings);
    connect(&m_ctx, &EditorContext::documentChanged, this, &TransportBand::showGrooveBoxes);
    connect(&m_ctx, &EditorContext::gridViewChanged, ledPB, qOverload<>(&QWidget::update));
    connect(&m_ctx, &EditorContext::skinChanged, this, [this] {
        PaintBox5->update();
        PaintBox7->update();
        PaintBox8->update();
        PaintBox9->update();
    });
    RenderBridge& bridge = m_ctx.bridge();
    connect(&bridge, &RenderBridge::blockReported, this, [this](const audio::BlockReport& r) {
        m_heard = r;
        ledPB->update();
    });
    connect(&bridge, &RenderBridge::playShown, this, [this] {
        if (playb != nullptr) {
            playb->setChecked(true);
        }
    });
    connect(&bridge, &RenderBridge::runEnded, this, &TransportBand::runEnded);
}

void TransportBand::createSelectors(QWidget* host)
{
    PaintBox5 = MakePaintBox(host, QStringLiteral("PaintBox5"));
    PaintBox5->setGeometry(0, 0, host->width(), host->height());
    PaintBox5->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, 0, 0, PaintBox5->width(), PaintBox5->height(), colors::Gray, m_ctx.skin());
    };
    struct Row
    {
        QComboBox** box = nullptr;
        const char* name = nullptr;
        const char* label = nullptr;
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
        auto* label = MakeLabel(host, QString::fromLatin1(r.label) + QStringLiteral("Label"),
                                QString::fromLatin1(r.label));
        SetTextColor(label, colors::White);
        label->setFont(SmallFont());
        label->setGeometry(6, y + 3, 30, 16);
        auto* box = new QComboBox(host);
        box->setObjectName(QString::fromLatin1(r.name));
        box->addItems(r.items);
        box->setGeometry(36, y, 42, 22);
        box->setAccessibleName(QString::fromLatin1(r.label));
        box->setFocusPolicy(Qt::ClickFocus);
        *r.box = box;
        y += 26;
    }
    transcom->setMaxVisibleItems(25);
    BeatB->setToolTip(QStringLiteral("Beats of the pattern"));
    TickB->setToolTip(QStringLiteral("Steps per beat on the grid"));
    transcom->setToolTip(QStringLiteral("Transpose the pattern (semitones)"));
}

void TransportBand::createBand(QWidget* host)
{
    panel4 = MakePanel(host, QStringLiteral("panel4"), colors::Teal);

    Panel15 = MakePanel(panel4, QStringLiteral("Panel15"), colors::Teal);
    Panel15->setGeometry(0, 0, GrooveWidth, BandHeight);
    PaintBox7 = MakePaintBox(Panel15, QStringLiteral("PaintBox7"));
    PaintBox7->setGeometry(0, 0, GrooveWidth, BandHeight);
    PaintBox7->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, 0, 0, PaintBox7->width(), PaintBox7->height(), colors::Teal, m_ctx.skin());
    };
    const auto boxLabel = [](QWidget* parent, const QString& text, int x) {
        auto* l = MakeLabel(parent, text + QStringLiteral("Label"), text);
        SetTextColor(l, colors::White);
        l->setFont(SmallFont());
        l->setGeometry(x, 2, 56, 14);
        return l;
    };
    const auto valueBox = [](QWidget* parent, const QString& name, int x, int width = 52) {
        QLabel* box = MakeLabel(parent, name, QStringLiteral("0%"));
        box->setAlignment(Qt::AlignCenter);
        box->setGeometry(x, 16, width, 19);
        box->setCursor(Qt::PointingHandCursor);
        return box;
    };
    boxLabel(Panel15, QStringLiteral("Shuffle"), 14);
    Panel32 = valueBox(Panel15, QStringLiteral("Panel32"), 14);
    boxLabel(Panel15, QStringLiteral("Delay"), 78);
    Panel30 = valueBox(Panel15, QStringLiteral("Panel30"), 78);
    boxLabel(Panel15, QStringLiteral("Humanize"), 142);
    humanBox = valueBox(Panel15, QStringLiteral("humanBox"), 142, 70);
    lowPassGroup = new QFrame(Panel15);
    lowPassGroup->setObjectName(QStringLiteral("lowPassGroup"));
    lowPassGroup->setGeometry(0, 0, GrooveWidth, BandHeight);
    boxLabel(lowPassGroup, QStringLiteral("Low Pass"), 14);
    Panel38 = MakeLabel(lowPassGroup, QStringLiteral("Panel38"), QStringLiteral("0%"));
    Panel38->setGeometry(14, 16, 52, 19);
    lowPassGroup->hide();

    Panel10 = MakePanel(panel4, QStringLiteral("Panel10"), colors::Teal);
    PaintBox8 = MakePaintBox(Panel10, QStringLiteral("PaintBox8"));
    PaintBox8->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, -1, 0, PaintBox8->width(), PaintBox8->height(), colors::Teal,
                      m_ctx.skin());
    };
    bpm = new QScrollBar(Qt::Horizontal, Panel10);
    bpm->setObjectName(QStringLiteral("bpm"));
    bpm->setRange(50, 300);
    bpm->setValue(120);
    bpm->setSingleStep(1);
    bpm->setPageStep(10);
    bpm->setAccessibleName(QStringLiteral("Tempo"));
    new SliderReadout(
        bpm,
        [](int value) { return QStringLiteral("Tempo: %1 BPM (double click: 120)").arg(value); },
        120);
    Label5 = MakeLabel(Panel10, QStringLiteral("Label5"), QStringLiteral("120"));
    bpmLabel = MakeLabel(Panel10, QStringLiteral("bpmLabel"), QStringLiteral("BPM"));
    Channels = MakeLabel(Panel10, QStringLiteral("Channels"), QStringLiteral("stereo"));
    Channels->setAlignment(Qt::AlignCenter);
    Channels->setCursor(Qt::PointingHandCursor);
    Channels->setAccessibleName(QStringLiteral("Channels"));
    Channels->setToolTip(QStringLiteral("Click to switch between mono and stereo"));
    mastervol = new TickedSlider(Qt::Horizontal, Panel10);
    mastervol->setObjectName(QStringLiteral("mastervol"));
    mastervol->setRange(0, 1000);
    mastervol->setValue(1000);
    mastervol->setTickPosition(QSlider::TicksBelow);
    mastervol->setTickInterval(50);
    mastervol->setSingleStep(1);
    mastervol->setPageStep(50);
    mastervol->setAccessibleName(QStringLiteral("Master volume"));
    // The song's scale, 0..10000, in steps of 10 for the arrow keys and 500 for the pages.
    new SliderReadout(
        mastervol,
        [](int position) {
            return QStringLiteral("Master volume: %1 (double click: 10000)")
                .arg(position * 10000 / 1000);
        },
        1000);
    masterLabel =
        MakeLabel(Panel10, QStringLiteral("masterLabel"), QStringLiteral("Master Volume"));
    masterLabel->setFont(SmallFont());
    for (QLabel* l : {Label5, bpmLabel, masterLabel}) {
        SetTextColor(l, colors::White);
    }

    Panel23 = MakePanel(panel4, QStringLiteral("Panel23"), colors::Teal);
    PaintBox9 = MakePaintBox(Panel23, QStringLiteral("PaintBox9"));
    PaintBox9->setGeometry(0, 0, LoopBoxWidth, BandHeight);
    PaintBox9->onPaint = [this](QPainter& p, const QRect&) {
        DrawSkinPanel(p, -1, 0, PaintBox9->width(), PaintBox9->height(), colors::Teal,
                      m_ctx.skin());
    };
}

void TransportBand::attachPlayButtons(QWidget* host)
{
    playb = MakeSpeedButton(host, QStringLiteral("playb"), QString(), true);
    playb->setIcon(MakeGlyph(Glyph::Play));
    playb->setGeometry(3, 3, 26, 24);
    playb->setAccessibleName(QStringLiteral("Play"));
    playb->setToolTip(QStringLiteral("Play the song (Space)"));
    stopB = MakeSpeedButton(host, QStringLiteral("stopB"), QString(), true);
    stopB->setIcon(MakeGlyph(Glyph::Stop));
    stopB->setGeometry(31, 3, 26, 24);
    stopB->setAccessibleName(QStringLiteral("Stop"));
    stopB->setToolTip(QStringLiteral("Stop"));
    stopB->setChecked(true);
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    group->addButton(playb);
    group->addButton(stopB);
    recB = MakeSpeedButton(host, QStringLiteral("recB"), QStringLiteral("REC"), true);
    recB->setGeometry(134, 3, 30, 24);
    recB->setAccessibleName(QStringLiteral("Record"));
    recB->setToolTip(
        QStringLiteral("Record: pads played while the song plays go into the pattern"));
    connect(playb, &QToolButton::clicked, this, [this] { playbClick(); });
    connect(stopB, &QToolButton::clicked, this, [this] { stopBClick(); });
}

QWidget* TransportBand::loopBox() const
{
    return Panel23;
}

void TransportBand::setBandGeometry(int y, int width)
{
    panel4->setGeometry(0, y, width, BandHeight);
    Panel23->setGeometry(std::max(GrooveWidth, width - LoopBoxWidth), 0, LoopBoxWidth, BandHeight);
    Panel10->setGeometry(GrooveWidth, 0, std::max(0, Panel23->x() - GrooveWidth), BandHeight);
    PaintBox8->setGeometry(0, 0, Panel10->width(), BandHeight);
    layoutTempoPanel();
}

void TransportBand::setLedGeometry(int x, int width)
{
    ledPB->setGeometry(x, 0, width, ledPB->parentWidget()->height());
}

void TransportBand::layoutTempoPanel()
{
    const int W = Panel10->width();
    bpm->setGeometry(W / 51, 19, W * 23 / 51 - W / 51, 17);
    Label5->adjustSize();
    Label5->move(W / 51, 3);
    bpmLabel->adjustSize();
    bpmLabel->move(Label5->x() + Label5->width() + 8, 3);
    Channels->setGeometry(W * 24 / 51, 9, 49, 23);
    const int masterLeft = W * 25 / 51 + 49;
    // Tall enough for the groove and whole tick marks under it, down to the band's foot.
    mastervol->setGeometry(masterLeft, 13, W * 50 / 51 - masterLeft, BandHeight - 14);
    masterLabel->adjustSize();
    // On a narrow band the label moves left rather than being cut at the band's end.
    const int channelsRight = W * 24 / 51 + 49;
    masterLabel->move(
        std::max(channelsRight + 2, std::min(W * 25 / 51 + 53, W - masterLabel->width() - 2)), 2);
}

void SelectItemByNumber(QComboBox* box, int number)
{
    int found = -1;
    for (int i = 0; i < box->count(); ++i) {
        QString text = box->itemText(i).trimmed();
        if (text.startsWith(QLatin1Char('+'))) {
            text.remove(0, 1);
        }
        bool ok = false;
        const int value = text.toInt(&ok, 10);
        if (ok && value == number) {
            found = i;
        }
    }
    const QSignalBlocker block(box);
    box->setCurrentIndex(found >= 0 ? found : (box->count() > 0 ? 0 : -1));
}

void TransportBand::showSongSettings()
{
    int beats = 0, ticks = 0, bpmValue = 0, master = 0, stereo = 0, transpose = 0;
    m_ctx.withSong([&](const core::TSong& s) {
        beats = s.Beats;
        ticks = s.Ticks;
        bpmValue = s.Bpm;
        master = s.MasterVolume;
        stereo = s.Stereo;
        transpose = s.Transpose;
    });
    SelectItemByNumber(BeatB, beats);
    SelectItemByNumber(TickB, ticks);
    {
        const QSignalBlocker block(bpm);
        bpm->setValue(bpmValue);
    }
    {
        const QSignalBlocker block(mastervol);
        mastervol->setValue(master / 10); // the bar's 0..1000 for the song's 0..10000
    }
    // The song takes what its bars hold, as their change handlers would: a tempo read from a
    // file is kept within 50..300, the master volume goes through the bar's steps.
    bpmValue = m_ctx.withSong([this](core::TSong& s) {
        s.Bpm = bpm->value();
        s.MasterVolume = mastervol->value() * 10000 / 1000;
        return s.Bpm;
    });
    Label5->setText(QString::number(bpmValue));
    Channels->setText(stereo == 1 ? QStringLiteral("stereo") : QStringLiteral("mono"));
    SelectItemByNumber(transcom, transpose);
    showGrooveBoxes();
    layoutTempoPanel();
    ledPB->update();
}

void TransportBand::playbClick()
{
    Transport& transport = m_ctx.transport();
    if (transport.stopping()) {
        return;
    }
    emit transportPressed();
    playb->setChecked(true);
    transport.play(PlayMode::Song);
}

void TransportBand::stopBClick()
{
    if (m_ctx.transport().stopping()) {
        return;
    }
    playb->setChecked(false);
    emit transportPressed();
    stopB->setChecked(true);
    m_ctx.transport().stop();
}

void TransportBand::bpmChange(int value)
{
    m_ctx.withSong([value](core::TSong& s) { s.Bpm = value; });
    Label5->setText(QString::number(value));
    layoutTempoPanel();
    m_ctx.documentEdited();
}

namespace {

/// A selector's text as a decimal number (a leading "+" allowed); 0 when it is none.
int SelectorNumber(const QComboBox* box)
{
    QString text = box->currentText().trimmed();
    if (text.startsWith(QLatin1Char('+'))) {
        text.remove(0, 1);
    }
    return text.toInt();
}

} // namespace

void TransportBand::BeatBChange()
{
    int beats = SelectorNumber(BeatB);
    if (beats < 1 || beats > core::MaxBeats) {
        beats = std::clamp(beats, 1, core::MaxBeats);
        const QSignalBlocker block(BeatB);
        BeatB->setEditText(QString::number(beats));
    }
    m_ctx.withSong([beats](core::TSong& s) {
        core::ChangeBeats(s, beats);
        if (s.validPattern(s.CurrentPattern)) {
            core::StoreWorkingCopy(s, s.CurrentPattern);
        }
    });
    m_ctx.documentEdited();
}

void TransportBand::TickBChange()
{
    const int ticks = std::max(1, SelectorNumber(TickB));
    m_ctx.withSong([ticks](core::TSong& s) { s.Ticks = ticks; });
    m_ctx.documentEdited();
}

void TransportBand::transcomChange()
{
    const int transpose = SelectorNumber(transcom);
    m_ctx.withSong([transpose](core::TSong& s) { core::SetTranspose(s, transpose); });
    m_ctx.documentEdited();
}

void TransportBand::mastervolChange(int position)
{
    m_ctx.withSong([position](core::TSong& s) { s.MasterVolume = position * 10000 / 1000; });
    m_ctx.documentEdited();
}

void TransportBand::ChannelsMouseDown()
{
    const bool stereo = m_ctx.withSong([](core::TSong& s) {
        s.Stereo = s.Stereo == 1 ? 0 : 1;
        return s.Stereo == 1;
    });
    Channels->setText(stereo ? QStringLiteral("stereo") : QStringLiteral("mono"));
    m_ctx.documentEdited();
}

bool TransportBand::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Channels && event->type() == QEvent::MouseButtonPress) {
        ChannelsMouseDown();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == Panel32 || watched == Panel30 || watched == Panel38 || watched == humanBox)) {
        // Each box opens its popup over itself.
        const MainWindowLinks& links = m_ctx.links();
        GroovePopup* popup = watched == Panel32    ? static_cast<GroovePopup*>(links.shuffle)
                             : watched == Panel30  ? static_cast<GroovePopup*>(links.delay)
                             : watched == humanBox ? static_cast<GroovePopup*>(links.humanize)
                                                   : static_cast<GroovePopup*>(links.lowPass);
        if (popup != nullptr) {
            popup->popupAt(static_cast<QWidget*>(watched)->mapToGlobal(QPoint(0, 0)));
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TransportBand::showGrooveBoxes()
{
    struct Boxes
    {
        int shuffle, feedback, timing, volume;
    };
    const Boxes b = m_ctx.withSong([](const core::TSong& s) {
        return Boxes{s.ShuffleAmount, s.DelayFeedback,
                     std::clamp(s.HumanizeTiming, 0, core::MaxHumanizeTiming),
                     std::clamp(s.HumanizeVolume, 0, core::MaxHumanizeVolume)};
    });
    Panel32->setText(QString::number(b.shuffle) + QStringLiteral("%"));
    Panel30->setText(QString::number(b.feedback) + QStringLiteral("%"));
    humanBox->setText(HumanizeBoxText(b.timing, b.volume));
}

void TransportBand::runEnded()
{
    m_heard.reset();
    ledPB->update();
    if (playb != nullptr) {
        playb->setChecked(false);
        stopB->setChecked(true);
    }
    emit transportPressed();
}

void TransportBand::ledPBPaint(QPainter& p)
{
    const int h = ledPB->height();
    const int W = m_ctx.gridWidth();
    const int scrollX = m_ctx.gridScrollX();
    // The beat of the pattern shown that is being heard: the engine reports each block as
    // it begins to sound, with the play window it was rendered with.
    const int shown = m_ctx.withSong([](const core::TSong& s) { return s.CurrentPattern; });
    const bool lit =
        m_heard && !m_heard->silence && m_heard->patternSounds && m_heard->pattern == shown;
    const int x1 = lit ? XFromPos(m_heard->playFromSlot, W) + scrollX : 0;
    const int x2 = lit ? XFromPos(m_heard->playToSlot, W) + scrollX : 0;
    // The whole strip is repainted each time, so clearing the previous segment is implied.
    p.fillRect(ledPB->rect(), ToQColor(colors::Silver));
    if (lit) {
        p.fillRect(QRect(QPoint(x1, 1), QPoint(x2 - 1, h - 2)), ToQColor(colors::Red));
    }
}

} // namespace bw::ui
