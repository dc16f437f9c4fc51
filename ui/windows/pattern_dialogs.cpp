#include "ui/windows/pattern_dialogs.h"

#include <utility>

#include <QCheckBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace bw::ui {

TNewPattenDia1::TNewPattenDia1(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("NewPattenDia1"));
    setWindowTitle(QStringLiteral("New Pattern"));
    setFixedSize(260, 150);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Insert Name"), this));
    m_patname = new QLineEdit(this);
    m_patname->setObjectName(QStringLiteral("patname"));
    layout->addWidget(m_patname);
    m_copyB = new QCheckBox(QStringLiteral("Copy Events to New Part"), this);
    m_copyB->setObjectName(QStringLiteral("copyB"));
    m_copyB->setChecked(true);
    layout->addWidget(m_copyB);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OKBtn"));
    m_ok->setDefault(true);
    layout->addWidget(m_ok, 0, Qt::AlignRight);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

TwantsaveF::TwantsaveF(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("wantsaveF"));
    setWindowTitle(QStringLiteral("Beatwright"));
    setModal(true);
    setFixedSize(340, 120);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout();
    auto* mark = new QLabel(QStringLiteral("?"), this);
    QFont big = mark->font();
    big.setPixelSize(40);
    big.setBold(true);
    mark->setFont(big);
    row->addWidget(mark);
    row->addWidget(new QLabel(QStringLiteral("Do you want to save before continuing ?"), this), 1);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout();
    m_save = new QPushButton(QStringLiteral("Save"), this);
    m_no = new QPushButton(QStringLiteral("No"), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addStretch(1);
    for (QPushButton* b : {m_save, m_no, m_cancel}) {
        b->setObjectName(b->text());
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    connect(m_save, &QPushButton::clicked, this, [this] {
        m_answer = Answer::Save;
        accept();
    });
    connect(m_no, &QPushButton::clicked, this, [this] {
        m_answer = Answer::No;
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_answer = Answer::Cancel;
        reject();
    });
}

namespace {
TwantsaveF::Handler& CurrentHandler()
{
    static TwantsaveF::Handler handler;
    return handler;
}
} // namespace

TwantsaveF::Answer TwantsaveF::ask()
{
    if (const Handler& handler = CurrentHandler()) {
        return handler();
    }
    m_answer = Answer::Cancel; // closing the prompt cancels
    exec();
    return m_answer;
}

TwantsaveF::Handler TwantsaveF::setHandler(Handler handler)
{
    return std::exchange(CurrentHandler(), std::move(handler));
}

} // namespace bw::ui
