// The stems' writer threads: every file gets its own blocks in order while the next batch is
// filled, and a write that fails on a writer thread reaches the export.
#include "audio/stem_writers.h"
#include "tests/library/temp_folder.h"

#include <csignal>
#include <filesystem>
#include <sndfile.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

namespace {

using bw::audio::ExportFileWriter;
using bw::audio::ExportFormat;
using bw::audio::StemWriters;
using bw::testing::TempFolder;

constexpr int Files = 3;

/// Opens Files WAV writers in dir.
std::vector<std::unique_ptr<ExportFileWriter>> openFiles(const TempFolder& dir)
{
    std::vector<std::unique_ptr<ExportFileWriter>> files;
    for (int i = 0; i < Files; ++i) {
        files.push_back(std::make_unique<ExportFileWriter>(ExportFormat::Wav));
        EXPECT_TRUE(files.back()->open(dir.path("f" + std::to_string(i) + ".wav"), 2, 0));
    }
    return files;
}

std::vector<ExportFileWriter*> pointers(const std::vector<std::unique_ptr<ExportFileWriter>>& f)
{
    std::vector<ExportFileWriter*> out;
    for (const auto& p : f) {
        out.push_back(p.get());
    }
    return out;
}

TEST(StemWriters, EveryFileGetsItsOwnBlocksInOrder)
{
    TempFolder dir;
    auto files = openFiles(dir);
    StemWriters writers;
    constexpr int Blocks = 40;
    constexpr int Frames = 300;
    for (int b = 0; b < Blocks; ++b) {
        // The block's buffer is handed over by swapping, as the renderer does: a stale value
        // left in a swapped buffer would show in the files.
        writers.write(pointers(files), Frames, [b](std::size_t i, std::vector<std::int16_t>& v) {
            v.assign(2 * Frames, static_cast<std::int16_t>(100 * static_cast<int>(i) + b));
        });
    }
    writers.flush();
    writers.stop();
    for (int i = 0; i < Files; ++i) {
        files[static_cast<std::size_t>(i)]->commit();
        SF_INFO info{};
        SNDFILE* f = sf_open(dir.path("f" + std::to_string(i) + ".wav").c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(info.frames, Blocks * Frames);
        std::vector<std::int16_t> got(static_cast<std::size_t>(2 * info.frames));
        sf_readf_short(f, got.data(), info.frames);
        sf_close(f);
        for (int b = 0; b < Blocks; ++b) {
            EXPECT_EQ(got[static_cast<std::size_t>(2 * b * Frames)], 100 * i + b);
            EXPECT_EQ(got[static_cast<std::size_t>(2 * (b + 1) * Frames - 1)], 100 * i + b);
        }
    }
}

TEST(StemWriters, AWriteThatFailsOnAWriterThreadReachesTheExport)
{
    TempFolder dir;
    auto files = openFiles(dir);
    // Files may grow to 64 KiB only: the writers' writes fail with "File too large".
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    {
        StemWriters writers;
        try {
            for (int b = 0; b < 100; ++b) {
                writers.write(pointers(files), 1000,
                              [](std::size_t, std::vector<std::int16_t>& v) { v.assign(2000, 7); });
            }
            writers.flush();
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    for (auto& f : files) {
        f->abandon();
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.root()));
}

} // namespace
