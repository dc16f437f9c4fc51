#pragma once

#include "library/sample_loader.h"
#include "library/sound_library.h"

#include <cstdint>
#include <string>

namespace bw::library {

/// Texts of the sample import window.
inline constexpr const char* ImportCaption = "Add new sound to libary";
inline constexpr const char* CutText = "The File is to big. I cut it !";
inline constexpr const char* NameTakenText =
    "This name is still in the libary. Please choose another one!";
inline constexpr const char* NameTakenCaption = "hmmmm...";
inline constexpr const char* SelectHintText =
    "Select start- and endpoint with the left and right mouse button.";

/// The message box text for a file that could not be loaded.
std::string LoadErrorText(const std::string& path, const std::string& reason);

/// Adds samples as a new library sound (no stop target, no stretching) under name, made unique
/// with the library's numbered suffixes. Returns its index.
int AddSamples(SoundLibrary& lib,
               const std::string& name,
               const std::int16_t* data,
               std::size_t count);

enum class MouseButton
{
    Left,
    Right,
    Other
};

/// The sample import window without its widgets: the loaded sound, the selection of start and
/// end point, the zoom, and ADD. UI thread only; the render thread reads the loaded samples
/// through the shared pointer that samples() hands out, so a new load never frees them
/// under a preview.
class SampleImport
{
public:
    /// Start and end point of the selection, sample indexes: samples [StartPoint, EndPoint)
    /// are previewed and added. Kept within 0..N by every operation that sets them.
    std::int32_t StartPoint = 50;
    std::int32_t EndPoint = 200;
    /// Horizontal scale, pixels per sample.
    double Zoom = 1.0;
    /// Bytes of sound loaded (2 per sample); kept when the window closes.
    std::int32_t DataBytes = 0;
    std::int32_t BytesPerSample = 2;
    /// Width in pixels the scroll box scrolls over; set by ZoomIn.
    std::int32_t ScrollRange = 0;

    struct LoadResult
    {
        bool ok = false;
        /// The sound was longer than 10 seconds: show CutText (error icon).
        bool cut = false;
        /// When !ok: the error message box's text; nothing else changed.
        std::string errorText;
        /// When ok: the new text of the name box, the file's name with its extension.
        std::string sampleName;
        /// When ok: the file's format in a few words.
        std::string description;
    };

    /// "Load Wave" after the file dialog's OK: reads the file (see LoadSampleFile), zooms in
    /// and selects all. A file that cannot be read changes nothing but the selection (Select
    /// All runs in every case). After a cancelled dialog, call SelectAll().
    LoadResult LoadWave(const std::string& path);
    /// The part of LoadWave after reading: takes a sound read from path, zooms in, selects all.
    LoadResult UseLoaded(LoadedSample loaded, const std::string& path);
    /// StartPoint 0, EndPoint N.
    void SelectAll();
    /// Zoom + 0.1, jumping to 1.5 above 1.2; keeps the sound within 32,000 pixels and sets
    /// ScrollRange to the sound's width.
    void ZoomIn();
    /// Zoom - 0.1, at least 0.1; ScrollRange stays.
    void ZoomOut();
    /// A press on the waveform at x (pixels from the first sample): the right button moves
    /// the end point, the left one the start point; a point pushed past the other one moves
    /// that one ten pixels beyond it.
    void MouseDown(MouseButton button, int x);
    /// The window was closed: the samples are freed; selection, zoom and DataBytes stay.
    void Close();

    bool loaded() const { return m_samples != nullptr; }
    /// The loaded samples (16-bit mono 44.1 kHz), or null. Hand it with StartPoint and
    /// EndPoint to the engine's preview.
    const SampleDataPtr& samples() const { return m_samples; }
    /// N: DataBytes / BytesPerSample.
    std::int32_t sampleCount() const { return DataBytes / BytesPerSample; }
    /// Full path of the loaded file (for the file label).
    const std::string& fileName() const { return m_fileName; }

    // Painting ------------------------------------------------------------------------------
    /// Height of the waveform and the y of silence's centre line.
    static constexpr int WaveHeight = 128;
    static constexpr int CentreLineY = 63;
    /// x of sample i at the current zoom.
    int xOfSample(std::int32_t i) const;
    /// The sample under x at the current zoom.
    std::int32_t sampleAtX(int x) const;
    /// y of a sample value: -32768..32766 onto 0..127, silence at 64 (32767 lands on 0).
    static int waveY(std::int16_t value);
    /// Samples to draw for a view scrolled to scrollPos, viewWidth pixels wide: draw from
    /// (0, waveY(sample 0)) a line through (xOfSample(i), waveY(sample i)) for i in
    /// [first, last]; nothing when last < first.
    struct Span
    {
        std::int32_t first = 0;
        std::int32_t last = -1;
    };
    Span visibleSamples(int scrollPos, int viewWidth) const;

    // ADD -----------------------------------------------------------------------------------
    struct AddResult
    {
        enum class Status
        {
            Added,
            NothingLoaded, // nothing happened
            NameTaken,     // show NameTakenText with NameTakenCaption; nothing was added
            NoName,        // the name is empty: such a sound could not be chosen for a track
            LibraryFull    // the library's file would pass MaxLibraryFileBytes; nothing added
        };
        Status status = Status::NothingLoaded;
        int index = -1;   // the new sound's index
        std::string name; // its name as stored (cut to 30 characters): append it to the chooser
        /// Not empty when saving the library failed; the sound stays added.
        std::string saveError;
        /// AddOrReuse found the very sound in the library: index is that sound, nothing added.
        bool reused = false;
    };
    /// Adds the selected samples as a new sound named name unless the name is empty, a sound
    /// of that exact name (or of its first 30 characters, the name it would be stored under)
    /// exists, or the library would grow past what its file may hold; then saves the library to
    /// savePath (atomically; no save when empty).
    AddResult Add(SoundLibrary& lib, const std::string& name, const std::string& savePath) const;
    /// ADD for a sound file dropped on a track, where nobody can be asked for another name: a
    /// sound of that name holding exactly the selection is used again (reused), another
    /// sound of that name makes the new one take the library's numbered suffix. An empty
    /// name and a full library are refused as by Add. Nothing is saved.
    AddResult AddOrReuse(SoundLibrary& lib, const std::string& name) const;

private:
    void clampSelection();

    SampleDataPtr m_samples;
    std::string m_fileName;
};

} // namespace bw::library
