#include "library/sample_import.h"

#include "library/binary_io.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace bw::library {

namespace {

constexpr int MaxScrollWidth = 32000;

/// Nearest integer, halves to the even neighbour, held within 32 bits.
std::int32_t nearest(double v)
{
    const double r = std::nearbyint(v);
    if (!(r > std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (r > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(r);
}

std::string fileNamePart(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string LoadErrorText(const std::string& path, const std::string& reason)
{
    return "There`s a problem : unable to open file " + path + "\n\r" + "Error was " + reason;
}

int AddSamples(SoundLibrary& lib,
               const std::string& name,
               const std::int16_t* data,
               std::size_t count)
{
    count = std::min<std::size_t>(count, std::numeric_limits<std::int32_t>::max() / 2);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(count * 2);
    ByteWriter w(bytes);
    for (std::size_t i = 0; i < count; ++i) {
        const auto u = static_cast<std::uint16_t>(data[i]);
        w.u8(static_cast<std::uint8_t>(u));
        w.u8(static_cast<std::uint8_t>(u >> 8));
    }
    return lib.AddSound(name, "", 0, 0, 0, static_cast<std::int32_t>(bytes.size()), bytes.data());
}

SampleImport::LoadResult SampleImport::LoadWave(const std::string& path)
{
    LoadedSample loaded;
    try {
        loaded = LoadSampleFile(path);
    } catch (const SampleLoadError& e) {
        SelectAll();
        LoadResult result;
        result.errorText = LoadErrorText(path, e.reason());
        return result;
    }
    return UseLoaded(std::move(loaded), path);
}

SampleImport::LoadResult SampleImport::UseLoaded(LoadedSample loaded, const std::string& path)
{
    LoadResult result;
    m_samples = std::move(loaded.samples);
    m_fileName = path;
    DataBytes = loaded.dataBytes;
    BytesPerSample = 2;
    result.ok = true;
    result.cut = loaded.cut;
    result.sampleName = fileNamePart(path);
    result.description = std::move(loaded.description);
    ZoomIn();
    SelectAll();
    return result;
}

void SampleImport::SelectAll()
{
    StartPoint = 0;
    EndPoint = DataBytes / 2;
}

void SampleImport::ZoomIn()
{
    Zoom += 0.1;
    if (Zoom > 1.2) {
        Zoom = 1.5;
    }
    const std::int32_t n = sampleCount();
    const std::int32_t width = nearest(Zoom * n);
    if (width <= MaxScrollWidth) {
        ScrollRange = width;
    } else {
        ScrollRange = MaxScrollWidth;
        Zoom = static_cast<double>(MaxScrollWidth) / n;
    }
}

void SampleImport::ZoomOut()
{
    Zoom -= 0.1;
    if (Zoom < 0.1) {
        Zoom = 0.1;
    }
}

void SampleImport::MouseDown(MouseButton button, int x)
{
    const std::int32_t tenPixels = nearest(10.0 / Zoom);
    const std::int32_t b = sampleAtX(x);
    if (button == MouseButton::Right) {
        if (b > StartPoint) {
            EndPoint = b;
        } else if (b < StartPoint) {
            EndPoint = b;
            StartPoint = EndPoint - tenPixels;
        }
    } else if (button == MouseButton::Left) {
        if (b < EndPoint) {
            StartPoint = b;
        } else if (b > EndPoint) {
            StartPoint = b;
            EndPoint = StartPoint + tenPixels;
        }
    }
    clampSelection();
}

void SampleImport::clampSelection()
{
    const std::int32_t n = sampleCount();
    StartPoint = std::clamp(StartPoint, 0, n);
    EndPoint = std::clamp(EndPoint, 0, n);
}

void SampleImport::Close()
{
    m_samples.reset();
}

int SampleImport::xOfSample(std::int32_t i) const
{
    return nearest(Zoom * i);
}

std::int32_t SampleImport::sampleAtX(int x) const
{
    return nearest(x / Zoom);
}

int SampleImport::waveY(std::int16_t value)
{
    return static_cast<std::uint16_t>(value - 0x7FFF) >> 9;
}

SampleImport::Span SampleImport::visibleSamples(int scrollPos, int viewWidth) const
{
    Span span;
    if (!loaded()) {
        return span;
    }
    const auto n = static_cast<std::int32_t>(
        std::min<std::size_t>(m_samples->size(), static_cast<std::size_t>(sampleCount())));
    span.first = std::max(0, nearest(scrollPos / Zoom));
    const std::int32_t visible = nearest(viewWidth / Zoom);
    span.last = n - 1;
    if (span.first <= span.last - visible) {
        span.last = span.first + visible;
    }
    return span;
}

SampleImport::AddResult
SampleImport::Add(SoundLibrary& lib, const std::string& name, const std::string& savePath) const
{
    AddResult result;
    if (!loaded()) {
        return result;
    }
    if (name.empty()) {
        result.status = AddResult::Status::NoName;
        return result;
    }
    // The name as it would be stored counts too: a long name cut to 30 characters must not
    // become a second sound of an existing name.
    if (lib.FindSound(name) >= 0 || lib.FindSound(ShortString<30>(name).str()) >= 0) {
        result.status = AddResult::Status::NameTaken;
        return result;
    }
    const auto size = static_cast<std::int32_t>(m_samples->size());
    const std::int32_t start = std::clamp(StartPoint, 0, size);
    const std::int32_t end = std::clamp(EndPoint, start, size);
    // A library its file cannot hold could never be saved (nor read back).
    if (lib.fileBytes() + 3 + 84 + 2 * static_cast<std::uint64_t>(end - start) >
        MaxLibraryFileBytes) {
        result.status = AddResult::Status::LibraryFull;
        return result;
    }
    result.index =
        AddSamples(lib, name, m_samples->data() + start, static_cast<std::size_t>(end - start));
    result.name = lib.SoundNameAt(result.index);
    result.status = AddResult::Status::Added;
    if (!savePath.empty()) {
        try {
            lib.SaveSoundLibrary(savePath);
        } catch (const FileError& e) {
            result.saveError = e.what();
        }
    }
    return result;
}

SampleImport::AddResult SampleImport::AddOrReuse(SoundLibrary& lib, const std::string& name) const
{
    AddResult result;
    if (!loaded()) {
        return result;
    }
    if (name.empty()) {
        result.status = AddResult::Status::NoName;
        return result;
    }
    const auto size = static_cast<std::int32_t>(m_samples->size());
    const std::int32_t start = std::clamp(StartPoint, 0, size);
    const std::int32_t end = std::clamp(EndPoint, start, size);
    const int same = lib.FindSound(ShortString<30>(name).str());
    if (same >= 0) {
        const TSoundRec& sound = lib.at(same);
        const std::int64_t count = end - start;
        if (sound.DataSize == count * 2 && sound.Data &&
            std::equal(m_samples->begin() + start, m_samples->begin() + end, sound.Data->begin())) {
            result.status = AddResult::Status::Added;
            result.index = same;
            result.name = lib.SoundNameAt(same);
            result.reused = true;
            return result;
        }
    }
    if (lib.fileBytes() + 3 + 84 + 2 * static_cast<std::uint64_t>(end - start) >
        MaxLibraryFileBytes) {
        result.status = AddResult::Status::LibraryFull;
        return result;
    }
    result.index =
        AddSamples(lib, name, m_samples->data() + start, static_cast<std::size_t>(end - start));
    result.name = lib.SoundNameAt(result.index);
    result.status = AddResult::Status::Added;
    return result;
}

} // namespace bw::library
