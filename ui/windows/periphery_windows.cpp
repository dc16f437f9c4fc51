#include "ui/windows/periphery_windows.h"

#include "ui/widgets/message_box.h"
#include "ui/widgets/skin.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace bw::ui {

TinfoF::TinfoF(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("infoF"));
    setWindowTitle(QStringLiteral("About Beatwright"));
    setModal(false);
    setFixedSize(300, 250);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x23, 0x28, 0x33));
    pal.setColor(QPalette::WindowText, QColor(0xe9, 0xec, 0xf1));
    setPalette(pal);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(6);

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFixedHeight(77);
    layout->addWidget(m_picture);

    auto* version = new QLabel(QString::fromLatin1(VersionText), this);
    version->setObjectName(QStringLiteral("Label1"));
    version->setAlignment(Qt::AlignCenter);
    QFont vf = version->font();
    vf.setBold(true);
    vf.setPointSize(vf.pointSize() + 1);
    version->setFont(vf);
    layout->addWidget(version);

    m_link = new QLabel(this);
    m_link->setObjectName(QStringLiteral("Label2"));
    m_link->setAlignment(Qt::AlignCenter);
    m_link->setTextFormat(Qt::RichText);
    m_link->setText(QStringLiteral("<a href=\"%1\" style=\"color:#f5b03c\">%1</a>")
                        .arg(QString::fromLatin1(ProductPageUrl)));
    m_link->setCursor(Qt::PointingHandCursor);
    connect(m_link, &QLabel::linkActivated, this,
            [this](const QString& url) { OpenInBrowser(this, QUrl(url)); });
    m_link->setVisible(*ProductPageUrl != '\0');
    layout->addWidget(m_link);

    auto* support =
        new QLabel(QStringLiteral("Support: %1").arg(QString::fromLatin1(SupportAddress)), this);
    support->setObjectName(QStringLiteral("Label3"));
    support->setAlignment(Qt::AlignCenter);
    support->setTextInteractionFlags(Qt::TextSelectableByMouse);
    support->setVisible(*SupportAddress != '\0');
    layout->addWidget(support);
    layout->addStretch(1);

    auto* buttons = new QHBoxLayout();
    m_extra = new QPushButton(QStringLiteral("Info"), this);
    m_extra->setObjectName(QStringLiteral("Button2"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("Button1"));
    m_ok->setDefault(true);
    buttons->addWidget(m_extra);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::close);
    connect(m_extra, &QPushButton::clicked, this, [this] {
        if (m_extraWindow != nullptr) {
            m_extraWindow->show();
            m_extraWindow->raise();
        }
    });
}

void TinfoF::setSkin(const Skin* skin)
{
    if (skin != nullptr) {
        m_picture->setPixmap(QPixmap::fromImage(skin->logo));
        setWindowIcon(QIcon(QPixmap::fromImage(skin->appIcon)));
    }
}

TForm1::TForm1(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    resize(400, 300);
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    for (int i = 1; i <= 3; ++i) {
        auto* page = new QWidget(m_tabs);
        page->setObjectName(QStringLiteral("TabSheet%1").arg(i));
        m_tabs->addTab(page, QStringLiteral("TabSheet%1").arg(i));
    }
    layout->addWidget(m_tabs);
}

TRefo::TRefo(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Refo"));
    setWindowTitle(QStringLiteral("Refo"));
    resize(240, 120);
}

TMakSoED::TMakSoED(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("MakSoED"));
    setWindowTitle(QStringLiteral("MakSoED"));
    resize(240, 120);
}

} // namespace bw::ui
