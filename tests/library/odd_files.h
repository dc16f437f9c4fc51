#pragma once

// Files a reader must refuse without reading them: a pipe nobody writes to, and a file far
// larger than its limit that takes no disk space.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <thread>
#include <unistd.h>

namespace bw::testing {

/// What read(fifo) returns, given five seconds; a reader still waiting for a writer by then is
/// let go (its answer is "(still waiting)") so the test ends either way.
inline std::string ReadFromUnwrittenPipe(const std::string& fifo,
                                         const std::function<std::string(const std::string&)>& read)
{
    std::string message = "(still waiting)";
    std::atomic<bool> done{false};
    std::thread reader([&] {
        message = read(fifo);
        done = true;
    });
    for (int i = 0; i < 500 && !done; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!done) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    reader.join();
    return done ? message : std::string("(still waiting)");
}

/// A sparse file of that many bytes: the size without the disk space.
inline void MakeSparseFile(const std::string& path, std::int64_t bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) {
        throw std::runtime_error("cannot create " + path);
    }
    const int status = ::ftruncate(fd, static_cast<off_t>(bytes));
    ::close(fd);
    if (status != 0) {
        throw std::runtime_error("cannot size " + path);
    }
}

} // namespace bw::testing
