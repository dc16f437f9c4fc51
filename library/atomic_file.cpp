#include "library/atomic_file.h"

#include "library/binary_io.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

} // namespace

AtomicFileWriter::AtomicFileWriter(std::string target) : m_target(std::move(target))
{
    // Write through a symbolic link to the file it names, so the link itself survives.
    char resolved[PATH_MAX];
    if (::realpath(m_target.c_str(), resolved) != nullptr) {
        struct stat st
        {
        };
        if (::lstat(m_target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            m_target = resolved;
        }
    }
    std::string pattern = m_target + ".tmp-XXXXXX";
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

std::vector<std::uint8_t> readWholeFile(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        throw FileError(path + ": " + errorText(errno));
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk) {
            break;
        }
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        throw FileError(path + ": read error");
    }
    return bytes;
}

} // namespace bw
