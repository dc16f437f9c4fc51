#include "library/library_edits.h"

#include "library/binary_io.h"

#include <limits>

namespace bw::library {

namespace {

TSoundRec* soundAt(SoundLibrary& lib, int index)
{
    return lib.validIndex(index) ? &lib.at(index) : nullptr;
}

} // namespace

SoundDetails ShowSound(const SoundLibrary& lib, int index)
{
    SoundDetails d;
    if (!lib.validIndex(index)) {
        return d;
    }
    const TSoundRec& s = lib.at(index);
    d.valid = true;
    d.stopTarget = s.StopTarget.str();
    d.length = std::to_string(s.DataSize / 2) + " samples";
    d.stretchEnabled = s.stretchEnabled();
    if (d.stretchEnabled) {
        d.stretchInfo = "enabled! strech to " + std::to_string(s.StretchMul) + "/" +
                        std::to_string(s.StretchDiv);
        d.mulText = std::to_string(s.StretchMul);
        d.divText = std::to_string(s.StretchDiv);
    } else {
        d.stretchInfo = "No";
    }
    return d;
}

std::int32_t StretchTextValue(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            value = std::numeric_limits<std::int32_t>::max() + std::int64_t{1};
            break;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<std::int32_t>::max()) {
        value = std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

bool SetStretchEnabled(SoundLibrary& lib, int index, bool on)
{
    TSoundRec* s = soundAt(lib, index);
    if (s == nullptr) {
        return false;
    }
    if (on) {
        s->StretchMul = 1;
        s->StretchDiv = 1;
        s->Flags |= StretchEnabled;
    } else {
        s->Flags &= ~StretchEnabled;
    }
    return true;
}

bool SetStretchMul(SoundLibrary& lib, int index, std::string_view text)
{
    TSoundRec* s = soundAt(lib, index);
    if (s == nullptr || !s->stretchEnabled()) {
        return false;
    }
    s->StretchMul = StretchTextValue(text);
    return true;
}

bool SetStretchDiv(SoundLibrary& lib, int index, std::string_view text)
{
    TSoundRec* s = soundAt(lib, index);
    if (s == nullptr || !s->stretchEnabled()) {
        return false;
    }
    const std::int32_t value = StretchTextValue(text);
    s->StretchDiv = value <= 0 ? 1 : value;
    return true;
}

bool SetStopTarget(SoundLibrary& lib, int index, std::string_view name)
{
    TSoundRec* s = soundAt(lib, index);
    if (s == nullptr) {
        return false;
    }
    s->StopTarget.assign(name);
    return true;
}

bool ClearStopTarget(SoundLibrary& lib, int index)
{
    TSoundRec* s = soundAt(lib, index);
    if (s == nullptr) {
        return false;
    }
    s->StopTarget.clear();
    return true;
}

std::string DeleteQuestionText(const std::string& name)
{
    return "Are you sure to delete \"" + name + "\" ?";
}

int ImportLibrary(SoundLibrary& lib, const std::string& path)
{
    const int before = lib.count();
    try {
        lib.LoadSoundLibrary(path);
        // Merged, the library must still make a file the program can read back.
        if (lib.fileBytes() > MaxLibraryFileBytes) {
            throw FileError(path + ": merged in, the sound library would take " +
                            std::to_string(lib.fileBytes()) + " bytes, more than the " +
                            std::to_string(MaxLibraryFileBytes >> 20) +
                            " MB a sound library file may hold; nothing was imported");
        }
    } catch (...) {
        // A half-merged library would leave the window's name lists out of step with it.
        while (lib.count() > before) {
            lib.DeleteSound(lib.count() - 1);
        }
        throw;
    }
    return lib.count() - before;
}

} // namespace bw::library
