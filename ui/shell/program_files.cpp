#include "ui/shell/program_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace bw::ui {

namespace {

const QString LibraryName = QStringLiteral("default.slb");
const QString SongName = QStringLiteral("default.bwp");
const QString RecoveryName = QStringLiteral("recovery.bwp");

/// Copies from to `to` unless `to` is there already. The copy appears whole or not at all,
/// so a start that is cut short never leaves a half library behind. Returns the reason it
/// failed, or an empty text.
QString CopyOnce(const QString& from, const QString& to)
{
    if (QFileInfo::exists(to)) {
        return {};
    }
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(from), in.errorString());
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(from), in.errorString());
    }
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(to), out.errorString());
    }
    return {};
}

} // namespace

ProgramFiles FilesInFolder(const QString& folder)
{
    const QDir dir(folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder);
    ProgramFiles files;
    files.library = dir.filePath(LibraryName);
    files.song = dir.filePath(SongName);
    files.cursor = dir.filePath(QStringLiteral("stick.cur"));
    files.help = dir.filePath(QStringLiteral("help/index.htm"));
    files.dataFolder = dir.path();
    files.recovery = dir.filePath(RecoveryName);
    return files;
}

ProgramFiles LocateProgramFiles(const QString& binDir, const QString& userDataDir)
{
    if (QFileInfo::exists(QDir(binDir).filePath(LibraryName))) {
        return FilesInFolder(binDir);
    }
    const QString tree =
        QDir::cleanPath(QDir(binDir).filePath(QString::fromLatin1(InstalledDataPath)));
    if (!QFileInfo::exists(QDir(tree).filePath(LibraryName))) {
        return FilesInFolder(binDir);
    }

    ProgramFiles files = FilesInFolder(tree);
    // Nothing of the tree is ever written: until the user's folder is there, nothing is kept.
    files.recovery.clear();
    files.libraryProtected = true;
    files.userFolder = userDataDir.isEmpty()
                           ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                           : userDataDir;
    QStringList problems;
    if (files.userFolder.isEmpty() || !QDir().mkpath(files.userFolder)) {
        problems << QStringLiteral("%1: the folder cannot be made")
                        .arg(QDir::toNativeSeparators(files.userFolder));
    } else {
        const QDir user(files.userFolder);
        for (QString* file : {&files.library, &files.song}) {
            const QString copy = user.filePath(QFileInfo(*file).fileName());
            const QString failed = CopyOnce(*file, copy);
            if (failed.isEmpty()) {
                *file = copy;
                files.libraryProtected = files.libraryProtected && file != &files.library;
            } else {
                problems << failed;
            }
        }
        files.recovery = user.filePath(RecoveryName);
    }
    if (!problems.isEmpty()) {
        files.problem =
            QStringLiteral("Your own copy of the sound library and song could not be made:\n%1\n"
                           "The program's files are used instead; changes to the sound library "
                           "cannot be saved to them (it can be saved to another file).")
                .arg(problems.join(QLatin1Char('\n')));
    }
    return files;
}

} // namespace bw::ui
