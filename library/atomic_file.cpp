#include "library/atomic_file.h"

#include "library/binary_io.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace bw {

namespace {

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string errorText(int err)
{
    return std::strerror(err);
}

/// What a file that is not a regular file is, for the message refusing it.
std::string whatItIs(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISFIFO(mode)) {
        return "a pipe";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a regular file";
}

std::string megabytes(std::uint64_t bytes)
{
    return std::to_string(bytes >> 20) + " MB";
}

/// Removes the temporary files of ours in folder that a killed writer left: regular files of
/// our name and owner, older than StaleTempAge. Whatever cannot be looked at is left alone.
void removeStaleTempFiles(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const std::size_t prefixLength = std::strlen(TempFilePrefix);
    const std::time_t now = std::time(nullptr);
    const auto maxAge = std::chrono::duration_cast<std::chrono::seconds>(StaleTempAge).count();
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, TempFilePrefix, prefixLength) != 0) {
            continue;
        }
        struct stat st
        {
        };
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && now - st.st_mtime > maxAge) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

} // namespace

std::string ResolveLinks(const std::string& path)
{
    std::string current = path;
    // As many links as the system follows itself before it reports a loop.
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st
        {
        };
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return current;
        }
        std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) {
            return current;
        }
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const auto slash = current.find_last_of('/');
            if (slash != std::string::npos) {
                target.insert(0, current, 0, slash + 1);
            }
        }
        current = target;
    }
    throw FileError(path + ": " + errorText(ELOOP));
}

FileStamp StampOf(const std::string& path)
{
    FileStamp stamp;
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0) {
        return stamp;
    }
    stamp.exists = true;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 +
                       static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return stamp;
}

AtomicFileWriter::AtomicFileWriter(const std::string& target) : m_target(ResolveLinks(target))
{
    struct stat existing
    {
    };
    if (::stat(m_target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            throw FileError(m_target + " is " + whatItIs(existing.st_mode) +
                            ", not a file that can be replaced");
        }
        if ((existing.st_mode & 0222) == 0 || ::access(m_target.c_str(), W_OK) != 0) {
            throw FileError(m_target + " is read-only: it is left as it is");
        }
    }
    const std::string folder = folderOf(m_target);
    removeStaleTempFiles(folder);
    std::string pattern = (folder == "/" ? folder : folder + "/") + TempFilePrefix + "XXXXXX";
    m_fd = ::mkstemp(pattern.data());
    if (m_fd < 0) {
        const int err = errno;
        throw FileError(m_target + ": cannot create a file in " + folderOf(m_target) + ": " +
                        errorText(err));
    }
    m_tempPath = pattern;
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat st
    {
    };
    mode_t mode = 0644;
    if (::stat(m_target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(m_fd, mode);
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (!m_committed) {
        discard();
    }
}

void AtomicFileWriter::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

void AtomicFileWriter::fail(const std::string& what, int err)
{
    discard();
    throw FileError(m_target + ": " + what + ": " + errorText(err));
}

long AtomicFileWriter::rawWrite(const void* data, std::size_t size)
{
    return static_cast<long>(::write(m_fd, data, size));
}

void AtomicFileWriter::write(const void* data, std::size_t size)
{
    if (m_fd < 0) {
        throw FileError(m_target + ": write after the file was closed");
    }
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const long n = rawWrite(p, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("write failed", errno);
        }
        if (n == 0) {
            fail("write failed", ENOSPC);
        }
        p += n;
        size -= static_cast<std::size_t>(n);
        m_size += static_cast<std::uint64_t>(n);
    }
    startWriteBack();
}

void AtomicFileWriter::startWriteBack()
{
#ifdef __linux__
    // A large file is sent to the disk while it is still being written, so that the sync at
    // the end waits for the last few megabytes only instead of all of them (sixteen stems
    // otherwise wait for 350 MB one file after the other). Only a hint: a failure shows at
    // the sync.
    constexpr std::uint64_t Chunk = std::uint64_t{4} << 20;
    if (m_size - m_sentToDisk >= Chunk) {
        ::sync_file_range(m_fd, static_cast<off_t>(m_sentToDisk),
                          static_cast<off_t>(m_size - m_sentToDisk), SYNC_FILE_RANGE_WRITE);
        m_sentToDisk = m_size;
    }
#endif
}

void AtomicFileWriter::writeAt(std::uint64_t offset, const void* data, std::size_t size)
{
    if (m_fd < 0) {
        throw FileError(m_target + ": write after the file was closed");
    }
    if (offset > m_size || size > m_size - offset) {
        throw FileError(m_target + ": write outside the data written");
    }
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fail("write failed", n < 0 ? errno : ENOSPC);
        }
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
}

void AtomicFileWriter::commit()
{
    if (m_fd < 0) {
        throw FileError(m_target + ": commit after the file was closed");
    }
    if (::fsync(m_fd) != 0) {
        fail("cannot flush to disk", errno);
    }
    if (::close(m_fd) != 0) {
        m_fd = -1;
        fail("cannot close", errno);
    }
    m_fd = -1;
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
        fail("cannot replace the file", errno);
    }
    m_committed = true;
    // Make the rename itself durable.
    const int dir = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    AtomicFileWriter writer(path);
    writer.write(bytes.data(), bytes.size());
    writer.commit();
}

std::vector<std::uint8_t>
readWholeFile(const std::string& path, std::uint64_t maxBytes, const char* kind)
{
    // Non-blocking, so opening a pipe that nobody writes to does not wait; a regular file
    // reads the same either way.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        throw FileError(path + ": " + errorText(errno));
    }
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
        throw FileError(path + ": " + errorText(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        throw FileError(path + " is " + whatItIs(st.st_mode) + ", not a file that can be read");
    }
    const auto tooLarge = [&] {
        return FileError(path + " is larger than " + megabytes(maxBytes) + ", the most " + kind +
                         " may hold");
    };
    const auto expected = static_cast<std::uint64_t>(st.st_size);
    if (expected > maxBytes) {
        throw tooLarge();
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(expected));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            // The file may have grown since fstat: read on in steps, within the limit.
            if (bytes.size() >= maxBytes) {
                std::uint8_t probe = 0;
                const ssize_t n = ::read(fd, &probe, 1);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n < 0) {
                    throw FileError(path + ": read error: " + errorText(errno));
                }
                if (n > 0) {
                    throw tooLarge();
                }
                break;
            }
            const std::uint64_t grown =
                std::min<std::uint64_t>(maxBytes, static_cast<std::uint64_t>(bytes.size()) + 65536);
            bytes.resize(static_cast<std::size_t>(grown));
        }
        const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw FileError(path + ": read error: " + errorText(errno));
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    bytes.resize(filled);
    return bytes;
}

} // namespace bw
