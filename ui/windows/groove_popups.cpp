#include "ui/windows/groove_popups.h"

#include "audio/groove.h"
#include "ui/shell/editor_context.h"
#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/widgets/widget_factory.h"

#include <algorithm>
#include <stdexcept>

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>

namespace bw::ui {

namespace {

QSlider* MakeSlider(QWidget* parent, const QString& name, int max, int tick, const QString& label)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(name);
    s->setRange(0, max);
    s->setTickInterval(tick);
    s->setPageStep(tick);
    s->setTickPosition(QSlider::TicksBelow);
    s->setAccessibleName(label);
    return s;
}

QComboBox* MakeNumberCombo(QWidget* parent, const QStringList& items, const QString& label)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("SQ"));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setAccessibleName(label);
    return box;
}

QLabel* Caption(QWidget* parent, const QString& text, QRect at)
{
    auto* l = MakeLabel(parent, QString(), text);
    l->setGeometry(at);
    return l;
}

/// Shows value in box unless it already reads so; handlers stay quiet.
void ShowNumber(QComboBox* box, int value, bool& updating)
{
    if (TextNumber(box->currentText()) == value &&
        box->currentText().trimmed() == QString::number(value)) {
        return;
    }
    updating = true;
    box->setEditText(QString::number(value));
    updating = false;
}

/// While the user types, a box keeps the keystrokes (a "1" on its way to "16" is not
/// rewritten); otherwise it shows the value stored at once.
bool Typing(const QComboBox* box)
{
    return box->lineEdit() != nullptr && box->lineEdit()->hasFocus();
}

} // namespace

int TextNumber(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

// The frame --------------------------------------------------------------------------------

GroovePopup::GroovePopup(const QString& objectName,
                         const QString& title,
                         QSize size,
                         QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(objectName);
    setWindowTitle(title);
    setFixedSize(size);
    m_title = new QLabel(title, this);
    m_title->setObjectName(QStringLiteral("Title"));
    m_title->setGeometry(8, 4, size.width() - 16, 18);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
}

void GroovePopup::keyPressEvent(QKeyEvent* event)
{
    // Escape closes it wherever the focus is: a value box being typed in passes the key on
    // (what was typed is kept, as when the popup closes by a click elsewhere).
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void GroovePopup::popupAt(QPoint screen)
{
    move(screen);
    show();
    raise();
    activateWindow();
    KeepOnScreen(this);
}

void GroovePopup::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && m_ctx != nullptr) {
        m_updating = true;
        showSettings();
        m_updating = false;
    }
}

void GroovePopup::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_ctx != nullptr) {
        finishEditing();
    }
}

void GroovePopup::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The popup closes when the user clicks elsewhere.
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) {
        close();
    }
}

void GroovePopup::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(1, 1, width() - 2, 1);
    p.drawLine(1, 1, 1, height() - 2);
}

// Shuffle ----------------------------------------------------------------------------------

TShuffelForm::TShuffelForm(QWidget* parent)
    : GroovePopup(QStringLiteral("ShuffelForm"), QStringLiteral("Shuffle"), QSize(233, 229), parent)
{
    Label1 = MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("0%"));
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setGeometry(170, 4, 55, 18);
    TrackBar1 =
        MakeSlider(this, QStringLiteral("TrackBar1"), 100, 10, QStringLiteral("Shuffle amount"));
    TrackBar1->setGeometry(8, 26, 217, 26);
    TrackBar1->setToolTip(QStringLiteral("How far the off-beat steps are pulled late"));
    Caption(this, QStringLiteral("shuffle 1/"), QRect(8, 61, 62, 18));
    SQ = MakeNumberCombo(this, {"1", "2", "3", "4", "6", "8"}, QStringLiteral("Shuffle grid"));
    SQ->setGeometry(70, 58, 52, 24);
    SQ->setToolTip(
        QStringLiteral("Shuffle steps per beat (1 to 256): 1 swings eighths, 2 sixteenths"));
    Caption(this, QStringLiteral("beat"), QRect(126, 61, 40, 18));
    Caption(this, QStringLiteral("Ticks"), QRect(8, 86, 60, 16));
    p1 = MakePaintBox(this, QStringLiteral("p1"));
    p1->setGeometry(24, 102, 201, 120);
    p1->setAccessibleName(QStringLiteral("Shuffle preview"));
    p1->setToolTip(QStringLiteral("Where events of 2, 4, 8, 3 and 6 steps a beat land"));
    p1->onPaint = [this](QPainter& p, const QRect&) { p1Paint(p); };
    int row = 0;
    for (const int ticks : PreviewRows) {
        auto* l = Caption(this, QString::number(ticks), QRect(8, 0, 14, 16));
        l->move(8, p1->y() + p1->height() * (2 * row + 1) / (2 * PreviewRowCount) - 8);
        ++row;
    }

    connect(TrackBar1, &QSlider::valueChanged, this, &TShuffelForm::TrackBar1Change);
    connect(SQ, &QComboBox::editTextChanged, this, &TShuffelForm::SQChange);
    connect(SQ->lineEdit(), &QLineEdit::editingFinished, this, &TShuffelForm::finishEditing);
}

void TShuffelForm::showSettings()
{
    const auto [amount, grid] = m_ctx->withSong([](const core::TSong& s) {
        return std::pair<int, int>(s.ShuffleAmount, s.ShuffleDivision);
    });
    Label1->setText(QString::number(amount) + QStringLiteral("%"));
    TrackBar1->setValue(amount);
    SQ->setEditText(QString::number(grid));
    p1->update();
}

void TShuffelForm::TrackBar1Change(int position)
{
    Label1->setText(QString::number(position) + QStringLiteral("%"));
    if (m_updating || m_ctx == nullptr) {
        return;
    }
    m_ctx->withSong(
        [position](core::TSong& s) { core::SetShuffle(s, position, s.ShuffleDivision); });
    m_ctx->documentEdited();
    p1->update();
}

void TShuffelForm::SQChange(const QString& text)
{
    if (m_updating || m_ctx == nullptr) {
        return;
    }
    // A grid of 0, or finer than the 256 positions of a beat, would divide by zero.
    const int grid = std::clamp(TextNumber(text), MinGrid, MaxGrid);
    m_ctx->withSong([grid](core::TSong& s) { core::SetShuffle(s, s.ShuffleAmount, grid); });
    if (!Typing(SQ)) {
        ShowNumber(SQ, grid, m_updating);
    }
    m_ctx->documentEdited();
    p1->update();
}

void TShuffelForm::finishEditing()
{
    if (m_ctx != nullptr) {
        ShowNumber(SQ, m_ctx->withSong([](const core::TSong& s) { return s.ShuffleDivision; }),
                   m_updating);
    }
}

void TShuffelForm::p1Paint(QPainter& p)
{
    const int h = p1->height();
    const QImage* stars =
        m_ctx != nullptr && m_ctx->skin() != nullptr ? &m_ctx->skin()->stars : nullptr;
    if (stars != nullptr) {
        p.drawImage(0, 0, *stars);
    } else {
        p.fillRect(p1->rect(), ToQColor(colors::Black));
    }
    if (m_ctx == nullptr) {
        return;
    }
    const auto [amount, grid] = m_ctx->withSong([](const core::TSong& s) {
        return std::pair<int, int>(s.ShuffleAmount, s.ShuffleDivision);
    });
    // The markers point left from their position: leave room for them at the left edge.
    constexpr int Inset = 11;
    const int width = p1->width() - Inset - 2;
    const Skin* skin = m_ctx->skin();
    int row = 0;
    for (const int steps : PreviewRows) {
        const int y = h * (2 * row + 1) / (2 * PreviewRowCount);
        ++row;
        for (int i = 0; i < steps; ++i) {
            int x = i * width / steps;
            try {
                x = audio::ShuffledPosition(x, width, amount, grid);
            } catch (const std::domain_error&) {
                // A grid finer than the preview's pixels shows the steps unshuffled.
            }
            DrawEventMarker(p, x + Inset, false, y, skin, MarkerDirection::Left);
        }
    }
}

// Delay ------------------------------------------------------------------------------------

TDelayF::TDelayF(QWidget* parent)
    : GroovePopup(QStringLiteral("DelayF"), QStringLiteral("Delay"), QSize(233, 161), parent)
{
    Caption(this, QStringLiteral("measures"), QRect(8, 26, 80, 16));
    meaValue = MakeLabel(this, QStringLiteral("meaValue"), QStringLiteral("0"));
    meaValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    meaValue->setGeometry(170, 26, 55, 16);
    mea = MakeSlider(this, QStringLiteral("mea"), 10, 1, QStringLiteral("Delay repeats"));
    mea->setGeometry(8, 42, 217, 26);
    mea->setToolTip(QStringLiteral("Echoes after the first one"));
    Caption(this, QStringLiteral("feedback"), QRect(8, 72, 80, 16));
    feeValue = MakeLabel(this, QStringLiteral("feeValue"), QStringLiteral("0%"));
    feeValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    feeValue->setGeometry(170, 72, 55, 16);
    fee = MakeSlider(this, QStringLiteral("fee"), 100, 10, QStringLiteral("Delay feedback"));
    fee->setGeometry(8, 88, 217, 26);
    fee->setToolTip(QStringLiteral("How loud each echo stays"));
    Caption(this, QStringLiteral("1/"), QRect(8, 127, 16, 18));
    SQ = MakeNumberCombo(this, {"1", "2", "3", "4", "6", "8"}, QStringLiteral("Delay divisor"));
    SQ->setGeometry(26, 124, 52, 24);
    SQ->setToolTip(QStringLiteral("Echo spacing: one beat divided by this (at least 1)"));
    Caption(this, QStringLiteral("beat"), QRect(82, 127, 40, 18));

    connect(mea, &QSlider::valueChanged, this, &TDelayF::meaChange);
    connect(fee, &QSlider::valueChanged, this, &TDelayF::feeChange);
    connect(SQ, &QComboBox::editTextChanged, this, &TDelayF::SQChange);
    connect(SQ->lineEdit(), &QLineEdit::editingFinished, this, &TDelayF::finishEditing);
}

void TDelayF::showSettings()
{
    struct Settings
    {
        int DelayRepeats, DelayFeedback, DelayDivision;
    };
    const Settings snapshot = m_ctx->withSong([](const core::TSong& s) {
        return Settings{s.DelayRepeats, s.DelayFeedback, s.DelayDivision};
    });
    mea->setValue(snapshot.DelayRepeats);
    fee->setValue(snapshot.DelayFeedback);
    meaValue->setText(QString::number(mea->value()));
    feeValue->setText(QString::number(fee->value()) + QStringLiteral("%"));
    SQ->setEditText(QString::number(snapshot.DelayDivision));
}

void TDelayF::meaChange(int position)
{
    meaValue->setText(QString::number(position));
    if (m_updating || m_ctx == nullptr) {
        return;
    }
    m_ctx->withSong([position](core::TSong& s) { s.DelayRepeats = position; });
    m_ctx->documentEdited();
}

void TDelayF::feeChange(int position)
{
    feeValue->setText(QString::number(position) + QStringLiteral("%"));
    if (m_updating || m_ctx == nullptr) {
        return;
    }
    m_ctx->withSong([position](core::TSong& s) { s.DelayFeedback = position; });
    m_ctx->documentEdited();
}

void TDelayF::SQChange(const QString& text)
{
    if (m_updating || m_ctx == nullptr) {
        return;
    }
    // A divisor below 1 (or no number) would stop playback with a division by zero.
    const int divisor = std::max(MinDivisor, TextNumber(text));
    m_ctx->withSong([divisor](core::TSong& s) { s.DelayDivision = divisor; });
    if (!Typing(SQ)) {
        ShowNumber(SQ, divisor, m_updating);
    }
    m_ctx->documentEdited();
}

void TDelayF::finishEditing()
{
    if (m_ctx != nullptr) {
        ShowNumber(SQ, m_ctx->withSong([](const core::TSong& s) { return s.DelayDivision; }),
                   m_updating);
    }
}

// Humanize ---------------------------------------------------------------------------------

QString HumanizeBoxText(int timing, int volume)
{
    if (timing <= 0 && volume <= 0) {
        return QStringLiteral("off");
    }
    return QStringLiteral("%1ms %2%").arg(timing).arg(volume);
}

THumanizeForm::THumanizeForm(QWidget* parent)
    : GroovePopup(
          QStringLiteral("HumanizeForm"), QStringLiteral("Humanize"), QSize(233, 173), parent)
{
    Caption(this, QStringLiteral("timing"), QRect(8, 26, 80, 16));
    timeValue = MakeLabel(this, QStringLiteral("timeValue"), QStringLiteral("0 ms"));
    timeValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    timeValue->setGeometry(150, 26, 75, 16);
    timeBar = MakeSlider(this, QStringLiteral("timeBar"), core::MaxHumanizeTiming, 5,
                         QStringLiteral("Humanize timing"));
    timeBar->setSingleStep(1);
    timeBar->setGeometry(8, 42, 217, 26);
    timeBar->setToolTip(QStringLiteral("How far each hit may move early or late"));
    Caption(this, QStringLiteral("volume"), QRect(8, 72, 80, 16));
    volValue = MakeLabel(this, QStringLiteral("volValue"), QStringLiteral("0 %"));
    volValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    volValue->setGeometry(150, 72, 75, 16);
    volBar = MakeSlider(this, QStringLiteral("volBar"), core::MaxHumanizeVolume, 5,
                        QStringLiteral("Humanize volume"));
    volBar->setSingleStep(1);
    volBar->setGeometry(8, 88, 217, 26);
    volBar->setToolTip(QStringLiteral("How far each hit may be softer or louder"));
    Caption(this, QStringLiteral("seed"), QRect(8, 124, 40, 16));
    seedValue = MakeLabel(this, QStringLiteral("seedValue"), QString());
    seedValue->setGeometry(8, 142, 130, 22);
    seedValue->setTextInteractionFlags(Qt::TextSelectableByMouse);
    seedValue->setToolTip(QStringLiteral("The same seed gives the same feel at every play"));
    newSeed = new QPushButton(QStringLiteral("New seed"), this);
    newSeed->setObjectName(QStringLiteral("newSeed"));
    newSeed->setGeometry(145, 140, 80, 26);
    newSeed->setToolTip(QStringLiteral("Another feel, again the same at every play and export"));

    connect(timeBar, &QSlider::valueChanged, this, &THumanizeForm::timeBarChange);
    connect(volBar, &QSlider::valueChanged, this, &THumanizeForm::volBarChange);
    connect(newSeed, &QPushButton::clicked, this, &THumanizeForm::newSeedClick);
}

void THumanizeForm::showSettings()
{
    struct Settings
    {
        int timing, volume;
        std::uint64_t seed;
    };
    const Settings s = m_ctx->withSong([](const core::TSong& song) {
        return Settings{song.HumanizeTiming, song.HumanizeVolume, song.HumanizeSeed};
    });
    // A file may hold amounts outside the bars' ranges; the bars show them kept to the range,
    // as the engine plays them.
    timeBar->setValue(s.timing);
    volBar->setValue(s.volume);
    timeValue->setText(QStringLiteral("\u00B1%1 ms").arg(timeBar->value()));
    volValue->setText(QStringLiteral("\u00B1%1 %").arg(volBar->value()));
    showSeed(s.seed);
}

void THumanizeForm::showSeed(std::uint64_t seed)
{
    seedValue->setText(QStringLiteral("%1").arg(seed, 16, 16, QLatin1Char('0')));
}

void THumanizeForm::timeBarChange(int position)
{
    timeValue->setText(QStringLiteral("\u00B1%1 ms").arg(position));
    if (m_updating || m_ctx == nullptr) {
        return;
    }
    m_ctx->withSong(
        [position](core::TSong& s) { core::SetHumanize(s, position, s.HumanizeVolume); });
    m_ctx->documentEdited();
}

void THumanizeForm::volBarChange(int position)
{
    volValue->setText(QStringLiteral("\u00B1%1 %").arg(position));
    if (m_updating || m_ctx == nullptr) {
        return;
    }
    m_ctx->withSong(
        [position](core::TSong& s) { core::SetHumanize(s, s.HumanizeTiming, position); });
    m_ctx->documentEdited();
}

void THumanizeForm::newSeedClick()
{
    if (m_ctx == nullptr) {
        return;
    }
    // Only the choice of a seed is random; what it plays is fixed by the seed.
    const std::uint64_t seed = m_ctx->withSong([](core::TSong& s) {
        std::uint64_t next = s.HumanizeSeed;
        while (next == s.HumanizeSeed) {
            next = QRandomGenerator::system()->generate64();
        }
        s.HumanizeSeed = next;
        return next;
    });
    showSeed(seed);
    m_ctx->documentEdited();
}

// Low pass ---------------------------------------------------------------------------------

TLowPassF::TLowPassF(QWidget* parent)
    : GroovePopup(QStringLiteral("LowPassF"), QStringLiteral("Low Pass"), QSize(161, 97), parent)
{
    panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Box);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(8, 24, 145, 65);
}

} // namespace bw::ui
