#include "golden_sounds.h"

#include <algorithm>

namespace bw::test::golden {

namespace {

/// Phase step per sample (2^32 = one turn) for a frequency in millihertz.
std::uint32_t phaseStep(std::int64_t milliHertz)
{
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(milliHertz) << 32) / 44100000U);
}

/// (n - i)² / n² scaled to level: a decay that is steep at first and reaches 0 at the end.
std::int32_t quadraticDecay(std::int32_t level, std::size_t i, std::size_t n)
{
    const auto left = static_cast<std::int64_t>(n - i);
    const auto all = static_cast<std::int64_t>(n);
    return static_cast<std::int32_t>(level * left * left / (all * all));
}

std::int16_t clamp16(std::int64_t v)
{
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, -32767, 32767));
}

/// Linear congruential noise, full 16-bit range.
class Noise
{
public:
    explicit Noise(std::uint32_t seed) : m_x(seed) {}
    std::int32_t next()
    {
        m_x = m_x * 1664525U + 1013904223U;
        return static_cast<std::int16_t>(m_x >> 16);
    }

private:
    std::uint32_t m_x;
};

} // namespace

std::int32_t sine(std::uint32_t phase16)
{
    // Bhaskara's approximation over the half turn u in 0..32767, mirrored for the other half.
    const std::int64_t u = phase16 & 0x7FFF;
    const std::int64_t q = u * (32768 - u);
    const std::int64_t v = 32767 * 16 * q / (5LL * 32768 * 32768 - 4 * q);
    return static_cast<std::int32_t>((phase16 & 0x8000) != 0 ? -v : v);
}

std::vector<std::int16_t> kick()
{
    // A falling sine from 160 Hz towards 45 Hz, starting at its crest for a hard attack.
    std::vector<std::int16_t> s(KickLength);
    std::uint32_t phase = 0x40000000U;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto n = static_cast<std::int64_t>(i);
        const std::int64_t mHz = 45000 + 115000 * 1500 / (1500 + n);
        const std::int32_t level = quadraticDecay(30000, i, s.size());
        s[i] = clamp16(static_cast<std::int64_t>(level) * sine(phase >> 16) / 32767);
        phase += phaseStep(mHz);
    }
    return s;
}

std::vector<std::int16_t> snare()
{
    // Noise with a 185 Hz body that dies away within the first 3000 samples.
    std::vector<std::int16_t> s(SnareLength);
    Noise noise(7);
    std::uint32_t phase = 0x40000000U;
    const std::uint32_t step = phaseStep(185000);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::int64_t rattle =
            static_cast<std::int64_t>(noise.next()) * quadraticDecay(14000, i, s.size()) / 32768;
        const std::int64_t body = i < 3000 ? static_cast<std::int64_t>(sine(phase >> 16)) *
                                                 static_cast<std::int64_t>(3000 - i) * 12000 /
                                                 (3000LL * 32767)
                                           : 0;
        s[i] = clamp16(rattle + body);
        phase += step;
    }
    return s;
}

std::vector<std::int16_t> hat(std::size_t length, std::int32_t level, std::uint32_t seed)
{
    // Differenced noise (bright), fading linearly; the first sample is at full level.
    std::vector<std::int16_t> s(length);
    Noise noise(seed);
    std::int32_t previous = noise.next();
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::int32_t x = noise.next();
        const std::int64_t bright = (x - previous) / 2;
        previous = x;
        const auto fade = static_cast<std::int64_t>(length - i);
        s[i] = clamp16(bright * level / 32768 * fade / static_cast<std::int64_t>(length));
    }
    if (!s.empty()) {
        s.front() = static_cast<std::int16_t>(level);
    }
    return s;
}

std::vector<std::int16_t> blip()
{
    // 882 Hz square wave: 25 samples up, 25 down.
    std::vector<std::int16_t> s(BlipLength);
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<std::int16_t>((i / 25) % 2 == 0 ? 12000 : -12000);
    }
    return s;
}

std::vector<std::int16_t> pad()
{
    // Two slightly detuned 110 Hz saws with a short fade in and out.
    std::vector<std::int16_t> s(PadLength);
    std::uint32_t a = 0;
    std::uint32_t b = 0x80000000U;
    const std::uint32_t stepA = phaseStep(110000);
    const std::uint32_t stepB = phaseStep(110700);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::int64_t sawA = static_cast<std::int64_t>(a >> 16) - 32768;
        const std::int64_t sawB = static_cast<std::int64_t>(b >> 16) - 32768;
        const std::size_t edge = std::min<std::size_t>(std::min(i, s.size() - 1 - i), 400);
        s[i] = clamp16((sawA + sawB) * 11000 / 32768 * static_cast<std::int64_t>(edge) / 400);
        a += stepA;
        b += stepB;
    }
    return s;
}

std::vector<std::int16_t> loop()
{
    // Four falling ramps with a 220 Hz ripple, between about 1000 and 9000: never 0.
    std::vector<std::int16_t> s(LoopLength);
    std::uint32_t phase = 0;
    const std::uint32_t step = phaseStep(220000);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto inRamp = static_cast<std::int64_t>(i % 7500);
        const std::int64_t ramp = 2500 + (7500 - inRamp) * 5000 / 7500;
        s[i] = clamp16(ramp + static_cast<std::int64_t>(sine(phase >> 16)) * 1500 / 32767);
        phase += step;
    }
    return s;
}

std::vector<std::int16_t> stab()
{
    // A 330 Hz tone around 4000, between 1500 and 6500: never 0.
    std::vector<std::int16_t> s(StabLength);
    std::uint32_t phase = 0;
    const std::uint32_t step = phaseStep(330000);
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = clamp16(4000 + static_cast<std::int64_t>(sine(phase >> 16)) * 2500 / 32767);
        phase += step;
    }
    return s;
}

void addKit(EngineDoc& doc)
{
    doc.addSound("Kick", kick());
    doc.addSound("Snare", snare());
    doc.addSound("ClosedHat", hat(ClosedHatLength, 14000, 11), "OpenHat");
    doc.addSound("OpenHat", hat(OpenHatLength, 10000, 23));
    doc.addSound("Blip", blip());
    doc.addSound("Pad", pad());
    doc.addSound("Loop", loop(), "", library::StretchEnabled, 2, 1);
    doc.addSound("Stab", stab(), "", library::StretchEnabled, 1, 2);
}

} // namespace bw::test::golden
