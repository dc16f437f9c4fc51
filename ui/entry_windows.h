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
