#include "ui/windows/midi_window.h"

#include "audio/midi_clock.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/midi_pads.h"
#include "ui/shell/output_settings.h"
#include "ui/shell/transport.h"
#include "ui/widgets/widget_factory.h"

#include <algorithm>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace bw::ui {

TMidiWindow::TMidiWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("midiWindow"));
    setWindowTitle(QStringLiteral("MIDI"));
    resize(380, 460);
    auto* layout = new QVBoxLayout(this);
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("midiStatus"));
    statusLabel->setWordWrap(true);
    layout->addWidget(statusLabel);
    everyPortBox = new QCheckBox(QStringLiteral("Listen to every input port"), this);
    everyPortBox->setObjectName(QStringLiteral("everyPortBox"));
    layout->addWidget(everyPortBox);
    inputList = new QListWidget(this);
    inputList->setObjectName(QStringLiteral("inputList"));
    inputList->setAccessibleName(QStringLiteral("Input ports"));
    layout->addWidget(inputList, 1);
    auto* form = new QFormLayout();
    channelBox = new QComboBox(this);
    channelBox->setObjectName(QStringLiteral("channelBox"));
    channelBox->setAccessibleName(QStringLiteral("Channel"));
    channelBox->addItem(QStringLiteral("Any"), 0);
    for (int c = 1; c <= 16; ++c) {
        channelBox->addItem(QString::number(c), c);
    }
    form->addRow(QStringLiteral("Channel:"), channelBox);
    layout->addLayout(form);
    clockBox = new QCheckBox(QStringLiteral("Send MIDI clock while playing"), this);
    clockBox->setObjectName(QStringLiteral("clockBox"));
    layout->addWidget(clockBox);
    notesBox = new QCheckBox(QStringLiteral("Send each played event as a note (channel 10)"), this);
    notesBox->setObjectName(QStringLiteral("notesBox"));
    layout->addWidget(notesBox);
    auto* clockForm = new QFormLayout();
    clockPortBox = new QComboBox(this);
    clockPortBox->setObjectName(QStringLiteral("clockPortBox"));
    clockPortBox->setAccessibleName(QStringLiteral("Send to"));
    clockForm->addRow(QStringLiteral("Send to:"), clockPortBox);
    layout->addLayout(clockForm);

    connect(everyPortBox, &QCheckBox::toggled, this, [this] { inputsChosen(); });
    connect(inputList, &QListWidget::itemChanged, this, [this] { inputsChosen(); });
    connect(channelBox, &QComboBox::activated, this, [this] { channelChosen(); });
    connect(clockBox, &QCheckBox::toggled, this, [this] { clockChosen(); });
    connect(notesBox, &QCheckBox::toggled, this, [this] { clockChosen(); });
    connect(clockPortBox, &QComboBox::activated, this, [this] { clockChosen(); });
    m_timer.setInterval(1500);
    connect(&m_timer, &QTimer::timeout, this, &TMidiWindow::showState);
}

void TMidiWindow::attach(EditorContext& context, MidiPads& pads, Transport& transport)
{
    m_context = &context;
    m_pads = &pads;
    m_transport = &transport;
}

void TMidiWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && !m_placed) {
        m_placed = true;
        CentreOnScreen(this);
    }
    showState();
    m_timer.start();
}

void TMidiWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}

void TMidiWindow::showState()
{
    if (m_pads == nullptr) {
        return;
    }
    if (channelBox->view()->isVisible() || clockPortBox->view()->isVisible()) {
        return; // a list the user has open stays as it is
    }
    const MidiChoice choice = LoadMidiChoice();
    audio::MidiClockOut* clock = m_transport->midiClock();
    m_filling = true;
    statusLabel->setText(
        m_pads->available()
            ? QStringLiteral("Pads and keys play the tracks; Track > Learn MIDI Note binds one.")
            : QStringLiteral("There is no MIDI input: neither the ALSA sequencer nor a JACK "
                             "server is there."));
    // The ports found, and the chosen ones while they are away, so the choice shows.
    std::vector<std::string> ports = m_pads->ports();
    for (const auto& p : choice.inputPorts) {
        if (!p.empty() && std::find(ports.begin(), ports.end(), p) == ports.end()) {
            ports.push_back(p);
        }
    }
    {
        const QSignalBlocker blockList(inputList);
        const QSignalBlocker blockBox(everyPortBox);
        everyPortBox->setChecked(choice.inputPorts.empty());
        inputList->clear();
        const auto& connected = m_pads->connectedPorts();
        for (const auto& p : ports) {
            const bool on = std::find(connected.begin(), connected.end(), p) != connected.end();
            auto* item = new QListWidgetItem(QString::fromStdString(p) +
                                                 (on ? QString() : QStringLiteral(" (not there)")),
                                             inputList);
            item->setData(Qt::UserRole, QString::fromStdString(p));
            item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
            const bool chosen = choice.inputPorts.empty() ||
                                std::find(choice.inputPorts.begin(), choice.inputPorts.end(), p) !=
                                    choice.inputPorts.end();
            item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
        }
        inputList->setEnabled(!choice.inputPorts.empty());
    }
    const int channel = m_context->withSong([](const core::TSong& s) { return s.MidiChannel; });
    channelBox->setCurrentIndex(channelBox->findData(channel));
    {
        const QSignalBlocker blockClock(clockBox);
        const QSignalBlocker blockNotes(notesBox);
        const QSignalBlocker blockPort(clockPortBox);
        clockBox->setEnabled(clock != nullptr && clock->sink().available());
        clockBox->setChecked(choice.clockOut);
        notesBox->setEnabled(clockBox->isEnabled());
        notesBox->setChecked(choice.notesOut);
        clockPortBox->clear();
        clockPortBox->addItem(ownPortOnlyText(), QString());
        std::vector<std::string> outs;
        if (clock != nullptr) {
            outs = clock->sink().ports();
        }
        if (!choice.outputPort.empty() &&
            std::find(outs.begin(), outs.end(), choice.outputPort) == outs.end()) {
            outs.push_back(choice.outputPort);
        }
        for (const auto& p : outs) {
            clockPortBox->addItem(QString::fromStdString(p), QString::fromStdString(p));
        }
        clockPortBox->setCurrentIndex(
            std::max(0, clockPortBox->findData(QString::fromStdString(choice.outputPort))));
        clockPortBox->setEnabled(clockBox->isEnabled() && (choice.clockOut || choice.notesOut));
    }
    m_filling = false;
}

void TMidiWindow::inputsChosen()
{
    if (m_filling || m_pads == nullptr) {
        return;
    }
    std::vector<std::string> chosen;
    if (!everyPortBox->isChecked()) {
        for (int i = 0; i < inputList->count(); ++i) {
            const QListWidgetItem* item = inputList->item(i);
            if (item->checkState() == Qt::Checked) {
                chosen.push_back(item->data(Qt::UserRole).toString().toStdString());
            }
        }
        // Nothing ticked would read back as "every port": keep one name no port has.
        if (chosen.empty()) {
            chosen.emplace_back();
        }
    }
    m_pads->choosePorts(chosen);
    showState();
}

void TMidiWindow::channelChosen()
{
    if (m_filling || m_context == nullptr) {
        return;
    }
    const int channel = channelBox->currentData().toInt();
    const bool changed = m_context->withSong([channel](core::TSong& s) {
        if (s.MidiChannel == channel) {
            return false;
        }
        s.MidiChannel = channel;
        return true;
    });
    if (changed) {
        m_context->documentEdited(); // one undo step; saved with the song
    }
}

void TMidiWindow::clockChosen()
{
    if (m_filling || m_transport == nullptr) {
        return;
    }
    MidiChoice choice = LoadMidiChoice();
    choice.clockOut = clockBox->isChecked();
    choice.notesOut = notesBox->isChecked();
    choice.outputPort = clockPortBox->currentData().toString().toStdString();
    SaveMidiChoice(choice);
    if (audio::MidiClockOut* clock = m_transport->midiClock()) {
        clock->sink().connect(choice.outputPort);
        clock->setEnabled(choice.clockOut);
        clock->setNotesEnabled(choice.notesOut);
    }
    clockPortBox->setEnabled(clockBox->isEnabled() && (choice.clockOut || choice.notesOut));
}

} // namespace bw::ui
