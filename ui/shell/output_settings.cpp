#include "ui/shell/output_settings.h"

#include <QSettings>
#include <QString>

namespace bw::ui {

namespace {

QSettings Settings()
{
    return QSettings(QStringLiteral("Beat Wright"), QStringLiteral("Beat Wright"));
}

const QString DeviceKey = QStringLiteral("output/device");
const QString BufferKey = QStringLiteral("output/bufferFrames");

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

} // namespace bw::ui
