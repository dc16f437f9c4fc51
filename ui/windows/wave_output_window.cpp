#include "ui/windows/wave_output_window.h"

#include "audio/live_output.h"
#include "ui/shell/output_settings.h"
#include "ui/shell/transport.h"
#include "ui/widgets/widget_factory.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace bw::ui {

namespace {

QString StatusText(const audio::OutputState& state)
{
    const QString device = QString::fromStdString(state.device);
    switch (state.status) {
    case audio::OutputStatus::Open:
        return QStringLiteral("Sound goes to \"%1\"").arg(device);
    case audio::OutputStatus::Opening:
        return QStringLiteral("Opening the sound device...");
    case audio::OutputStatus::Failed:
        return QStringLiteral("No sound device: %1").arg(QString::fromStdString(state.error));
    case audio::OutputStatus::Lost:
        return QStringLiteral("\"%1\" is no longer available; Play opens the output again")
            .arg(device);
    case audio::OutputStatus::Closed:
        break;
    }
    return QStringLiteral("No sound output");
}

} // namespace

Twaveoutf::Twaveoutf(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("waveoutf"));
    setWindowTitle(QStringLiteral("Wave Output"));
    resize(340, 330);
    auto* layout = new QVBoxLayout(this);
    driverLabel = new QLabel(this);
    driverLabel->setObjectName(QStringLiteral("driverLabel"));
    layout->addWidget(driverLabel);
    auto* devices = new QLabel(QStringLiteral("Output device:"), this);
    layout->addWidget(devices);
    deviceList = new QListWidget(this);
    deviceList->setObjectName(QStringLiteral("deviceList"));
    deviceList->setAccessibleName(QStringLiteral("Output device"));
    devices->setBuddy(deviceList);
    layout->addWidget(deviceList, 1);
    auto* form = new QFormLayout();
    bufferBox = new QComboBox(this);
    bufferBox->setObjectName(QStringLiteral("bufferBox"));
    bufferBox->setAccessibleName(QStringLiteral("Buffer size"));
    for (const int frames : audio::OutputChoice::BufferSizes) {
        bufferBox->addItem(QStringLiteral("%1 frames").arg(frames), frames);
    }
    latencyLabel = new QLabel(this);
    latencyLabel->setObjectName(QStringLiteral("latencyLabel"));
    underrunLabel = new QLabel(this);
    underrunLabel->setObjectName(QStringLiteral("underrunLabel"));
    form->addRow(QStringLiteral("Buffer size:"), bufferBox);
    form->addRow(QStringLiteral("Latency:"), latencyLabel);
    form->addRow(QStringLiteral("Underruns this run:"), underrunLabel);
    layout->addLayout(form);
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("outputStatus"));
    statusLabel->setWordWrap(true);
    layout->addWidget(statusLabel);
    auto* note = new QLabel(QStringLiteral("A new choice is taken by the next Play."), this);
    layout->addWidget(note);

    connect(deviceList, &QListWidget::currentRowChanged, this, [this] { choiceMade(); });
    connect(bufferBox, &QComboBox::currentIndexChanged, this, [this] {
        showLatency();
        choiceMade();
    });
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &Twaveoutf::showState);
    showLatency();
}

void Twaveoutf::attach(Transport& transport)
{
    m_transport = &transport;
    connect(&transport, &Transport::outputChanged, this, [this] {
        if (isVisible()) {
            showState();
        }
    });
}

void Twaveoutf::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        if (!m_placed) {
            m_placed = true;
            CentreOnScreen(this);
        }
        if (m_transport != nullptr && m_transport->output() != nullptr) {
            m_transport->output()->refreshDevices(); // devices plugged in since
        }
    }
    showState();
    m_timer.start();
}

void Twaveoutf::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}

void Twaveoutf::showLatency()
{
    const int frames = bufferBox->currentData().toInt();
    latencyLabel->setText(
        QStringLiteral("%1 ms").arg(audio::BufferMilliseconds(frames), 0, 'f', 1));
}

void Twaveoutf::showState()
{
    if (m_transport == nullptr) {
        return;
    }
    const audio::OutputState state = m_transport->outputState();
    const audio::OutputChoice choice = m_transport->outputChoice();
    m_filling = true;
    driverLabel->setText(QStringLiteral("Driver: %1")
                             .arg(state.driver.empty() ? QStringLiteral("none")
                                                       : QString::fromStdString(state.driver)));
    QStringList names{defaultDeviceText()};
    for (const std::string& d : state.devices) {
        names << QString::fromStdString(d);
    }
    // The chosen device stays listed while it is away, so the choice shows.
    if (!choice.device.empty() && !names.contains(QString::fromStdString(choice.device))) {
        names << QString::fromStdString(choice.device);
    }
    QStringList shown;
    for (int i = 0; i < deviceList->count(); ++i) {
        shown << deviceList->item(i)->text();
    }
    {
        const QSignalBlocker block(deviceList);
        if (shown != names) {
            deviceList->clear();
            deviceList->addItems(names);
        }
        deviceList->setCurrentRow(
            choice.device.empty()
                ? 0
                : static_cast<int>(names.indexOf(QString::fromStdString(choice.device))));
    }
    {
        const QSignalBlocker block(bufferBox);
        bufferBox->setCurrentIndex(bufferBox->findData(choice.bufferFrames));
    }
    showLatency();
    underrunLabel->setText(QString::number(m_transport->runUnderruns()));
    statusLabel->setText(StatusText(state));
    m_filling = false;
}

void Twaveoutf::choiceMade()
{
    if (m_filling || m_transport == nullptr) {
        return;
    }
    audio::OutputChoice choice;
    const int row = deviceList->currentRow();
    if (row > 0) {
        choice.device = deviceList->item(row)->text().toStdString();
    }
    choice.bufferFrames = audio::OutputChoice::validBufferFrames(bufferBox->currentData().toInt());
    m_transport->setOutputChoice(choice);
    SaveOutputChoice(choice);
}

} // namespace bw::ui
