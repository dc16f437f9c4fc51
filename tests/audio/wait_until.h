#pragma once
// Waiting in tests for what another thread does, with a time-out that only a failure reaches.

#include <chrono>
#include <functional>
#include <thread>

namespace bw::test {

/// Polls done every millisecond until it is true (true) or limit has passed (false).
inline bool waitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace bw::test
