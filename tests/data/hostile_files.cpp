#include "tests/data/hostile_files.h"

#include "library/sound_library.h"
#include "tests/core/bwp_builder.h"

#include <cmath>
#include <limits>

namespace bw::hostile {

namespace {

constexpr std::int32_t IntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t IntMin = std::numeric_limits<std::int32_t>::min();

/// What one hostile song sets; everything else is a small, valid two-track pattern "A" of
/// 4 beats x 4 ticks placed at beat 0, with "Kick" on track 0 and an echoed "Kick" on track 1,
/// each with an event on beat 0 and one a quarter beat after beat 1.
struct Song
{
    std::int32_t beats = 4;
    std::int32_t ticks = 4;
    std::int32_t bpm = 120;
    std::int32_t shuffleAmount = 0;
    std::int32_t shuffleDivision = 2;
    std::int32_t delayDivision = 2;
    std::int32_t delayRepeats = 3;
    std::int32_t delayFeedback = 60;
    std::int32_t masterVolume = 10000;
    std::int32_t stopPosition = 3;
    std::int32_t eventVolume = 8000;
    std::int32_t eventPitch = 0;
    std::int32_t eventPan = 0;
    std::int32_t trackVolume = 10000;
    std::int32_t trackPan = 1000;
    std::int32_t trackTranspose = 0;
    std::int32_t delaySend = 500;
    std::int32_t patternTranspose = 0;
    std::string sound = "Kick";
    std::string missingSound; // a third track naming a sound the kit does not hold
    std::string unknownTag;   // six bytes written before "BPM___"
    bool withPatternName = true;
    bool humanize = false; // "HUMANZ" with the values below
    std::int32_t humanizeTiming = 0;
    std::int32_t humanizeVolume = 0;
};

Bytes songFile(const Song& s)
{
    using bw::testing::BwpBuilder;
    using bw::testing::trackNamed;
    BwpBuilder b;
    const int tracks = s.missingSound.empty() ? 2 : 3;
    b.tagInt("TRACKS", tracks);
    if (!s.unknownTag.empty()) {
        b.raw(s.unknownTag.data(), s.unknownTag.size()).i32(0);
    }
    b.tagInt("BPM___", s.bpm).tagInt("SHUFFL", s.shuffleAmount).tagInt("SHUFFQ", s.shuffleDivision);
    b.tag("DELAY_").i32(s.delayDivision).i32(s.delayRepeats).i32(s.delayFeedback);
    b.tagInt("STOPSE", s.stopPosition).tagInt("MASVOL", s.masterVolume).tagInt("STEREO", 1);
    b.tagInt("RESOLU", 256);
    if (s.humanize) {
        b.tag("HUMANZ").i32(s.humanizeTiming).i32(s.humanizeVolume).i32(-1).i32(IntMin);
    }
    if (s.withPatternName) {
        b.pattern("A");
    }
    b.tagInt("BEATS_", s.beats).tagInt("TICKS_", s.ticks);
    if (s.withPatternName) {
        b.tagInt("PATPIT", s.patternTranspose);
    }
    core::TTrack dry = trackNamed(s.sound, s.trackVolume);
    dry.Pan = s.trackPan;
    dry.Transpose = s.trackTranspose;
    core::TTrack wet = dry;
    wet.DelaySend = s.delaySend;
    b.tag("INSTRU").i32(tracks).track(dry).track(wet);
    if (tracks == 3) {
        b.track(trackNamed(s.missingSound));
    }
    b.tag("SCORE_").i32(tracks * 2);
    for (int t = 0; t < tracks; ++t) {
        b.event(t, 0, s.eventVolume, s.eventPitch, s.eventPan);
        b.event(t, 80, s.eventVolume, s.eventPitch, s.eventPan); // off the beat: shuffled
    }
    if (s.withPatternName) {
        b.tag("SEQ_V2").tag("SEQ_V3").tag("SEQDAT").i32(0).name("A").i32(-1);
    }
    return b.bytes();
}

/// A sound of n samples: a decaying sine, loud enough to hear in every render.
std::vector<std::uint8_t> decay(std::size_t n)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const auto v = static_cast<std::int16_t>(
            std::lrint(20000.0 * std::exp(-t * 8.0) * std::sin(t * 2.0 * 3.14159265 * 60.0)));
        const auto u = static_cast<std::uint16_t>(v);
        bytes.push_back(static_cast<std::uint8_t>(u));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

Bytes library(int sounds, std::size_t samples, std::int32_t stretchMul, const char* prefix)
{
    library::SoundLibrary lib;
    const auto data = decay(samples);
    for (int i = 0; i < sounds; ++i) {
        const std::string name =
            sounds == 1 ? prefix : std::string(prefix).append(std::to_string(i + 1));
        lib.AddSound(name, "", stretchMul != 0 ? 1 : 0, stretchMul, stretchMul != 0 ? 1 : 0,
                     static_cast<std::int32_t>(data.size()), data.data());
    }
    return lib.serialize();
}

/// A song of 31 tracks, each playing its own stretched sound "S1".."S31" on beat 0.
Bytes stretchedSong()
{
    using bw::testing::BwpBuilder;
    using bw::testing::trackNamed;
    BwpBuilder b;
    b.tagInt("TRACKS", 31).pattern("A").tagInt("BEATS_", 4).tagInt("TICKS_", 4);
    b.tag("INSTRU").i32(31);
    for (int t = 0; t < 31; ++t) {
        b.track(trackNamed(std::string("S").append(std::to_string(t + 1))));
    }
    b.tag("SCORE_").i32(31);
    for (int t = 0; t < 31; ++t) {
        b.event(t, 0, 5000);
    }
    b.tag("SEQ_V3").tag("SEQDAT").i32(0).name("A").i32(-1);
    return b.bytes();
}

} // namespace

std::vector<File> smallFiles()
{
    std::vector<File> files;
    const auto song = [&files](const std::string& name, const Song& s) {
        files.push_back({name + ".bwp", songFile(s)});
    };
    const auto with = [](auto f) {
        Song s;
        f(s);
        return s;
    };

    // The kit every song below is rendered with: a sound long enough (40000 samples) that a
    // pitch far down asks for a copy beyond the 32-bit range.
    files.push_back({"kit.slb", library(1, 40000, 0, "Kick")});
    song("valid", Song{});

    // The pattern's length: loops forever, wraps the WAV size fields, divides by zero.
    song("beats_zero", with([](Song& s) { s.beats = 0; }));
    song("beats_negative", with([](Song& s) { s.beats = -4; }));
    song("beats_int_max", with([](Song& s) { s.beats = IntMax; }));
    song("beats_100000", with([](Song& s) { s.beats = 100000; }));
    song("ticks_zero", with([](Song& s) { s.ticks = 0; }));
    song("ticks_int_max", with([](Song& s) { s.ticks = IntMax; }));
    song("old_layout_beats_zero", with([](Song& s) {
             s.withPatternName = false;
             s.beats = 0;
         }));

    // Song values the engine reads at every beat.
    song("delay_repeats_int_max", with([](Song& s) { s.delayRepeats = IntMax; }));
    song("delay_division_negative", with([](Song& s) { s.delayDivision = -3; }));
    song("delay_feedback_int_max", with([](Song& s) { s.delayFeedback = IntMax; }));
    song("pitch_int_max", with([](Song& s) { s.eventPitch = IntMax; }));
    song("pitch_int_min", with([](Song& s) { s.eventPitch = IntMin; }));
    song("pitch_minus_200", with([](Song& s) { s.eventPitch = -200; }));
    song("pitch_sum_wraps", with([](Song& s) {
             s.eventPitch = IntMax;
             s.trackTranspose = 1;
             s.patternTranspose = IntMax;
         }));
    song("shuffle_int_min", with([](Song& s) { s.shuffleAmount = IntMin; }));
    song("humanize_extreme", with([](Song& s) {
             s.humanize = true;
             s.humanizeTiming = IntMax;
             s.humanizeVolume = IntMin;
             s.eventVolume = IntMax;
         }));
    song("shuffle_grid_negative", with([](Song& s) {
             s.shuffleAmount = 50;
             s.shuffleDivision = -7;
         }));
    song("volumes_and_pans_extreme", with([](Song& s) {
             s.eventVolume = IntMax;
             s.eventPan = IntMin;
             s.trackVolume = IntMax;
             s.trackPan = IntMax;
             s.delaySend = IntMax;
             s.masterVolume = IntMax;
         }));
    song("bpm_negative", with([](Song& s) { s.bpm = -120; }));
    song("bpm_int_max", with([](Song& s) { s.bpm = IntMax; }));
    song("stop_position_negative", with([](Song& s) { s.stopPosition = IntMin; }));

    // Text from the file that reaches the terminal.
    song("unknown_tag_control_bytes",
         with([](Song& s) { s.unknownTag = std::string("\0\x1b[2J\a", 6); }));
    song("missing_sound_control_bytes",
         with([](Song& s) { s.missingSound = std::string("\x1b]0;owned\a\0\r", 12); }));

    // Stretched copies far beyond any memory: 31 sounds stretched 1000 times (1.3 GB of
    // copies) and 48000 times (66 GB).
    files.push_back({"stretch_1000.slb", library(31, 100, 1000, "S")});
    files.push_back({"stretch_48000.slb", library(31, 100, 48000, "S")});
    files.push_back({"stretched_31_tracks.bwp", stretchedSong()});
    return files;
}

Bytes longSequenceFile(std::size_t entries)
{
    bw::testing::BwpBuilder b;
    b.pattern("A").tagInt("BEATS_", 4).tag("SEQ_V3").tag("SEQDAT");
    for (std::size_t i = 0; i < entries; ++i) {
        b.i32(0).name("A");
    }
    b.i32(-1);
    return b.bytes();
}

Bytes distinctNameLibrary(std::size_t sounds)
{
    Bytes out;
    ByteWriter w(out);
    const ShortString<30> none;
    for (std::size_t i = 0; i < sounds; ++i) {
        const ShortString<30> name("Sound " + std::to_string(i));
        w.text("***");
        w.bytes(name.raw.data(), name.raw.size());
        w.bytes(none.raw.data(), none.raw.size());
        w.zeros(2 + 4);
        w.i32(0); // data size
        w.i32(0);
        w.i32(0);
        w.i32(0);
    }
    return out;
}

} // namespace bw::hostile
