// Golden renders: a few short songs exported through the real engine, each file compared by
// its SHA-256 with the digest kept in tests/data/golden_digests.txt. A digest only guards
// against change; the plain checks beside each song make sure what was frozen is right.
// BW_UPDATE_GOLDEN=1 stores new digests instead of comparing (see README).
#include "golden_render.h"
#include "golden_sounds.h"
#include "sha256.h"

#include <filesystem>
#include <iostream>

#include <gtest/gtest.h>

namespace bw::test::golden {
namespace {

/// Slot of a point offset/256 of a beat into beat `beat` of a pattern of `beats` beats.
int slotAt(int beats, int beat, int offset)
{
    return beat * core::SlotResolution / beats + offset / beats;
}

/// First frame of a point offset/256 of a beat into beat `beat` of the file.
std::int64_t frameAt(const RenderView& r, int beat, int offset)
{
    const std::int64_t blockValues = 2 * static_cast<std::int64_t>(r.framesPerBeat());
    return beat * static_cast<std::int64_t>(r.framesPerBeat()) + offset * blockValues / 256 / 2;
}

constexpr int Left = 0;
constexpr int Right = 1;

// ---------------------------------------------------------------------------------------------
// shuffle_groove: pattern mode at 126 bpm (21000 frames a beat), swing on the sixteenths. Kick
// and snare are panned hard left and the hats hard right, so the right channel holds nothing
// but the hats and shows where each one starts.

void buildShuffleGroove(EngineDoc& doc)
{
    core::TSong& s = *doc.song;
    s.Bpm = 126;
    s.ShuffleAmount = 60;
    s.ShuffleDivision = 2; // steps of half a beat: the second sixteenth of each is late
    doc.track(0, "Kick", 7500, 0);
    doc.track(1, "Snare", 7000, 0);
    doc.track(2, "ClosedHat", 9000, 2000);
    for (int b = 0; b < 4; ++b) {
        doc.event(0, slotAt(4, b, 0), 10000);
        for (int o = 0; o < 256; o += 64) {
            doc.event(2, slotAt(4, b, o), o % 128 == 0 ? 9000 : 5000);
        }
    }
    doc.event(1, slotAt(4, 1, 0), 9000);
    doc.event(1, slotAt(4, 3, 0), 9000);
    doc.event(1, slotAt(4, 2, 192), 3000); // a swung ghost note
}

void checkShuffleGroove(const RenderView& r, const EngineDoc&)
{
    // Steps of 128, half-step 64: offsets 0 and 128 stay, 64 goes to 126 - (40 × 64) / 100 =
    // 101 and 192 to 128 + 101 = 229 (frames 8285 and 18785 of the beat, not 5250 and 15750).
    std::vector<std::int64_t> hats;
    for (int b = 0; b < 4; ++b) {
        for (const int o : {0, 101, 128, 229}) {
            hats.push_back(frameAt(r, b, o));
        }
    }
    EXPECT_EQ(hats[1], 8285);
    EXPECT_EQ(r.onsets(Right, 100, 150), hats);
    // Kicks on the beats, snares under them, the ghost note swung like the hats.
    const std::vector<std::int64_t> leftHits = {0, frameAt(r, 1, 0), frameAt(r, 2, 0),
                                                frameAt(r, 2, 229)};
    EXPECT_EQ(r.onsets(Left, 100, 2000), leftHits);
}

// ---------------------------------------------------------------------------------------------
// echo_pitch: pattern mode, 2 beats at 120 bpm, echoes every third of a beat. Track 0 sounds
// hard left (pan 300 - 500, held at 0), track 1 hard right (1700 + 600, held at 2000), so each
// channel shows one event and its echo train. Pitches add event, track and pattern transpose.

void buildEchoPitch(EngineDoc& doc)
{
    core::TSong& s = *doc.song;
    s.Beats = 2;
    s.Transpose = -1;
    s.DelayDivision = 3;
    s.DelayFeedback = 70;
    s.DelayRepeats = 3; // four echoes
    core::TTrack& left = doc.track(0, "Blip", 9000, 300);
    left.Transpose = 2;
    left.DelaySend = 800;
    core::TTrack& right = doc.track(1, "Blip", 8000, 1700);
    right.Transpose = -3;
    right.DelaySend = 500;
    doc.event(0, slotAt(2, 0, 0), 10000, 0, -500); // pitch 0 + 2 - 1 = +1
    doc.event(1, slotAt(2, 1, 32), 9000, 7, 600);  // pitch 7 - 3 - 1 = +3
}

void checkEchoPitch(const RenderView& r, const EngineDoc&)
{
    // Echoes 85, 170, 255 and 340 (next beat, 84) units after the event.
    const std::vector<std::int64_t> left = {0, frameAt(r, 0, 85), frameAt(r, 0, 170),
                                            frameAt(r, 0, 255), frameAt(r, 1, 84)};
    EXPECT_EQ(r.onsets(Left, 100), left);
    // Right: the file's first pass begins with the last two echoes of the pass before it
    // (32 + 255 and 32 + 340 units after beat 1), then the event and its first two echoes.
    const std::vector<std::int64_t> right = {frameAt(r, 0, 31), frameAt(r, 0, 116),
                                             frameAt(r, 1, 32), frameAt(r, 1, 117),
                                             frameAt(r, 1, 202)};
    EXPECT_EQ(r.onsets(Right, 100), right);

    // Echo g has volume 9000 × 801 / 1001 = 7201, times 71 / 101 (g + 1) times; a level of v
    // peaks at v × 4 / 5 × 12000 / 10000.
    const std::int32_t leftPeaks[] = {8640, 3415, 2400, 1687, 1185};
    for (std::size_t i = 0; i < left.size(); ++i) {
        EXPECT_EQ(r.peak(Left, left[i], left[i] + 1000), leftPeaks[i]) << "echo " << i;
    }
    // The square wave keeps full level to its end, so a voice's length shows the pitch: 1499
    // samples × 2^(-1/12) = 1414.9, × 2^(-3/12) = 1260.5.
    EXPECT_EQ(r.lastNonZero(Left, 0, left[1]), 1413);
    EXPECT_EQ(r.lastNonZero(Right, right[2], right[3]), right[2] + 1259);
}

// ---------------------------------------------------------------------------------------------
// choke_mono: pattern mode, mono, 150 bpm (17640 frames a beat). Closed hats cut open hats,
// once within a beat and once an open hat that has sounded since the beat before.

void buildChokeMono(EngineDoc& doc)
{
    core::TSong& s = *doc.song;
    s.Bpm = 150;
    s.Stereo = 0;
    doc.track(0, "OpenHat");
    doc.track(1, "ClosedHat", 8000);
    doc.track(2, "Kick", 9000, 0); // pan means nothing in mono
    doc.event(0, slotAt(4, 0, 0), 10000);
    doc.event(1, slotAt(4, 0, 128), 10000);
    doc.event(0, slotAt(4, 1, 192), 9000);
    doc.event(1, slotAt(4, 2, 64), 10000);
    doc.event(0, slotAt(4, 3, 0), 10000); // not choked: rings into the next pass
    doc.event(2, slotAt(4, 3, 0), 10000, 0, 700);
}

void checkChokeMono(const RenderView& r, const EngineDoc&)
{
    const std::int64_t closed1 = frameAt(r, 0, 128);
    const std::int64_t open2 = frameAt(r, 1, 192);
    const std::int64_t closed2 = frameAt(r, 2, 64);
    const std::int64_t open3 = frameAt(r, 3, 0);
    const auto hatLength = static_cast<std::int64_t>(ClosedHatLength);
    // The open hats sound up to each closed hat, and once its 2000 samples are over all is
    // silent: the open hats were cut (they would ring for 40000 samples).
    EXPECT_GT(r.peak(Left, closed1 - 500, closed1), 0);
    EXPECT_GT(r.peak(Left, closed2 - 500, closed2), 0);
    EXPECT_TRUE(r.silent(closed1 + hatLength, open2));
    EXPECT_TRUE(r.silent(closed2 + hatLength, open3));
    EXPECT_EQ(r.lastNonZero(Left, closed1, open2), closed1 + hatLength - 1);
    // Unchoked, an open hat outlasts the beat.
    EXPECT_GT(r.peak(Left, r.frames() - 200, r.frames()), 0);
}

// ---------------------------------------------------------------------------------------------
// stretch_pan: pattern mode at 97 bpm (27278 frames a beat, a tempo that does not divide
// evenly). "Loop" is stretched to exactly 2 beats and "Stab" to half a beat whatever their
// pitch; both are positive throughout, so a voice's extent and pan weights read straight off.

void buildStretchPan(EngineDoc& doc)
{
    core::TSong& s = *doc.song;
    s.Bpm = 97;
    doc.track(0, "Loop", 8000, 600);
    doc.track(1, "Stab", 10000, 1400);
    doc.event(0, slotAt(4, 0, 0), 10000, 5, 400);    // pan 1000; pitch ignored
    doc.event(1, slotAt(4, 2, 128), 10000, 0, -900); // pan 500: right at half weight
    doc.event(1, slotAt(4, 3, 64), 7000, -4, 0);     // pan 1400: left at 600/1000; pitch ignored
}

void checkStretchPan(const RenderView& r, const EngineDoc&)
{
    const std::int64_t loopEnd = 2 * static_cast<std::int64_t>(r.framesPerBeat());
    const std::int64_t stab1 = frameAt(r, 2, 128);
    const std::int64_t stab2 = frameAt(r, 3, 64);
    const std::int64_t stabLength = r.framesPerBeat() / 2;
    EXPECT_EQ(stab1, 68195);
    EXPECT_EQ(stab2, 88653);

    bool loopWhole = true;
    bool loopCentred = true;
    for (std::int64_t f = 0; f < loopEnd; ++f) {
        loopWhole = loopWhole && r.at(f, Left) > 0;
        loopCentred = loopCentred && r.at(f, Left) == r.at(f, Right);
    }
    EXPECT_TRUE(loopWhole) << "the loop fills its two beats without a gap";
    EXPECT_TRUE(loopCentred);
    EXPECT_TRUE(r.silent(loopEnd, stab1));

    bool stab1Panned = true;
    for (std::int64_t f = stab1; f < stab1 + stabLength; ++f) {
        stab1Panned = stab1Panned && r.at(f, Left) > 0 && r.at(f, Right) == r.at(f, Left) / 2;
    }
    EXPECT_TRUE(stab1Panned);
    EXPECT_TRUE(r.silent(stab1 + stabLength, stab2));

    bool stab2Panned = true;
    for (std::int64_t f = stab2; f < stab2 + stabLength; ++f) {
        stab2Panned =
            stab2Panned && r.at(f, Right) > 0 && r.at(f, Left) == r.at(f, Right) * 600 / 1000;
    }
    EXPECT_TRUE(stab2Panned);
    EXPECT_TRUE(r.silent(stab2 + stabLength, r.frames()));
}

// ---------------------------------------------------------------------------------------------
// song_arrangement: song mode at 120 bpm, master volume 9000, stop position 7 (8 beats).
// "Intro" (2 beats) at 0 and 6, "Verse" (4 beats, transposed +3) at 2, "Fill" (1 beat) at 5 on
// top of the Verse's last beat. The Verse's pad chord is loud enough to saturate and long
// enough to take the two-thread mixing path.

void buildSongArrangement(EngineDoc& doc)
{
    core::TSong& s = *doc.song;
    s.MasterVolume = 9000;
    s.StopPosition = 7;

    // Intro, in the working copy of pattern 0.
    s.pattern(0).Name.assign("Intro");
    s.Beats = 2;
    doc.track(0, "Kick");
    doc.track(1, "Snare", 8000);
    doc.track(2, "ClosedHat", 7000, 1300);
    for (int b = 0; b < 2; ++b) {
        doc.event(0, slotAt(2, b, 0), 10000);
        doc.event(2, slotAt(2, b, 0), 8000, 0, -300);
        doc.event(2, slotAt(2, b, 128), 5000, 0, 300);
    }
    doc.event(1, slotAt(2, 1, 0), 9000);
    core::StoreWorkingCopy(s, 0);

    core::AddPattern(s, "Verse");
    core::InitPattern(s, 1);
    core::LoadWorkingCopy(s, 1);
    s.Transpose = 3;
    doc.track(0, "Kick");
    doc.track(1, "Snare", 8000);
    doc.track(2, "ClosedHat", 7000, 700);
    const int chord[] = {0, 4, 7, 12};
    const int pans[] = {200, 800, 1200, 1800};
    for (int v = 0; v < 4; ++v) {
        doc.track(3 + v, "Pad", 10000, pans[v]);
        doc.event(3 + v, slotAt(4, 0, 0), 10000, chord[v]);
        doc.event(3 + v, slotAt(4, 2, 0), 8000, chord[v]);
    }
    s.Tracks[3].Transpose = -12; // the root an octave down, sounding into the next beat
    for (int b = 0; b < 4; ++b) {
        doc.event(0, slotAt(4, b, 0), 10000);
        for (int o = 0; o < 256; o += 64) {
            doc.event(2, slotAt(4, b, o), o == 0 ? 8000 : 4000, 0, (o / 64 - 1) * 400);
        }
    }
    doc.event(1, slotAt(4, 1, 0), 9000);
    doc.event(1, slotAt(4, 3, 0), 9000);
    core::StoreWorkingCopy(s, 1);

    core::AddPattern(s, "Fill");
    core::InitPattern(s, 2);
    core::LoadWorkingCopy(s, 2);
    s.Beats = 1;
    doc.track(1, "Snare");
    doc.event(1, slotAt(1, 0, 0), 4000, 0, -600);
    doc.event(1, slotAt(1, 0, 64), 6000, 2);
    doc.event(1, slotAt(1, 0, 128), 8000, 4, 600);
    core::StoreWorkingCopy(s, 2);

    core::LoadWorkingCopy(s, 0);
    core::AddSeqEntry(s, 0, "Intro");
    core::AddSeqEntry(s, 2, "Verse");
    core::AddSeqEntry(s, 5, "Fill");
    core::AddSeqEntry(s, 6, "Intro");
}

void checkSongArrangement(const RenderView& r, const EngineDoc& doc)
{
    const std::int64_t beat = r.framesPerBeat();
    for (int b = 0; b < 8; ++b) {
        EXPECT_FALSE(r.silent(b * beat, (b + 1) * beat)) << "beat " << b;
    }
    // Nothing rings from beat 5 into beat 6, so the Intro's second placement is its first.
    bool introRepeats = true;
    for (std::int64_t f = 0; f < 2 * beat; ++f) {
        for (int c = 0; c < 2; ++c) {
            introRepeats = introRepeats && r.at(f, c) == r.at(6 * beat + f, c);
        }
    }
    EXPECT_TRUE(introRepeats);
    // Song beats 3 and 5 are both the Verse's second half (beats 1 and 3, the same events);
    // beat 5 also has the Fill's snare roll, whose last note ends 19845 frames in.
    const std::int64_t fillEnd = frameAt(r, 0, 128) + static_cast<std::int64_t>(SnareLength);
    bool fillHeard = false;
    bool sameAfterFill = true;
    for (std::int64_t f = 0; f < beat; ++f) {
        const bool same = r.at(3 * beat + f, Left) == r.at(5 * beat + f, Left) &&
                          r.at(3 * beat + f, Right) == r.at(5 * beat + f, Right);
        fillHeard = fillHeard || (f < 100 && !same);
        sameAfterFill = sameAfterFill && (f < fillEnd || same);
    }
    EXPECT_TRUE(fillHeard);
    EXPECT_TRUE(sameAfterFill);
    EXPECT_GT(doc.lastClips, 0) << "the pad chord should saturate";
}

// ---------------------------------------------------------------------------------------------

struct GoldenSong
{
    const char* name;
    bool wholeSong;
    int beats; // in the exported file
    void (*build)(EngineDoc&);
    void (*check)(const RenderView&, const EngineDoc&);
};

const GoldenSong Songs[] = {
    {"shuffle_groove", false, 4, buildShuffleGroove, checkShuffleGroove},
    {"echo_pitch", false, 2, buildEchoPitch, checkEchoPitch},
    {"choke_mono", false, 4, buildChokeMono, checkChokeMono},
    {"stretch_pan", false, 4, buildStretchPan, checkStretchPan},
    {"song_arrangement", true, 8, buildSongArrangement, checkSongArrangement},
};

void PrintTo(const GoldenSong& song, std::ostream* out)
{
    *out << song.name;
}

class GoldenRender : public ::testing::TestWithParam<GoldenSong>
{
};

TEST_P(GoldenRender, MatchesItsDigest)
{
    const GoldenSong& song = GetParam();
    ScratchDir dir;
    EngineDoc doc;
    addKit(doc);
    song.build(doc);
    const std::int32_t framesPerBeat = 2646000 / doc.song->Bpm;
    const int channels = doc.song->Stereo == 1 ? 2 : 1;
    const WavFile wav = doc.exportTo(dir.file(std::string(song.name) + ".wav"), song.wholeSong);
    ASSERT_TRUE(doc.lastFailure.empty()) << doc.lastFailure;

    // The file the song must give: its beats of one block each, in its channel count.
    const auto dataBytes = static_cast<std::uint32_t>(song.beats * framesPerBeat * channels * 2);
    ASSERT_EQ(wav.channels, channels);
    ASSERT_EQ(wav.dataSize, dataBytes);
    ASSERT_EQ(wav.bytes.size(), 44U + dataBytes);
    const RenderView view(wav, framesPerBeat);
    EXPECT_FALSE(view.silent(0, view.frames()));
    song.check(view, doc);

    const DigestLine actual{song.name, testing::Sha256::hexOf(wav.bytes.data(), wav.bytes.size()),
                            wav.bytes.size()};
    const std::string path = digestFilePath();
    if (updatingGoldens()) {
        if (HasFailure()) {
            ADD_FAILURE() << "Not storing the digest of \"" << song.name
                          << "\": the render fails its checks.";
            return;
        }
        std::cout << formatDigestLine(actual) << '\n';
        storeDigest(path, actual);
        return;
    }
    const auto expected = findDigest(path, song.name);
    ASSERT_TRUE(expected.has_value())
        << "No digest for \"" << song.name << "\" in " << path
        << "; run the test with BW_UPDATE_GOLDEN=1 to add it:\n  " << formatDigestLine(actual);
    if (expected->digest != actual.digest || expected->size != actual.size) {
        // Kept outside the repository so the reviewer can listen to the new render.
        const std::filesystem::path kept = std::filesystem::temp_directory_path() /
                                           ("beatwright-golden-" + std::string(song.name) + ".wav");
        std::filesystem::copy_file(dir.file(std::string(song.name) + ".wav"), kept,
                                   std::filesystem::copy_options::overwrite_existing);
        ADD_FAILURE() << "The render of \"" << song.name << "\" changed.\n"
                      << "  expected " << expected->digest << " (" << expected->size << " bytes)\n"
                      << "  actual   " << actual.digest << " (" << actual.size << " bytes)\n"
                      << "  render: " << view.describe() << "\n"
                      << "  kept as " << kept.string() << "\n"
                      << "If the change is intended, listen to it and rerun with "
                         "BW_UPDATE_GOLDEN=1.";
    }
}

INSTANTIATE_TEST_SUITE_P(Songs,
                         GoldenRender,
                         ::testing::ValuesIn(Songs),
                         [](const ::testing::TestParamInfo<GoldenSong>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
} // namespace bw::test::golden
