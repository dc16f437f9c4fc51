#pragma once

#include "library/progress.h"
#include "library/short_string.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bw::library {

/// Frames per second of every sample the program holds and every sound it plays.
constexpr int SampleRate = 44100;

/// 16-bit mono samples at SampleRate. A sound of DataSize bytes holds (DataSize + 1) / 2
/// samples; an odd last byte sits in the low byte of the last sample.
using SampleData = std::vector<std::int16_t>;
using SampleDataPtr = std::shared_ptr<const SampleData>;

constexpr std::int32_t StretchEnabled = 1; // bit 0 of TSoundRec::Flags

/// The largest library file that is read (1 GiB): far above any real kit, and a bound on the
/// memory a damaged or hostile file can ask for.
constexpr std::uint64_t MaxLibraryFileBytes = std::uint64_t{1} << 30;

/// The bytes a sound of dataBytes sample bytes takes in a library file (its marker, its record
/// and its samples).
std::uint64_t SoundFileBytes(std::uint64_t dataBytes);
/// Why a library of bytes bytes is not written to path, whose limit is maxBytes.
std::string
LibraryTooLargeText(const std::string& path, std::uint64_t bytes, std::uint64_t maxBytes);

/// One sound of the library. The samples are shared, so a voice that still plays them keeps
/// them alive after the sound is deleted.
struct TSoundRec
{
    ShortString<30> Name;
    ShortString<30> StopTarget;
    SampleDataPtr Data;          // never null; empty for a sound of 0 bytes
    std::int32_t DataSize = 0;   // bytes of sample data
    std::int32_t Flags = 0;      // bit 0 = StretchEnabled
    std::int32_t StretchMul = 0; // beats numerator
    std::int32_t StretchDiv = 0; // beats denominator

    bool stretchEnabled() const { return (Flags & StretchEnabled) != 0; }
    /// The sample bytes as stored in a file (little-endian), DataSize of them.
    std::vector<std::uint8_t> bytes() const;
};

/// The program-wide ordered list of sounds; a sound's position is its sound index.
/// Used on the UI thread; the render thread reads it under the song lock.
class SoundLibrary
{
public:
    /// Makes the library empty.
    void CreateSoundLibrary();
    /// Appends every sound of the file through AddSound. Throws FileError; the sounds read
    /// before a failure stay. Refuses what is not a regular file and files above maxBytes.
    void LoadSoundLibrary(const std::string& path, std::uint64_t maxBytes = MaxLibraryFileBytes);
    /// Replaces the file with every sound in library order, written as it goes (no image of
    /// the whole file is made in memory). A library whose file would be larger than maxBytes
    /// is refused before anything is written, as the reader would refuse the file. Throws
    /// FileError (Cancelled when progress says stop) and leaves the previous file untouched on
    /// failure.
    void SaveSoundLibrary(const std::string& path,
                          const ProgressFn& progress = {},
                          std::uint64_t maxBytes = MaxLibraryFileBytes) const;
    /// Bytes of the library's file: per sound the marker, the record and the sample bytes.
    std::uint64_t fileBytes() const;
    /// A copy that shares every sound's samples, so it costs little: what a save writes on
    /// another thread while this library goes on being edited.
    SoundLibrary snapshot() const;
    /// Adds a sound with a private copy of dataSize bytes at data; returns its index.
    int AddSound(const std::string& name,
                 const std::string& stopTarget,
                 std::int32_t stretchDiv,
                 std::int32_t stretchMul,
                 std::int32_t flags,
                 std::int32_t dataSize,
                 const void* data);
    /// Adds a copy of sound that shares its samples, its name made unique as AddSound makes
    /// it; returns its index.
    int AddSharedSound(const TSoundRec& sound);
    void DeleteSound(int index);
    /// First sound named exactly name, or -1.
    bool FindSound(const std::string& name, int& index) const;
    int FindSound(const std::string& name) const;
    std::string SoundNameAt(int index) const;
    void DestroySoundLibrary();

    int count() const { return static_cast<int>(m_sounds.size()); }
    bool validIndex(int index) const { return index >= 0 && index < count(); }
    TSoundRec& at(int index) { return *m_sounds.at(static_cast<std::size_t>(index)); }
    const TSoundRec& at(int index) const { return *m_sounds.at(static_cast<std::size_t>(index)); }

    /// Whether the library lacks sounds its file holds (the file failed to load, in part or
    /// whole): a track naming a sound it does not have then keeps the name, silent, instead
    /// of losing it, so a song saved meanwhile still names it.
    bool incomplete() const { return m_incomplete; }
    void setIncomplete(bool on) { m_incomplete = on; }

    /// The file image of the whole library.
    std::vector<std::uint8_t> serialize() const;
    /// Appends the sounds of a file image; throws ShortRead/FileError at a bad record.
    void parse(const std::vector<std::uint8_t>& bytes, const std::string& pathForMessages);

private:
    /// The name AddSound stores for name: base, base(2) .. base(12), the first that exists
    /// says taken is false for, base(12) without a check. Full names are checked; the stored
    /// name is cut to 30 characters afterwards.
    static std::string uniqueName(const std::string& name,
                                  const std::function<bool(const std::string&)>& taken);
    int appendSound(const std::string& uniqueName,
                    const std::string& stopTarget,
                    std::int32_t stretchDiv,
                    std::int32_t stretchMul,
                    std::int32_t flags,
                    std::int32_t dataSize,
                    const void* data);

    std::vector<std::unique_ptr<TSoundRec>> m_sounds;
    bool m_incomplete = false;
};

} // namespace bw::library
