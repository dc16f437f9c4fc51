#include "ui/shell/recovery.h"

#include "core/pattern_file.h"
#include "library/atomic_file.h"
#include "library/binary_io.h"
#include "library/file_lock.h"
#include "ui/widgets/file_dialogs.h"

#include <chrono>
#include <exception>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace bw::ui {

namespace {

constexpr char Magic[] = "BWRECOVER1";
constexpr std::size_t MagicSize = sizeof Magic - 1;

} // namespace

QString RecoverySlot::slotPath(const QString& first, int n)
{
    if (n <= 1) {
        return first;
    }
    const QFileInfo info(first);
    const QString name =
        info.completeBaseName() + QStringLiteral("-%1").arg(n) +
        (info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix());
    return info.dir().filePath(name);
}

namespace {

/// The slot's lock when no running copy holds it, else null.
std::unique_ptr<FileLock> TryToHold(const QString& file)
{
    try {
        return std::make_unique<FileLock>(ToFileSystemPath(file), std::chrono::milliseconds(0));
    } catch (const std::exception&) {
        return nullptr; // another copy holds it, or the folder takes no lock file
    }
}

} // namespace

RecoverySlot::RecoverySlot(const QString& first) : m_first(first)
{
    for (int n = 1; n <= Slots && !m_lock; ++n) {
        m_lock = TryToHold(slotPath(first, n));
        if (m_lock) {
            m_path = slotPath(first, n);
        }
    }
}

RecoverySlot::~RecoverySlot() = default;

std::vector<QString> RecoverySlot::leftBehind() const
{
    std::vector<QString> left;
    if (!m_path.isEmpty() && QFileInfo::exists(m_path)) {
        left.push_back(m_path);
    }
    for (int n = 1; n <= Slots; ++n) {
        const QString file = slotPath(m_first, n);
        if (file != m_path && QFileInfo::exists(file) && TryToHold(file)) {
            left.push_back(file);
        }
    }
    return left;
}

void WriteRecoveryFile(const QString& path,
                       const QString& songFile,
                       const std::vector<std::uint8_t>& songImage)
{
    const QByteArray name = songFile.toUtf8();
    std::vector<std::uint8_t> bytes;
    bytes.reserve(MagicSize + 4 + static_cast<std::size_t>(name.size()) + songImage.size());
    ByteWriter w(bytes);
    w.bytes(Magic, MagicSize);
    w.i32(static_cast<std::int32_t>(name.size()));
    w.bytes(name.constData(), static_cast<std::size_t>(name.size()));
    w.bytes(songImage.data(), songImage.size());
    writeFileAtomically(ToFileSystemPath(path), bytes);
}

RecoveredSong ReadRecoveryFile(const QString& path)
{
    const std::string file = ToFileSystemPath(path);
    const std::vector<std::uint8_t> bytes =
        readWholeFile(file, core::MaxPatternFileBytes + 65536, "a recovery file");
    RecoveredSong out;
    std::vector<std::uint8_t> image;
    try {
        ByteReader r(bytes);
        char magic[MagicSize];
        r.read(magic, MagicSize);
        const std::int32_t length = r.i32();
        if (std::string(magic, MagicSize) != Magic || length < 0) {
            throw FileError(file + ": not a recovery file");
        }
        const std::uint8_t* name = r.take(static_cast<std::size_t>(length));
        out.songFile = QString::fromUtf8(reinterpret_cast<const char*>(name), length);
        image.assign(bytes.begin() + static_cast<std::ptrdiff_t>(r.pos()), bytes.end());
    } catch (const ShortRead&) {
        throw FileError(file + ": the recovery file is cut short");
    }
    core::PatternReadCallbacks callbacks;
    callbacks.showSequencer = [&out] { out.showSequencer = true; };
    out.song = core::ParsePatternFile(image, file, callbacks);
    out.keptAt = QFileInfo(path).lastModified();
    return out;
}

bool RecoveryWriter::start(const QString& songFile, std::vector<std::uint8_t> image)
{
    if (m_busy) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_busy = true;
    m_thread = std::thread([this, songFile, image = std::move(image)] {
        std::string error;
        try {
            WriteRecoveryFile(m_path, songFile, image);
        } catch (const std::exception& e) {
            error = e.what();
        }
        m_error = error;
        m_busy = false;
    });
    return true;
}

std::string RecoveryWriter::wait()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
    return m_error;
}

void RecoveryWriter::remove()
{
    wait();
    QFile::remove(m_path);
}

} // namespace bw::ui
