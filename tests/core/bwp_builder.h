#pragma once

// Builds pattern files byte by byte for tests and fuzz seeds.
#include "core/pattern_file.h"
#include "core/record_images.h"
#include "library/binary_io.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace bw::testing {

class BwpBuilder
{
public:
    /// Starts with the header: magic (normally 4 bytes), the version stamp and the notice.
    explicit BwpBuilder(const char* magic = "BWPT")
    {
        writer().text(magic);
        writer().text("19980002");
        writer().bytes(std::string(100, ' ').data(), 100);
    }

    BwpBuilder& tag(const char* six)
    {
        writer().bytes(six, 6);
        return *this;
    }
    BwpBuilder& i32(std::int32_t v)
    {
        writer().i32(v);
        return *this;
    }
    BwpBuilder& tagInt(const char* six, std::int32_t v) { return tag(six).i32(v); }
    /// A 21-byte short-string name.
    BwpBuilder& name(const std::string& s)
    {
        ShortString<20> n(s);
        writer().bytes(n.raw.data(), n.raw.size());
        return *this;
    }
    BwpBuilder& pattern(const std::string& s) { return tag("PATNAM").name(s); }
    BwpBuilder& track(const core::TTrack& t)
    {
        ByteWriter w = writer();
        core::writeTrackImage(w, t);
        return *this;
    }
    /// One "SCORE_" entry: track, stored position and the 44-byte event image.
    BwpBuilder& event(std::int32_t track,
                      std::int32_t position,
                      std::int32_t volume,
                      std::int32_t pitch = 0,
                      std::int32_t pan = 0,
                      std::int32_t selected = 0)
    {
        core::TNoteEvent e;
        e.Volume = volume;
        e.Pitch = pitch;
        e.Pan = pan;
        e.Selected = selected;
        ByteWriter w = writer();
        w.i32(track);
        w.i32(position);
        core::writeEventImage(w, e);
        return *this;
    }
    BwpBuilder& raw(const void* p, std::size_t n)
    {
        writer().bytes(p, n);
        return *this;
    }

    std::size_t size() const { return m_bytes.size(); }
    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

private:
    ByteWriter writer() { return ByteWriter(m_bytes); }
    std::vector<std::uint8_t> m_bytes;
};

inline core::TTrack trackNamed(const std::string& sound, std::int32_t volume = 10000)
{
    core::TTrack t;
    core::InitTrack(t);
    t.SoundName.assign(sound);
    t.Volume = volume;
    t.Enabled = 1;
    return t;
}

} // namespace bw::testing
