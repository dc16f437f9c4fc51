#include "ui/windows/entry_windows.h"

#include "ui/widgets/draw_helpers.h"
#include "ui/widgets/message_box.h"

#include <algorithm>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace bw::ui {

Tnumberedit::Tnumberedit(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("numberedit"));
    resize(160, 60);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(colors::Black));
    setPalette(pal);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("Edit1"));
    m_edit->setFrame(false);
    m_edit->setGeometry(2, 2, width() - 4, height() - 4);
    connect(m_edit, &QLineEdit::returnPressed, this, &QDialog::accept);
}

int Tnumberedit::EditNumber(int left, int top, int value, int height, int width, QWidget* owner)
{
    SetOwnerWindow(this, owner);
    setGeometry(left, top, width, height);
    m_edit->setText(QString::number(value));
    m_edit->selectAll();
    m_edit->setFocus();
    exec();
    return m_edit->text().trimmed().toInt();
}

void Tnumberedit::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Moving the focus to another window ends the entry as Enter does.
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) {
        accept();
    }
}

void Tnumberedit::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    m_edit->setGeometry(2, 2, std::max(0, width() - 4), std::max(0, height() - 4));
}

TXXXForm::TXXXForm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("XXXForm"));
    setWindowTitle(QStringLiteral("XXX"));
    resize(400, 300);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(colors::Black));
    pal.setColor(QPalette::WindowText, ToQColor(colors::Yellow));
    setPalette(pal);
    auto* layout = new QVBoxLayout(this);
    m_label = new QLabel(QStringLiteral("X"), this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setAlignment(Qt::AlignCenter);
    QFont f = m_label->font();
    f.setPixelSize(13);
    m_label->setFont(f);
    layout->addWidget(m_label);
}

void TXXXForm::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    close();
}

void TXXXForm::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    close();
}

} // namespace bw::ui
