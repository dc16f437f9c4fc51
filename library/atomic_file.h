#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bw {

/// How every temporary file of the writers is named: the prefix and six random characters,
/// in the target's folder. Short, so that a target of the longest legal name still has one.
inline constexpr const char* TempFilePrefix = ".beatwright.tmp-";
/// A temporary file of ours this old was left by a writer that was killed (a live writer
/// never takes that long): the next write in its folder removes it.
constexpr std::chrono::hours StaleTempAge{24};

/// Writes a file so that the previous file survives any failure: the bytes go to a temporary
/// file in the same folder, which replaces the target only after everything was written and
/// flushed to disk. On failure the temporary file is removed and FileError is thrown. Refused
/// before anything is created: a target that exists and is not a regular file (a folder, a
/// device, a pipe), since replacing it would destroy it, and a read-only one (no write
/// permission bit, even for root), since its owner marked it so. A symbolic link is written
/// through to the file it names, also when that file does not exist yet.
class AtomicFileWriter
{
public:
    explicit AtomicFileWriter(const std::string& target);
    virtual ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(const void* data, std::size_t size);
    /// Overwrites size bytes at offset, which must lie within what was written.
    void writeAt(std::uint64_t offset, const void* data, std::size_t size);
    /// Bytes written so far.
    std::uint64_t size() const { return m_size; }
    /// Flushes, syncs and renames the temporary file over the target.
    void commit();

    const std::string& target() const { return m_target; }
    const std::string& tempPath() const { return m_tempPath; }

protected:
    /// One low-level write; returns bytes written or -1 with errno set. Tests override it to
    /// fail part-way through.
    virtual long rawWrite(const void* data, std::size_t size);

private:
    [[noreturn]] void fail(const std::string& what, int err);
    void discard();
    void startWriteBack();

    std::string m_target;
    std::string m_tempPath;
    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::uint64_t m_sentToDisk = 0; // bytes handed to the disk before the sync
    bool m_committed = false;
};

/// The file path names once every symbolic link on the last part is followed, also a link to a
/// file that does not exist yet; path itself when it is no link. Throws FileError for a loop.
std::string ResolveLinks(const std::string& path);

/// What tells whether a file changed: its identity on the disk, size and modification time.
struct FileStamp
{
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;

    bool operator==(const FileStamp&) const = default;
};
/// The stamp of the file path names now (exists is false when there is none).
FileStamp StampOf(const std::string& path);

/// Replaces the file at path with bytes, atomically (see AtomicFileWriter).
void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

/// No limit on the size of a file read with readWholeFile.
constexpr std::uint64_t NoSizeLimit = ~std::uint64_t{0};

/// Reads a whole file; throws FileError naming the file on failure. Only regular files are
/// read (a folder, a device such as /dev/zero or a pipe is refused without waiting on it), and
/// none larger than maxBytes; kind names the file in that message ("a pattern file").
std::vector<std::uint8_t> readWholeFile(const std::string& path,
                                        std::uint64_t maxBytes = NoSizeLimit,
                                        const char* kind = "this file");

} // namespace bw
