#pragma once

#include <QDialog>
#include <QWidget>

class QLabel;
class QPushButton;
class QTabWidget;

namespace bw::ui {

class Skin;

/// The address of the product's web page and the support address shown in the About window.
inline constexpr const char* ProductPageUrl = "https://beatwright.example.org/";
inline constexpr const char* SupportAddress = "support@beatwright.example.org";
inline constexpr const char* VersionText = "v 1.003";

/// The About window: the logo, the version, a link to the product page, the support address
/// and "OK". Not modal.
class TinfoF : public QDialog
{
    Q_OBJECT
public:
    explicit TinfoF(QWidget* parent = nullptr);

    /// The skin the picture comes from (set once the picture container exists).
    void setSkin(const Skin* skin);
    /// The window the extra button opens.
    void setExtraWindow(QWidget* window) { m_extraWindow = window; }

    QLabel* picture() const { return m_picture; }
    QLabel* link() const { return m_link; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* extraButton() const { return m_extra; }

private:
    QLabel* m_picture = nullptr;
    QLabel* m_link = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_extra = nullptr;
    QWidget* m_extraWindow = nullptr;
};

/// An empty window with three tabs, opened from the About window.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    QTabWidget* tabs() const { return m_tabs; }

private:
    QTabWidget* m_tabs = nullptr;
};

/// The redraw stub: an empty window that is created and never used.
class TRefo : public QWidget
{
    Q_OBJECT
public:
    explicit TRefo(QWidget* parent = nullptr);
};

/// An empty stub window.
class TMakSoED : public QWidget
{
    Q_OBJECT
public:
    explicit TMakSoED(QWidget* parent = nullptr);
};

/// The wave player demo window (reached only from a hidden button).
class TWaveTest : public QWidget
{
    Q_OBJECT
public:
    explicit TWaveTest(QWidget* parent = nullptr);
};

} // namespace bw::ui
