// `beatwright-cli add-sound` run as a separate program.
#include "library/atomic_file.h"
#include "library/sample_import.h"
#include "library/sound_library.h"
#include "tests/data/cli_run.h"
#include "tests/library/temp_folder.h"
#include "tests/library/wav_builder.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::library::SoundLibrary;
using bw::testing::CliRun;
using bw::testing::TempFolder;
using bw::testing::WavBuilder;

CliRun addSound(const TempFolder& dir, const std::string& arguments)
{
    return bw::testing::runCliLine(dir.root().string(), "add-sound " + arguments);
}

std::string quoted(const std::string& s)
{
    return "'" + s + "'";
}

/// One second of a 1 kHz sine, stereo 48 kHz 24-bit, with a LIST chunk before the data.
std::vector<std::uint8_t> stereoSine()
{
    std::vector<std::uint8_t> data;
    for (const double v : bw::testing::sine(1000, 48000, 48000, 0.5)) {
        const auto i = static_cast<std::uint32_t>(std::lrint(v * 8388607));
        for (int channel = 0; channel < 2; ++channel) {
            data.push_back(static_cast<std::uint8_t>(i));
            data.push_back(static_cast<std::uint8_t>(i >> 8));
            data.push_back(static_cast<std::uint8_t>(i >> 16));
        }
    }
    return WavBuilder().fmt(1, 2, 48000, 24).list("Recorder").data(data).bytes();
}

SoundLibrary loaded(const std::string& path)
{
    SoundLibrary lib;
    lib.LoadSoundLibrary(path);
    return lib;
}

TEST(CliAddSound, AddsWhatTheWindowAdds)
{
    TempFolder dir;
    const std::string wav = dir.path("sine.wav");
    const std::string slb = dir.path("kit.slb");
    bw::writeFileAtomically(wav, stereoSine());

    CliRun r = addSound(dir, quoted(wav) + " --library " + quoted(slb));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "sine.wav\n");
    EXPECT_EQ(r.err, slb + ": new library\n");

    // The window: load, Select All, ADD.
    bw::library::SampleImport window;
    ASSERT_TRUE(window.LoadWave(wav).ok);
    SoundLibrary viaWindow;
    ASSERT_EQ(window.Add(viaWindow, "sine.wav", "").status,
              bw::library::SampleImport::AddResult::Status::Added);
    EXPECT_EQ(bw::readWholeFile(slb), viaWindow.serialize());
    const SoundLibrary lib = loaded(slb);
    ASSERT_EQ(lib.count(), 1);
    EXPECT_NEAR(lib.at(0).DataSize, 88200, 2);
    EXPECT_NEAR(bw::testing::zeroCrossingFrequency(*lib.at(0).Data, 44100), 1000.0, 1.0);

    // A taken name gets the next suffix; --name chooses another.
    r = addSound(dir, quoted(wav) + " --library " + quoted(slb));
    EXPECT_EQ(r.out, "sine.wav(2)\n");
    EXPECT_EQ(r.err, "");
    r = addSound(dir, "--name 'Sine 1k' --library " + quoted(slb) + " " + quoted(wav));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Sine 1k\n");
    const SoundLibrary three = loaded(slb);
    ASSERT_EQ(three.count(), 3);
    EXPECT_EQ(*three.at(2).Data, *three.at(0).Data);
}

TEST(CliAddSound, CanonicalFileAddsExactlyItsSamplesAndLongOnesAreCut)
{
    TempFolder dir;
    std::vector<std::int16_t> samples(441005);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(i * 31);
    }
    bw::writeFileAtomically(dir.path("long.wav"), bw::testing::canonicalWav(samples));
    const std::vector<std::int16_t> first(samples.begin(), samples.begin() + 441000);
    bw::writeFileAtomically(dir.path("ten.wav"), bw::testing::canonicalWav(first));
    const std::string slb = dir.path("kit.slb");

    CliRun r = addSound(dir, quoted(dir.path("ten.wav")) + " --library " + quoted(slb));
    ASSERT_EQ(r.status, 0) << r.err;
    r = addSound(dir, quoted(dir.path("long.wav")) + " --library " + quoted(slb));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "The File is to big. I cut it !\n");
    const SoundLibrary lib = loaded(slb);
    ASSERT_EQ(lib.count(), 2);
    EXPECT_EQ(*lib.at(0).Data, first);
    EXPECT_EQ(*lib.at(1).Data, first);
}

TEST(CliAddSound, RefusedFilesLeaveTheLibraryAsItWas)
{
    TempFolder dir;
    const std::string slb = dir.path("kit.slb");
    SoundLibrary lib;
    const std::uint8_t pcm[] = {1, 2, 3, 4};
    lib.AddSound("Kick", "Hat", 1, 2, 1, 4, pcm);
    lib.SaveSoundLibrary(slb);
    const auto before = bw::readWholeFile(slb);

    auto damaged = bw::testing::canonicalWav(std::vector<std::int16_t>(100, 5));
    damaged[12] = 'X'; // "fmt " is no longer there
    bw::writeFileAtomically(dir.path("damaged.wav"), damaged);
    CliRun r = addSound(dir, quoted(dir.path("damaged.wav")) + " --library " + quoted(slb));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, dir.path("damaged.wav") + ": the file has no \"fmt \" chunk\n");
    EXPECT_EQ(bw::readWholeFile(slb), before);

    bw::writeFileAtomically(dir.path("text.wav"), std::vector<std::uint8_t>(300, 'a'));
    r = addSound(dir, quoted(dir.path("text.wav")) + " --library " + quoted(slb));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, dir.path("text.wav") + ": not a WAV, AIFF or FLAC file\n");
    r = addSound(dir, quoted(dir.path("missing.wav")) + " --library " + quoted(slb));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, dir.path("missing.wav") + ": No such file or directory\n");
    EXPECT_EQ(bw::readWholeFile(slb), before);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"damaged.wav", "kit.slb", "text.wav"}));

    // A library that cannot be read is not replaced either.
    bw::writeFileAtomically(dir.path("ok.wav"), bw::testing::canonicalWav({1, 2, 3}));
    auto cut = before;
    cut.pop_back();
    bw::writeFileAtomically(slb, cut);
    r = addSound(dir, quoted(dir.path("ok.wav")) + " --library " + quoted(slb));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(slb), std::string::npos) << r.err;
    EXPECT_EQ(bw::readWholeFile(slb), cut);

    // One the sound would take past the size limit is refused before it is read (a sparse
    // file just under the limit: reading it would fail otherwise, and slowly).
    const std::string full = dir.path("full.slb");
    bw::writeFileAtomically(full, {});
    std::filesystem::resize_file(full, bw::library::MaxLibraryFileBytes - 10);
    r = addSound(dir, quoted(dir.path("ok.wav")) + " --library " + quoted(full));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the sound library would take"), std::string::npos) << r.err;
    EXPECT_EQ(std::filesystem::file_size(full), bw::library::MaxLibraryFileBytes - 10);

    EXPECT_EQ(addSound(dir, quoted(dir.path("ok.wav"))).status, 2);
    EXPECT_EQ(addSound(dir, "--library " + quoted(slb)).status, 2);
}

TEST(CliAddSound, WritersOfOneLibraryAtOnceLoseNoSound)
{
    TempFolder dir;
    const std::string slb = dir.path("kit.slb");
    SoundLibrary lib;
    const std::uint8_t pcm[] = {1, 2, 3, 4};
    for (const char* name : {"Kick", "Snare", "Hat"}) {
        lib.AddSound(name, "", 0, 0, 0, 4, pcm);
    }
    lib.SaveSoundLibrary(slb);
    bw::writeFileAtomically(dir.path("tone.wav"), bw::testing::canonicalWav({1, 2, 3, 4, 5}));

    // Each reads, adds and writes; without a lock between them the last rename wins.
    std::vector<std::thread> writers;
    std::vector<CliRun> runs(8);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        // Each keeps its outputs in a folder of its own.
        const std::string own = dir.path("w" + std::to_string(i));
        std::filesystem::create_directory(own);
        writers.emplace_back([&, i, own] {
            runs[i] = bw::testing::runCliLine(own, "add-sound --name p" + std::to_string(i) +
                                                       " --library " + quoted(slb) + " " +
                                                       quoted(dir.path("tone.wav")));
        });
    }
    for (auto& w : writers) {
        w.join();
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        std::filesystem::remove(dir.path("w" + std::to_string(i)));
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].status, 0) << runs[i].err;
        EXPECT_EQ(runs[i].out, "p" + std::to_string(i) + "\n");
    }
    const SoundLibrary after = loaded(slb);
    EXPECT_EQ(after.count(), 11);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_GE(after.FindSound("p" + std::to_string(i)), 0) << i;
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"kit.slb", "tone.wav"}));
}

TEST(CliAddSound, ControlBytesAreShownEscapedAndAnEmptyNameIsRefused)
{
    TempFolder dir;
    const std::string wav = dir.path("tone.wav");
    bw::writeFileAtomically(wav, bw::testing::canonicalWav({1, 2, 3}));
    const std::string slb = dir.path("kit.slb");

    // The bytes themselves go to the program (quoted for the shell).
    CliRun r = addSound(dir, quoted(wav) + " --library " + quoted(slb) + " --name " +
                                 quoted("\x1B]0;x\a"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\\x1B]0;x\\x07\n");
    EXPECT_EQ(loaded(slb).SoundNameAt(0), "\x1B]0;x\a"); // stored as given

    r = addSound(dir, quoted(wav) + " --library " + quoted(dir.path("new\x1B[31m.slb")));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, dir.path("new\\x1B[31m.slb") + ": new library\n");
    r = addSound(dir, quoted(dir.path("n\x1B[2Jo.wav")) + " --library " + quoted(slb));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, dir.path("n\\x1B[2Jo.wav") + ": No such file or directory\n");

    // Names in other alphabets stay as they are.
    r = addSound(dir, quoted(wav) + " --library " + quoted(dir.path("Schlagzeug-äß.slb")));
    EXPECT_EQ(r.err, dir.path("Schlagzeug-äß.slb") + ": new library\n");

    // A sound without a name could never be chosen for a track.
    r = addSound(dir, quoted(wav) + " --library " + quoted(slb) + " --name ''");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "add-sound: the name given with --name is empty\n");
    EXPECT_EQ(loaded(slb).count(), 1);
}

} // namespace
