#include "ui/shell/output_settings.h"

#include <QSettings>
#include <QString>
#include <QStringList>

namespace bw::ui {

namespace {

QSettings Settings()
{
    return QSettings(QStringLiteral("Beat Wright"), QStringLiteral("Beat Wright"));
}

const QString DeviceKey = QStringLiteral("output/device");
const QString BufferKey = QStringLiteral("output/bufferFrames");
const QString InputPortsKey = QStringLiteral("midi/inputPorts");
const QString ClockOutKey = QStringLiteral("midi/clockOut");
const QString NotesOutKey = QStringLiteral("midi/notesOut");
const QString OutputPortKey = QStringLiteral("midi/outputPort");

} // namespace

audio::OutputChoice LoadOutputChoice()
{
    const QSettings settings = Settings();
    audio::OutputChoice choice;
    choice.device = settings.value(DeviceKey).toString().toStdString();
    bool ok = false;
    const int frames = settings.value(BufferKey).toInt(&ok);
    choice.bufferFrames = ok ? audio::OutputChoice::validBufferFrames(frames)
                             : audio::OutputChoice::DefaultBufferFrames;
    return choice;
}

void SaveOutputChoice(const audio::OutputChoice& choice)
{
    QSettings settings = Settings();
    settings.setValue(DeviceKey, QString::fromStdString(choice.device));
    settings.setValue(BufferKey, choice.bufferFrames);
}

MidiChoice LoadMidiChoice()
{
    const QSettings settings = Settings();
    MidiChoice choice;
    for (const QString& p : settings.value(InputPortsKey).toStringList()) {
        choice.inputPorts.push_back(p.toStdString());
    }
    choice.clockOut = settings.value(ClockOutKey, true).toBool();
    choice.notesOut = settings.value(NotesOutKey, false).toBool();
    choice.outputPort = settings.value(OutputPortKey).toString().toStdString();
    return choice;
}

void SaveMidiChoice(const MidiChoice& choice)
{
    QSettings settings = Settings();
    QStringList ports;
    for (const auto& p : choice.inputPorts) {
        ports << QString::fromStdString(p);
    }
    settings.setValue(InputPortsKey, ports);
    settings.setValue(ClockOutKey, choice.clockOut);
    settings.setValue(NotesOutKey, choice.notesOut);
    settings.setValue(OutputPortKey, QString::fromStdString(choice.outputPort));
}

} // namespace bw::ui
