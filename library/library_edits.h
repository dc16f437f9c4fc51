#pragma once

#include "library/sound_library.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace bw::library {

/// What the library window shows for one sound. Every operation below takes the selected
/// index and does nothing (returns false, or empty details) when it names no sound.
struct SoundDetails
{
    bool valid = false;          // false: no sound selected; every text is empty
    std::string length;          // "44100 samples"
    std::string stopTarget;      // the stop target's caption and the stop-event box's text
    bool stretchEnabled = false; // the "Enabled" check box
    std::string stretchInfo;     // "enabled! strech to 1/1" or "No"
    std::string mulText;         // the multiplier box; empty while stretching is off
    std::string divText;         // the divider box; empty while stretching is off
};

SoundDetails ShowSound(const SoundLibrary& lib, int index);

/// Text typed into a stretch box as a number: an optional sign and the digits up to the first
/// other character (leading blanks skipped); empty or other text gives 0. Held within 32 bits.
std::int32_t StretchTextValue(std::string_view text);

/// Switching stretching on sets the ratio to 1/1; switching it off keeps the ratio stored.
bool SetStretchEnabled(SoundLibrary& lib, int index, bool on);
/// The multiplier as typed, with no bounds. False, with nothing changed, while stretching is
/// off (the window then empties the box).
bool SetStretchMul(SoundLibrary& lib, int index, std::string_view text);
/// The divider as typed; 0 or less becomes 1. False while stretching is off, as above.
bool SetStretchDiv(SoundLibrary& lib, int index, std::string_view text);
/// Stores the first 30 characters of name as the sound's stop target (a name that matches no
/// sound is kept as typed). Rebind the tracks afterwards.
bool SetStopTarget(SoundLibrary& lib, int index, std::string_view name);
bool ClearStopTarget(SoundLibrary& lib, int index);

/// The question before a sound is deleted (caption "hmmmm...", OK and Cancel).
std::string DeleteQuestionText(const std::string& name);

/// Merges the sounds of a library file into lib (appended in file order, duplicate names
/// numbered). All or nothing: when the file cannot be read, or the merged library would be too
/// large for its file (MaxLibraryFileBytes), no sound of it stays in lib and FileError is
/// thrown. Returns the number of sounds added.
int ImportLibrary(SoundLibrary& lib, const std::string& path);

} // namespace bw::library
