#include "ui/library_window.h"

namespace bw::ui {

Tsoundlibary::Tsoundlibary(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("soundlibary"));
    setWindowTitle(QStringLiteral("Sound Libary"));
    resize(383, 443);
}

} // namespace bw::ui
