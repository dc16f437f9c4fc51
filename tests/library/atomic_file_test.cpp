#include "library/atomic_file.h"
#include "library/binary_io.h"
#include "tests/library/temp_folder.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::AtomicFileWriter;
using bw::FileError;
using bw::readWholeFile;
using bw::writeFileAtomically;

const std::vector<std::uint8_t> Old{'o', 'l', 'd'};

/// Accepts the first limit bytes, then fails like a full disk.
class FailingWriter : public AtomicFileWriter
{
public:
    FailingWriter(const std::string& target, std::size_t limit)
        : AtomicFileWriter(target), m_left(limit)
    {}

protected:
    long rawWrite(const void* data, std::size_t size) override
    {
        if (m_left == 0) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t n = std::min(size, m_left);
        m_left -= n;
        return AtomicFileWriter::rawWrite(data, n);
    }

private:
    std::size_t m_left;
};

TEST(AtomicFile, ReplacesTheFileAndKeepsItsPermissions)
{
    bw::testing::TempFolder dir;
    const std::string path = dir.path("f.bin");
    writeFileAtomically(path, Old);
    ::chmod(path.c_str(), 0600);
    writeFileAtomically(path, {1, 2, 3, 4});
    EXPECT_EQ(readWholeFile(path), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600U);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"f.bin"});
}

TEST(AtomicFile, WriteFailingHalfWayKeepsThePreviousFile)
{
    bw::testing::TempFolder dir;
    const std::string path = dir.path("f.bin");
    writeFileAtomically(path, Old);
    std::string temp;
    try {
        FailingWriter w(path, 5);
        temp = w.tempPath();
        const std::vector<std::uint8_t> big(100, 7);
        w.write(big.data(), big.size());
        w.commit();
        FAIL() << "the write did not fail";
    } catch (const FileError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find("No space left"), std::string::npos) << message;
    }
    EXPECT_FALSE(temp.empty());
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_EQ(readWholeFile(path), Old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"f.bin"});
}

TEST(AtomicFile, AbandonedWriterLeavesNoTemporaryFile)
{
    bw::testing::TempFolder dir;
    {
        AtomicFileWriter w(dir.path("f.bin"));
        w.write("abc", 3);
    }
    EXPECT_TRUE(dir.entries().empty());
}

TEST(AtomicFile, MissingFolder)
{
    bw::testing::TempFolder dir;
    const std::string path = dir.path("no/such/f.bin");
    try {
        writeFileAtomically(path, Old);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_TRUE(dir.entries().empty());
}

TEST(AtomicFile, TargetIsADirectory)
{
    bw::testing::TempFolder dir;
    const std::string target = dir.path("sub");
    std::filesystem::create_directory(target);
    writeFileAtomically(dir.path("sub/inner"), Old);
    EXPECT_THROW(writeFileAtomically(target, {1}), FileError);
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(readWholeFile(dir.path("sub/inner")), Old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"sub"});
}

TEST(AtomicFile, ReadOnlyFolder)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    bw::testing::TempFolder dir;
    const std::string path = dir.path("f.bin");
    writeFileAtomically(path, Old);
    ::chmod(dir.root().c_str(), 0500);
    EXPECT_THROW(writeFileAtomically(path, {1}), FileError);
    ::chmod(dir.root().c_str(), 0700);
    EXPECT_EQ(readWholeFile(path), Old);
}

TEST(AtomicFile, WritesThroughASymbolicLink)
{
    bw::testing::TempFolder dir;
    const std::string real = dir.path("real.bin");
    const std::string link = dir.path("link.bin");
    writeFileAtomically(real, Old);
    std::filesystem::create_symlink(real, link);
    writeFileAtomically(link, {9});
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readWholeFile(real), std::vector<std::uint8_t>{9});
}

TEST(AtomicFile, ReadOnlyFilesStayAndDanglingLinksAreWrittenThrough)
{
    bw::testing::TempFolder dir;
    // Also as root, who could write it: the file was marked read-only by its owner.
    const std::string locked = dir.path("locked.bin");
    writeFileAtomically(locked, Old);
    ::chmod(locked.c_str(), 0444);
    try {
        writeFileAtomically(locked, {1});
        ADD_FAILURE() << "replaced a read-only file";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("locked.bin is read-only"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(readWholeFile(locked), Old);
    struct stat st
    {
    };
    ASSERT_EQ(::stat(locked.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444U);

    // A link to a file not made yet: the file is made, the link stays.
    std::filesystem::create_directory(dir.path("links"));
    const std::string link = dir.path("links/kit.bin");
    std::filesystem::create_symlink("../made.bin", link);
    writeFileAtomically(link, {7});
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readWholeFile(dir.path("made.bin")), std::vector<std::uint8_t>{7});
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"links", "locked.bin", "made.bin"}));
}

TEST(AtomicFile, TheLongestLegalNamesCanBeWritten)
{
    bw::testing::TempFolder dir;
    for (const std::size_t length : {251U, 252U, 255U}) {
        const std::string path = dir.path(std::string(length - 4, 'n') + ".slb");
        EXPECT_NO_THROW(writeFileAtomically(path, Old)) << length;
        EXPECT_EQ(readWholeFile(path), Old) << length;
    }
    EXPECT_EQ(dir.entries().size(), 3U);
}

TEST(AtomicFile, TemporaryFilesOfOursLeftOverADayAgoGoAtTheNextWrite)
{
    bw::testing::TempFolder dir;
    const auto make = [&dir](const std::string& name, std::chrono::hours age) {
        writeFileAtomically(dir.path(name), Old);
        std::filesystem::last_write_time(dir.path(name),
                                         std::filesystem::file_time_type::clock::now() - age);
    };
    const std::string prefix = bw::TempFilePrefix;
    make(prefix + "killed", std::chrono::hours(48)); // a writer killed two days ago
    make(prefix + "running", std::chrono::hours(1)); // perhaps another writer still at work
    make("notes.tmp-old", std::chrono::hours(48));   // not one of ours
    writeFileAtomically(dir.path("kit.slb"), {1});
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{prefix + "running", "kit.slb", "notes.tmp-old"}));
}

} // namespace
