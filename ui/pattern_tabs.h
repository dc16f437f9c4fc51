#pragma once

#include <QObject>

class QFrame;
class QPushButton;
class QTabBar;
class QWidget;

namespace bw::ui {

class EditorContext;

/// The pattern tab row of the top strip: one tab per pattern, "New Pat" and "Del Pat".
class PatternTabs : public QObject
{
    Q_OBJECT
public:
    PatternTabs(EditorContext& context, QWidget* parent);

    /// Places the row at the top of its host, width wide.
    void setRowWidth(int width);
    /// Refills the tabs from the pattern list and selects the current pattern.
    void RebuildPatternTabs();

    QFrame* Panel17 = nullptr;
    QTabBar* pattab = nullptr;
    QPushButton* Button5 = nullptr; // New Pat
    QPushButton* Button6 = nullptr; // Del Pat

    static constexpr int RowHeight = 32;

private:
    void Button5Click();

    EditorContext& m_ctx;
};

} // namespace bw::ui
