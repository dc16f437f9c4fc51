#pragma once

#include <QString>

namespace bw::ui {

/// Where the program finds the files it reads at start, and the library it saves to.
struct ProgramFiles
{
    /// The sound library loaded at start; every change to the library is saved back here.
    QString library;
    /// The song loaded at start.
    QString song;
    /// The grid's drumstick cursor.
    QString cursor;
    /// The help page.
    QString help;
    /// The folder of the program's own files: the binary's folder in a build folder,
    /// share/beatwright in an installed tree.
    QString dataFolder;
    /// The user's folder for the library and songs: empty in a build folder, where the
    /// program works in its own folder.
    QString userFolder;
    /// Empty, or why the user's copies of the library and song could not be made.
    QString problem;
    /// The library is the installed tree's own file (the user's copy could not be made): it
    /// is read, never written.
    bool libraryProtected = false;
    /// Where unsaved changes are kept for the next start (see recovery.h): in the user's
    /// folder, or the program's folder of a build; empty when there is nowhere to keep them.
    QString recovery;
};

/// Where an installed tree keeps the program's read-only files, from the binary's folder.
inline constexpr const char* InstalledDataPath = "../share/beatwright";

/// The name of the desktop entry (and of the icons) that an installed program comes with.
inline constexpr const char* DesktopFileName = "org.example.beatwright";

/// Every file from one folder, as a build folder (and a test) keeps them. An empty folder
/// means the executable's folder.
ProgramFiles FilesInFolder(const QString& folder);

/// Finds the program's files for a binary in binDir:
/// - a build folder (binDir holds "default.slb"): everything from binDir, as FilesInFolder;
/// - an installed tree (binDir/../share/beatwright holds "default.slb"): the cursor and the
///   help page are read from the tree; the library and the song are the user's copies in
///   userDataDir (empty: the application's data folder of QStandardPaths), made from the
///   tree's own on the first start, so nothing is ever written into the tree;
/// - neither: binDir, as for a build folder (the start-up then reports what is missing).
/// A copy that cannot be made leaves that file read from the tree, and `problem` says why.
ProgramFiles LocateProgramFiles(const QString& binDir, const QString& userDataDir = {});

} // namespace bw::ui
