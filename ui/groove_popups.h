#pragma once

#include <QWidget>

class QLabel;

namespace bw::ui {

/// A borderless popup that stays on top, with a title label. The shuffle, delay and low-pass
/// popups share this frame; their controls are added with the groove settings.
class GroovePopup : public QWidget
{
    Q_OBJECT
public:
    GroovePopup(const QString& objectName,
                const QString& title,
                QSize size,
                QWidget* parent = nullptr);
    QLabel* titleLabel() const { return m_title; }

private:
    QLabel* m_title = nullptr;
};

class TShuffelForm : public GroovePopup
{
    Q_OBJECT
public:
    explicit TShuffelForm(QWidget* parent = nullptr);
};

class TDelayF : public GroovePopup
{
    Q_OBJECT
public:
    explicit TDelayF(QWidget* parent = nullptr);
};

class TLowPassF : public GroovePopup
{
    Q_OBJECT
public:
    explicit TLowPassF(QWidget* parent = nullptr);
};

} // namespace bw::ui
