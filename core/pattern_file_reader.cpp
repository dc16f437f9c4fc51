#include "core/arrangement.h"
#include "core/pattern_file.h"
#include "core/record_images.h"
#include "core/wrapping_int.h"
#include "library/atomic_file.h"
#include "library/binary_io.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace bw::core {

namespace {

/// Each pattern holds about 360 KB; a file cannot ask for more than this many.
constexpr int MaxPatterns = 1000;

enum class Tag
{
    Tracks,
    Bpm,
    Shuffle,
    ShuffleDiv,
    Delay,
    StopPos,
    MasterVol,
    Stereo,
    Resolution,
    PatternName,
    Beats,
    Ticks,
    PatternPitch,
    Instruments,
    Score,
    SeqVisible,
    SeqV2,
    SeqV3,
    SeqData,
    Humanize,
    DefaultVolume,
    // Arrangement tags, written after the patterns (readers that do not know them skip to
    // the "SEQ_V2" that follows).
    PatternColors,
    TrackNames,
    Solo,
    LoopRange,
    NoteMap,
    Unknown
};

constexpr std::array<std::pair<std::string_view, Tag>, 26> Tags{{
    {"TRACKS", Tag::Tracks},        {"BPM___", Tag::Bpm},         {"SHUFFL", Tag::Shuffle},
    {"SHUFFQ", Tag::ShuffleDiv},    {"DELAY_", Tag::Delay},       {"STOPSE", Tag::StopPos},
    {"MASVOL", Tag::MasterVol},     {"STEREO", Tag::Stereo},      {"RESOLU", Tag::Resolution},
    {"PATNAM", Tag::PatternName},   {"BEATS_", Tag::Beats},       {"TICKS_", Tag::Ticks},
    {"PATPIT", Tag::PatternPitch},  {"INSTRU", Tag::Instruments}, {"SCORE_", Tag::Score},
    {"SEQVIS", Tag::SeqVisible},    {"SEQ_V2", Tag::SeqV2},       {"SEQ_V3", Tag::SeqV3},
    {"SEQDAT", Tag::SeqData},       {"HUMANZ", Tag::Humanize},    {"DEFVOL", Tag::DefaultVolume},
    {"PATCOL", Tag::PatternColors}, {"TRKNAM", Tag::TrackNames},  {"SOLO__", Tag::Solo},
    {"LOOPRG", Tag::LoopRange},     {"MIDMAP", Tag::NoteMap},
}};

Tag classify(const std::uint8_t* bytes)
{
    const std::string_view s(reinterpret_cast<const char*>(bytes), 6);
    for (const auto& [name, tag] : Tags) {
        if (name == s) {
            return tag;
        }
    }
    return Tag::Unknown;
}

class Reader
{
public:
    Reader(const std::vector<std::uint8_t>& bytes,
           const std::string& fileName,
           const PatternReadCallbacks& callbacks)
        : m_r(bytes), m_file(fileName), m_cb(callbacks), m_song(std::make_unique<TSong>())
    {}

    std::unique_ptr<TSong> run()
    {
        InitSong(*m_song);
        if (m_r.size() < 4 || std::memcmp(m_r.take(4), "BWPT", 4) != 0) {
            throw FileError(m_file + " is not a Beatwright pattern file.");
        }
        m_r.seek(0);
        m_r.skip(PatternHeaderSize);
        while (!m_r.atEnd()) {
            const std::size_t tagStart = m_r.pos();
            const std::uint8_t* raw = m_r.take(6);
            Tag tag = classify(raw);
            if (tag == Tag::Unknown) {
                tag = recover(tagStart, raw);
            }
            handle(tag);
        }
        TSong& song = *m_song;
        if (song.PatternCount == 0) {
            // A file with no pattern at all: keep its song-level content as one pattern, since
            // the program always needs one.
            addPattern("0.");
            StoreWorkingCopy(song, 0);
        }
        checkPatternLengths();
        applyColors();
        AddSeqEntries(song, m_placements);
        // The working copy is always the file's first pattern. In a file without "PATNAM" the
        // tags after its first "SCORE_" went to pattern 0 only; loading it back keeps them, where
        // they would otherwise be overwritten by the next store of the working copy.
        LoadWorkingCopy(song, 0);
        song.SelectedTrack = 0;
        return std::move(m_song);
    }

private:
    [[noreturn]] void bad(const std::string& what) const { throw FileError(m_file + ": " + what); }

    /// A pattern's beats and ticks decide how long its export runs and how its grid is drawn:
    /// a file that holds others than any editor makes is damaged, and is refused whole.
    void checkPatternLengths() const
    {
        for (int k = 0; k < m_song->PatternCount; ++k) {
            const TPattern& p = m_song->pattern(k);
            const std::string name = "pattern \"" + EscapeControlBytes(p.Name.view()) + "\": ";
            if (p.Beats < 1 || p.Beats > MaxBeats) {
                bad(name + std::to_string(p.Beats) + " beats is outside 1.." +
                    std::to_string(MaxBeats));
            }
            if (p.Ticks < 1 || p.Ticks > MaxTicks) {
                bad(name + std::to_string(p.Ticks) + " ticks per beat is outside 1.." +
                    std::to_string(MaxTicks));
            }
        }
    }

    /// Adds a pattern and keeps the name lookup of the old layout's sequence up to date.
    void addPattern(const std::string& name)
    {
        const int k = AddPattern(*m_song, name);
        m_lastByName[m_song->pattern(k).Name.str()] = k;
        m_pansCleared.push_back(false);
    }

    // Warn once, then slide forward byte by byte until six bytes form a known tag. When none
    // follows, Tag::Unknown comes back and handle() reports the read past the end.
    Tag recover(std::size_t tagStart, const std::uint8_t* raw)
    {
        const std::string name(reinterpret_cast<const char*>(raw), 6);
        if (m_cb.warn) {
            m_cb.warn("Unknown parameter \"" + name + "\"");
        }
        std::size_t pos = tagStart + 1;
        for (;;) {
            m_r.seek(pos);
            const Tag t = classify(m_r.take(6));
            if (t != Tag::Unknown) {
                return t;
            }
            if (m_r.pos() + 6 > m_r.size()) {
                return Tag::Unknown;
            }
            ++pos;
        }
    }

    TPattern* current() { return m_i >= 0 ? &m_song->pattern(m_i) : nullptr; }

    void handle(Tag tag)
    {
        TSong& song = *m_song;
        switch (tag) {
        case Tag::Beats:
        case Tag::Ticks: {
            const std::int32_t v = m_r.i32();
            TPattern* p = current();
            std::int32_t& field = tag == Tag::Beats ? (p != nullptr ? p->Beats : song.Beats)
                                                    : (p != nullptr ? p->Ticks : song.Ticks);
            field = v;
            break;
        }
        case Tag::PatternPitch:
            // Before any pattern the payload is left unread; it is taken as the next tag.
            if (TPattern* p = current()) {
                p->Transpose = m_r.i32();
            }
            break;
        case Tag::Tracks: {
            const std::int32_t v = m_r.i32();
            if (v < 1 || v > MaxTracks) {
                bad("track count " + std::to_string(v) + " is outside 1..31");
            }
            song.TrackCount = v;
            break;
        }
        case Tag::Bpm:
            song.Bpm = m_r.i32();
            break;
        case Tag::Shuffle:
            song.ShuffleAmount = m_r.i32();
            break;
        case Tag::ShuffleDiv:
            song.ShuffleDivision = m_r.i32();
            break;
        case Tag::StopPos:
            song.StopPosition = m_r.i32();
            break;
        case Tag::MasterVol:
            song.MasterVolume = m_r.i32();
            break;
        case Tag::Stereo:
            song.Stereo = m_r.i32();
            break;
        case Tag::Delay:
            song.DelayDivision = m_r.i32();
            song.DelayRepeats = m_r.i32();
            song.DelayFeedback = m_r.i32();
            break;
        case Tag::Humanize: {
            // Kept as read, like the shuffle: the engine and the popup keep them to their ranges.
            song.HumanizeTiming = m_r.i32();
            song.HumanizeVolume = m_r.i32();
            const auto low = static_cast<std::uint32_t>(m_r.i32());
            const auto high = static_cast<std::uint32_t>(m_r.i32());
            song.HumanizeSeed = (static_cast<std::uint64_t>(high) << 32) | low;
            break;
        }
        case Tag::DefaultVolume:
            song.DefaultVolume = m_r.i32();
            break;
        case Tag::Instruments: {
            const std::int32_t n = m_r.i32();
            if (n < 0 || n > MaxTracks) {
                bad("instrument count " + std::to_string(n) + " is outside 0..31");
            }
            song.InstrumentCount = n;
            TrackArray& tracks = current() != nullptr ? current()->Tracks : song.Tracks;
            for (int t = 0; t < n; ++t) {
                readTrackImage(m_r, tracks[static_cast<std::size_t>(t)]);
            }
            break;
        }
        case Tag::Resolution: {
            const std::int32_t r = m_r.i32();
            if (r <= 0) {
                bad("resolution " + std::to_string(r) + " is not positive");
            }
            m_resolution = r;
            break;
        }
        case Tag::SeqVisible:
            if (m_cb.showSequencer) {
                m_cb.showSequencer();
            }
            break;
        case Tag::SeqV2:
            break;
        case Tag::SeqV3:
            m_absolute = true;
            break;
        case Tag::SeqData:
            readSequence();
            break;
        case Tag::Score:
            readScore();
            break;
        case Tag::PatternName: {
            ShortString<20> name;
            m_r.read(name.raw.data(), name.raw.size());
            if (song.PatternCount >= MaxPatterns) {
                bad("more than " + std::to_string(MaxPatterns) + " patterns");
            }
            addPattern(name.str());
            song.pattern(song.PatternCount - 1).Name = name;
            ++m_i;
            InitPattern(song, m_i);
            break;
        }
        case Tag::PatternColors:
            readColors();
            break;
        case Tag::TrackNames:
            readTrackNames();
            break;
        case Tag::Solo:
            // Only rows exist to be soloed.
            song.SoloTracks = static_cast<std::uint32_t>(m_r.i32()) & ((1U << MaxTracks) - 1U);
            break;
        case Tag::LoopRange:
            readLoopRange();
            break;
        case Tag::NoteMap:
            readNoteMap();
            break;
        case Tag::Unknown:
            // Recovery found no known tag before the last 6 bytes: the unknown field runs to the
            // end of the file, which is a read past its end (also when no byte is left to read).
            throw ShortRead(m_r.size());
        }
    }

    void readSequence()
    {
        TSong& song = *m_song;
        std::int32_t position = m_r.i32();
        while (position != -1) {
            SeqPlacement placement;
            m_r.read(placement.name.raw.data(), placement.name.raw.size());
            int k = -1;
            if (!m_absolute) {
                // The last pattern of that name, as FindPatternByName finds it.
                const auto found = m_lastByName.find(placement.name.str());
                k = found != m_lastByName.end() ? found->second : -1;
                if (k >= 0) {
                    clearPans(k);
                    song.StopPosition =
                        WrapAdd(song.StopPosition, WrapAdd(song.pattern(k).Beats, -1));
                }
            }
            placement.position = WrapAdd(position, m_offset);
            // Placed once the whole file is read: one by one, each would shift the list.
            m_placements.push_back(placement);
            if (!m_absolute && k >= 0) {
                m_offset = WrapAdd(m_offset, WrapAdd(song.pattern(k).Beats, -1));
            }
            position = m_r.i32();
        }
        if (!m_absolute) {
            song.StopPosition = WrapAdd(song.StopPosition, 5);
        }
    }

    /// "PATCOL": a palette index per pattern in list order, applied once every pattern is read.
    void readColors()
    {
        const std::int32_t n = m_r.i32();
        if (n < 0 || n > MaxPatterns) {
            bad("colour count " + std::to_string(n) + " is outside 0.." +
                std::to_string(MaxPatterns));
        }
        m_colors.assign(static_cast<std::size_t>(n), 0);
        for (auto& c : m_colors) {
            c = m_r.i32();
        }
    }

    /// A colour outside the palette leaves the pattern its default one.
    void applyColors()
    {
        const std::size_t n = std::min(m_colors.size(), m_song->Patterns.size());
        for (std::size_t k = 0; k < n; ++k) {
            if (m_colors[k] >= 0 && m_colors[k] < PaletteSize) {
                m_song->Patterns[k]->Color = m_colors[k];
            }
        }
    }

    /// "TRKNAM": n entries of a track row and its 31-byte name.
    void readTrackNames()
    {
        const std::int32_t n = m_r.i32();
        if (n < 0 || n > MaxTracks) {
            bad("track name count " + std::to_string(n) + " is outside 0..31");
        }
        for (std::int32_t i = 0; i < n; ++i) {
            const std::int32_t t = m_r.i32();
            if (t < 0 || t >= MaxTracks) {
                bad("a track name belongs to track " + std::to_string(t) + ", outside 0..30");
            }
            auto& name = m_song->TrackNames[static_cast<std::size_t>(t)];
            m_r.read(name.raw.data(), name.raw.size());
        }
    }

    /// "LOOPRG": first beat, the beat after the last, loop on. A range off the time line or
    /// empty is no range.
    void readLoopRange()
    {
        TSong& song = *m_song;
        const std::int32_t first = m_r.i32();
        const std::int32_t end = m_r.i32();
        song.LoopOn = m_r.i32() != 0;
        if (first >= 0 && end > first && end <= MaxSongPosition + 1) {
            song.LoopStart = first;
            song.LoopEnd = end;
        } else {
            song.LoopStart = 0;
            song.LoopEnd = 0;
        }
    }

    /// "MIDMAP": the MIDI channel (0 any, 1..16), n, then n pairs of a track row and its note.
    /// A channel or a note outside its range is left at its default; a row outside the table
    /// or a count no table holds means a damaged file.
    void readNoteMap()
    {
        TSong& song = *m_song;
        const std::int32_t channel = m_r.i32();
        song.MidiChannel = channel >= 0 && channel <= 16 ? channel : 0;
        const std::int32_t n = m_r.i32();
        if (n < 0 || n > MaxTracks) {
            bad("learned note count " + std::to_string(n) + " is outside 0..31");
        }
        for (std::int32_t i = 0; i < n; ++i) {
            const std::int32_t t = m_r.i32();
            const std::int32_t note = m_r.i32();
            if (t < 0 || t >= MaxTracks) {
                bad("a learned note belongs to track " + std::to_string(t) + ", outside 0..30");
            }
            song.TrackNotes[static_cast<std::size_t>(t)] = note >= 0 && note <= 127 ? note : -1;
        }
    }

    /// ResetEventPans, skipped when no event of the pattern was read since the last one.
    void clearPans(int k)
    {
        const auto at = static_cast<std::size_t>(k);
        if (!m_pansCleared.at(at)) {
            ResetEventPans(*m_song, k);
            m_pansCleared.at(at) = true;
        }
    }

    void readScore()
    {
        TSong& song = *m_song;
        const std::int32_t n = m_r.i32();
        if (n < 0) {
            bad("event count " + std::to_string(n) + " is negative");
        }
        EventGrid& events = current() != nullptr ? current()->Events : song.Events;
        if (m_i >= 0) {
            m_pansCleared.at(static_cast<std::size_t>(m_i)) = false;
        }
        for (std::int32_t e = 0; e < n; ++e) {
            const std::int32_t t = m_r.i32();
            const std::int32_t p = m_r.i32();
            const std::int64_t scaled =
                static_cast<std::int64_t>(p) * SlotResolution / m_resolution;
            if (t < 0 || t >= MaxTracks) {
                bad("event " + std::to_string(e + 1) + " names track " + std::to_string(t) +
                    ", outside 0..30");
            }
            if (scaled < 0 || scaled > SlotResolution) {
                bad("event " + std::to_string(e + 1) + " lies at position " + std::to_string(p) +
                    ", outside the pattern");
            }
            readEventImage(m_r,
                           events[static_cast<std::size_t>(t)][static_cast<std::size_t>(scaled)]);
        }
        if (m_i < 0) {
            // An older file without patterns: its events and tracks become pattern "0.".
            m_i = 0;
            addPattern("0.");
            StoreWorkingCopy(song, 0);
        }
    }

    ByteReader m_r;
    std::string m_file;
    const PatternReadCallbacks& m_cb;
    std::unique_ptr<TSong> m_song;
    int m_i = -1;
    bool m_absolute = false;
    std::int32_t m_offset = 0;
    std::int32_t m_resolution = SlotResolution;
    std::vector<SeqPlacement> m_placements;
    std::vector<std::int32_t> m_colors;
    std::unordered_map<std::string, int> m_lastByName;
    std::vector<bool> m_pansCleared; // per pattern: every event pan is 0 since the last reset
};

} // namespace

std::unique_ptr<TSong> ParsePatternFile(const std::vector<std::uint8_t>& bytes,
                                        const std::string& fileName,
                                        const PatternReadCallbacks& callbacks)
{
    try {
        return Reader(bytes, fileName, callbacks).run();
    } catch (const ShortRead& e) {
        throw FileError(fileName + ": " + e.what());
    }
}

std::unique_ptr<TSong> ReadPatternFile(const std::string& fileName,
                                       const PatternReadCallbacks& callbacks)
{
    return ParsePatternFile(readWholeFile(fileName, MaxPatternFileBytes, "a pattern file"),
                            fileName, callbacks);
}

} // namespace bw::core
