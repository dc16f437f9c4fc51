#pragma once

#include <functional>
#include <stdexcept>

namespace bw {

/// Thrown by a long read or write that was told to stop; what it would have changed is left
/// as it was.
class Cancelled : public std::runtime_error
{
public:
    Cancelled() : std::runtime_error("cancelled") {}
};

/// Told how far a long read or write has come (0..1), on the thread doing it; returns false to
/// stop the work, which then throws Cancelled. May be empty.
using ProgressFn = std::function<bool(double fraction)>;

/// Reports fraction to progress (when there is one) and throws Cancelled when it says stop.
inline void ReportProgress(const ProgressFn& progress, double fraction)
{
    if (progress && !progress(fraction)) {
        throw Cancelled();
    }
}

} // namespace bw
