#include "core/song_json.h"

#include <cstdio>

namespace bw::core {

std::string JsonString(std::string_view latin1)
{
    std::string out = "\"";
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out += '"';
    return out;
}

namespace {

class Obj
{
public:
    explicit Obj(std::string& out) : m_out(out) { m_out += '{'; }
    ~Obj() { m_out += '}'; }
    Obj(const Obj&) = delete;
    Obj& operator=(const Obj&) = delete;
    void key(const char* k)
    {
        if (!m_first) {
            m_out += ", ";
        }
        m_first = false;
        m_out += '"';
        m_out += k;
        m_out += "\": ";
    }
    void num(const char* k, long long v)
    {
        key(k);
        m_out += std::to_string(v);
    }
    void str(const char* k, std::string_view v)
    {
        key(k);
        m_out += JsonString(v);
    }

private:
    std::string& m_out;
    bool m_first = true;
};

void trackJson(std::string& out, const TTrack& t)
{
    Obj o(out);
    o.str("SoundName", t.SoundName.view());
    o.num("Volume", t.Volume);
    o.num("Pan", t.Pan);
    o.num("Enabled", t.Enabled);
    o.num("Transpose", t.Transpose);
    o.num("DelaySend", t.DelaySend);
}

void patternJson(std::string& out, const TPattern& p)
{
    Obj o(out);
    o.str("Name", p.Name.view());
    o.num("Beats", p.Beats);
    o.num("Ticks", p.Ticks);
    o.num("Transpose", p.Transpose);
    o.key("Tracks");
    out += "[\n";
    for (std::size_t t = 0; t < p.Tracks.size(); ++t) {
        out += "      ";
        trackJson(out, p.Tracks[t]);
        out += t + 1 < p.Tracks.size() ? ",\n" : "\n";
    }
    out += "    ]";
    o.key("Events");
    out += "[";
    bool first = true;
    for (int t = 0; t < MaxTracks; ++t) {
        for (int s = 0; s < PatternSlots; ++s) {
            const TNoteEvent& e =
                p.Events[static_cast<std::size_t>(t)][static_cast<std::size_t>(s)];
            if (e.Volume == 0) {
                continue;
            }
            out += first ? "\n      " : ",\n      ";
            first = false;
            Obj ev(out);
            ev.num("Track", t);
            ev.num("Slot", s);
            ev.num("Volume", e.Volume);
            ev.num("Pitch", e.Pitch);
            ev.num("Pan", e.Pan);
            ev.num("Selected", e.Selected);
        }
    }
    out += first ? "]" : "\n    ]";
    o.num("Color", p.Color);
}

/// The arrangement settings, each only when the song holds more than its default (as the file).
void arrangementJson(Obj& o, std::string& out, const TSong& song)
{
    bool named = false;
    for (const auto& n : song.TrackNames) {
        named = named || !n.empty();
    }
    if (named) {
        o.key("TrackNames");
        out += "[";
        bool first = true;
        for (int t = 0; t < MaxTracks; ++t) {
            const auto& n = song.TrackNames[static_cast<std::size_t>(t)];
            if (n.empty()) {
                continue;
            }
            out += first ? "" : ", ";
            first = false;
            Obj e(out);
            e.num("Track", t);
            e.str("Name", n.view());
        }
        out += "]";
    }
    if (song.SoloTracks != 0) {
        o.num("SoloTracks", song.SoloTracks);
    }
    if (song.LoopEnd > song.LoopStart || song.LoopOn) {
        o.num("LoopStart", song.LoopStart);
        o.num("LoopEnd", song.LoopEnd);
        o.key("LoopOn");
        out += song.LoopOn ? "true" : "false";
    }
}

} // namespace

std::string SongToJson(const TSong& song, bool sequencerVisible)
{
    std::string out;
    {
        Obj o(out);
        o.num("TrackCount", song.TrackCount);
        o.num("InstrumentCount", song.InstrumentCount);
        o.num("Stereo", song.Stereo);
        o.num("Bpm", song.Bpm);
        o.num("MasterVolume", song.MasterVolume);
        o.num("ShuffleAmount", song.ShuffleAmount);
        o.num("ShuffleDivision", song.ShuffleDivision);
        o.num("DelayDivision", song.DelayDivision);
        o.num("DelayFeedback", song.DelayFeedback);
        o.num("DelayRepeats", song.DelayRepeats);
        o.num("HumanizeTiming", song.HumanizeTiming);
        o.num("HumanizeVolume", song.HumanizeVolume);
        // 64 bits do not survive a JSON number everywhere: the seed goes as 16 hex digits.
        char seed[17];
        std::snprintf(seed, sizeof seed, "%016llx",
                      static_cast<unsigned long long>(song.HumanizeSeed));
        o.str("HumanizeSeed", seed);
        o.num("DefaultVolume", song.DefaultVolume);
        o.num("StopPosition", song.StopPosition);
        o.num("CurrentPattern", song.CurrentPattern);
        o.num("SelectedTrack", song.SelectedTrack);
        o.key("SequencerVisible");
        out += sequencerVisible ? "true" : "false";
        o.key("Patterns");
        out += "[";
        for (std::size_t i = 0; i < song.Patterns.size(); ++i) {
            out += i == 0 ? "\n  " : ",\n  ";
            patternJson(out, *song.Patterns[i]);
        }
        out += song.Patterns.empty() ? "]" : "\n  ]";
        o.key("Sequence");
        out += "[";
        for (std::size_t i = 0; i < song.Sequence.size(); ++i) {
            out += i == 0 ? "\n  " : ",\n  ";
            Obj e(out);
            e.num("Position", song.Sequence[i].Position);
            e.str("Name", song.Sequence[i].Name.view());
        }
        out += song.Sequence.empty() ? "]" : "\n  ]";
        arrangementJson(o, out, song);
    }
    out += '\n';
    return out;
}

std::string LibraryToJson(const library::SoundLibrary& lib)
{
    std::string out;
    {
        Obj o(out);
        o.key("Sounds");
        out += "[";
        for (int i = 0; i < lib.count(); ++i) {
            out += i == 0 ? "\n  " : ",\n  ";
            const auto& s = lib.at(i);
            Obj so(out);
            so.str("Name", s.Name.view());
            so.str("StopTarget", s.StopTarget.view());
            so.num("DataSize", s.DataSize);
            so.num("Flags", s.Flags);
            so.num("StretchMul", s.StretchMul);
            so.num("StretchDiv", s.StretchDiv);
        }
        out += lib.count() == 0 ? "]" : "\n  ]";
    }
    out += '\n';
    return out;
}

} // namespace bw::core
