// Seed inputs for the fuzzers, built in code so that no binary file is kept in the repository.
#include "core/arrangement.h"
#include "core/pattern_file.h"
#include "core/track_commands.h"
#include "library/sound_library.h"
#include "tests/core/bwp_builder.h"
#include "tests/fuzz/fuzz_targets.h"

namespace bw::fuzz {

using Seeds = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

Seeds patternSeeds()
{
    using bw::testing::BwpBuilder;
    using bw::testing::trackNamed;
    Seeds seeds;

    // A current file as the writer makes it: two patterns, events, a sequence, "SEQVIS".
    {
        core::TSong song;
        core::InitSong(song);
        song.TrackCount = 4;
        song.InstrumentCount = 4;
        song.Tracks[0] = trackNamed("Kick");
        song.Tracks[1] = trackNamed("Snare", 8000);
        core::InsertEvent(song, 0, 0);
        core::InsertEvent(song, 1, 64);
        song.Events[1][64].Pitch = -3;
        song.Events[1][64].Selected = 1;
        core::AddPattern(song, "A");
        core::StoreWorkingCopy(song, 0);
        core::AddPattern(song, "B");
        core::StoreWorkingCopy(song, 1);
        song.pattern(1).Beats = 8;
        song.pattern(1).Transpose = 2;
        core::AddSeqEntry(song, 0, "A");
        core::AddSeqEntry(song, 4, "B");
        seeds.emplace_back("current.bwp", core::SerializePatternFile(song, true));
        // The same with humanize, its seed and a default volume for new events.
        core::SetHumanize(song, 20, 30);
        song.HumanizeSeed = 0xC0FFEE0012345678ULL;
        song.DefaultVolume = 7500;
        seeds.emplace_back("groove.bwp", core::SerializePatternFile(song, true));
    }
    // The arrangement tags: own colours, track names, solo and a loop range.
    {
        core::TSong song;
        core::InitSong(song);
        core::AddPattern(song, "A");
        core::StoreWorkingCopy(song, 0);
        core::AddPattern(song, "B");
        core::StoreWorkingCopy(song, 1);
        song.pattern(0).Color = 5;
        core::SetTrackName(song, 0, "Boom");
        core::SetTrackName(song, 30, "Last");
        core::ToggleSolo(song, 2);
        core::SetLoopRange(song, 4, 11);
        song.LoopOn = true;
        core::AddSeqEntry(song, 4, "B");
        seeds.emplace_back("arrangement.bwp", core::SerializePatternFile(song, false));
        // With learned MIDI notes and a chosen channel.
        song.TrackNotes[0] = 60;
        song.TrackNotes[30] = 127;
        song.MidiChannel = 10;
        seeds.emplace_back("midi_map.bwp", core::SerializePatternFile(song, false));
    }
    // The older layout: relative sequence positions, no "SEQ_V3".
    {
        BwpBuilder b;
        b.tagInt("TRACKS", 2).tagInt("BPM___", 100).tagInt("STOPSE", 2).tagInt("RESOLU", 128);
        b.pattern("A").tagInt("BEATS_", 4).tagInt("TICKS_", 4).tagInt("PATPIT", 0);
        b.tag("INSTRU").i32(2).track(trackNamed("Kick")).track(trackNamed("Hat"));
        b.tag("SCORE_").i32(2).event(0, 0, 9000, 0, 300).event(1, 64, 4000);
        b.pattern("B").tagInt("BEATS_", 8);
        b.tag("SCORE_").i32(1).event(0, 10, 5000);
        b.tag("SEQ_V2").tag("SEQDAT").i32(0).name("A").i32(1).name("B").i32(-1);
        seeds.emplace_back("old_layout.bwp", b.bytes());
    }
    // The oldest layout: one pattern in song-level tags, no "PATNAM".
    {
        BwpBuilder b;
        b.tagInt("BEATS_", 2).tagInt("TICKS_", 3);
        b.tag("INSTRU").i32(1).track(trackNamed("Clap"));
        b.tag("SCORE_").i32(1).event(0, 128, 7000);
        seeds.emplace_back("no_patnam.bwp", b.bytes());
    }
    // An unknown field between known ones.
    {
        BwpBuilder b;
        b.tagInt("XXXXXX", 77)
            .tagInt("BPM___", 90)
            .pattern("P")
            .tag("SEQ_V3")
            .tag("SEQDAT")
            .i32(-1);
        seeds.emplace_back("unknown_tag.bwp", b.bytes());
    }
    return seeds;
}

Seeds librarySeeds()
{
    Seeds seeds;
    library::SoundLibrary lib;
    const std::uint8_t kick[] = {0x00, 0x10, 0xFF, 0x7F, 0x00, 0x80, 0x34, 0x12};
    lib.AddSound("Kick", "", 0, 0, 0, sizeof kick, kick);
    lib.AddSound("HatClosed", "HatOpen", 1, 2, 1, 4, kick);
    lib.AddSound("HatOpen", "", 0, 0, 0, 0, nullptr);
    lib.AddSound("Odd", "", 0, -1, 0, 3, kick);
    seeds.emplace_back("library.slb", lib.serialize());
    seeds.emplace_back("empty.slb", std::vector<std::uint8_t>{});
    return seeds;
}

} // namespace bw::fuzz
