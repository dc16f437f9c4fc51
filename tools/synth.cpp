#include "tools/synth.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace bw::tools {

namespace {

std::size_t idx(int i)
{
    return static_cast<std::size_t>(i);
}

} // namespace

int SamplesFor(double ms)
{
    return static_cast<int>(ms * SampleRate / 1000.0);
}

double Noise::next()
{
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    // 24 high bits give an exact double in [0, 1); scale to [-1, 1).
    return static_cast<double>(m_state >> 8) / 8388608.0 - 1.0;
}

Biquad Biquad::fromRaw(double b0, double b1, double b2, double a0, double a1, double a2)
{
    Biquad f;
    f.m_b0 = b0 / a0;
    f.m_b1 = b1 / a0;
    f.m_b2 = b2 / a0;
    f.m_a1 = a1 / a0;
    f.m_a2 = a2 / a0;
    return f;
}

Biquad Biquad::lowPass(double freq, double q)
{
    const double w = 2.0 * Pi * freq / SampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    return fromRaw((1.0 - c) / 2.0, 1.0 - c, (1.0 - c) / 2.0, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

Biquad Biquad::highPass(double freq, double q)
{
    const double w = 2.0 * Pi * freq / SampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    return fromRaw((1.0 + c) / 2.0, -(1.0 + c), (1.0 + c) / 2.0, 1.0 + alpha, -2.0 * c,
                   1.0 - alpha);
}

Biquad Biquad::bandPass(double freq, double q)
{
    const double w = 2.0 * Pi * freq / SampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    return fromRaw(alpha, 0.0, -alpha, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

double Biquad::process(double x)
{
    const double y = m_b0 * x + m_z1;
    m_z1 = m_b1 * x - m_a1 * y + m_z2;
    m_z2 = m_b2 * x - m_a2 * y;
    return y;
}

void Biquad::processAll(Signal& s)
{
    for (double& v : s) {
        v = process(v);
    }
}

double Decay(double t, double tau)
{
    return std::exp(-t / tau);
}

Signal SweptSine(int length, double f0, double f1, double tau, double phase0)
{
    Signal s(idx(length));
    double phase = phase0;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        const double f = f1 + (f0 - f1) * Decay(t, tau);
        s[idx(i)] = std::sin(phase);
        phase += 2.0 * Pi * f / SampleRate;
        if (phase > 2.0 * Pi) {
            phase -= 2.0 * Pi;
        }
    }
    return s;
}

Signal Square(int length, double freq)
{
    Signal s(idx(length));
    const double period = SampleRate / freq;
    for (int i = 0; i < length; ++i) {
        const double p = std::fmod(static_cast<double>(i), period) / period;
        s[idx(i)] = p < 0.5 ? 1.0 : -1.0;
    }
    return s;
}

Signal WhiteNoise(int length, std::uint32_t seed)
{
    Noise n(seed);
    Signal s(idx(length));
    for (double& v : s) {
        v = n.next();
    }
    return s;
}

void ApplyDecay(Signal& s, double attackMs, double tau)
{
    const int attack = std::max(1, SamplesFor(attackMs));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        double g = Decay(t, tau);
        if (static_cast<int>(i) < attack) {
            g *= static_cast<double>(i) / attack;
        }
        s[i] *= g;
    }
}

void MixInto(Signal& dst, const Signal& src, double gain, int offset)
{
    for (std::size_t i = 0; i < src.size(); ++i) {
        const std::size_t d = i + idx(offset);
        if (d >= dst.size()) {
            break;
        }
        dst[d] += src[i] * gain;
    }
}

void Saturate(Signal& s, double drive)
{
    const double norm = std::tanh(drive);
    for (double& v : s) {
        v = std::tanh(drive * v) / norm;
    }
}

std::vector<std::int16_t> Finish(Signal s, double fadeMs)
{
    const std::size_t n = s.size();
    if (n < 4) {
        return std::vector<std::int16_t>(n, 0);
    }
    // Block the very lowest frequencies (about 3.5 Hz) so no sound carries a DC offset.
    double prevIn = 0.0;
    double prevOut = 0.0;
    for (double& v : s) {
        const double out = v - prevIn + 0.9995 * prevOut;
        prevIn = v;
        prevOut = out;
        v = out;
    }
    // Start from exactly zero with a very short ramp, so the first sample never clicks.
    const std::size_t fadeIn = std::min<std::size_t>(24, n / 4);
    for (std::size_t i = 0; i < fadeIn; ++i) {
        const double r = std::sin(0.5 * Pi * static_cast<double>(i) / static_cast<double>(fadeIn));
        s[i] *= r * r;
    }
    // Fade the tail out to zero.
    const std::size_t fadeOut =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(1, SamplesFor(fadeMs))), n / 2);
    for (std::size_t i = 0; i < fadeOut; ++i) {
        const double x = static_cast<double>(i + 1) / static_cast<double>(fadeOut);
        const double r = std::cos(0.5 * Pi * x);
        s[n - fadeOut + i] *= r * r;
    }
    // Whatever offset remains is taken out along a window that is zero at both ends, so the
    // start and the end stay silent.
    double sum = 0.0;
    double windowSum = 0.0;
    Signal window(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double w = std::sin(Pi * static_cast<double>(i) / static_cast<double>(n - 1));
        window[i] = w * w;
        windowSum += window[i];
        sum += s[i];
    }
    const double k = sum / windowSum;
    double peak = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        s[i] -= k * window[i];
        peak = std::max(peak, std::fabs(s[i]));
    }
    std::vector<std::int16_t> out(n, 0);
    if (peak <= 0.0) {
        return out;
    }
    const double scale = TargetPeak / peak;
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<std::int16_t>(std::lrint(s[i] * scale));
    }
    out.front() = 0;
    out.back() = 0;
    return out;
}

} // namespace bw::tools
