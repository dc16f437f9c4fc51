#include "core/arrangement.h"
#include "core/note_map.h"
#include "core/pattern_file.h"
#include "core/record_images.h"
#include "library/atomic_file.h"
#include "library/binary_io.h"

#include <cstring>
#include <string>

namespace bw::core {

namespace {

const char* const Notice = "Beatwright pattern file: song settings, patterns and song sequence";

void writeName(ByteWriter& w, const ShortString<20>& name)
{
    w.bytes(name.raw.data(), name.raw.size());
}

/// The arrangement tags, each only when the song holds more than its default: a song that uses
/// none of them is written as before they existed.
void writeArrangement(ByteWriter& w, const TSong& song)
{
    bool ownColors = false;
    for (int k = 0; k < song.PatternCount; ++k) {
        ownColors = ownColors || song.pattern(k).Color != DefaultPatternColor(k);
    }
    if (ownColors) {
        w.text("PATCOL");
        w.i32(song.PatternCount);
        for (const auto& p : song.Patterns) {
            w.i32(p->Color);
        }
    }
    std::int32_t named = 0;
    for (const auto& name : song.TrackNames) {
        named += name.empty() ? 0 : 1;
    }
    if (named > 0) {
        w.text("TRKNAM");
        w.i32(named);
        for (int t = 0; t < MaxTracks; ++t) {
            const auto& name = song.TrackNames[static_cast<std::size_t>(t)];
            if (!name.empty()) {
                w.i32(t);
                w.bytes(name.raw.data(), name.raw.size());
            }
        }
    }
    if (song.SoloTracks != 0) {
        w.text("SOLO__");
        w.i32(static_cast<std::int32_t>(song.SoloTracks));
    }
    if (HasLoopRange(song) || song.LoopOn) {
        w.text("LOOPRG");
        w.i32(HasLoopRange(song) ? song.LoopStart : 0);
        w.i32(HasLoopRange(song) ? song.LoopEnd : 0);
        w.i32(song.LoopOn ? 1 : 0);
    }
    if (HasOwnNoteMap(song)) {
        // The channel, then the learned notes as pairs of a track row and its note.
        w.text("MIDMAP");
        w.i32(song.MidiChannel);
        std::int32_t learned = 0;
        for (const std::int32_t n : song.TrackNotes) {
            learned += n >= 0 ? 1 : 0;
        }
        w.i32(learned);
        for (int t = 0; t < MaxTracks; ++t) {
            const std::int32_t n = song.TrackNotes[static_cast<std::size_t>(t)];
            if (n >= 0) {
                w.i32(t);
                w.i32(n);
            }
        }
    }
}

} // namespace

std::vector<std::uint8_t> SerializePatternFile(TSong& song, bool sequencerVisible)
{
    if (song.validPattern(song.CurrentPattern)) {
        StoreWorkingCopy(song, song.CurrentPattern);
    }
    std::vector<std::uint8_t> out;
    out.reserve(1 << 16);
    ByteWriter w(out);

    w.text("BWPT");
    w.text("19980002");
    // The notice, padded with spaces to its 100 bytes.
    std::string notice(Notice);
    notice.resize(100, ' ');
    w.bytes(notice.data(), notice.size());

    auto tagInt = [&w](const char* tag, std::int32_t v) {
        w.text(tag);
        w.i32(v);
    };
    tagInt("TRACKS", song.TrackCount);
    tagInt("BPM___", song.Bpm);
    tagInt("SHUFFL", song.ShuffleAmount);
    tagInt("SHUFFQ", song.ShuffleDivision);
    w.text("DELAY_");
    w.i32(song.DelayDivision);
    w.i32(song.DelayRepeats);
    w.i32(song.DelayFeedback);
    tagInt("STOPSE", song.StopPosition);
    tagInt("MASVOL", song.MasterVolume);
    tagInt("STEREO", song.Stereo);
    tagInt("RESOLU", SlotResolution);
    // Written only when they differ from a new song's, so a song that does not use them stays
    // byte for byte what it was, and older readers (which skip them with a warning) see them
    // only where they matter.
    if (song.HumanizeTiming != 0 || song.HumanizeVolume != 0 ||
        song.HumanizeSeed != DefaultHumanizeSeed) {
        w.text("HUMANZ");
        w.i32(song.HumanizeTiming);
        w.i32(song.HumanizeVolume);
        w.i32(static_cast<std::int32_t>(static_cast<std::uint32_t>(song.HumanizeSeed)));
        w.i32(static_cast<std::int32_t>(static_cast<std::uint32_t>(song.HumanizeSeed >> 32)));
    }
    if (song.DefaultVolume != DefaultEventVolume) {
        tagInt("DEFVOL", song.DefaultVolume);
    }

    const int instruments = std::clamp(song.InstrumentCount, 0, MaxTracks);
    const int tracks = std::clamp(song.TrackCount, 0, MaxTracks);
    for (const auto& pp : song.Patterns) {
        const TPattern& p = *pp;
        w.text("PATNAM");
        writeName(w, p.Name);
        tagInt("BEATS_", p.Beats);
        tagInt("TICKS_", p.Ticks);
        tagInt("PATPIT", p.Transpose);
        w.text("INSTRU");
        w.i32(instruments);
        for (int t = 0; t < instruments; ++t) {
            writeTrackImage(w, p.Tracks[static_cast<std::size_t>(t)]);
        }
        std::int32_t count = 0;
        for (int t = 0; t < tracks; ++t) {
            for (const auto& e : p.Events[static_cast<std::size_t>(t)]) {
                count += e.Volume >= 2 ? 1 : 0;
            }
        }
        w.text("SCORE_");
        w.i32(count);
        for (int t = 0; t < tracks; ++t) {
            for (int s = 0; s < PatternSlots; ++s) {
                const TNoteEvent& e =
                    p.Events[static_cast<std::size_t>(t)][static_cast<std::size_t>(s)];
                if (e.Volume >= 2) {
                    w.i32(t);
                    w.i32(s);
                    writeEventImage(w, e);
                }
            }
        }
    }
    writeArrangement(w, song);
    if (sequencerVisible) {
        w.text("SEQVIS");
    }
    w.text("SEQ_V2");
    w.text("SEQ_V3");
    w.text("SEQDAT");
    for (const auto& e : song.Sequence) {
        // -1 closes the list: an entry there (only an older file's conversion can place one
        // before the song start) would end the list early and make the rest of the file
        // unreadable, so it is left out.
        if (e.Position == -1) {
            continue;
        }
        w.i32(e.Position);
        writeName(w, e.Name);
    }
    w.i32(-1);
    return out;
}

void WritePatternFile(const std::string& fileName, TSong& song, bool sequencerVisible)
{
    writeFileAtomically(fileName, SerializePatternFile(song, sequencerVisible));
}

} // namespace bw::core
