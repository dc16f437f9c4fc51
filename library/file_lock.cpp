#include "library/file_lock.h"

#include "library/atomic_file.h"
#include "library/binary_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace bw {

namespace {

constexpr std::size_t MaxNameLength = 255;

/// FNV-1a of the name, for a lock name that fits where "NAME.lock" would not.
std::string hashText(const std::string& name)
{
    std::uint64_t h = 14695981039346656037ULL;
    for (const char c : name) {
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

} // namespace

std::string FileLock::lockPathFor(const std::string& target)
{
    const std::string file = ResolveLinks(target);
    const auto slash = file.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : file.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    if (name.size() + 5 <= MaxNameLength) {
        return folder + name + ".lock";
    }
    return folder + ".beatwright-" + hashText(name) + ".lock";
}

FileLock::FileLock(const std::string& target, std::chrono::milliseconds wait)
    : m_lockPath(lockPathFor(target))
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const int fd = ::open(m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            const int err = errno;
            throw FileError(target + ": cannot make the lock file " + m_lockPath + ": " +
                            std::strerror(err));
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before us removes the file as it lets go: a lock on a file that is no
            // longer the one of that name locks nothing, so try again on the new one.
            struct stat held
            {
            };
            struct stat named
            {
            };
            if (::fstat(fd, &held) == 0 && ::stat(m_lockPath.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                m_fd = fd;
                return;
            }
            ::close(fd);
            continue;
        }
        const int err = errno;
        ::close(fd);
        if (err != EWOULDBLOCK && err != EINTR) {
            throw FileError(target + ": cannot lock " + m_lockPath + ": " + std::strerror(err));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait).count();
            throw FileError(target + " is being changed by another program (it holds " +
                            m_lockPath + "); waited " + std::to_string(seconds) +
                            " s. Try again once it has finished.");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

FileLock::~FileLock()
{
    // Removed while still held, so that nobody locks a file that is about to go.
    ::unlink(m_lockPath.c_str());
    ::close(m_fd);
}

} // namespace bw
