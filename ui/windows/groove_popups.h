#pragma once

#include <cstdint>

#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QPainter;
class QPushButton;
class QSlider;

namespace bw::ui {

class EditorContext;
class PaintBox;

/// A borderless popup that stays on top, with a title label: the frame of the shuffle, delay
/// and low-pass popups. It opens at a value box, keeps itself on the screen, copies the
/// song's settings into its controls and closes when the user clicks elsewhere or presses
/// Escape.
class GroovePopup : public QWidget
{
    Q_OBJECT
public:
    GroovePopup(const QString& objectName,
                const QString& title,
                QSize size,
                QWidget* parent = nullptr);
    QLabel* titleLabel() const { return m_title; }

    /// The song the popup edits (set once at start).
    void attach(EditorContext& context) { m_ctx = &context; }
    /// Shows the popup with its top-left corner at a screen point, moved up and left as far
    /// as needed to lie on the screen.
    void popupAt(QPoint screen);

protected:
    /// Copies the song's settings into the controls (on every show).
    virtual void showSettings() {}
    /// The popup closes: typed values are shown as they were stored.
    virtual void finishEditing() {}
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    EditorContext* m_ctx = nullptr;
    /// Set while the controls are filled from the song, so their handlers do not write back.
    bool m_updating = false;

private:
    QLabel* m_title = nullptr;
};

/// The shuffle popup: the amount (0..100 %), the shuffle grid (steps per beat, 1..256; 1 swings
/// the off-beat eighths) and a preview of where events of five grids land.
class TShuffelForm : public GroovePopup
{
    Q_OBJECT
public:
    explicit TShuffelForm(QWidget* parent = nullptr);

    void TrackBar1Change(int position);
    void SQChange(const QString& text);

    QLabel* Label1 = nullptr; // the amount
    QSlider* TrackBar1 = nullptr;
    QComboBox* SQ = nullptr; // the grid
    PaintBox* p1 = nullptr;  // the preview

    /// Grids outside this range would stall the engine or its preview.
    static constexpr int MinGrid = 1;
    static constexpr int MaxGrid = 256;
    /// The preview's rows: events of this many steps a beat (eighths first).
    static constexpr int PreviewRowCount = 5;
    static constexpr int PreviewRows[PreviewRowCount] = {2, 4, 8, 3, 6};

protected:
    void showSettings() override;
    void finishEditing() override;

private:
    void p1Paint(QPainter& p);
};

/// The delay popup: the number of repeats, the feedback and the echo spacing (1/divisor of
/// a beat, at least 1).
class TDelayF : public GroovePopup
{
    Q_OBJECT
public:
    explicit TDelayF(QWidget* parent = nullptr);

    void meaChange(int position);
    void feeChange(int position);
    void SQChange(const QString& text);

    QSlider* mea = nullptr; // repeats
    QSlider* fee = nullptr; // feedback
    QComboBox* SQ = nullptr;
    QLabel* meaValue = nullptr;
    QLabel* feeValue = nullptr;

    static constexpr int MinDivisor = 1;

protected:
    void showSettings() override;
    void finishEditing() override;
};

/// The humanize popup: how far each event moves around its time (0..20 ms) and its volume
/// (0..30 %), and the seed the moves are drawn from; "New seed" gives another feel that again
/// sounds the same at every play and export.
class THumanizeForm : public GroovePopup
{
    Q_OBJECT
public:
    explicit THumanizeForm(QWidget* parent = nullptr);

    void timeBarChange(int position);
    void volBarChange(int position);
    void newSeedClick();

    QSlider* timeBar = nullptr; // ms
    QSlider* volBar = nullptr;  // %
    QLabel* timeValue = nullptr;
    QLabel* volValue = nullptr;
    QLabel* seedValue = nullptr; // 16 hex digits
    QPushButton* newSeed = nullptr;

protected:
    void showSettings() override;

private:
    void showSeed(std::uint64_t seed);
};

/// The text of the transport band's humanize box: "off", or the amounts ("8ms 10%").
QString HumanizeBoxText(int timing, int volume);

/// The low-pass popup: an empty framed panel; it changes nothing.
class TLowPassF : public GroovePopup
{
    Q_OBJECT
public:
    explicit TLowPassF(QWidget* parent = nullptr);
    QFrame* panel = nullptr;
};

/// A combo box's text as a whole decimal number; 0 when it is none.
int TextNumber(const QString& text);

} // namespace bw::ui
