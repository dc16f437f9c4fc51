#include "library/sound_library.h"

#include <cstring>
#include <stdexcept>

namespace bw::library {

std::vector<std::uint8_t> TSoundRec::bytes() const
{
    std::vector<std::uint8_t> out(static_cast<std::size_t>(DataSize > 0 ? DataSize : 0));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto u = static_cast<std::uint16_t>((*Data)[i / 2]);
        out[i] = static_cast<std::uint8_t>((i % 2 == 0) ? u : u >> 8);
    }
    return out;
}

void SoundLibrary::CreateSoundLibrary()
{
    m_sounds.clear();
}

void SoundLibrary::DestroySoundLibrary()
{
    m_sounds.clear();
}

bool SoundLibrary::FindSound(const std::string& name, int& index) const
{
    for (std::size_t i = 0; i < m_sounds.size(); ++i) {
        if (m_sounds[i]->Name.view() == name) {
            index = static_cast<int>(i);
            return true;
        }
    }
    index = -1;
    return false;
}

int SoundLibrary::FindSound(const std::string& name) const
{
    int index = -1;
    FindSound(name, index);
    return index;
}

std::string SoundLibrary::SoundNameAt(int index) const
{
    return at(index).Name.str();
}

std::string SoundLibrary::uniqueName(const std::string& name,
                                     const std::function<bool(const std::string&)>& taken)
{
    // Try base, base(2) ... base(11); base(12) is taken without a further check.
    std::string current = name;
    for (int i = 0; i <= 10; ++i) {
        if (taken(current)) {
            current = name + "(" + std::to_string(i + 2) + ")";
        }
    }
    return current;
}

int SoundLibrary::AddSound(const std::string& name,
                           const std::string& stopTarget,
                           std::int32_t stretchDiv,
                           std::int32_t stretchMul,
                           std::int32_t flags,
                           std::int32_t dataSize,
                           const void* data)
{
    const std::string unique =
        uniqueName(name, [this](const std::string& n) { return FindSound(n) >= 0; });
    return appendSound(unique, stopTarget, stretchDiv, stretchMul, flags, dataSize, data);
}

int SoundLibrary::appendSound(const std::string& uniqueName,
                              const std::string& stopTarget,
                              std::int32_t stretchDiv,
                              std::int32_t stretchMul,
                              std::int32_t flags,
                              std::int32_t dataSize,
                              const void* data)
{
    auto rec = std::make_unique<TSoundRec>();
    rec->Name.assign(uniqueName);
    rec->StopTarget.assign(stopTarget);
    const std::size_t bytes = dataSize > 0 ? static_cast<std::size_t>(dataSize) : 0;
    auto samples = std::make_shared<SampleData>((bytes + 1) / 2, std::int16_t{0});
    const auto* src = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        (*samples)[i / 2] = static_cast<std::int16_t>(
            static_cast<std::uint16_t>(src[i] | (static_cast<unsigned>(src[i + 1]) << 8)));
    }
    if (bytes % 2 == 1) {
        (*samples)[bytes / 2] = static_cast<std::int16_t>(src[bytes - 1]);
    }
    rec->Data = std::move(samples);
    // A negative size stores an empty sound: written as it stands, it would make the library
    // file unreadable from that record on.
    rec->DataSize = static_cast<std::int32_t>(bytes);
    rec->Flags = flags;
    rec->StretchMul = stretchMul;
    rec->StretchDiv = stretchDiv;
    m_sounds.push_back(std::move(rec));
    return count() - 1;
}

int SoundLibrary::AddSharedSound(const TSoundRec& sound)
{
    auto rec = std::make_unique<TSoundRec>(sound);
    rec->Name.assign(
        uniqueName(sound.Name.str(), [this](const std::string& n) { return FindSound(n) >= 0; }));
    m_sounds.push_back(std::move(rec));
    return count() - 1;
}

void SoundLibrary::DeleteSound(int index)
{
    if (!validIndex(index)) {
        throw std::out_of_range("DeleteSound: no sound " + std::to_string(index));
    }
    m_sounds.erase(m_sounds.begin() + index);
}

} // namespace bw::library
