#pragma once

#include <QDialog>
#include <QWidget>

class QFrame;
class QLabel;

namespace bw::ui {

class RenderBridge;

/// The performance meter: a bar and a percentage that reach 100 when the output runs dry.
class Tperformf : public QWidget
{
    Q_OBJECT
public:
    explicit Tperformf(QWidget* parent = nullptr);

    /// Shows value percent: the bar's share of the white track, blue below 100, red from 100.
    void SetMeter(int value);
    /// Follows the engine: the meter after every block, 0 when a run ends.
    void followEngine(RenderBridge& bridge);
    QLabel* pert() const { return m_pert; }
    QFrame* bar() const { return m_bar; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool m_placed = false;
    QFrame* m_track = nullptr; // Panel1, 249 px
    QFrame* m_bar = nullptr;   // Panel2
    QLabel* m_pert = nullptr;
};

/// The render preferences window; its sliders are not connected to anything.
class Tprefform : public QDialog
{
    Q_OBJECT
public:
    explicit Tprefform(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool m_placed = false;
};

} // namespace bw::ui
