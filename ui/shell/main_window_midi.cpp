// The main window's MIDI commands: the file export of the current pattern or the song's
// arrangement, and learning which note plays a track.

#include "audio/midi_file.h"
#include "audio/wav_writer.h"
#include "library/atomic_file.h"
#include "ui/regions/transport_band.h"
#include "ui/shell/editor_context.h"
#include "ui/shell/main_window.h"
#include "ui/shell/midi_pads.h"
#include "ui/widgets/background_task.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"

#include <exception>
#include <string>
#include <vector>

#include <QDir>
#include <QStatusBar>
#include <QToolButton>

namespace bw::ui {

bool TMain::writeMidi(bool wholeSong)
{
    FileRequest request;
    request.kind = FileRequest::Kind::Save;
    request.title =
        wholeSong ? QStringLiteral("Write Song MIDI") : QStringLiteral("Write Pattern MIDI");
    request.filter = QStringLiteral("MIDI files (*.mid)");
    request.defaultSuffix = QStringLiteral("mid");
    request.presetName = QStringLiteral("*.mid");
    const QString path = ChooseFile(this, request);
    if (path.isEmpty()) {
        return false;
    }
    const std::string file = ToFileSystemPath(QDir::toNativeSeparators(path));
    const auto fail = [this, &path](const QString& why) {
        ShowErrorMessage(this,
                         QStringLiteral("The file \"%1\" could not be written:\n%2")
                             .arg(QDir::toNativeSeparators(path), why),
                         QStringLiteral("ERROR"));
        return false;
    };
    std::vector<std::pair<std::string, std::string>> inputs;
    if (!m_currentFileName.isEmpty()) {
        inputs.emplace_back(ToFileSystemPath(QDir::toNativeSeparators(m_currentFileName)), "song");
    }
    if (const std::string problem = audio::ExportTargetProblem(file, inputs); !problem.empty()) {
        return fail(QString::fromLocal8Bit(problem.c_str()));
    }
    try {
        // The notes are taken under the song lock, with the working copy as it is edited; the
        // file is written on a worker thread, without it.
        const std::vector<std::uint8_t> bytes = m_context->withSong([wholeSong](core::TSong& s) {
            if (s.validPattern(s.CurrentPattern)) {
                core::StoreWorkingCopy(s, s.CurrentPattern);
            }
            return audio::MidiFileBytes(s, audio::MidiExportChoice{wholeSong, s.CurrentPattern});
        });
        RunInBackground(this,
                        QStringLiteral("Writing \"%1\"...").arg(QDir::toNativeSeparators(path)),
                        false, [&](const ProgressFn&) { writeFileAtomically(file, bytes); });
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    statusBar()->showMessage(
        QStringLiteral("MIDI file written: \"%1\"").arg(QDir::toNativeSeparators(path)), 5000);
    return true;
}

void TMain::learnMidiNote()
{
    const int track = m_context->withSong([](const core::TSong& s) { return s.SelectedTrack; });
    if (!m_pads->available()) {
        statusBar()->showMessage(QStringLiteral("There is no MIDI input to learn from."), 5000);
        return;
    }
    m_pads->learn(track);
    statusBar()->showMessage(
        QStringLiteral("Play a pad or key: its note will play track %1.").arg(track + 1));
}

void TMain::connectPads()
{
    connect(m_pads, &MidiPads::learned, this, [this](int track, int note) {
        documentEdited(); // one undo step, and the song is changed
        statusBar()->showMessage(QStringLiteral("Track %1 plays note %2.").arg(track + 1).arg(note),
                                 5000);
    });
    // A take is one undo step: its hits wait as an open edit, as the moves of a drag do.
    connect(m_pads, &MidiPads::recorded, this, [this](int, int) {
        m_takeOpen = true;
        m_context->documentEdited();
    });
    connect(m_pads, &MidiPads::takeEnded, this, [this] {
        m_takeOpen = false;
        if (m_editPending) {
            commitEdit();
        }
    });
    connect(m_transportBand->recB, &QToolButton::toggled, m_pads, &MidiPads::setRecording);
}

} // namespace bw::ui
