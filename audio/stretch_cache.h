#pragma once

#include "library/sound_library.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace bw::audio {

/// A resampled copy of a sound; voices share it with the cache.
using CopyPtr = std::shared_ptr<library::SampleData>;

struct StretchCacheEntry
{
    std::uint8_t key = 0;
    CopyPtr copy;
    std::weak_ptr<const library::SampleData> source; // the sound's own samples, not owned
    std::int32_t size = 0;                           // bytes allocated for the copy
    std::uint8_t inUse = 0;
    std::int32_t useCount = 0;
    std::int32_t idleBlocks = 0;
    std::int32_t sourceLastIndex = 0;
    std::int32_t targetLength = 0;
};

/// The program-wide cache of resampled copies, so a pitched or stretched sound is computed
/// once per (sound, length). Used by one render thread at a time; created and freed by the UI.
/// All copies together stay within a memory budget (DefaultBudget, 128 MiB, which holds 24
/// minutes of resampled sound): far above what real songs stretch and pitch, and a bound on
/// what a hostile song or library can ask for. It also bounds the resampling one block can
/// start, which runs under the song lock: filling 128 MiB of copies takes under a second.
class StretchCache
{
public:
    static constexpr std::int32_t TrimThreshold = 2000000; // bytes
    static constexpr std::int32_t MaxIdleBlocks = 10;
    static constexpr std::int64_t DefaultBudget = std::int64_t{128} << 20; // bytes

    struct Acquired
    {
        CopyPtr copy; // null when the copy does not fit in the budget
        bool found = false;
    };
    /// The copy matching all five values (marked in use), or a new empty one of size bytes.
    /// A new copy that would take the cache past its budget first frees the copies no voice
    /// plays; if it still does not fit, nothing is allocated and copy is null.
    Acquired AcquireCopy(std::uint8_t key,
                         const library::SampleDataPtr& source,
                         std::int32_t size,
                         std::int32_t sourceLastIndex,
                         std::int32_t targetLength);
    void AgeEntries();
    bool ContainsCopy(const library::SampleData* copy) const;
    void ReleaseCopy(const library::SampleData* copy);
    void TrimCache();
    void ReleaseAllCopies();
    void FreeCache();

    std::int64_t totalSize() const { return m_totalSize; }
    const std::vector<StretchCacheEntry>& entries() const { return m_entries; }
    /// Bytes all copies may take together.
    std::int64_t budget() const { return m_budget; }
    void setBudget(std::int64_t bytes) { m_budget = bytes; }

private:
    /// Frees copies that no voice plays, oldest first, until size more bytes fit the budget.
    bool makeRoom(std::int64_t size);

    std::int64_t m_totalSize = 0;
    std::int64_t m_budget = DefaultBudget;
    std::vector<StretchCacheEntry> m_entries;
};

} // namespace bw::audio
