#include "ui/wave_inspector_window.h"

namespace bw::ui {

TWaveInspector::TWaveInspector(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("WaveInspector"));
    setWindowTitle(QStringLiteral("Add new sound to libary"));
    setFixedSize(649, 230);
}

} // namespace bw::ui
