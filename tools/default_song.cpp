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

// Levels bring the song to about -16 LUFS with its peaks under -1 dBTP (the engine has no
// limiter: the arrangement keeps the peaks down). Panned as the drummer sits: hats and the high
// tom left, the floor tom and the ride right; kick, snare and bass in the centre; the shaker
// answers the hats from the right, and the congas move from side to side.
constexpr TrackSetup Setups[] = {
    {"Kick Punch", 9000, 1000, 0}, {"Snare", 8000, 1000, 0},       {"Clap", 5500, 1000, 600},
    {"Closed Hat", 8000, 200, 0},  {"Open Hat", 10000, 200, 0},    {"Crash", 7700, 400, 0},
    {"High Tom", 8000, 250, 0},    {"Mid Tom", 8000, 1000, 0},     {"Low Tom", 8500, 1750, 0},
    {"Shaker", 10000, 1750, 0},    {"Conga High", 10000, 1000, 0}, {"Sub Bass C2", 8500, 1000, 0},
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

    /// Another sound of the same kind on a track in this pattern (an alternate hit, another
    /// instrument of the same family), at its own level and place.
    PatternWriter& sound(Track track, const char* name, std::int32_t volume, std::int32_t pan)
    {
        core::TTrack& t = pattern().Tracks[static_cast<std::size_t>(track)];
        t.SoundName.assign(name);
        t.Volume = volume;
        t.Pan = pan;
        return *this;
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
// settle on C2 in phase, so they add up), or at another pitch with no kick while it sounds
// (four steps and more), so the two never beat against each other.
//
// The peaky hits stay off the kick's accents: the hats lean on the off-beats, the congas fall
// between the kicks, so no two transients stack into a peak.
//
// No track plays one waveform throughout: the kick, snare and closed hat take their second
// hits in the variation and the fill, and the break brings the pedal hat, the ride, finger
// snaps and the tambourine onto the open hat's, crash's, clap's and shaker's tracks.

void MainGroove(core::TSong& song)
{
    PatternWriter(song, "Main")
        .row(Kick, /*     */ "9.....6.9.....5.")
        .row(Snare, /*    */ "....9.......9...")
        .row(Clap, /*     */ "............5...")
        .row(ClosedHat, /**/ "5.7.6.7.5.7.6...")
        .row(OpenHat, /*  */ "..............9.")
        .row(Shaker, /*   */ ".8.9.8.9.8.9.8.9")
        .row(Conga, /*    */ "..8....9..7....9")
        .row(Bass, /*     */ "8.......7.......")
        .shape(Conga, 2, 0, 850)
        .shape(Conga, 7, -2, -850)
        .shape(Conga, 10, 0, 850)
        .shape(Conga, 15, 2, -850);
}

void Variation(core::TSong& song)
{
    PatternWriter(song, "Variation")
        .sound(Kick, "Kick Punch 2", 9000, 1000)
        .sound(Snare, "Snare 2", 8000, 1000)
        .sound(ClosedHat, "Closed Hat 2", 8000, 200)
        .row(Kick, /*     */ "9.....6.9.8.....")
        .row(Snare, /*    */ "....9.......9..3")
        .row(Clap, /*     */ "....5.......6...")
        .row(ClosedHat, /**/ "5.7.6...5.7.6.7.")
        .row(OpenHat, /*  */ "......9.........")
        .row(Crash, /*    */ "8...............")
        .row(Shaker, /*   */ ".8.9.8.9.8.9.8.9")
        .row(Conga, /*    */ ".......8...7..8.")
        .row(Bass, /*     */ "8.........7.....")
        .shape(Conga, 7, 0, -850)
        .shape(Conga, 11, -2, 850)
        .shape(Conga, 14, 2, -850);
}

void Fill(core::TSong& song)
{
    PatternWriter(song, "Fill")
        .sound(Kick, "Kick Punch 2", 9000, 1000)
        .sound(Snare, "Snare 2", 8000, 1000)
        .row(Kick, /*     */ "9.......9.......")
        .row(Snare, /*    */ "....9.........79")
        .row(ClosedHat, /**/ "5.7.6.7.........")
        .row(Shaker, /*   */ ".8.9.8.9........")
        .row(HighTom, /*  */ "........79......")
        .row(MidTom, /*   */ "..........87....")
        .row(LowTom, /*   */ "............98..")
        .row(Bass, /*     */ "8.......6.......")
        .shape(HighTom, 8, 1, 0)
        .shape(HighTom, 9, 0, 100)
        .shape(MidTom, 10, 0, -150)
        .shape(MidTom, 11, -1, 150)
        .shape(LowTom, 12, 0, 0)
        .shape(LowTom, 13, -2, -100);
}

void Break(core::TSong& song)
{
    PatternWriter(song, "Break")
        .sound(Clap, "Snap", 7000, 1300)
        .sound(OpenHat, "Pedal Hat", 10000, 200)
        .sound(Crash, "Ride", 7000, 1650)
        .sound(Shaker, "Tambourine", 7000, 1750)
        .row(Kick, /*     */ "8...............")
        .row(Clap, /*     */ "....7.......7...")
        .row(OpenHat, /*  */ "..7...7...7...8.")
        .row(Crash, /*    */ "8...6...7...6...")
        .row(Shaker, /*   */ "....6.......6...")
        .row(Conga, /*    */ "5..9..9...8.9..7")
        .row(Bass, /*     */ "8.....6...7.....")
        .shape(Conga, 0, 0, -850)
        .shape(Conga, 3, 2, 850)
        .shape(Conga, 6, 0, -850)
        .shape(Conga, 10, -2, 850)
        .shape(Conga, 12, 0, -850)
        .shape(Conga, 15, 3, 850)
        .shape(Bass, 6, 5, 0)
        .shape(Bass, 10, 3, 0);
}

void Ending(core::TSong& song)
{
    PatternWriter(song, "End")
        .sound(Kick, "Kick Punch 2", 9000, 1000)
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
    s.MasterVolume = 9000;
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
