#include "ui/sound_popup.h"

namespace bw::ui {

TselfPopup::TselfPopup(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("selfPopup"));
    setWindowTitle(QStringLiteral("Select Sound"));
    resize(433, 428);
}

} // namespace bw::ui
