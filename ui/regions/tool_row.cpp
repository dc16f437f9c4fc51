#include "ui/regions/tool_row.h"

#include "ui/widgets/widget_factory.h"

#include <algorithm>

#include <QButtonGroup>
#include <QFrame>
#include <QTimer>
#include <QToolButton>

namespace bw::ui {

ToolRow::ToolRow(QWidget* parent) : QObject(parent)
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

    PasteTimer = new QTimer(this);
    PasteTimer->setObjectName(QStringLiteral("PasteTimer"));
    PasteTimer->setInterval(500);
    connect(PasteTimer, &QTimer::timeout, this,
            [this] { SpeedButton5->setChecked(!SpeedButton5->isChecked()); });
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
