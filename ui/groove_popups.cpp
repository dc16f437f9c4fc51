#include "ui/groove_popups.h"

#include <QLabel>

namespace bw::ui {

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
}

TShuffelForm::TShuffelForm(QWidget* parent)
    : GroovePopup(QStringLiteral("ShuffelForm"), QStringLiteral("Shuffle"), QSize(233, 209), parent)
{}

TDelayF::TDelayF(QWidget* parent)
    : GroovePopup(QStringLiteral("DelayF"), QStringLiteral("Delay"), QSize(233, 161), parent)
{}

TLowPassF::TLowPassF(QWidget* parent)
    : GroovePopup(QStringLiteral("LowPassF"), QStringLiteral("Low Pass"), QSize(161, 97), parent)
{}

} // namespace bw::ui
