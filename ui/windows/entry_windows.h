#pragma once

#include <QDialog>
#include <QWidget>

class QLabel;
class QLineEdit;

namespace bw::ui {

/// The numeric entry popup: a borderless black window holding one edit box.
class Tnumberedit : public QDialog
{
    Q_OBJECT
public:
    explicit Tnumberedit(QWidget* parent = nullptr);
    QLineEdit* edit() const { return m_edit; }

    /// Shows the popup modally at a screen point with the given size, the value in its edit
    /// box all selected; returns the number typed (0 for text that is no number) when Enter
    /// is pressed or the popup loses the focus. It belongs to owner's window (stacked above
    /// it) when one is given.
    int EditNumber(int left, int top, int value, int height, int width, QWidget* owner = nullptr);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* m_edit = nullptr;
};

/// The text window: black, with one centred yellow label; any key or a click closes it.
class TXXXForm : public QWidget
{
    Q_OBJECT
public:
    explicit TXXXForm(QWidget* parent = nullptr);
    QLabel* label() const { return m_label; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* m_label = nullptr;
};

} // namespace bw::ui
