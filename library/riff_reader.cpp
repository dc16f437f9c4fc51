#include "library/riff_reader.h"

#include "library/binary_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bw::library {

namespace {

class FileSource : public ByteSource
{
public:
    FileSource(std::string path, int fd, std::int64_t size)
        : m_path(std::move(path)), m_fd(fd), m_size(size)
    {}
    ~FileSource() override { ::close(m_fd); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::int64_t size() const override { return m_size; }

    std::size_t readAt(std::int64_t offset, void* out, std::size_t n) override
    {
        if (offset < 0 || offset >= m_size) {
            return 0;
        }
        n = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(n), m_size - offset));
        auto* p = static_cast<std::uint8_t*>(out);
        std::size_t done = 0;
        while (done < n) {
            const ssize_t got = ::pread(m_fd, p + done, n - done,
                                        static_cast<off_t>(offset + static_cast<off_t>(done)));
            if (got < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw FileError(m_path + ": " + std::strerror(errno));
            }
            if (got == 0) {
                break; // the file became shorter while open
            }
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    std::string m_path;
    int m_fd;
    std::int64_t m_size;
};

class MemorySource : public ByteSource
{
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}

    std::int64_t size() const override { return static_cast<std::int64_t>(m_bytes.size()); }

    std::size_t readAt(std::int64_t offset, void* out, std::size_t n) override
    {
        if (offset < 0 || offset >= size()) {
            return 0;
        }
        const auto start = static_cast<std::size_t>(offset);
        n = std::min(n, m_bytes.size() - start);
        if (n > 0) {
            std::memcpy(out, m_bytes.data() + start, n);
        }
        return n;
    }

private:
    std::vector<std::uint8_t> m_bytes;
};

constexpr std::int64_t HeaderSize = 8;

std::uint32_t le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

} // namespace

std::unique_ptr<ByteSource> openFileSource(const std::string& path)
{
    // Non-blocking, so that opening a pipe nobody writes to does not wait for a writer; reads
    // of a regular file are the same either way.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        throw FileError(path + ": " + std::strerror(errno));
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throw FileError(path + ": " + std::strerror(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        if (S_ISDIR(st.st_mode)) {
            throw FileError(path + ": " + std::strerror(EISDIR));
        }
        throw FileError(path + ": this is " +
                        (S_ISFIFO(st.st_mode) ? std::string("a pipe") : "a device") +
                        ", not a file that can be read");
    }
    return std::make_unique<FileSource>(path, fd, static_cast<std::int64_t>(st.st_size));
}

std::unique_ptr<ByteSource> memorySource(std::vector<std::uint8_t> bytes)
{
    return std::make_unique<MemorySource>(std::move(bytes));
}

RiffReader::RiffReader(std::shared_ptr<ByteSource> source)
    : m_source(std::move(source)), m_size(m_source->size())
{}

bool RiffReader::descend(RiffChunk& chunk, const RiffChunk* parent)
{
    const std::int64_t start = m_pos;
    if (parent != nullptr && (start < parent->dataOffset || start + HeaderSize > parent->end())) {
        return false;
    }
    std::uint8_t header[8];
    if (m_source->readAt(start, header, sizeof header) != sizeof header) {
        return false;
    }
    RiffChunk found;
    found.id = le32(header);
    found.size = le32(header + 4);
    found.dataOffset = start + HeaderSize;
    std::int64_t dataPos = found.dataOffset;
    if (found.id == fourCC("RIFF") || found.id == fourCC("LIST")) {
        std::uint8_t form[4];
        if (found.size < 4 || m_source->readAt(dataPos, form, sizeof form) != sizeof form) {
            return false;
        }
        found.formType = le32(form);
        dataPos += 4;
    }
    chunk = found;
    m_pos = dataPos;
    return true;
}

bool RiffReader::descendTo(RiffChunk& chunk,
                           std::uint32_t id,
                           std::uint32_t formType,
                           const RiffChunk* parent)
{
    for (;;) {
        const std::int64_t start = m_pos;
        RiffChunk candidate;
        if (!descend(candidate, parent)) {
            return false;
        }
        if (candidate.id == id && (formType == 0 || candidate.formType == formType)) {
            chunk = candidate;
            return true;
        }
        ascend(candidate);
        if (m_pos <= start) {
            return false; // cannot happen with 32-bit sizes, but never loop in place
        }
    }
}

void RiffReader::ascend(const RiffChunk& chunk)
{
    m_pos = chunk.end() + static_cast<std::int64_t>(chunk.size & 1U);
}

std::size_t RiffReader::read(void* out, std::size_t n)
{
    const std::size_t got = m_source->readAt(m_pos, out, n);
    m_pos += static_cast<std::int64_t>(got);
    return got;
}

bool RiffReader::seek(std::int64_t offset)
{
    if (offset < 0) {
        return false;
    }
    m_pos = offset;
    return true;
}

} // namespace bw::library
