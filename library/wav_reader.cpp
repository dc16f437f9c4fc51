#include "library/wav_reader.h"

#include "library/binary_io.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sys/stat.h>

namespace bw::library {

namespace {

constexpr std::size_t FormatBlockSize = WaveFormatBlock::Size;

/// Nearest integer, halves to the even neighbour, held within 32 bits.
std::int32_t roundToInt32(long double v)
{
    const long double r = std::nearbyint(v);
    if (!(r >= static_cast<long double>(std::numeric_limits<std::int32_t>::min()))) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (r > static_cast<long double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(r);
}

bool regularFileExists(const std::string& path)
{
    struct stat st
    {
    };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

TWAVSource::TWAVSource(std::string name) : m_name(std::move(name))
{}

TWAVSource::~TWAVSource()
{
    Close();
}

void TWAVSource::Close()
{
    m_riff.reset();
}

void TWAVSource::requireOpen(const char* accessor) const
{
    if (!isOpen()) {
        throw WavSourceError((m_name.empty() ? std::string("TWAVSource") : m_name) + "." +
                             accessor + ": Keine Datei geöffnet");
    }
}

void TWAVSource::failOpen(const char* text)
{
    Close();
    throw WavSourceError(std::string(text) + ": " + FileName);
}

void TWAVSource::Open()
{
    Close();
    if (!regularFileExists(FileName)) {
        throw WavSourceError("Datei " + FileName + " nicht gefunden.");
    }
    std::unique_ptr<ByteSource> source;
    try {
        source = openFileSource(FileName);
    } catch (const FileError&) {
        failOpen("Fehler beim Öffnen");
    }
    OpenSource(std::move(source));
}

void TWAVSource::OpenSource(std::unique_ptr<ByteSource> source)
{
    Close();
    m_riff = std::make_unique<RiffReader>(std::move(source));
    try {
        parse();
    } catch (...) {
        Close();
        throw;
    }
}

void TWAVSource::parse()
{
    RiffChunk riff;
    if (!m_riff->descendTo(riff, fourCC("RIFF"), fourCC("WAVE"))) {
        failOpen("WAVE-Chunk nicht gefunden");
    }
    m_format = WaveFormatBlock{};
    m_sampleCount = 0;
    m_dataSize = 0;
    m_dataOffset = 0;

    RiffChunk chunk;
    while (m_riff->descend(chunk, &riff)) {
        if (chunk.end() > riff.end()) {
            failOpen("Chunk-Größen stimmen nicht");
        }
        if (chunk.id == fourCC("data")) {
            // The read position stays on the first data byte.
            m_dataOffset = chunk.dataOffset;
            m_dataSize = chunk.size;
            break;
        }
        if (chunk.id == fourCC("fmt ") && m_format.formatTag() == 0) {
            if (chunk.size > FormatBlockSize) {
                failOpen("ADPCM, unerwartete Koeffizientenzahl");
            }
            if (m_riff->read(m_format.raw.data(), chunk.size) != chunk.size) {
                failOpen("Fehler beim Lesen des \"fmt \"-Chunks");
            }
        } else if (chunk.id == fourCC("fact") && m_sampleCount == 0 &&
                   m_format.formatTag() == FormatAdpcm) {
            std::uint8_t count[4] = {0, 0, 0, 0};
            m_riff->read(count, std::min<std::size_t>(sizeof count, chunk.size));
            m_sampleCount = ByteReader(count, sizeof count).i32();
        }
        m_riff->ascend(chunk);
    }

    const std::uint16_t tag = m_format.formatTag();
    if (tag == 0) {
        failOpen("Kein \"fmt \"-Chunk");
    }
    const std::int64_t rate = m_format.samplesPerSec();
    const std::int64_t avg = m_format.avgBytesPerSec();
    // A format without a rate, channels or frame size has no playing time or position.
    const bool usable = rate > 0 && avg > 0 && m_format.channels() > 0 &&
                        m_format.blockAlign() > 0 && (tag != FormatPcm || avg / rate > 0);
    if ((tag != FormatPcm && tag != FormatAdpcm) || !usable) {
        failOpen("\"fmt \"-Chunk vorhanden, aber Format unbekannt");
    }
    if (tag == FormatPcm) {
        m_sampleCount = m_dataSize / (avg / rate);
    }
    // Frames per channel in whole numbers, as the playing time has always been computed.
    const std::int64_t frames = m_sampleCount / m_format.channels();
    m_length =
        roundToInt32(1000.0L / static_cast<long double>(rate) * static_cast<long double>(frames));
    m_startPos = 0;
    m_endPos = m_length;
    m_remaining = m_dataSize;
}

std::int64_t TWAVSource::bytesFor(std::int64_t ms) const
{
    const long double exact =
        static_cast<long double>(ms) * static_cast<long double>(m_format.avgBytesPerSec()) * 0.001L;
    const auto bytes = static_cast<std::int64_t>(std::nearbyint(exact));
    // Down to a whole number of blocks (toward minus infinity), so a position never falls
    // inside a frame, whatever the block size.
    const std::int64_t block = m_format.blockAlign();
    std::int64_t rest = bytes % block;
    if (rest < 0) {
        rest += block;
    }
    return bytes - rest;
}

void TWAVSource::setStartPos(std::int32_t ms)
{
    requireOpen("StartPos");
    m_startPos = ms;
    setPosition(ms);
}

void TWAVSource::setEndPos(std::int32_t ms)
{
    requireOpen("EndPos");
    m_endPos = ms;
}

std::int32_t TWAVSource::Position() const
{
    requireOpen("GetPosition");
    const long double ms = static_cast<long double>(m_riff->tell() - m_dataOffset) * 1000.0L /
                           static_cast<long double>(m_format.avgBytesPerSec());
    return roundToInt32(ms);
}

void TWAVSource::setPosition(std::int32_t ms)
{
    requireOpen("SetPosition");
    if (ms < m_startPos) {
        ms = m_startPos;
    }
    if (ms > m_endPos) {
        ms = m_endPos;
    }
    m_riff->seek(m_dataOffset + bytesFor(ms));
    m_remaining = bytesFor(static_cast<std::int64_t>(m_endPos) - ms + 1);
}

std::int32_t TWAVSource::Read(void* buffer, std::int32_t count)
{
    if (!isOpen()) {
        return -1;
    }
    std::int64_t n = std::clamp<std::int64_t>(count, 0, m_remaining);
    m_remaining -= n;
    // Only bytes of the data chunk are sound: the window's last millisecond may reach past
    // it, and a position before it can only come from a negative StartPos.
    const std::int64_t pos = m_riff->tell();
    const std::int64_t dataEnd = m_dataOffset + m_dataSize;
    if (pos < m_dataOffset || pos >= dataEnd) {
        return 0;
    }
    n = std::min(n, dataEnd - pos);
    try {
        return static_cast<std::int32_t>(m_riff->read(buffer, static_cast<std::size_t>(n)));
    } catch (const FileError&) {
        return -1;
    }
}

std::int32_t TWAVSource::SamplesPerSec() const
{
    requireOpen("SamplesPerSec");
    return static_cast<std::int32_t>(m_format.samplesPerSec());
}

std::int32_t TWAVSource::BitsPerSample() const
{
    requireOpen("BitsPerSample");
    return m_format.bitsPerSample();
}

std::int32_t TWAVSource::Channels() const
{
    requireOpen("Channels");
    return m_format.channels();
}

} // namespace bw::library
