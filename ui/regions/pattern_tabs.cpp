#include "ui/regions/pattern_tabs.h"

#include "core/clipboard.h"
#include "ui/shell/editor_context.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/widget_factory.h"
#include "ui/windows/pattern_dialogs.h"

#include <algorithm>
#include <string>
#include <utility>

#include <QCheckBox>
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
    pattab->setAccessibleName(QStringLiteral("Patterns"));
    pattab->setToolTip(QStringLiteral("Pick the pattern to edit"));
    Button5->setToolTip(QStringLiteral("Add a pattern"));
    Button6->setToolTip(QStringLiteral("Delete the pattern shown"));
    connect(Button5, &QPushButton::clicked, this, &PatternTabs::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &PatternTabs::Button6Click);
    connect(pattab, &QTabBar::currentChanged, this, &PatternTabs::pattabChange);
    connect(&m_ctx, &EditorContext::songSettingsShown, this, &PatternTabs::RebuildPatternTabs);
    connect(&m_ctx, &EditorContext::patternsChanged, this, &PatternTabs::RebuildPatternTabs);
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

void PatternTabs::pattabChange(int index)
{
    m_ctx.SwitchPattern(index);
}

void PatternTabs::Button5Click()
{
    TNewPattenDia1* dialog = m_ctx.links().newPattern;
    if (dialog == nullptr) {
        return;
    }
    connect(dialog, &QDialog::accepted, this, &PatternTabs::OKBtnClick, Qt::UniqueConnection);
    dialog->patname()->clear();
    dialog->show();
    dialog->raise();
}

void PatternTabs::OKBtnClick()
{
    TNewPattenDia1* dialog = m_ctx.links().newPattern;
    if (dialog == nullptr) {
        return;
    }
    dialog->close();
    if (dialog->patname()->text().isEmpty()) {
        dialog->patname()->setText(QStringLiteral("-"));
    }
    const std::string typed = dialog->patname()->text().toLatin1().toStdString();
    const bool copyEvents = dialog->copyB()->isChecked();
    const int added = m_ctx.withSong([&](core::TSong& s) {
        const int index = core::AddPattern(s, core::UniquePatternName(s, typed));
        // The new pattern starts as a copy of the current one (beats, ticks, tracks,
        // transpose), with or without its events.
        core::StoreWorkingCopy(s, index);
        if (!copyEvents) {
            core::ClearPatternEvents(s, index);
        }
        return index;
    });
    RebuildPatternTabs();
    m_ctx.SwitchPattern(added); // stores the working copy into the previous pattern first
    m_ctx.patternsEdited();
    m_ctx.documentEdited();
}

void PatternTabs::Button6Click()
{
    const auto [count, name] = m_ctx.withSong([](const core::TSong& s) {
        const std::string n = s.validPattern(s.CurrentPattern)
                                  ? s.pattern(s.CurrentPattern).Name.str()
                                  : std::string();
        return std::pair<int, std::string>(s.PatternCount, n);
    });
    if (count < 2) {
        ShowMessage(m_ctx.window(), QStringLiteral("You can not delete the last pattern!"),
                    QStringLiteral("!"));
        return;
    }
    const QString question = QStringLiteral("Are you sure to delete \"") +
                             QString::fromLatin1(name.c_str()) + QStringLiteral("\" ?");
    if (ShowMessage(m_ctx.window(), question, QStringLiteral("?"), MessageButtons::OkCancel) !=
        MessageResult::Ok) {
        return;
    }
    // The first pattern becomes current; the deleted one's placements go with it.
    m_ctx.withSong([](core::TSong& s) { core::DeletePattern(s, s.CurrentPattern); });
    RebuildPatternTabs();
    m_ctx.showSongSettings();
    m_ctx.CheckTrackSounds();
    m_ctx.patternsEdited();
    m_ctx.documentEdited();
}

} // namespace bw::ui
