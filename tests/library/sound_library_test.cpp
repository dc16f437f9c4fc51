#include "library/atomic_file.h"
#include "library/binary_io.h"
#include "library/sound_library.h"
#include "tests/library/temp_folder.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::FileError;
using bw::library::SoundLibrary;

std::vector<std::string> names(const SoundLibrary& lib)
{
    std::vector<std::string> out;
    for (int i = 0; i < lib.count(); ++i) {
        out.push_back(lib.SoundNameAt(i));
    }
    return out;
}

int addEmpty(SoundLibrary& lib, const std::string& name)
{
    return lib.AddSound(name, "", 0, 0, 0, 0, nullptr);
}

/// One record image as the file holds it.
void writeRecord(bw::ByteWriter& w,
                 const std::string& name,
                 std::int32_t dataSize,
                 const std::vector<std::uint8_t>& data,
                 const char* marker = "***")
{
    w.bytes(marker, 3);
    w.u8(static_cast<std::uint8_t>(name.size()));
    w.bytes(name.data(), name.size());
    w.zeros(30 - name.size());
    w.u8(0);
    w.zeros(30);
    w.zeros(6);
    w.i32(dataSize);
    w.i32(0);
    w.i32(0);
    w.i32(0);
    w.bytes(data.data(), data.size());
}

// ---------------------------------------------------------------------------------------------
// Names.

TEST(SoundNames, DuplicatesGetTheNextFreeSuffix)
{
    SoundLibrary lib;
    addEmpty(lib, "Kick");
    addEmpty(lib, "Kick(2)");
    addEmpty(lib, "Kick");
    addEmpty(lib, "kick");
    EXPECT_EQ(names(lib), (std::vector<std::string>{"Kick", "Kick(2)", "Kick(3)", "kick"}));
}

TEST(SoundNames, TwelfthCopyIsNotCheckedAgain)
{
    SoundLibrary lib;
    addEmpty(lib, "S");
    for (int i = 2; i <= 12; ++i) {
        addEmpty(lib, "S");
    }
    EXPECT_EQ(lib.SoundNameAt(11), "S(12)");
    addEmpty(lib, "S");
    EXPECT_EQ(lib.SoundNameAt(12), "S(12)");
}

TEST(SoundNames, LongNamesAreCutAfterTheCheck)
{
    SoundLibrary lib;
    const std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"; // 36 characters
    addEmpty(lib, longName.substr(0, 35));
    EXPECT_EQ(lib.SoundNameAt(0), longName.substr(0, 30));
    EXPECT_EQ(lib.FindSound(longName.substr(0, 35)), -1);
    EXPECT_EQ(lib.FindSound(longName.substr(0, 30)), 0);
    // A different long name that agrees in its first 30 characters collides after the cut.
    addEmpty(lib, longName);
    EXPECT_EQ(lib.SoundNameAt(1), longName.substr(0, 30));
    // The suffix is added to the full name and then cut away again.
    addEmpty(lib, longName.substr(0, 30));
    EXPECT_EQ(lib.SoundNameAt(2), longName.substr(0, 30));
}

TEST(SoundNames, ShortStringEdges)
{
    bw::ShortString<30> s("x");
    s.assign(std::string_view{});
    EXPECT_TRUE(s.empty());
    s.raw[0] = 200; // only a file can hold such a length byte
    EXPECT_EQ(s.length(), 30U);
    EXPECT_EQ(s.str().size(), 30U);
}

TEST(SoundNames, FindAndDelete)
{
    SoundLibrary lib;
    addEmpty(lib, "A");
    addEmpty(lib, "B");
    addEmpty(lib, "C");
    int index = 7;
    EXPECT_FALSE(lib.FindSound("b", index));
    EXPECT_EQ(index, -1);
    lib.DeleteSound(1);
    EXPECT_TRUE(lib.FindSound("C", index));
    EXPECT_EQ(index, 1);
    EXPECT_THROW(lib.DeleteSound(2), std::out_of_range);
}

TEST(SoundData, SamplesOutliveTheDeletedSound)
{
    SoundLibrary lib;
    const std::uint8_t pcm[] = {0x01, 0x80, 0xFF, 0x7F};
    lib.AddSound("A", "", 0, 0, 0, sizeof pcm, pcm);
    const auto held = lib.at(0).Data;
    lib.DeleteSound(0);
    ASSERT_EQ(held->size(), 2U);
    EXPECT_EQ((*held)[0], -32767);
    EXPECT_EQ((*held)[1], 32767);
}

TEST(SoundData, NegativeSizeStoresAnEmptySound)
{
    SoundLibrary lib;
    lib.AddSound("A", "", 0, 0, 0, -2, nullptr);
    EXPECT_EQ(lib.at(0).DataSize, 0);
    SoundLibrary again;
    again.parse(lib.serialize(), "x.slb");
    EXPECT_EQ(again.count(), 1);
}

// ---------------------------------------------------------------------------------------------
// The file.

TEST(LibraryFile, RecordLayout)
{
    SoundLibrary lib;
    const std::uint8_t pcm[] = {1, 2, 3};
    lib.AddSound("Kick", "Hat", 7, -3, 1, sizeof pcm, pcm);
    const auto bytes = lib.serialize();
    ASSERT_EQ(bytes.size(), 87U + 3U);
    bw::ByteReader r(bytes);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.take(3)), 3), "***");
    EXPECT_EQ(r.u8(), 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.take(4)), 4), "Kick");
    r.skip(26);
    EXPECT_EQ(r.u8(), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.take(3)), 3), "Hat");
    r.skip(27);
    const std::uint8_t* padAndPointer = r.take(6);
    EXPECT_EQ(std::vector<std::uint8_t>(padAndPointer, padAndPointer + 6),
              std::vector<std::uint8_t>(6, 0));
    EXPECT_EQ(r.i32(), 3);  // DataSize
    EXPECT_EQ(r.i32(), 1);  // Flags
    EXPECT_EQ(r.i32(), -3); // StretchMul
    EXPECT_EQ(r.i32(), 7);  // StretchDiv
    const std::uint8_t* data = r.take(3);
    EXPECT_EQ(std::vector<std::uint8_t>(data, data + 3), std::vector<std::uint8_t>({1, 2, 3}));
    EXPECT_TRUE(r.atEnd());
}

TEST(LibraryFile, EmptySoundIsAnEightySevenByteRecord)
{
    SoundLibrary lib;
    addEmpty(lib, "Silence");
    const auto bytes = lib.serialize();
    EXPECT_EQ(bytes.size(), 87U);
    SoundLibrary again;
    again.parse(bytes, "x.slb");
    ASSERT_EQ(again.count(), 1);
    EXPECT_EQ(again.at(0).DataSize, 0);
    EXPECT_TRUE(again.at(0).Data->empty());
}

TEST(LibraryFile, EmptyFileAndEmptyLibrary)
{
    bw::testing::TempFolder dir;
    SoundLibrary lib;
    lib.CreateSoundLibrary();
    lib.SaveSoundLibrary(dir.path("empty.slb"));
    EXPECT_TRUE(bw::readWholeFile(dir.path("empty.slb")).empty());
    lib.LoadSoundLibrary(dir.path("empty.slb"));
    EXPECT_EQ(lib.count(), 0);
}

TEST(LibraryFile, SaveAndLoadGiveTheSameSoundsByteForByte)
{
    bw::testing::TempFolder dir;
    SoundLibrary lib;
    std::vector<std::uint8_t> pcm(1001);
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    lib.AddSound("Kick", "", 0, 0, 0, 1000, pcm.data());
    lib.AddSound("HatClosed", "HatOpen", 1, 1, 1, 1001, pcm.data()); // odd size
    lib.AddSound("HatOpen", "", 4, -2, 0, 0, nullptr);
    lib.AddSound("\xE9t\xE9", "", 0, 0, 0, 2, pcm.data()); // Latin-1 bytes
    const std::string path = dir.path("kit.slb");
    lib.SaveSoundLibrary(path);

    SoundLibrary loaded;
    loaded.LoadSoundLibrary(path);
    ASSERT_EQ(loaded.count(), lib.count());
    for (int i = 0; i < lib.count(); ++i) {
        const auto& a = lib.at(i);
        const auto& b = loaded.at(i);
        EXPECT_EQ(a.Name.str(), b.Name.str());
        EXPECT_EQ(a.StopTarget.str(), b.StopTarget.str());
        EXPECT_EQ(a.DataSize, b.DataSize);
        EXPECT_EQ(a.Flags, b.Flags);
        EXPECT_EQ(a.StretchMul, b.StretchMul);
        EXPECT_EQ(a.StretchDiv, b.StretchDiv);
        EXPECT_EQ(a.bytes(), b.bytes());
    }
    EXPECT_EQ(loaded.at(1).bytes(), std::vector<std::uint8_t>(pcm.begin(), pcm.end()));
    EXPECT_EQ(loaded.serialize(), bw::readWholeFile(path));
}

TEST(LibraryFile, LoadingMergesWithSuffixes)
{
    SoundLibrary source;
    addEmpty(source, "Kick");
    addEmpty(source, "Snare");
    SoundLibrary lib;
    addEmpty(lib, "Kick");
    lib.parse(source.serialize(), "x.slb");
    EXPECT_EQ(names(lib), (std::vector<std::string>{"Kick", "Kick(2)", "Snare"}));
}

TEST(LibraryFile, MarkersAreNotExamined)
{
    std::vector<std::uint8_t> bytes;
    bw::ByteWriter w(bytes);
    writeRecord(w, "A", 2, {1, 2}, "\0\0\0");
    writeRecord(w, "B", 0, {}, "xyz");
    SoundLibrary lib;
    lib.parse(bytes, "x.slb");
    EXPECT_EQ(names(lib), (std::vector<std::string>{"A", "B"}));
}

TEST(LibraryFile, BadRecordKeepsTheSoundsBeforeIt)
{
    struct Case
    {
        const char* label;
        std::int32_t dataSize;
        std::size_t dataBytes;
        const char* expected;
    };
    for (const Case& c : {Case{"negative size", -2, 0, "negative size"},
                          Case{"size past the end", 100, 50, "unexpected end of file in sound 2"},
                          Case{"cut image", 0, 0, "unexpected end of file in sound 2"}}) {
        std::vector<std::uint8_t> bytes;
        bw::ByteWriter w(bytes);
        writeRecord(w, "First", 2, {1, 2});
        writeRecord(w, "Bad", c.dataSize, std::vector<std::uint8_t>(c.dataBytes));
        if (c.dataSize < 0) {
            writeRecord(w, "After", 0, {}); // a valid record after it is not reached
        } else if (c.dataBytes == 0) {
            bytes.resize(bytes.size() - 40);
        }
        SoundLibrary lib;
        try {
            lib.parse(bytes, "kit.slb");
            ADD_FAILURE() << c.label << ": read";
        } catch (const FileError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("kit.slb"), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        }
        EXPECT_EQ(names(lib), std::vector<std::string>{"First"}) << c.label;
    }
}

TEST(LibraryFile, MissingFileNamesIt)
{
    bw::testing::TempFolder dir;
    SoundLibrary lib;
    const std::string path = dir.path("nothing.slb");
    try {
        lib.LoadSoundLibrary(path);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
}

TEST(LibraryFile, FailedSaveLeavesThePreviousFile)
{
    bw::testing::TempFolder dir;
    SoundLibrary lib;
    addEmpty(lib, "Kick");
    const std::string path = dir.path("default.slb");
    lib.SaveSoundLibrary(path);
    const auto before = bw::readWholeFile(path);
    addEmpty(lib, "Snare");
    EXPECT_THROW(lib.SaveSoundLibrary(dir.path("missing/default.slb")), FileError);
    EXPECT_THROW(lib.SaveSoundLibrary(dir.root().string()), FileError);
    EXPECT_EQ(bw::readWholeFile(path), before);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"default.slb"});
}

} // namespace
