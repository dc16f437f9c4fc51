// What the library reader refuses, how long it takes, and what the atomic writer will not
// replace.
#include "library/atomic_file.h"
#include "library/binary_io.h"
#include "library/sound_library.h"
#include "tests/library/odd_files.h"
#include "tests/library/temp_folder.h"

#include <chrono>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::FileError;
using bw::library::SoundLibrary;

/// n records of two data bytes each; named name, or name and the record's number when
/// numbered is true.
std::vector<std::uint8_t> records(std::size_t n, const std::string& base, bool numbered = false)
{
    std::vector<std::uint8_t> bytes;
    bw::ByteWriter w(bytes);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string name = numbered ? base + std::to_string(i) : base;
        w.text("***");
        w.u8(static_cast<std::uint8_t>(name.size()));
        w.bytes(name.data(), name.size());
        w.zeros(30 - name.size() + 31 + 6);
        w.i32(2); // two bytes of data
        w.i32(0);
        w.i32(0);
        w.i32(0);
        w.i32(static_cast<std::int32_t>(i)); // as data: the low two bytes
        bytes.resize(bytes.size() - 2);
    }
    return bytes;
}

TEST(LibraryReadTime, FiftyThousandSoundsLoadInLinearTime)
{
    // 14 s for 30000 sounds of distinct names, when each new name was checked against the
    // whole library.
    const auto bytes = records(50000, "Sound ", true);
    SoundLibrary lib;
    const auto start = std::chrono::steady_clock::now();
    lib.parse(bytes, "kit.slb");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
    ASSERT_EQ(lib.count(), 50000);
    EXPECT_EQ(lib.at(49999).bytes(), (std::vector<std::uint8_t>{0x4F, 0xC3}));

    // The names are those AddSound gives one by one, also when the library held some already.
    SoundLibrary one;
    SoundLibrary many;
    for (auto* l : {&one, &many}) {
        l->AddSound("Kick(3)", "", 0, 0, 0, 0, nullptr);
        l->AddSound("Snare", "", 0, 0, 0, 0, nullptr);
    }
    const auto few = records(16, "Kick");
    many.parse(few, "kit.slb");
    for (int i = 0; i < 16; ++i) {
        one.AddSound("Kick", "", 0, 0, 0, 2, few.data() + 87 + std::ptrdiff_t{89} * i);
    }
    ASSERT_EQ(many.count(), one.count());
    for (int i = 0; i < one.count(); ++i) {
        EXPECT_EQ(many.SoundNameAt(i), one.SoundNameAt(i)) << i;
    }
    EXPECT_EQ(many.SoundNameAt(2), "Kick");
    EXPECT_EQ(many.SoundNameAt(4), "Kick(4)");
    EXPECT_EQ(many.SoundNameAt(17), "Kick(12)");
}

std::string loadError(const std::string& path)
{
    SoundLibrary lib;
    try {
        lib.LoadSoundLibrary(path);
    } catch (const FileError& e) {
        return e.what();
    }
    return "";
}

TEST(LibraryFileSource, DevicesFoldersAndPipesAreRefusedAtOnce)
{
    bw::testing::TempFolder dir;
    EXPECT_NE(loadError("/dev/zero").find("/dev/zero is a device"), std::string::npos)
        << loadError("/dev/zero");
    EXPECT_NE(loadError(dir.root().string()).find("is a folder"), std::string::npos);

    const std::string fifo = dir.path("kit.slb");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string message = bw::testing::ReadFromUnwrittenPipe(fifo, loadError);
    EXPECT_NE(message.find("is a pipe"), std::string::npos) << message;
}

TEST(LibraryFileSource, AFileAboveTheSizeLimitIsRefusedUnread)
{
    bw::testing::TempFolder dir;
    const std::string path = dir.path("huge.slb");
    bw::testing::MakeSparseFile(path, (std::int64_t{1} << 30) + 1);
    const auto start = std::chrono::steady_clock::now();
    const std::string message = loadError(path);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
    EXPECT_NE(message.find("is larger than 1024 MB, the most a sound library file may hold"),
              std::string::npos)
        << message;
}

TEST(LibraryFileSource, LoadingAFileThatFailsPartWayKeepsTheSoundsBeforeTheError)
{
    bw::testing::TempFolder dir;
    auto bytes = records(3, "Tom");
    bytes.resize(bytes.size() - 10); // the third record is cut short
    const std::string path = dir.path("kit.slb");
    bw::writeFileAtomically(path, bytes);
    SoundLibrary lib;
    lib.AddSound("Kick", "", 0, 0, 0, 0, nullptr);
    EXPECT_THROW(lib.LoadSoundLibrary(path), FileError);
    ASSERT_EQ(lib.count(), 3);
    EXPECT_EQ(lib.SoundNameAt(1), "Tom");
    EXPECT_EQ(lib.SoundNameAt(2), "Tom(2)");
}

TEST(LibraryFileSource, WritersRefuseWhatTheReaderWouldRefuse)
{
    // The limit lowered from 1 GiB to a few hundred bytes; the rule is the same.
    bw::testing::TempFolder dir;
    const std::string path = dir.path("kit.slb");
    SoundLibrary lib;
    const std::vector<std::uint8_t> pcm(100, 7);
    lib.AddSound("Kick", "", 0, 0, 0, 100, pcm.data());
    lib.SaveSoundLibrary(path);
    const auto before = bw::readWholeFile(path);
    const std::uint64_t limit = 2 * (3 + 84) + 100 + 60;

    lib.AddSound("Snare", "", 0, 0, 0, 61, pcm.data());
    ASSERT_EQ(lib.fileBytes(), limit + 1);
    try {
        lib.SaveSoundLibrary(path, {}, limit);
        ADD_FAILURE() << "wrote a library the reader refuses";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("would take 335 bytes, more than the 334 bytes"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(bw::readWholeFile(path), before);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"kit.slb"});
    EXPECT_THROW(SoundLibrary().LoadSoundLibrary(path, limit - 1 - 61 - 87), FileError);

    // At the limit exactly: written, and read back whole.
    lib.DeleteSound(1);
    lib.AddSound("Snare", "", 0, 0, 0, 60, pcm.data());
    lib.SaveSoundLibrary(path, {}, limit);
    SoundLibrary back;
    back.LoadSoundLibrary(path, limit);
    EXPECT_EQ(back.count(), 2);
    EXPECT_EQ(bw::readWholeFile(path), lib.serialize());
}

TEST(AtomicFileTarget, APipeOrFolderIsNeverReplaced)
{
    bw::testing::TempFolder dir;
    const std::string fifo = dir.path("out.bin");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    try {
        bw::writeFileAtomically(fifo, {1, 2, 3});
        ADD_FAILURE() << "wrote over a pipe";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("is a pipe"), std::string::npos) << e.what();
    }
    struct stat st
    {
    };
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.bin"});
}

TEST(AtomicFileTarget, WriteAtPatchesWhatWasWritten)
{
    bw::testing::TempFolder dir;
    const std::string path = dir.path("f.bin");
    bw::AtomicFileWriter w(path);
    const std::uint8_t data[] = {1, 2, 3, 4, 5};
    w.write(data, sizeof data);
    const std::uint8_t patch[] = {9, 9};
    w.writeAt(3, patch, sizeof patch);
    EXPECT_THROW(w.writeAt(4, patch, sizeof patch), FileError);
    EXPECT_EQ(w.size(), 5U);
    w.commit();
    EXPECT_EQ(bw::readWholeFile(path), (std::vector<std::uint8_t>{1, 2, 3, 9, 9}));
}

} // namespace
