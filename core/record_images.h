#pragma once

#include "core/song.h"
#include "library/binary_io.h"

namespace bw::core {

/// The 44-byte file image of an event.
inline void writeEventImage(ByteWriter& w, const TNoteEvent& e)
{
    w.i32(e.Volume);
    w.i32(e.Pitch);
    w.i32(e.Pan);
    for (const auto r : e.Reserved1) {
        w.i32(r);
    }
    w.i32(e.Selected);
    w.i32(e.Reserved2);
}

inline void readEventImage(ByteReader& r, TNoteEvent& e)
{
    e.Volume = r.i32();
    e.Pitch = r.i32();
    e.Pan = r.i32();
    for (auto& v : e.Reserved1) {
        v = r.i32();
    }
    e.Selected = r.i32();
    e.Reserved2 = r.i32();
}

/// The 348-byte file image of a track.
inline void writeTrackImage(ByteWriter& w, const TTrack& t)
{
    w.bytes(t.Reserved0.data(), t.Reserved0.size());
    w.bytes(t.SoundName.raw.data(), t.SoundName.raw.size());
    w.i32(t.StopTargetIndex);
    w.i32(t.SoundIndex);
    w.i32(t.Reserved1);
    w.i32(t.Volume);
    w.i32(t.Pan);
    w.u8(t.Enabled);
    w.bytes(t.Reserved2.data(), t.Reserved2.size());
    w.i32(t.Reserved3);
    w.i32(t.Reserved4);
    w.i32(t.Transpose);
    w.i32(t.DelaySend);
    w.i32(t.Reserved5[0]);
    w.i32(t.Reserved5[1]);
}

inline void readTrackImage(ByteReader& r, TTrack& t)
{
    r.read(t.Reserved0.data(), t.Reserved0.size());
    r.read(t.SoundName.raw.data(), t.SoundName.raw.size());
    t.StopTargetIndex = r.i32();
    t.SoundIndex = r.i32();
    t.Reserved1 = r.i32();
    t.Volume = r.i32();
    t.Pan = r.i32();
    t.Enabled = r.u8();
    r.read(t.Reserved2.data(), t.Reserved2.size());
    t.Reserved3 = r.i32();
    t.Reserved4 = r.i32();
    t.Transpose = r.i32();
    t.DelaySend = r.i32();
    t.Reserved5[0] = r.i32();
    t.Reserved5[1] = r.i32();
}

} // namespace bw::core
