// Stems: one file per track that sounds, written in the mix's pass, as long as the mix and
// summing back to it; a failed export leaves the folder as it was.
#include "audio/stem_export.h"
#include "library/atomic_file.h"
#include "tests/data/cli_run.h"
#include "tests/library/temp_folder.h"
#include "tests/support/test_paths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sndfile.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::testing::CliResult;
using bw::testing::runCli;
using bw::testing::TempFolder;

std::vector<std::int16_t> samplesOf(const std::string& path, SF_INFO& info)
{
    info = SF_INFO{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << path;
    if (f == nullptr) {
        return {};
    }
    std::vector<std::int16_t> out(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_short(f, out.data(), info.frames);
    sf_close(f);
    return out;
}

CliResult renderStarter(const TempFolder& dir, const std::vector<std::string>& extra)
{
    const std::string assets(BW_ASSET_DIR);
    std::vector<std::string> args{"render", assets + "/default.bwp", "--library",
                                  assets + "/default.slb", "--song"};
    args.insert(args.end(), extra.begin(), extra.end());
    return runCli(args, dir.root().string(), std::chrono::seconds(120));
}

TEST(StemExport, StarterSongStemsHaveTheMixLengthAndSumToIt)
{
    TempFolder dir;
    const CliResult r = renderStarter(dir, {"-o", "mix.wav", "--stems", "stems"});
    ASSERT_TRUE(r.exited(0)) << r.err;
    ASSERT_NE(r.err.find("clip count: 0"), std::string::npos) << r.err; // the mix never clips
    SF_INFO mixInfo{};
    const std::vector<std::int16_t> mix = samplesOf(dir.path("mix.wav"), mixInfo);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path("stems"))) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    ASSERT_GE(names.size(), 2U);
    EXPECT_EQ(names.front(), "01 Kick Punch.wav");
    std::vector<std::int32_t> sum(mix.size(), 0);
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        SF_INFO info{};
        const std::vector<std::int16_t> stem = samplesOf(dir.path("stems/" + name), info);
        EXPECT_EQ(info.frames, mixInfo.frames);
        EXPECT_EQ(info.channels, mixInfo.channels);
        ASSERT_EQ(stem.size(), mix.size());
        EXPECT_TRUE(std::any_of(stem.begin(), stem.end(), [](std::int16_t v) { return v != 0; }));
        for (std::size_t i = 0; i < stem.size(); ++i) {
            sum[i] += stem[i];
        }
    }
    const auto lsb = static_cast<std::int32_t>(names.size());
    for (std::size_t i = 0; i < mix.size(); ++i) {
        ASSERT_LE(std::abs(sum[i] - mix[i]), lsb) << "value " << i;
    }
}

TEST(StemExport, StemsAloneTakeTheChosenFormat)
{
    TempFolder dir;
    const CliResult r = renderStarter(dir, {"--stems", "out", "--format", "flac"});
    ASSERT_TRUE(r.exited(0)) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("mix.wav")));
    EXPECT_TRUE(std::filesystem::exists(dir.path("out/01 Kick Punch.flac")));
}

TEST(StemExport, AFailedStemsExportLeavesTheFolderAsItWas)
{
    TempFolder dir;
    std::filesystem::create_directories(dir.path("stems/02 Snare.wav")); // cannot be replaced
    const std::vector<std::uint8_t> old{'o', 'l', 'd'};
    bw::writeFileAtomically(dir.path("stems/01 Kick Punch.wav"), old);
    const CliResult r = renderStarter(dir, {"--stems", "stems"});
    EXPECT_TRUE(r.exited(1)) << r.err;
    EXPECT_NE(r.err.find("02 Snare.wav is a folder"), std::string::npos) << r.err;
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path("stems"))) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"01 Kick Punch.wav", "02 Snare.wav"}));
    EXPECT_EQ(bw::readWholeFile(dir.path("stems/01 Kick Punch.wav")), old);
    // A stems folder named by a file is refused.
    bw::writeFileAtomically(dir.path("plain"), old);
    const CliResult file = renderStarter(dir, {"--stems", "plain"});
    EXPECT_TRUE(file.exited(1));
    EXPECT_NE(file.err.find("plain is not a folder"), std::string::npos) << file.err;
}

TEST(StemExport, AnExportWhereNoTrackSoundsLeavesNoFolderItMade)
{
    TempFolder dir;
    bw::audio::StemExport stems;
    ASSERT_EQ(stems.begin(dir.path("made"), bw::audio::ExportFormat::Wav, 0.6, 2), "");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("made")));
    stems.commit();
    EXPECT_FALSE(std::filesystem::exists(dir.path("made")));
    std::filesystem::create_directories(dir.path("there"));
    ASSERT_EQ(stems.begin(dir.path("there"), bw::audio::ExportFormat::Wav, 0.6, 2), "");
    stems.commit();
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("there"))) << "not made by the export";
}

TEST(StemExport, FileNamesAreTheTrackNumberAndASafeSoundName)
{
    using bw::audio::ExportFormat;
    using bw::audio::StemFileName;
    EXPECT_EQ(StemFileName(0, "Kick", ExportFormat::Wav), "01 Kick.wav");
    EXPECT_EQ(StemFileName(11, "a/b\\c:d*e?f\"g<h>i|j", ExportFormat::Flac),
              "12 a_b_c_d_e_f_g_h_i_j.flac");
    EXPECT_EQ(StemFileName(30, std::string("x\ny\x7f", 4) + "  ", ExportFormat::Ogg),
              "31 x_y_.ogg");
    EXPECT_EQ(StemFileName(2, "", ExportFormat::Wav), "03 track.wav");
    EXPECT_EQ(StemFileName(3, "..", ExportFormat::Wav), "04 ...wav"); // no path of its own
}

} // namespace
