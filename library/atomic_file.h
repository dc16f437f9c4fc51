#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bw {

/// Writes a file so that the previous file survives any failure: the bytes go to a temporary
/// file in the same folder, which replaces the target only after everything was written and
/// flushed to disk. On failure the temporary file is removed and FileError is thrown.
class AtomicFileWriter
{
public:
    explicit AtomicFileWriter(std::string target);
    virtual ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(const void* data, std::size_t size);
    /// Flushes, syncs and renames the temporary file over the target.
    void commit();

    const std::string& target() const { return m_target; }
    const std::string& tempPath() const { return m_tempPath; }

protected:
    /// One low-level write; returns bytes written or -1 with errno set. Tests override it to
    /// fail part-way through.
    virtual long rawWrite(const void* data, std::size_t size);

private:
    [[noreturn]] void fail(const std::string& what, int err);
    void discard();

    std::string m_target;
    std::string m_tempPath;
    int m_fd = -1;
    bool m_committed = false;
};

/// Replaces the file at path with bytes, atomically (see AtomicFileWriter).
void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

/// Reads a whole file; throws FileError naming the file on failure.
std::vector<std::uint8_t> readWholeFile(const std::string& path);

} // namespace bw
