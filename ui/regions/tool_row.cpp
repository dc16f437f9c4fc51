#include "ui/regions/tool_row.h"

#include "ui/shell/editor_context.h"
#include "ui/widgets/widget_factory.h"

#include <algorithm>

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

namespace bw::ui {

ToolRow::ToolRow(EditorContext& context, QWidget* parent) : QObject(parent), m_ctx(context)
{
    Panel18 = MakePanel(parent, QStringLiteral("Panel18"), PackColor(0x2b, 0x31, 0x3d));
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

    newVolumeLabel =
        MakeLabel(Panel18, QStringLiteral("newVolumeLabel"), QStringLiteral("new hits"));
    SetTextColor(newVolumeLabel, PackColor(0xe9, 0xec, 0xf1));
    newVolumeLabel->adjustSize();
    newVolumeLabel->move(x + 10, 8 + (25 - newVolumeLabel->height()) / 2);
    newVolume = new QSpinBox(Panel18);
    newVolume->setObjectName(QStringLiteral("newVolume"));
    newVolume->setRange(2, 10000);
    newVolume->setSingleStep(250);
    newVolume->setValue(core::DefaultEventVolume);
    // Typed digits are taken on Enter or when the box is left: one step, not one per digit.
    newVolume->setKeyboardTracking(false);
    newVolume->setAccelerated(true);
    newVolume->setAccessibleName(QStringLiteral("Volume of new hits"));
    newVolume->setToolTip(QStringLiteral(
        "Volume a click gives a new hit (2 to 10000), kept with the song. Right-drag a hit up or "
        "down to set its own volume; Ctrl+click gives it this one"));
    newVolume->setGeometry(newVolumeLabel->x() + newVolumeLabel->width() + 4, 8, 72, 25);
    connect(newVolume, &QSpinBox::valueChanged, this, &ToolRow::newVolumeChange);
    connect(&m_ctx, &EditorContext::songSettingsShown, this, &ToolRow::showSongSettings);

    PasteTimer = new QTimer(this);
    PasteTimer->setObjectName(QStringLiteral("PasteTimer"));
    PasteTimer->setInterval(500);
    connect(PasteTimer, &QTimer::timeout, this,
            [this] { SpeedButton5->setChecked(!SpeedButton5->isChecked()); });
}

void ToolRow::newVolumeChange(int volume)
{
    const int kept = std::clamp(volume, 2, 10000);
    const bool changed = m_ctx.withSong([kept](core::TSong& s) {
        const bool differs = s.DefaultVolume != kept;
        s.DefaultVolume = kept;
        return differs;
    });
    if (changed) {
        m_ctx.documentEdited();
    }
}

void ToolRow::showSongSettings()
{
    const int volume = m_ctx.withSong([](const core::TSong& s) { return s.DefaultVolume; });
    const QSignalBlocker block(newVolume);
    newVolume->setValue(volume); // a value outside 2..10000 from a file shows kept to the range
}

void ToolRow::setPasteWaiting(bool waiting)
{
    if (waiting) {
        PasteTimer->start();
        return;
    }
    PasteTimer->stop();
    SpeedButton5->setChecked(false);
}

void ToolRow::setRowGeometry(int y, int width)
{
    Panel18->setGeometry(0, y, width, RowHeight);
}

bool ToolRow::selectMode() const
{
    return GroupB->isChecked();
}

} // namespace bw::ui
