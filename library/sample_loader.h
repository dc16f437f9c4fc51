#pragma once

#include "library/binary_io.h"
#include "library/progress.h"
#include "library/sound_library.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bw::library {

/// At most this many bytes of sound are imported: 10 seconds at SampleRate.
constexpr std::int32_t ImportMaxBytes = 882000;
constexpr std::int32_t ImportMaxSamples = ImportMaxBytes / 2;

/// What the user is told about the formats the import reads (file dialog and hints).
inline constexpr const char* ImportFormatsText =
    "WAV (PCM or float, any rate, mono or stereo), AIFF or FLAC; converted to 16-bit mono "
    "44.1 kHz, at most 10 s";

/// A sound file that cannot be imported. what() is the file's name, ": " and the reason;
/// reason() alone is what a message box under the file's name shows.
class SampleLoadError : public FileError
{
public:
    SampleLoadError(const std::string& name, const std::string& reason)
        : FileError(name + ": " + reason), m_reason(reason)
    {}
    const std::string& reason() const { return m_reason; }

private:
    std::string m_reason;
};

/// A sound file read for import.
struct LoadedSample
{
    /// 16-bit mono samples at 44100 Hz, at most ImportMaxSamples; never null.
    SampleDataPtr samples;
    /// Bytes of sound taken: 2 per sample, or for a 16-bit mono 44.1 kHz WAV the bytes of its
    /// data chunk up to ImportMaxBytes (an odd last byte is not a sample).
    std::int32_t dataBytes = 0;
    /// The sound was longer than 10 seconds; only its first 10 seconds were kept.
    bool cut = false;
    /// The file's format in a few words, e.g. "WAV, 2 channels, 48000 Hz, 24-bit".
    std::string description;
};

/// Reads a sound file for import: a 16-bit mono 44.1 kHz WAV gives exactly the samples of
/// its data chunk (whatever chunks come before it); any other PCM or float WAV, an AIFF or a
/// FLAC file at 1 kHz to 768 kHz is mixed down to mono, converted to 16 bits and resampled to
/// 44.1 kHz (band-limited sinc, which takes seconds for a high rate: progress hears how far it
/// is and may stop it, which throws Cancelled). Only the first 10 seconds are kept. Throws
/// SampleLoadError when the file cannot be opened or read (a pipe or a device is refused
/// without waiting on it), is of another kind or damaged, or holds no sound.
LoadedSample LoadSampleFile(const std::string& path, const ProgressFn& progress = {});
/// The same on bytes in memory; name stands for the file in messages.
LoadedSample LoadSampleBytes(std::vector<std::uint8_t> bytes, const std::string& name);

} // namespace bw::library
