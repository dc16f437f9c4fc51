#include "core/clipboard.h"

#include <algorithm>

namespace bw::core {

int CopyEvents(const TSong& song, EventGrid& clip)
{
    clip = song.Events;
    for (int p = 0; p < PatternSlots; ++p) {
        for (int t = 0; t < MaxTracks; ++t) {
            if (clip[static_cast<std::size_t>(t)][static_cast<std::size_t>(p)].Selected == 1) {
                return p;
            }
        }
    }
    return -1;
}

void ShiftClipTracksUp(EventGrid& clip)
{
    for (std::size_t t = 0; t + 1 < clip.size(); ++t) {
        clip[t] = clip[t + 1];
    }
}

void ShiftClipTracksDown(EventGrid& clip)
{
    for (std::size_t t = clip.size() - 1; t > 0; --t) {
        clip[t] = clip[t - 1];
    }
}

namespace {

constexpr std::size_t NameLength = 20;

bool Taken(const TSong& song, const std::string& stored)
{
    return std::any_of(song.Patterns.begin(), song.Patterns.end(),
                       [&stored](const auto& p) { return p->Name.str() == stored; });
}

} // namespace

std::string UniquePatternName(const TSong& song, const std::string& typed)
{
    const std::string base = typed.empty() ? std::string("-") : typed;
    for (std::size_t dots = 0; dots <= NameLength; ++dots) {
        std::string candidate = base + std::string(dots, '.');
        if (candidate.size() > NameLength) {
            candidate = base.substr(0, NameLength - std::min(dots, NameLength)) +
                        std::string(std::min(dots, NameLength), '.');
        }
        if (!Taken(song, candidate)) {
            return candidate;
        }
    }
    return base.substr(0, NameLength); // every variant taken: the plain name
}

} // namespace bw::core
