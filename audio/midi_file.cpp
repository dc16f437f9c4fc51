#include "audio/midi_file.h"

#include "audio/groove.h"
#include "core/arrangement.h"
#include "core/note_map.h"
#include "core/track_commands.h"
#include "library/atomic_file.h"

#include <algorithm>
#include <stdexcept>

namespace bw::audio {

namespace {

struct MidiNote
{
    std::int64_t tick = 0; // from the file's start
    int note = 0;
    int velocity = 0;
};

/// Big-endian writing and variable-length quantities, as the file format wants them.
class MidiBytes
{
public:
    explicit MidiBytes(std::vector<std::uint8_t>& out) : m_out(out) {}
    void u8(unsigned v) { m_out.push_back(static_cast<std::uint8_t>(v)); }
    void u16(unsigned v)
    {
        u8((v >> 8) & 0xFF);
        u8(v & 0xFF);
    }
    void u32(std::uint32_t v)
    {
        u16((v >> 16) & 0xFFFF);
        u16(v & 0xFFFF);
    }
    void text(const char* s)
    {
        for (; *s != 0; ++s) {
            u8(static_cast<unsigned char>(*s));
        }
    }
    void varLen(std::uint64_t v)
    {
        // At most four bytes hold 28 bits; a longer gap cannot come from a song of 4000 beats.
        v = std::min<std::uint64_t>(v, 0x0FFFFFFF);
        std::uint8_t buf[4];
        int n = 0;
        buf[n++] = static_cast<std::uint8_t>(v & 0x7F);
        while ((v >>= 7) != 0) {
            buf[n++] = static_cast<std::uint8_t>((v & 0x7F) | 0x80);
        }
        while (n > 0) {
            u8(buf[--n]);
        }
    }

private:
    std::vector<std::uint8_t>& m_out;
};

/// Appends one "MTrk" chunk whose body body() writes.
template <typename Body> void chunk(std::vector<std::uint8_t>& out, Body body)
{
    std::vector<std::uint8_t> data;
    MidiBytes b(data);
    body(b);
    MidiBytes o(out);
    o.text("MTrk");
    o.u32(static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

/// Collects the notes of pattern k's beat window [b, b + 1) played at song beat at.
class Collector
{
public:
    Collector(const core::TSong& song, std::vector<std::vector<MidiNote>>& rows)
        : m_song(song), m_rows(rows), m_amount(std::clamp(song.ShuffleAmount, 0, 100)),
          m_division(song.ShuffleDivision >= 1 ? song.ShuffleDivision : 2)
    {}

    void beat(int k, std::int32_t b, std::int64_t at)
    {
        const core::TPattern& pat = m_song.pattern(k);
        const std::int32_t beats = core::PlayedBeats(pat);
        const std::int32_t firstSlot = b * 256 / beats;
        const std::int32_t from = std::max(firstSlot, 0);
        const std::int32_t to = std::min((b + 1) * 256 / beats - 1, core::PatternSlots - 1);
        const int tracks = std::clamp(m_song.TrackCount, 0, core::MaxTracks);
        for (int i = 0; i < tracks; ++i) {
            const core::TTrack& track = pat.Tracks[static_cast<std::size_t>(i)];
            if (!core::TrackHeard(m_song, track, i)) {
                continue;
            }
            for (std::int32_t s = from; s <= to; ++s) {
                const core::TNoteEvent& ev =
                    pat.Events[static_cast<std::size_t>(i)][static_cast<std::size_t>(s)];
                if (ev.Volume <= 0) {
                    continue;
                }
                // The engine's position within the beat, in 1/256 beat, then in file ticks
                // (480 / 256 = 15 / 8), rounded to the nearest.
                std::int32_t pos = (s - firstSlot) * beats;
                if (m_amount != 0) {
                    pos = ShuffledPosition(pos, 256, m_amount, m_division);
                }
                const std::int64_t units = at * 256 + pos;
                m_rows[static_cast<std::size_t>(i)].push_back({(units * MidiFilePpq + 128) / 256,
                                                               core::TrackNote(m_song, track, i),
                                                               VelocityOfVolume(ev.Volume)});
            }
        }
    }

private:
    const core::TSong& m_song;
    std::vector<std::vector<MidiNote>>& m_rows;
    std::int32_t m_amount;
    std::int32_t m_division;
};

/// Which pattern plays at each beat of the span, as the engine's song mode finds it: for each
/// pattern the first placement in list order that covers the beat. Calls f(k, b, at) for
/// pattern k's beat b heard at span beat at.
template <typename F> void walkSong(const core::TSong& song, const core::SongSpan& span, F f)
{
    const std::int32_t first = std::max(span.first, 0);
    const std::int32_t last = std::min(span.last, core::MaxSongPosition);
    if (last < first) {
        return;
    }
    const std::size_t length = static_cast<std::size_t>(last) - static_cast<std::size_t>(first) + 1;
    std::vector<std::int32_t> start(length);
    for (int k = 0; k < song.PatternCount; ++k) {
        const core::TPattern& p = song.pattern(k);
        std::fill(start.begin(), start.end(), -1);
        for (const core::TSeqEntry& e : song.Sequence) {
            if (!(e.Name == p.Name)) {
                continue;
            }
            const std::int64_t a = std::max<std::int64_t>(e.Position, first);
            const std::int64_t z =
                std::min<std::int64_t>(static_cast<std::int64_t>(e.Position) + p.Beats - 1, last);
            for (std::int64_t g = a; g <= z; ++g) {
                auto& s = start[static_cast<std::size_t>(g - first)];
                if (s < 0) {
                    s = e.Position;
                }
            }
        }
        for (std::size_t g = 0; g < length; ++g) {
            if (start[g] >= 0) {
                const auto beat = static_cast<std::int32_t>(g) + first;
                f(k, beat - start[g], beat - first);
            }
        }
    }
}

} // namespace

int VelocityOfVolume(std::int32_t volume)
{
    const std::int64_t v =
        (static_cast<std::int64_t>(std::clamp(volume, 0, 10000)) * 127 + 5000) / 10000;
    return static_cast<int>(std::clamp<std::int64_t>(v, 1, 127));
}

std::vector<std::uint8_t> MidiFileBytes(const core::TSong& song, const MidiExportChoice& choice)
{
    if (!choice.wholeSong && !song.validPattern(choice.pattern)) {
        throw std::out_of_range("there is no pattern " + std::to_string(choice.pattern) +
                                " (the song holds " + std::to_string(song.PatternCount) + ")");
    }
    std::vector<std::vector<MidiNote>> rows(core::MaxTracks);
    Collector collect(song, rows);
    if (choice.wholeSong) {
        walkSong(song, core::ExportSpan(song, -1, -1),
                 [&](int k, std::int32_t b, std::int64_t at) { collect.beat(k, b, at); });
    } else {
        const std::int32_t beats = core::PlayedBeats(song.pattern(choice.pattern));
        for (std::int32_t b = 0; b < beats; ++b) {
            collect.beat(choice.pattern, b, b);
        }
    }
    const auto used = std::count_if(rows.begin(), rows.end(),
                                    [](const std::vector<MidiNote>& r) { return !r.empty(); });

    std::vector<std::uint8_t> out;
    MidiBytes head(out);
    head.text("MThd");
    head.u32(6);
    head.u16(1); // type 1: tracks played together
    head.u16(static_cast<unsigned>(1 + used));
    head.u16(MidiFilePpq);
    chunk(out, [&song](MidiBytes& b) {
        const int bpm = std::clamp(song.Bpm, 1, 1000);
        const auto microsPerQuarter = static_cast<std::uint32_t>((60000000 + bpm / 2) / bpm);
        b.varLen(0);
        b.u8(0xFF);
        b.u8(0x51);
        b.u8(3);
        b.u8((microsPerQuarter >> 16) & 0xFF);
        b.u8((microsPerQuarter >> 8) & 0xFF);
        b.u8(microsPerQuarter & 0xFF);
        b.varLen(0);
        b.u8(0xFF);
        b.u8(0x2F);
        b.u8(0);
    });
    for (int t = 0; t < core::MaxTracks; ++t) {
        auto& notes = rows[static_cast<std::size_t>(t)];
        if (notes.empty()) {
            continue;
        }
        std::stable_sort(notes.begin(), notes.end(),
                         [](const MidiNote& a, const MidiNote& b) { return a.tick < b.tick; });
        // Hits of one note at one tick (a full shuffle can move two slots together) are one
        // note, the loudest: two note ons of one key at once would end each other at random.
        std::vector<MidiNote> merged;
        for (const MidiNote& n : notes) {
            auto same = std::find_if(merged.rbegin(), merged.rend(), [&n](const MidiNote& m) {
                return m.tick == n.tick && m.note == n.note;
            });
            if (same == merged.rend() || same->tick != n.tick) {
                merged.push_back(n);
            } else {
                same->velocity = std::max(same->velocity, n.velocity);
            }
        }
        notes.swap(merged);
        // Note on and off messages by time; an off before an on at the same tick, so that a
        // note ended by the next hit of its row is not cut short by its own off.
        struct Message
        {
            std::int64_t tick;
            bool on;
            int note;
            int velocity;
        };
        std::vector<Message> messages;
        messages.reserve(notes.size() * 2);
        for (std::size_t i = 0; i < notes.size(); ++i) {
            std::int64_t end = notes[i].tick + MidiNoteTicks;
            for (std::size_t j = i + 1; j < notes.size(); ++j) {
                if (notes[j].note == notes[i].note) {
                    end = std::min(end, std::max(notes[j].tick, notes[i].tick + 1));
                    break;
                }
            }
            messages.push_back({notes[i].tick, true, notes[i].note, notes[i].velocity});
            messages.push_back({end, false, notes[i].note, 0});
        }
        std::stable_sort(messages.begin(), messages.end(), [](const Message& a, const Message& b) {
            return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
        });
        const auto& name = song.TrackNames[static_cast<std::size_t>(t)];
        const core::TrackArray& named =
            choice.wholeSong ? song.Tracks : song.pattern(choice.pattern).Tracks;
        const std::string title =
            name.empty() ? named[static_cast<std::size_t>(t)].SoundName.str() : name.str();
        chunk(out, [&](MidiBytes& b) {
            if (!title.empty()) {
                b.varLen(0);
                b.u8(0xFF);
                b.u8(0x03);
                b.varLen(title.size());
                b.text(title.c_str());
            }
            std::int64_t now = 0;
            for (const Message& m : messages) {
                b.varLen(static_cast<std::uint64_t>(m.tick - now));
                now = m.tick;
                b.u8((m.on ? 0x90U : 0x80U) | MidiDrumChannel);
                b.u8(static_cast<unsigned>(m.note) & 0x7F);
                b.u8(static_cast<unsigned>(m.on ? m.velocity : 0) & 0x7F);
            }
            b.varLen(0);
            b.u8(0xFF);
            b.u8(0x2F);
            b.u8(0);
        });
    }
    return out;
}

void WriteMidiFile(const std::string& path, const core::TSong& song, const MidiExportChoice& choice)
{
    writeFileAtomically(path, MidiFileBytes(song, choice));
}

} // namespace bw::audio
