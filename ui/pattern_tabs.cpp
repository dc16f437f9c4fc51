#include "ui/pattern_tabs.h"

#include "ui/editor_context.h"
#include "ui/pattern_dialogs.h"
#include "ui/widget_factory.h"

#include <algorithm>

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>

namespace bw::ui {

PatternTabs::PatternTabs(EditorContext& context, QWidget* parent) : QObject(parent), m_ctx(context)
{
    Panel17 = MakePanel(parent, QStringLiteral("Panel17"), FrameColor);
    Panel17->setGeometry(0, 0, 400, RowHeight);
    pattab = new QTabBar(Panel17);
    pattab->setObjectName(QStringLiteral("pattab"));
    pattab->setExpanding(false);
    pattab->setDrawBase(false);
    pattab->setUsesScrollButtons(true);
    // The tabs fill their row.
    pattab->setFixedHeight(RowHeight - 2);
    Button5 = new QPushButton(QStringLiteral("New Pat"), Panel17);
    Button5->setObjectName(QStringLiteral("Button5"));
    Button5->setFocusPolicy(Qt::NoFocus);
    Button6 = new QPushButton(QStringLiteral("Del Pat"), Panel17);
    Button6->setObjectName(QStringLiteral("Button6"));
    Button6->setFocusPolicy(Qt::NoFocus);
    connect(Button5, &QPushButton::clicked, this, &PatternTabs::Button5Click);
    connect(&m_ctx, &EditorContext::songSettingsShown, this, &PatternTabs::RebuildPatternTabs);
}

void PatternTabs::setRowWidth(int width)
{
    Panel17->setGeometry(0, 0, width, RowHeight);
    Button6->setGeometry(width - 70, 4, 64, 24);
    Button5->setGeometry(width - 140, 4, 64, 24);
    pattab->setGeometry(6, 2, std::max(0, width - 150), RowHeight - 2);
}

void PatternTabs::RebuildPatternTabs()
{
    QStringList names;
    const int current = m_ctx.withSong([&names](const core::TSong& s) {
        for (const auto& p : s.Patterns) {
            names << QString::fromLatin1(p->Name.str().c_str());
        }
        return s.CurrentPattern;
    });
    {
        const QSignalBlocker block(pattab);
        while (pattab->count() > 0) {
            pattab->removeTab(0);
        }
        for (const QString& n : names) {
            pattab->addTab(n);
        }
        if (current >= 0 && current < pattab->count()) {
            pattab->setCurrentIndex(current);
        }
    }
}

void PatternTabs::Button5Click()
{
    TNewPattenDia1* dialog = m_ctx.links().newPattern;
    if (dialog != nullptr) {
        dialog->patname()->clear();
        dialog->show();
        dialog->raise();
    }
}

} // namespace bw::ui
