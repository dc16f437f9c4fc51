#pragma once

#include <chrono>
#include <string>

namespace bw {

/// How long a writer waits for another one to finish with the same file by default.
constexpr std::chrono::seconds DefaultLockWait{20};

/// Serialises the programs that change one file (a sound library: the program and any number
/// of `beatwright-cli add-sound`s): an advisory lock on a companion file beside it, "NAME.lock"
/// (a short name of its own when that would be too long), taken before the file is read and
/// held until it was replaced. The companion file goes when the lock is released. Waits up to
/// `wait` for another holder; then throws FileError saying who holds it.
class FileLock
{
public:
    explicit FileLock(const std::string& target, std::chrono::milliseconds wait = DefaultLockWait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    /// The companion file locked for target (after its symbolic links were followed).
    static std::string lockPathFor(const std::string& target);
    const std::string& lockPath() const { return m_lockPath; }

private:
    std::string m_lockPath;
    int m_fd = -1;
};

} // namespace bw
