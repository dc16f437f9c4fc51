// Reading sound files for import: the data chunk of a WAV that is already in the library's
// format, anything else through libsndfile and libsamplerate.
#include "library/sample_loader.h"

#include "library/binary_io.h"
#include "library/riff_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <samplerate.h>
#include <sndfile.h>

namespace bw::library {

namespace {

/// What the chunks of a RIFF/WAVE file say, read with the chunk walker.
/// Chunks walked at most before the format and the sound are found.
constexpr int MaxChunksWalked = 10000;

/// The sample rates that are imported; anything else is no sound file (converting 11 MHz down
/// to 44.1 kHz would take minutes).
constexpr int MinImportRate = 1000;
constexpr int MaxImportRate = 768000;

struct WaveChunks
{
    bool isRiffWave = false;
    bool haveFmt = false;
    bool haveData = false;
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
    std::int64_t fmtOffset = 0;
    std::int64_t fmtSize = 0;
    std::int64_t dataOffset = 0;
    std::int64_t dataSize = 0;
    std::string problem;  // why the chunks cannot be read, when they cannot
    bool damaged = false; // the walk met bytes that are no chunk: nothing else reads the file

    bool native() const
    {
        return haveFmt && haveData && tag == 1 && channels == 1 &&
               rate == static_cast<std::uint32_t>(SampleRate) && bits == 16 && blockAlign == 2;
    }
};

/// A chunk id is four printable characters; anything else is no chunk but damage (or the
/// zeros of a file far shorter than its header says).
bool validChunkId(std::uint32_t id)
{
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<std::uint8_t>(id >> (8 * i));
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

WaveChunks readChunks(const std::shared_ptr<ByteSource>& source)
{
    WaveChunks w;
    RiffReader reader(source);
    RiffChunk riff;
    if (!reader.descend(riff) || riff.id != fourCC("RIFF") || riff.formType != fourCC("WAVE")) {
        return w;
    }
    w.isRiffWave = true;
    RiffChunk chunk;
    int walked = 0;
    while (!(w.haveFmt && w.haveData) && reader.descend(chunk, &riff)) {
        // The walk ends at the first byte that is no chunk, and after a number of chunks no
        // real file comes near: a header that declares gigabytes of zeros would otherwise be
        // walked eight bytes at a time.
        if (!validChunkId(chunk.id) || ++walked > MaxChunksWalked) {
            w.damaged = true;
            w.problem = !validChunkId(chunk.id)
                            ? "the file is damaged at byte " +
                                  std::to_string(chunk.dataOffset - 8) + " (no chunk starts there)"
                            : "the file holds more than " + std::to_string(MaxChunksWalked) +
                                  " chunks before its sound";
            return w;
        }
        if (chunk.id == fourCC("fmt ") && !w.haveFmt) {
            std::uint8_t fmt[16] = {};
            if (chunk.size < sizeof fmt || reader.read(fmt, sizeof fmt) != sizeof fmt) {
                w.problem = "the \"fmt \" chunk is too short";
                return w;
            }
            ByteReader r(fmt, sizeof fmt);
            const auto u16 = [&r] {
                const std::uint8_t lo = r.u8();
                return static_cast<std::uint16_t>(lo | (r.u8() << 8));
            };
            w.tag = u16();
            w.channels = u16();
            w.rate = static_cast<std::uint32_t>(r.i32());
            r.skip(4); // average bytes per second
            w.blockAlign = u16();
            w.bits = u16();
            w.fmtOffset = chunk.dataOffset;
            w.fmtSize = chunk.size;
            w.haveFmt = true;
        } else if (chunk.id == fourCC("data") && !w.haveData) {
            w.dataOffset = chunk.dataOffset;
            w.dataSize = chunk.size;
            w.haveData = true;
        }
        reader.ascend(chunk);
    }
    if (!w.haveFmt) {
        w.problem = "the file has no \"fmt \" chunk";
    } else if (!w.haveData) {
        w.problem = "the file has no \"data\" chunk";
    } else if (w.tag != 1 && w.tag != 3 && w.tag != 0xFFFE) {
        char text[80];
        std::snprintf(text, sizeof text,
                      "the sound is stored in format 0x%04X, not as PCM or float",
                      static_cast<unsigned>(w.tag));
        w.problem = text;
    } else {
        w.problem = "the \"fmt \" chunk is not valid";
    }
    return w;
}

[[noreturn]] void refuse(const std::string& name, const std::string& reason)
{
    throw SampleLoadError(name, reason);
}

/// A FileError of the file source ("NAME: reason") as a SampleLoadError.
[[noreturn]] void refuse(const std::string& name, const FileError& e)
{
    std::string reason = e.what();
    const std::string prefix = name + ": ";
    if (reason.rfind(prefix, 0) == 0) {
        reason.erase(0, prefix.size());
    }
    refuse(name, reason);
}

LoadedSample takeDataChunk(ByteSource& source, const WaveChunks& w, const std::string& name)
{
    LoadedSample out;
    const std::int64_t available = std::max<std::int64_t>(0, source.size() - w.dataOffset);
    std::int64_t bytes = std::min(w.dataSize, available);
    out.cut = bytes > ImportMaxBytes;
    bytes = std::min<std::int64_t>(bytes, ImportMaxBytes);
    const auto count = static_cast<std::size_t>(bytes / 2);
    if (count == 0) {
        refuse(name, "the file holds no sound");
    }
    std::vector<std::uint8_t> raw(count * 2);
    if (source.readAt(w.dataOffset, raw.data(), raw.size()) != raw.size()) {
        refuse(name, "the file changed while it was read");
    }
    auto samples = std::make_shared<SampleData>(count);
    for (std::size_t i = 0; i < count; ++i) {
        (*samples)[i] = static_cast<std::int16_t>(
            static_cast<std::uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8)));
    }
    out.samples = std::move(samples);
    out.dataBytes = static_cast<std::int32_t>(bytes);
    out.description = "WAV, mono, 44100 Hz, 16-bit";
    return out;
}

// libsndfile reads through these callbacks from the same source as the chunk walker.
struct VirtualFile
{
    ByteSource* source = nullptr;
    sf_count_t pos = 0;
    bool failed = false;
    std::string error;
};

sf_count_t vLength(void* user)
{
    return static_cast<VirtualFile*>(user)->source->size();
}

sf_count_t vSeek(sf_count_t offset, int whence, void* user)
{
    auto* f = static_cast<VirtualFile*>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR) {
        base = f->pos;
    } else if (whence == SEEK_END) {
        base = f->source->size();
    }
    if ((offset > 0 && base > std::numeric_limits<sf_count_t>::max() - offset) ||
        base + offset < 0) {
        return -1;
    }
    f->pos = base + offset;
    return f->pos;
}

sf_count_t vRead(void* out, sf_count_t count, void* user)
{
    auto* f = static_cast<VirtualFile*>(user);
    if (count <= 0) {
        return 0;
    }
    try {
        const std::size_t got = f->source->readAt(f->pos, out, static_cast<std::size_t>(count));
        f->pos += static_cast<sf_count_t>(got);
        return static_cast<sf_count_t>(got);
    } catch (const FileError& e) {
        f->failed = true;
        f->error = e.what();
        return 0;
    }
}

sf_count_t vWrite(const void* /*data*/, sf_count_t /*count*/, void* /*user*/)
{
    return 0;
}

sf_count_t vTell(void* user)
{
    return static_cast<VirtualFile*>(user)->pos;
}

const char* containerName(int format)
{
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
    case SF_FORMAT_W64:
        return "WAV";
    case SF_FORMAT_AIFF:
        return "AIFF";
    case SF_FORMAT_FLAC:
        return "FLAC";
    default:
        return nullptr; // read by libsndfile, but not offered for import
    }
}

const char* encodingName(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return "8-bit";
    case SF_FORMAT_PCM_16:
        return "16-bit";
    case SF_FORMAT_PCM_24:
        return "24-bit";
    case SF_FORMAT_PCM_32:
        return "32-bit";
    case SF_FORMAT_FLOAT:
        return "32-bit float";
    case SF_FORMAT_DOUBLE:
        return "64-bit float";
    default:
        return "compressed";
    }
}

std::int16_t toSample(float v)
{
    if (std::isnan(v)) {
        return 0;
    }
    const float scaled = std::clamp(v * 32768.0F, -32768.0F, 32767.0F);
    return static_cast<std::int16_t>(std::lrint(scaled));
}

/// Mixes a multi-channel float stream down to mono and resamples it to SampleRate, keeping
/// at most limit samples.
class MonoConverter
{
public:
    MonoConverter(int rate, std::size_t limit)
        : m_ratio(static_cast<double>(SampleRate) / rate), m_limit(limit)
    {
        if (rate != SampleRate) {
            int err = 0;
            m_state = src_new(SRC_SINC_BEST_QUALITY, 1, &err);
            if (m_state == nullptr) {
                throw FileError(std::string("sample rate converter: ") + src_strerror(err));
            }
        }
    }
    ~MonoConverter()
    {
        if (m_state != nullptr) {
            src_delete(m_state);
        }
    }
    MonoConverter(const MonoConverter&) = delete;
    MonoConverter& operator=(const MonoConverter&) = delete;

    bool full() const { return m_out.size() >= m_limit; }
    std::vector<float>& output() { return m_out; }

    /// Adds mono input; an empty input ends the stream and flushes the converter.
    void push(const float* in, std::size_t frames)
    {
        if (m_state == nullptr) {
            m_out.insert(m_out.end(), in, in + std::min(frames, m_limit - m_out.size()));
            return;
        }
        const bool end = frames == 0;
        float buffer[8192];
        SRC_DATA d{};
        d.data_in = in;
        d.input_frames = static_cast<long>(frames);
        d.src_ratio = m_ratio;
        d.end_of_input = end ? 1 : 0;
        while (!full()) {
            d.data_out = buffer;
            d.output_frames = static_cast<long>(std::size(buffer));
            const int err = src_process(m_state, &d);
            if (err != 0) {
                throw FileError(std::string("sample rate converter: ") + src_strerror(err));
            }
            const auto made = static_cast<std::size_t>(d.output_frames_gen);
            m_out.insert(m_out.end(), buffer, buffer + std::min(made, m_limit - m_out.size()));
            d.data_in += d.input_frames_used;
            d.input_frames -= d.input_frames_used;
            const bool moreInput = d.input_frames > 0;
            if (made == 0 && (!moreInput || d.input_frames_used == 0)) {
                break; // all consumed (or flushed, at the end)
            }
            if (!moreInput && !end) {
                break;
            }
        }
    }

private:
    SRC_STATE* m_state = nullptr;
    double m_ratio;
    std::size_t m_limit;
    std::vector<float> m_out;
};

/// A WAV file as the converter sees it: a RIFF header, the file's own "fmt " chunk and its
/// "data" chunk, nothing else. The converter's own walk of other chunks (lists, tags) can take
/// for ever on broken ones; only these two are needed to read the sound.
class SoundChunksSource : public ByteSource
{
public:
    /// The longest "fmt " chunk taken along; real ones hold 16 to 40 bytes.
    static constexpr std::int64_t MostFmtBytes = 1024;

    SoundChunksSource(std::shared_ptr<ByteSource> source, const WaveChunks& w)
        : m_source(std::move(source)), m_dataFrom(w.dataOffset)
    {
        const std::int64_t fmtBytes = std::min(w.fmtSize, MostFmtBytes);
        std::vector<std::uint8_t> fmt(static_cast<std::size_t>(fmtBytes));
        fmt.resize(m_source->readAt(w.fmtOffset, fmt.data(), fmt.size()));
        if (fmt.size() % 2 == 1) {
            fmt.push_back(0);
        }
        m_dataSize = std::clamp<std::int64_t>(m_source->size() - w.dataOffset, 0, w.dataSize);
        m_dataSize = std::min<std::int64_t>(m_dataSize, 0xFFFFFFFFLL - 64 - MostFmtBytes);
        const auto riffSize = static_cast<std::uint32_t>(
            4 + 8 + static_cast<std::int64_t>(fmt.size()) + 8 + m_dataSize);
        const auto put32 = [this](std::uint32_t v) {
            for (int i = 0; i < 4; ++i) {
                m_head.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
            }
        };
        const auto putId = [this](const char* id) { m_head.insert(m_head.end(), id, id + 4); };
        putId("RIFF");
        put32(riffSize);
        putId("WAVE");
        putId("fmt ");
        put32(static_cast<std::uint32_t>(fmtBytes));
        m_head.insert(m_head.end(), fmt.begin(), fmt.end());
        putId("data");
        put32(static_cast<std::uint32_t>(m_dataSize));
    }

    std::int64_t size() const override
    {
        return static_cast<std::int64_t>(m_head.size()) + m_dataSize;
    }

    std::size_t readAt(std::int64_t offset, void* out, std::size_t n) override
    {
        if (offset < 0 || offset >= size()) {
            return 0;
        }
        auto* bytes = static_cast<std::uint8_t*>(out);
        std::size_t done = 0;
        const auto head = static_cast<std::int64_t>(m_head.size());
        if (offset < head) {
            done = std::min(n, static_cast<std::size_t>(head - offset));
            std::memcpy(bytes, m_head.data() + offset, done);
            offset += static_cast<std::int64_t>(done);
        }
        if (done < n) {
            const auto left = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(n - done), size() - offset));
            done += m_source->readAt(m_dataFrom + (offset - head), bytes + done, left);
        }
        return done;
    }

private:
    std::shared_ptr<ByteSource> m_source;
    std::int64_t m_dataFrom = 0;
    std::int64_t m_dataSize = 0;
    std::vector<std::uint8_t> m_head;
};

LoadedSample convertWithSndfile(const std::shared_ptr<ByteSource>& source,
                                const WaveChunks& chunks,
                                const std::string& name,
                                const ProgressFn& progress)
{
    VirtualFile vf;
    vf.source = source.get();
    SF_VIRTUAL_IO io{vLength, vSeek, vRead, vWrite, vTell};
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &vf);
    if (vf.failed) {
        if (file != nullptr) {
            sf_close(file);
        }
        refuse(name, FileError(vf.error));
    }
    const auto reasonUnread = [&]() -> std::string {
        if (chunks.isRiffWave) {
            return chunks.problem;
        }
        return "not a WAV, AIFF or FLAC file";
    };
    if (file == nullptr) {
        refuse(name, reasonUnread());
    }
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> guard(file, sf_close);
    const char* container = containerName(info.format);
    if (container == nullptr) {
        refuse(name, reasonUnread());
    }
    if (info.channels < 1 || info.samplerate < 1) {
        refuse(name, "the format is not valid");
    }
    if (info.samplerate < MinImportRate || info.samplerate > MaxImportRate) {
        refuse(name, "a sample rate of " + std::to_string(info.samplerate) + " Hz is outside " +
                         std::to_string(MinImportRate) + " to " + std::to_string(MaxImportRate) +
                         " Hz, the rates that can be imported");
    }

    LoadedSample out;
    out.description =
        std::string(container) + ", " +
        (info.channels == 1 ? std::string("mono") : std::to_string(info.channels) + " channels") +
        ", " + std::to_string(info.samplerate) + " Hz, " + encodingName(info.format);

    const auto channels = static_cast<std::size_t>(info.channels);
    constexpr std::size_t BlockFrames = 4096;
    std::vector<float> block(BlockFrames * channels);
    std::vector<float> mono(BlockFrames);
    // One sample past ten seconds tells that the sound was longer.
    MonoConverter converter(info.samplerate, ImportMaxSamples + 1);
    // Only the first ten seconds are read (and one frame more): that is the whole work.
    const double framesToRead =
        std::max<double>(1.0, std::min(static_cast<double>(info.frames),
                                       (ImportMaxSamples + 1.0) * info.samplerate / SampleRate));
    double framesRead = 0;
    while (!converter.full()) {
        ReportProgress(progress, std::min(1.0, framesRead / framesToRead));
        const sf_count_t got =
            sf_readf_float(file, block.data(), static_cast<sf_count_t>(BlockFrames));
        if (vf.failed) {
            refuse(name, FileError(vf.error));
        }
        if (got <= 0) {
            converter.push(mono.data(), 0);
            break;
        }
        const auto frames = static_cast<std::size_t>(got);
        framesRead += static_cast<double>(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            float sum = 0.0F;
            for (std::size_t c = 0; c < channels; ++c) {
                const float v = block[i * channels + c];
                sum += std::isfinite(v) ? v : 0.0F;
            }
            mono[i] = sum / static_cast<float>(channels);
        }
        converter.push(mono.data(), frames);
    }
    std::vector<float>& converted = converter.output();
    out.cut = converted.size() > static_cast<std::size_t>(ImportMaxSamples);
    converted.resize(std::min(converted.size(), static_cast<std::size_t>(ImportMaxSamples)));
    if (converted.empty()) {
        refuse(name, "the file holds no sound");
    }
    auto samples = std::make_shared<SampleData>(converted.size());
    std::transform(converted.begin(), converted.end(), samples->begin(), toSample);
    out.dataBytes = static_cast<std::int32_t>(samples->size() * 2);
    out.samples = std::move(samples);
    return out;
}

LoadedSample
load(const std::shared_ptr<ByteSource>& source, const std::string& name, const ProgressFn& progress)
{
    try {
        const WaveChunks chunks = readChunks(source);
        if (chunks.native()) {
            return takeDataChunk(*source, chunks, name);
        }
        if (chunks.damaged) {
            refuse(name, chunks.problem);
        }
        if (chunks.isRiffWave) {
            // A WAV file is read from its own two chunks or not at all.
            if (!chunks.haveFmt || !chunks.haveData) {
                refuse(name, chunks.problem);
            }
            return convertWithSndfile(std::make_shared<SoundChunksSource>(source, chunks), chunks,
                                      name, progress);
        }
        return convertWithSndfile(source, chunks, name, progress);
    } catch (const SampleLoadError&) {
        throw;
    } catch (const FileError& e) {
        refuse(name, e);
    }
}

} // namespace

LoadedSample LoadSampleFile(const std::string& path, const ProgressFn& progress)
{
    std::shared_ptr<ByteSource> source;
    try {
        source = openFileSource(path);
    } catch (const FileError& e) {
        refuse(path, e);
    }
    return load(source, path, progress);
}

LoadedSample LoadSampleBytes(std::vector<std::uint8_t> bytes, const std::string& name)
{
    return load(memorySource(std::move(bytes)), name, {});
}

} // namespace bw::library
