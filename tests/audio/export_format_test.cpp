// FLAC and Ogg Vorbis exports next to the WAV one: the same samples, the same length, and a
// format the library cannot write refused before any file exists.
#include "audio/export_file.h"
#include "tests/data/cli_run.h"
#include "tests/library/temp_folder.h"
#include "tests/support/test_paths.h"

#include <filesystem>
#include <sndfile.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using bw::testing::CliResult;
using bw::testing::runCli;
using bw::testing::TempFolder;

struct Decoded
{
    SF_INFO info{};
    std::vector<std::int16_t> samples;
};

Decoded decode(const std::string& path)
{
    Decoded d;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &d.info);
    EXPECT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
    if (f == nullptr) {
        return d;
    }
    d.samples.resize(static_cast<std::size_t>(d.info.frames * d.info.channels));
    EXPECT_EQ(sf_readf_short(f, d.samples.data(), d.info.frames), d.info.frames);
    sf_close(f);
    return d;
}

CliResult renderStarter(const TempFolder& dir, std::vector<std::string> extra)
{
    const std::string assets(BW_ASSET_DIR);
    std::vector<std::string> args{"render", assets + "/default.bwp", "--library",
                                  assets + "/default.slb", "--song"};
    args.insert(args.end(), extra.begin(), extra.end());
    return runCli(args, dir.root().string(), std::chrono::seconds(120));
}

TEST(ExportFormat, FlacHoldsTheWavSamplesAndOggTheSongsLength)
{
    TempFolder dir;
    ASSERT_TRUE(renderStarter(dir, {"-o", "mix.wav"}).exited(0));
    const CliResult flac = renderStarter(dir, {"-o", "mix.flac"});
    ASSERT_TRUE(flac.exited(0)) << flac.err;
    // An explicit format wins over the suffix.
    const CliResult ogg = renderStarter(dir, {"--format", "ogg", "-o", "mix.audio"});
    ASSERT_TRUE(ogg.exited(0)) << ogg.err;

    const Decoded wav = decode(dir.path("mix.wav"));
    const Decoded f = decode(dir.path("mix.flac"));
    const Decoded o = decode(dir.path("mix.audio"));
    ASSERT_GT(wav.info.frames, 44100);
    EXPECT_EQ(f.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
    EXPECT_EQ(f.info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
    EXPECT_EQ(f.samples, wav.samples);
    EXPECT_EQ(o.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_OGG);
    EXPECT_EQ(o.info.channels, wav.info.channels);
    EXPECT_EQ(o.info.frames, wav.info.frames);
    EXPECT_LT(std::filesystem::file_size(dir.path("mix.flac")),
              std::filesystem::file_size(dir.path("mix.wav")));
    for (const auto& name : dir.entries()) {
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
    }
}

TEST(ExportFormat, FormatsAreNamedBySuffixOrWord)
{
    using bw::audio::ExportFormat;
    EXPECT_EQ(bw::audio::ExportFormatOfName("a/B.FLAC"), ExportFormat::Flac);
    EXPECT_EQ(bw::audio::ExportFormatOfName("b.oga"), ExportFormat::Ogg);
    EXPECT_EQ(bw::audio::ExportFormatOfName("c.ogg"), ExportFormat::Ogg);
    EXPECT_EQ(bw::audio::ExportFormatOfName("flac"), ExportFormat::Wav); // no suffix
    EXPECT_EQ(bw::audio::ExportFormatOfName("d.mp3"), ExportFormat::Wav);
    EXPECT_EQ(bw::audio::ExportFormatNamed("Ogg"), ExportFormat::Ogg);
    EXPECT_FALSE(bw::audio::ExportFormatNamed("mp3").has_value());
    TempFolder dir;
    const CliResult r = renderStarter(dir, {"--format", "mp3", "-o", "x.mp3"});
    EXPECT_TRUE(r.exited(2));
    EXPECT_NE(r.err.find("--format takes wav, flac or ogg"), std::string::npos) << r.err;
}

TEST(ExportFormat, AFormatTheLibraryCannotWriteIsRefusedAndNoFileMade)
{
    EXPECT_EQ(bw::audio::ExportFormatProblem(bw::audio::ExportFormat::Flac, 2), "");
    EXPECT_EQ(bw::audio::ExportFormatProblem(bw::audio::ExportFormat::Ogg, 1), "");
    // Vorbis samples are never 16-bit integers: libsndfile says it cannot.
    const std::string problem =
        bw::audio::SndfileFormatProblem(SF_FORMAT_OGG | SF_FORMAT_PCM_16, 2, "Ogg PCM");
    EXPECT_NE(problem.find("cannot write Ogg PCM files"), std::string::npos) << problem;
    // An abandoned file leaves nothing behind.
    TempFolder dir;
    bw::audio::ExportFileWriter writer(bw::audio::ExportFormat::Flac);
    if (bw::audio::ExportFormatProblem(bw::audio::ExportFormat::Flac, 2).empty()) {
        ASSERT_TRUE(writer.open(dir.path("ok.flac"), 2, 0));
        writer.abandon();
    }
    EXPECT_TRUE(dir.entries().empty());
}

} // namespace
