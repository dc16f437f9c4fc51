// The main window's clipboard commands and its character handler with the typed keywords.

#include "core/clipboard.h"
#include "ui/regions/pattern_grid.h"
#include "ui/regions/tool_row.h"
#include "ui/regions/transport_band.h"
#include "ui/regions/value_lane.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/transport.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/paint_box.h"
#include "ui/widgets/skin.h"
#include "ui/widgets/widget_factory.h"
#include "ui/windows/entry_windows.h"

#include <algorithm>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QToolButton>

namespace bw::ui {

bool TMain::copySelection()
{
    if (!m_grid->selectMode()) {
        ShowMessage(this,
                    QStringLiteral("There is nothing selected. Choose \"select events\" to select "
                                   "events."),
                    QStringLiteral("!"));
        return false;
    }
    core::EventGrid& clip = *m_clipboard;
    const int anchor =
        m_context->withSong([&clip](const core::TSong& s) { return core::CopyEvents(s, clip); });
    if (anchor < 0) {
        ShowMessage(this, QStringLiteral("There is nothing selected."), QStringLiteral("!"));
        return false;
    }
    m_context->ClipAnchor = anchor;
    return true;
}

void TMain::Copy1Click()
{
    if (!isActiveWindow()) {
        return;
    }
    copySelection();
}

void TMain::Cut1Click()
{
    if (!isActiveWindow()) {
        return;
    }
    copySelection();
    Delete1Click();
}

void TMain::Delete1Click()
{
    if (!isActiveWindow()) {
        return;
    }
    m_context->withSong([](core::TSong& s) { core::DeleteSelected(s); });
    m_context->documentEdited();
}

void TMain::Inster1Click()
{
    if (!isActiveWindow()) {
        m_toolRow->SpeedButton5->setChecked(m_grid->state().PastePending);
        return;
    }
    m_toolRow->setPasteWaiting(m_grid->togglePaste());
}

bool TMain::isKeyForThisWindow(QObject* watched) const
{
    // Every typed character is seen once, by the widget that receives it first: the focus
    // widget, or the window when nothing in it has the focus.
    if (!isActiveWindow()) {
        return false;
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && focus->window() == this) {
        return watched == focus;
    }
    return watched == this;
}

void TMain::FormKeyPress(QChar key)
{
    const char c = key.toLatin1();
    // Space plays; it never stops, so a held or repeated space cannot cut the music off.
    if (c == ' ') {
        playbClick();
    }
    // The last eight characters typed are matched against the keywords.
    std::rotate(m_keyHistory.begin(), m_keyHistory.begin() + 1, m_keyHistory.end());
    m_keyHistory.back() = c;
    const QString typed = QString::fromLatin1(
        m_keyHistory.data(),
        static_cast<qsizetype>(std::find(m_keyHistory.begin(), m_keyHistory.end(), '\0') -
                               m_keyHistory.begin()));
    runKeyword(typed);
    // While a paste waits for its click, "-" and "+" move it up or down a track.
    if (m_grid->state().PastePending && (c == '-' || c == '+')) {
        if (c == '-') {
            core::ShiftClipTracksUp(*m_clipboard);
        } else {
            core::ShiftClipTracksDown(*m_clipboard);
        }
        m_context->displayEdited();
    }
}

void TMain::runKeyword(const QString& keyword)
{
    if (keyword == QLatin1String("quillrop")) {
        m_valueLane->funBox3->show();
    } else if (keyword == QLatin1String("tintrose")) {
        m_grid->setPanelColor(colors::Fuchsia);
    } else if (keyword == QLatin1String("tintcoal")) {
        m_grid->setPanelColor(colors::Black);
    } else if (keyword == QLatin1String("peekskin")) {
        if (TConti* conti = links().conti) {
            conti->show();
            conti->raise();
        }
    } else if (keyword == QLatin1String("grabdisk")) {
        Open1Click();
    } else if (keyword == QLatin1String("zoomtemp")) {
        m_transportBand->bpm->setMaximum(3000);
    } else if (keyword == QLatin1String("hushlit+")) {
        m_transport->setDisplaySilenced(true);
    } else if (keyword == QLatin1String("hushlit-")) {
        m_transport->setDisplaySilenced(false);
    } else if (keyword == QLatin1String("panelzam")) {
        setWindowFlag(Qt::FramelessWindowHint, true);
        showMaximized();
    } else if (keyword == QLatin1String("panelzan")) {
        setWindowFlag(Qt::FramelessWindowHint, false);
        showNormal();
    } else if (keyword == QLatin1String("credroll")) {
        if (TXXXForm* text = links().textWindow) {
            text->setWindowFlag(Qt::FramelessWindowHint, true);
            text->showMaximized();
        }
    }
}

} // namespace bw::ui
