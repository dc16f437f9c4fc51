#include "tools/default_song.h"

#include <cstddef>
#include <stdexcept>
#include <string_view>

namespace bw::tools {

namespace {

enum Track : int
{
    Kick,
    Snare,
    Clap,
    ClosedHat,
    OpenHat,
    Crash,
    HighTom,
    MidTom,
    LowTom,
    Shaker,
    Conga,
    Bass,
};

struct TrackSetup
{
    const char* sound;
    std::int32_t volume; // 0..10000
    std::int32_t pan;    // 0 left, 1000 centre, 2000 right
    std::int32_t delaySend;
};

// Levels leave headroom for the busiest beats (kick, bass and crash together) at the song's
// master volume.
constexpr TrackSetup Setups[] = {
    {"Kick Punch", 9000, 1000, 0}, {"Snare", 7000, 1000, 0},     {"Clap", 5500, 1000, 600},
    {"Closed Hat", 6200, 1250, 0}, {"Open Hat", 7900, 1250, 0},  {"Crash", 7700, 800, 0},
    {"High Tom", 6500, 1350, 0},   {"Mid Tom", 6500, 1000, 0},   {"Low Tom", 7000, 650, 0},
    {"Shaker", 7100, 1400, 0},     {"Conga High", 5000, 650, 0}, {"Sub Bass C2", 6800, 1000, 0},
};
constexpr int TrackTotal = static_cast<int>(std::size(Setups));
static_assert(TrackTotal == core::DefaultTrackCount);

constexpr int Beats = 4;
constexpr int Ticks = 4;
constexpr int Steps = Beats * Ticks;

/// Volume of a step written as a digit: '1' quiet (2000) .. '9' full (10000).
std::int32_t StepVolume(char c)
{
    return (c - '0') * 1000 + 1000;
}

class PatternWriter
{
public:
    PatternWriter(core::TSong& song, const std::string& name) : m_song(song)
    {
        m_index = core::AddPattern(song, name);
        core::InitPattern(song, m_index);
        core::TPattern& p = pattern();
        p.Beats = Beats;
        p.Ticks = Ticks;
        for (int t = 0; t < TrackTotal; ++t) {
            core::TTrack& track = p.Tracks[static_cast<std::size_t>(t)];
            const TrackSetup& s = Setups[t];
            track.SoundName.assign(s.sound);
            track.Volume = s.volume;
            track.Pan = s.pan;
            track.Enabled = 1;
            track.DelaySend = s.delaySend;
        }
    }

    /// One row of the step grid: '.' is no event, a digit an event of that strength.
    PatternWriter& row(Track track, std::string_view steps)
    {
        if (steps.size() != Steps) {
            throw std::logic_error("a pattern row needs one character per step");
        }
        for (int s = 0; s < Steps; ++s) {
            const char c = steps[static_cast<std::size_t>(s)];
            if (c != '.') {
                event(track, s).Volume = StepVolume(c);
            }
        }
        return *this;
    }

    /// Pitch (semitones) and pan offset (-1000..1000) of an event already placed.
    PatternWriter& shape(Track track, int step, std::int32_t pitch, std::int32_t pan)
    {
        core::TNoteEvent& e = event(track, step);
        if (e.Volume == 0) {
            throw std::logic_error("shaping an empty step");
        }
        e.Pitch = pitch;
        e.Pan = pan;
        return *this;
    }

private:
    core::TPattern& pattern() { return m_song.pattern(m_index); }
    core::TNoteEvent& event(Track track, int step)
    {
        const int slot = core::StepSlot(step, Beats, Ticks);
        return pattern().Events[static_cast<std::size_t>(track)][static_cast<std::size_t>(slot)];
    }

    core::TSong& m_song;
    int m_index = 0;
};

// The bass locks to the kick: a bass note starts on a kick's step and unpitched (kick and bass
// settle on C2 in phase, so they add up), or well after the last kick with no kick following
// while it sounds (six steps), so the two never beat against each other.

void MainGroove(core::TSong& song)
{
    PatternWriter(song, "Main")
        .row(Kick, /*     */ "9.....6.9.....5.")
        .row(Snare, /*    */ "....9.......9...")
        .row(Clap, /*     */ "............5...")
        .row(ClosedHat, /**/ "7.4.8.4.7.4.8...")
        .row(OpenHat, /*  */ "..............8.")
        .row(Shaker, /*   */ ".3.4.3.4.3.4.3.5")
        .row(Bass, /*     */ "8.......7.......");
}

void Variation(core::TSong& song)
{
    PatternWriter(song, "Variation")
        .row(Kick, /*     */ "9.....6.9.8.....")
        .row(Snare, /*    */ "....9.......9..3")
        .row(Clap, /*     */ "....5.......6...")
        .row(ClosedHat, /**/ "8.5.8...8.5.8.5.")
        .row(OpenHat, /*  */ "......8.........")
        .row(Crash, /*    */ "8...............")
        .row(Shaker, /*   */ ".3.4.3.4.3.4.3.5")
        .row(Conga, /*    */ ".......6..5...6.")
        .row(Bass, /*     */ "8.........7.....")
        .shape(Conga, 7, 0, -200)
        .shape(Conga, 10, -2, 250)
        .shape(Conga, 14, 2, -100);
}

void Fill(core::TSong& song)
{
    PatternWriter(song, "Fill")
        .row(Kick, /*     */ "9.......9.......")
        .row(Snare, /*    */ "....9.........79")
        .row(ClosedHat, /**/ "7.5.7.5.........")
        .row(Shaker, /*   */ ".3.4.3.4........")
        .row(HighTom, /*  */ "........79......")
        .row(MidTom, /*   */ "..........87....")
        .row(LowTom, /*   */ "............98..")
        .row(Bass, /*     */ "8.......6.......")
        .shape(HighTom, 8, 1, 150)
        .shape(HighTom, 9, 0, 250)
        .shape(MidTom, 10, 0, 100)
        .shape(MidTom, 11, -1, -100)
        .shape(LowTom, 12, 0, -150)
        .shape(LowTom, 13, -2, -250);
}

void Break(core::TSong& song)
{
    PatternWriter(song, "Break")
        .row(Kick, /*     */ "8...............")
        .row(Clap, /*     */ "....7.......7...")
        .row(OpenHat, /*  */ "..6...6...6...7.")
        .row(Shaker, /*   */ "5343534353435345")
        .row(Conga, /*    */ "9..6..7...6.7..5")
        .row(Bass, /*     */ "8.........6.....")
        .shape(Conga, 3, 2, 200)
        .shape(Conga, 6, 0, -200)
        .shape(Conga, 10, -2, 250)
        .shape(Conga, 12, 0, -150)
        .shape(Conga, 15, 3, 100)
        .shape(Bass, 10, 3, 0);
}

void Ending(core::TSong& song)
{
    PatternWriter(song, "End")
        .row(Kick, /*     */ "8...............")
        .row(Snare, /*    */ "4...............")
        .row(Crash, /*    */ "8...............")
        .row(Bass, /*     */ "6...............");
}

} // namespace

const std::vector<std::string>& DefaultSongSounds()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const TrackSetup& s : Setups) {
            v.emplace_back(s.sound);
        }
        return v;
    }();
    return names;
}

std::unique_ptr<core::TSong> BuildDefaultSong()
{
    auto song = std::make_unique<core::TSong>();
    core::TSong& s = *song;
    core::InitSong(s);
    s.TrackCount = TrackTotal;
    s.InstrumentCount = TrackTotal;
    s.Bpm = 112;
    s.MasterVolume = 8000;
    s.Stereo = 1;
    s.ShuffleAmount = 20; // a light swing on the off-beat sixteenths
    s.ShuffleDivision = 2;
    s.DelayDivision = 2;
    s.DelayFeedback = 50;
    s.DelayRepeats = 2;

    MainGroove(s);
    Variation(s);
    Fill(s);
    Break(s);
    Ending(s);

    const char* arrangement[] = {"Main",  "Variation", "Main", "Fill", "Break",
                                 "Break", "Variation", "Main", "Fill", "End"};
    int position = 0;
    for (const char* name : arrangement) {
        core::AddSeqEntry(s, position, name);
        position += Beats;
    }
    // The last beat played is the stop position.
    core::SetStopPosition(s, position - 1);
    core::LoadWorkingCopy(s, 0);
    return song;
}

} // namespace bw::tools
