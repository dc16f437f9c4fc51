#include "audio/live_voices.h"

#include <algorithm>
#include <utility>

namespace bw::audio {

bool LiveVoices::start(library::SampleDataPtr data,
                       std::int32_t startSample,
                       std::int32_t endSample,
                       const MixGain& gain,
                       int chokeGroup)
{
    collect();
    if (!data || startSample < 0 || endSample <= startSample ||
        static_cast<std::size_t>(endSample) > data->size()) {
        return false;
    }
    std::size_t slot = 0;
    while (slot < Slots && m_kept[slot]) {
        ++slot;
    }
    if (slot == Slots) {
        return false; // the device has not finished with the sounds started so far
    }
    Command c;
    c.kind = Command::Start;
    c.slot = static_cast<std::uint8_t>(slot);
    c.choke = static_cast<std::int16_t>(std::clamp(chokeGroup, 0, 32767));
    c.samples = data->data() + startSample;
    c.count = endSample - startSample;
    c.gain = gain;
    // The samples are kept before the callback can see the command.
    m_kept[slot] = std::move(data);
    if (!m_commands.push(c)) {
        m_kept[slot].reset();
        return false;
    }
    ++m_pending;
    return true;
}

bool LiveVoices::stop(int chokeGroup)
{
    Command c;
    c.kind = Command::Stop;
    c.choke = static_cast<std::int16_t>(std::clamp(chokeGroup, 0, 32767));
    return m_commands.push(c);
}

void LiveVoices::collect()
{
    std::uint8_t slot = 0;
    while (m_done.pop(slot)) {
        if (slot < Slots && m_kept[slot]) {
            m_kept[slot].reset();
            --m_pending;
        }
    }
}

int LiveVoices::pending() const
{
    return m_pending;
}

void LiveVoices::finish(Voice& v) noexcept
{
    v.active = false;
    v.samples = nullptr;
    // Cannot fail: a slot is pending at most once and the ring holds every slot.
    m_done.push(v.slot);
}

void LiveVoices::apply(const Command& c) noexcept
{
    if (c.kind == Command::Stop) {
        for (Voice& v : m_voices) {
            if (v.active && (c.choke == 0 || v.choke == c.choke)) {
                finish(v);
            }
        }
        return;
    }
    if (c.choke > 0) {
        for (Voice& v : m_voices) {
            if (v.active && v.choke == c.choke) {
                finish(v);
            }
        }
    }
    Voice* target = nullptr;
    for (Voice& v : m_voices) {
        if (!v.active) {
            target = &v;
            break;
        }
    }
    if (target == nullptr) {
        // Every voice sounds: the one that has played longest makes room.
        target = &*std::max_element(
            m_voices.begin(), m_voices.end(),
            [](const Voice& a, const Voice& b) { return a.position < b.position; });
        finish(*target);
    }
    target->samples = c.samples;
    target->count = c.count;
    target->position = 0;
    target->gain = c.gain;
    target->choke = c.choke;
    target->slot = c.slot;
    target->active = true;
}

void LiveVoices::mixInto(std::int16_t* frames, std::int32_t count) noexcept
{
    Command c;
    while (m_commands.pop(c)) {
        apply(c);
    }
    int sounding = 0;
    for (Voice& v : m_voices) {
        if (!v.active) {
            continue;
        }
        const std::int32_t n = std::min(count, v.count - v.position);
        MixRun(frames, v.samples + v.position, n, v.gain);
        v.position += n;
        if (v.position >= v.count) {
            finish(v);
        } else {
            ++sounding;
        }
    }
    m_sounding.store(sounding, std::memory_order_relaxed);
}

void LiveVoices::deviceClosed() noexcept
{
    Command c;
    while (m_commands.pop(c)) {
        if (c.kind == Command::Start) {
            m_done.push(c.slot);
        }
    }
    for (Voice& v : m_voices) {
        if (v.active) {
            finish(v);
        }
    }
    m_sounding.store(0, std::memory_order_relaxed);
}

} // namespace bw::audio
