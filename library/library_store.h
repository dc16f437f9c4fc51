#pragma once

#include "library/atomic_file.h"
#include "library/progress.h"
#include "library/sound_library.h"

#include <string>

namespace bw::library {

/// Merges two sets of changes to one library. base is the file as this program last read or
/// wrote it, mine the library in memory, theirs the file as another program has left it since.
/// The result is theirs with my changes on top: my new sounds appended (numbered as AddSound
/// numbers them when theirs gave the name to another sound), my deletions made where theirs
/// still holds the sound as it was, my edits of a sound (stretch, stop target) kept, also of a
/// sound theirs deleted. Sounds are matched by name; samples are shared, not copied.
SoundLibrary
MergeLibraries(const SoundLibrary& base, const SoundLibrary& mine, const SoundLibrary& theirs);

/// The program's library file: where the library in memory came from and is saved to, what
/// that file held when it was last read or written here (so that another program's changes
/// made since are merged in, not saved over), and whether it may be written at all. The file
/// I/O happens wherever it is called (a worker thread); one thread at a time uses it.
class LibraryStore
{
public:
    struct LoadResult
    {
        /// What was read: every sound, or those before the damage when the file failed.
        SoundLibrary sounds;
        /// Empty when the whole file was read; else the reason it was not.
        std::string error;
    };
    /// Reads path and makes it the file saves go to. A file that exists but fails to load, in
    /// part or whole, is never saved over afterwards (see mayReplace).
    LoadResult load(const std::string& path);

    struct SaveResult
    {
        /// The file had changed since it was read or written here: the other program's
        /// changes were merged with mine (MergeLibraries), and `written` is what the file now
        /// holds; the caller takes it as its library.
        bool merged = false;
        SoundLibrary written;
    };
    /// Writes mine to the file, holding its lock (FileLock) from the check for another
    /// program's changes to the rename. Throws FileError (the file is then as it was) or
    /// Cancelled. Only while mayReplace().
    SaveResult save(const SoundLibrary& mine, const ProgressFn& progress = {});
    /// Writes mine whole to path (under its lock) and makes path the file later saves go to:
    /// the way out when the file may not be replaced.
    void saveAs(const std::string& path, const SoundLibrary& mine, const ProgressFn& progress = {});

    const std::string& path() const { return m_path; }
    /// Makes path the file saves go to without reading it (a library that starts empty).
    void setPath(const std::string& path);
    /// Marks the file as the program's own installed copy, which is never written.
    void setProtected(bool on) { m_protected = on; }
    /// False while the file must not be replaced: it is the installed copy, or it exists but
    /// did not load (its sounds that were not read would be lost).
    bool mayReplace() const;
    /// Why mayReplace() is false, as a sentence for the user.
    std::string whyNotReplaced() const;

private:
    std::string m_path;
    SoundLibrary m_base; // the file as last read or written here
    FileStamp m_stamp;   // and its stamp then
    bool m_loadFailed = false;
    bool m_protected = false;
};

} // namespace bw::library
