// Sound files dropped on the track list or the grid: imported as the sample import window
// imports them, and given to tracks.
#include "core/track_commands.h"
#include "library/sample_import.h"
#include "library/sample_loader.h"
#include "ui/regions/track_list.h"
#include "ui/shell/editor_context.h"
#include "ui/widgets/background_task.h"
#include "ui/widgets/file_dialogs.h"
#include "ui/widgets/message_box.h"

#include <algorithm>
#include <exception>
#include <string>

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace bw::ui {

namespace {

/// The first row in use at or after from whose track has no sound, or -1.
int FreeTrack(const core::TSong& s, int from)
{
    const int rows = std::clamp(s.TrackCount, 0, core::MaxTracks);
    for (int t = std::max(from, 0); t < rows; ++t) {
        if (s.Tracks[static_cast<std::size_t>(t)].SoundName.empty()) {
            return t;
        }
    }
    return -1;
}

} // namespace

int TrackList::assignDroppedSounds(const QStringList& files, int track)
{
    QWidget* owner = m_ctx.window();
    bool libraryChanged = false;
    bool rowsAdded = false;
    QStringList given;
    int searchFrom = 0; // where the next track without a sound is looked for
    for (int i = 0; i < files.size(); ++i) {
        const QString& path = files[i];
        const std::string file = ToFileSystemPath(path);
        // Read and converted off the UI thread, with Cancel, as the import window reads it.
        library::LoadedSample loaded;
        QString failure;
        try {
            RunInBackground(owner,
                            QStringLiteral("Reading \"%1\"...").arg(QDir::toNativeSeparators(path)),
                            true, [&](const ProgressFn& progress) {
                                loaded = library::LoadSampleFile(file, progress);
                            });
        } catch (const Cancelled&) {
            break; // the files after it are not read either
        } catch (const library::SampleLoadError& e) {
            failure = QString::fromLocal8Bit(library::LoadErrorText(file, e.reason()).c_str());
        } catch (const std::exception& e) {
            failure = QString::fromLocal8Bit(library::LoadErrorText(file, e.what()).c_str());
        }
        if (!failure.isEmpty()) {
            ShowErrorMessage(owner, failure, QStringLiteral("!"));
            continue;
        }
        library::SampleImport import;
        const library::SampleImport::LoadResult load = import.UseLoaded(std::move(loaded), file);
        if (load.cut) {
            ShowErrorMessage(owner, QString::fromLatin1(library::CutText), QStringLiteral("!"));
        }
        const std::string name = QFileInfo(path).fileName().toLatin1().toStdString();
        using Status = library::SampleImport::AddResult::Status;
        int target = -1;
        const library::SampleImport::AddResult added = m_ctx.withSong([&](core::TSong& s) {
            library::SampleImport::AddResult r = import.AddOrReuse(m_ctx.library(), name);
            if (r.status != Status::Added) {
                return r;
            }
            const int rows = std::clamp(s.TrackCount, 0, core::MaxTracks);
            target = i == 0 && track >= 0 && track < rows ? track : FreeTrack(s, searchFrom);
            if (target < 0 && core::AddTrack(s)) {
                target = s.TrackCount - 1;
                rowsAdded = true;
            }
            if (target >= 0) {
                core::TTrack& t = s.Tracks[static_cast<std::size_t>(target)];
                t.SoundName.assign(r.name);
                t.SoundIndex = r.index;
                t.Enabled = 1;
                s.SelectedTrack = target;
            }
            return r;
        });
        libraryChanged = libraryChanged || (added.status == Status::Added && !added.reused);
        if (added.status == Status::LibraryFull) {
            ShowMessage(owner,
                        QStringLiteral("The sound library's file would pass %1 MB, the most it "
                                       "may hold: delete sounds before you add this one.")
                            .arg(library::MaxLibraryFileBytes >> 20),
                        QStringLiteral("!"));
            continue;
        }
        if (added.status != Status::Added) {
            continue;
        }
        if (target < 0) {
            m_ctx.showStatus(QStringLiteral("\"%1\" is in the library, but every one of the %2 "
                                            "tracks has a sound")
                                 .arg(QString::fromLatin1(added.name.c_str()))
                                 .arg(core::MaxTracks));
            continue;
        }
        searchFrom = target + 1;
        given << QStringLiteral("\"%1\" on track %2")
                     .arg(QString::fromLatin1(added.name.c_str()))
                     .arg(target + 1);
    }
    if (libraryChanged) {
        m_ctx.libraryEdited(); // the sound chooser lists the new sounds
        if (!m_ctx.defaultLibraryPath().isEmpty()) {
            m_ctx.saveLibrary(owner); // a failure is reported; the sounds stay added
        }
    }
    if (given.isEmpty()) {
        return 0;
    }
    m_ctx.CheckTrackSounds(owner);
    if (rowsAdded) {
        m_ctx.trackRowsEdited();
    }
    m_ctx.documentEdited();
    m_ctx.showStatus(QStringLiteral("Sounds given: %1").arg(given.join(QStringLiteral(", "))));
    return static_cast<int>(given.size());
}

} // namespace bw::ui
