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
class StretchCache
{
public:
    static constexpr std::int32_t TrimThreshold = 2000000; // bytes
    static constexpr std::int32_t MaxIdleBlocks = 10;

    struct Acquired
    {
        CopyPtr copy;
        bool found = false;
    };
    /// The copy matching all five values (marked in use), or a new empty one of size bytes.
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

    std::int32_t totalSize() const { return m_totalSize; }
    const std::vector<StretchCacheEntry>& entries() const { return m_entries; }

private:
    std::int32_t m_totalSize = 0;
    std::vector<StretchCacheEntry> m_entries;
};

} // namespace bw::audio
