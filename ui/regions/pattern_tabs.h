#pragma once

#include <QObject>

class QFrame;
class QPushButton;
class QTabBar;
class QWidget;

namespace bw::ui {

class EditorContext;

/// The pattern tab row of the top strip: one tab per pattern, in list order; picking a tab
/// shows that pattern. "New Pat" adds a pattern through the new-pattern dialog, "Del Pat"
/// deletes the current one.
class PatternTabs : public QObject
{
    Q_OBJECT
public:
    PatternTabs(EditorContext& context, QWidget* parent);

    /// Places the row at the top of its host, width wide.
    void setRowWidth(int width);
    /// Refills the tabs from the pattern list and selects the current pattern.
    void RebuildPatternTabs();

    void pattabChange(int index);
    void Button5Click();
    /// The new-pattern dialog's OK: adds the pattern named in it and shows it.
    void OKBtnClick();
    void Button6Click();

    QFrame* Panel17 = nullptr;
    QTabBar* pattab = nullptr;
    QPushButton* Button5 = nullptr; // New Pat
    QPushButton* Button6 = nullptr; // Del Pat

    static constexpr int RowHeight = 32;

private:
    EditorContext& m_ctx;
};

} // namespace bw::ui
