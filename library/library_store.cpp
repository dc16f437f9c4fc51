#include "library/library_store.h"

#include "library/binary_io.h"
#include "library/file_lock.h"

#include <unordered_map>

namespace bw::library {

namespace {

bool sameSound(const TSoundRec& a, const TSoundRec& b)
{
    return a.Name.view() == b.Name.view() && a.StopTarget.view() == b.StopTarget.view() &&
           a.DataSize == b.DataSize && a.Flags == b.Flags && a.StretchMul == b.StretchMul &&
           a.StretchDiv == b.StretchDiv && (a.Data == b.Data || *a.Data == *b.Data);
}

/// The first sound of each name.
std::unordered_map<std::string, const TSoundRec*> byName(const SoundLibrary& lib)
{
    std::unordered_map<std::string, const TSoundRec*> out;
    out.reserve(static_cast<std::size_t>(lib.count()));
    for (int i = 0; i < lib.count(); ++i) {
        out.emplace(lib.SoundNameAt(i), &lib.at(i));
    }
    return out;
}

} // namespace

SoundLibrary
MergeLibraries(const SoundLibrary& base, const SoundLibrary& mine, const SoundLibrary& theirs)
{
    SoundLibrary result = theirs.snapshot();
    const auto baseByName = byName(base);
    const auto mineByName = byName(mine);
    for (int i = 0; i < base.count(); ++i) {
        const TSoundRec& was = base.at(i);
        const std::string name = was.Name.str();
        const auto mineIt = mineByName.find(name);
        const int there = result.FindSound(name);
        if (mineIt == mineByName.end()) {
            if (there >= 0 && sameSound(result.at(there), was)) {
                result.DeleteSound(there); // deleted here, untouched there
            }
        } else if (!sameSound(*mineIt->second, was)) {
            if (there >= 0) {
                result.at(there) = *mineIt->second; // edited here
            } else {
                result.AddSharedSound(*mineIt->second); // edited here, deleted there
            }
        }
    }
    for (int i = 0; i < mine.count(); ++i) {
        const TSoundRec& added = mine.at(i);
        if (baseByName.count(added.Name.str()) != 0) {
            continue;
        }
        const int there = result.FindSound(added.Name.str());
        if (there < 0 || !sameSound(result.at(there), added)) {
            result.AddSharedSound(added);
        }
    }
    return result;
}

LibraryStore::LoadResult LibraryStore::load(const std::string& path)
{
    m_path = path;
    m_loadFailed = false;
    LoadResult result;
    // A writer that renames its file into place between the read and the stamp would go
    // unnoticed: read again until the stamp is the same before and after.
    for (int attempt = 0;; ++attempt) {
        const FileStamp before = StampOf(path);
        result.sounds.CreateSoundLibrary();
        result.error.clear();
        try {
            result.sounds.LoadSoundLibrary(path);
        } catch (const FileError& e) {
            result.error = e.what();
        }
        m_stamp = StampOf(path);
        if (m_stamp == before || attempt == 2) {
            break;
        }
    }
    m_loadFailed = !result.error.empty();
    m_base = result.sounds.snapshot();
    return result;
}

void LibraryStore::setPath(const std::string& path)
{
    m_path = path;
    m_loadFailed = false;
    m_base.CreateSoundLibrary();
    m_stamp = StampOf(path);
}

bool LibraryStore::mayReplace() const
{
    return !m_path.empty() && !m_protected && !(m_loadFailed && StampOf(m_path).exists);
}

std::string LibraryStore::whyNotReplaced() const
{
    if (m_path.empty()) {
        return "The sound library has no file yet.";
    }
    if (m_protected) {
        return "The sound library \"" + m_path +
               "\" is the program's own installed copy, which is never written.";
    }
    return "The sound library \"" + m_path +
           "\" could not be loaded, so it is not saved over: the sounds in it that were not "
           "read would be lost.";
}

LibraryStore::SaveResult LibraryStore::save(const SoundLibrary& mine, const ProgressFn& progress)
{
    if (!mayReplace()) {
        throw FileError(whyNotReplaced());
    }
    SaveResult result;
    const FileLock lock(m_path);
    const FileStamp now = StampOf(m_path);
    const SoundLibrary* toWrite = &mine;
    if (now.exists && !(now == m_stamp)) {
        SoundLibrary theirs;
        theirs.LoadSoundLibrary(m_path);
        result.written = MergeLibraries(m_base, mine, theirs);
        result.merged = true;
        toWrite = &result.written;
    }
    toWrite->SaveSoundLibrary(m_path, progress);
    m_stamp = StampOf(m_path);
    m_base = toWrite->snapshot();
    return result;
}

void LibraryStore::saveAs(const std::string& path,
                          const SoundLibrary& mine,
                          const ProgressFn& progress)
{
    {
        const FileLock lock(path);
        mine.SaveSoundLibrary(path, progress);
        m_stamp = StampOf(path);
    }
    m_path = path;
    m_loadFailed = false;
    m_protected = false;
    m_base = mine.snapshot();
}

} // namespace bw::library
