#pragma once

// The default drum kit: every sound is synthesised here from fixed parameters and seeds.

#include <cstdint>
#include <string>
#include <vector>

namespace bw::library {
class SoundLibrary;
}

namespace bw::tools {

struct KitSound
{
    std::string name;
    std::string stopTarget; // empty = none
    std::int32_t stretchMul = 0;
    std::int32_t stretchDiv = 0;
    std::int32_t flags = 0;
    std::vector<std::int16_t> samples; // mono, 44100 Hz
};

/// Every sound of the default kit, in library order.
std::vector<KitSound> BuildDefaultKit();

/// Appends the kit to lib in order.
void AddKitToLibrary(const std::vector<KitSound>& kit, library::SoundLibrary& lib);

} // namespace bw::tools
