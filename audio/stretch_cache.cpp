#include "audio/stretch_cache.h"

namespace bw::audio {

namespace {
bool sameSource(const std::weak_ptr<const library::SampleData>& a, const library::SampleDataPtr& b)
{
    return !a.owner_before(b) && !b.owner_before(a) && !a.expired();
}
} // namespace

StretchCache::Acquired StretchCache::AcquireCopy(std::uint8_t key,
                                                 const library::SampleDataPtr& source,
                                                 std::int32_t size,
                                                 std::int32_t sourceLastIndex,
                                                 std::int32_t targetLength)
{
    Acquired result;
    for (auto& e : m_entries) {
        if (e.key == key && sameSource(e.source, source) && e.sourceLastIndex == sourceLastIndex &&
            e.targetLength == targetLength && e.size == size) {
            result.copy = e.copy;
            result.found = true;
            e.inUse = 1;
            ++e.useCount;
        }
    }
    if (result.found) {
        return result;
    }
    if (size < 0 || !makeRoom(size)) {
        return result;
    }
    StretchCacheEntry e;
    e.key = key;
    e.copy =
        std::make_shared<library::SampleData>(static_cast<std::size_t>(size > 0 ? size : 0) / 2);
    e.source = source;
    e.size = size;
    e.inUse = 1;
    e.useCount = 1;
    e.idleBlocks = 0;
    e.sourceLastIndex = sourceLastIndex;
    e.targetLength = targetLength;
    m_totalSize += size;
    m_entries.push_back(e);
    result.copy = e.copy;
    result.found = false;
    return result;
}

void StretchCache::AgeEntries()
{
    for (auto& e : m_entries) {
        if (e.inUse == 1) {
            e.idleBlocks = 0;
        } else {
            ++e.idleBlocks;
        }
    }
}

bool StretchCache::makeRoom(std::int64_t size)
{
    if (size > m_budget) {
        return false;
    }
    for (std::size_t i = 0; i < m_entries.size() && m_totalSize + size > m_budget;) {
        if (m_entries[i].inUse == 0) {
            m_totalSize -= m_entries[i].size;
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    return m_totalSize + size <= m_budget;
}

bool StretchCache::ContainsCopy(const library::SampleData* copy) const
{
    for (const auto& e : m_entries) {
        if (e.copy.get() == copy) {
            return true;
        }
    }
    return false;
}

void StretchCache::ReleaseCopy(const library::SampleData* copy)
{
    for (auto& e : m_entries) {
        if (e.copy.get() == copy) {
            e.inUse = 0;
        }
    }
}

void StretchCache::TrimCache()
{
    if (m_totalSize <= TrimThreshold) {
        return;
    }
    // The index advances after a removal too, so the entry that moves into the freed place
    // waits for the next trim.
    const std::size_t steps = m_entries.size();
    for (std::size_t i = 0; i < steps; ++i) {
        if (i < m_entries.size() && m_entries[i].inUse == 0 &&
            m_entries[i].idleBlocks > MaxIdleBlocks) {
            m_totalSize -= m_entries[i].size;
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void StretchCache::ReleaseAllCopies()
{
    for (auto& e : m_entries) {
        e.inUse = 0;
    }
}

void StretchCache::FreeCache()
{
    m_entries.clear();
    m_totalSize = 0;
}

} // namespace bw::audio
