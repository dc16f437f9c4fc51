#pragma once

#include <QTimer>
#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;

namespace bw::ui {

class Transport;

/// The wave output window: the sound driver SDL uses, the output devices (the system default
/// first), the buffer size with the latency it gives, and the underruns of the current run.
/// A choice is kept between starts and taken by the next Play.
class Twaveoutf : public QWidget
{
    Q_OBJECT
public:
    explicit Twaveoutf(QWidget* parent = nullptr);

    /// Follows and sets the transport's output.
    void attach(Transport& transport);

    /// The text shown for the system's default device, first in the list.
    static QString defaultDeviceText() { return QStringLiteral("System default"); }

    QLabel* driverLabel = nullptr;
    QListWidget* deviceList = nullptr;
    QComboBox* bufferBox = nullptr;
    QLabel* latencyLabel = nullptr;
    QLabel* underrunLabel = nullptr;
    QLabel* statusLabel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    /// Shows the output's state: driver, devices, the choice, what is open, the underruns.
    void showState();
    void showLatency();
    /// The user picked a device or a buffer size: kept, and taken by the next Play.
    void choiceMade();

    Transport* m_transport = nullptr;
    QTimer m_timer; // the underruns and the state while the window is shown
    bool m_placed = false;
    bool m_filling = false; // the controls are being filled from the state
};

} // namespace bw::ui
