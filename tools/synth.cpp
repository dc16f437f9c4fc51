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

// ln 2 and pi / 2 split into a head with trailing zero bits (so k * head is exact for the
// multiples used here) and a tail.
constexpr double Ln2Head = 6.93147180369123816490e-01;
constexpr double Ln2Tail = 1.90821492927058770002e-10;
constexpr double HalfPiHead = 1.57079632673412561417e+00;
constexpr double HalfPiTail = 6.07710050650619224932e-11;
constexpr double Ln10 = 2.30258509299404568402;

/// 1 / n! for n = 0..20, worked out by the compiler in plain double arithmetic.
struct InverseFactorials
{
    double v[21] = {};
    constexpr InverseFactorials()
    {
        double f = 1.0;
        for (int n = 0; n <= 20; ++n) {
            f *= n > 1 ? n : 1;
            v[n] = 1.0 / f;
        }
    }
};
constexpr InverseFactorials InvFact;

/// Taylor series of sin on [-pi/4, pi/4] in Horner form; the first term left out is below
/// 1e-22.
double SinKernel(double r)
{
    const double z = r * r;
    double p = 0.0;
    for (int n = 19; n >= 3; n -= 2) {
        p = (p + (n % 4 == 3 ? -InvFact.v[n] : InvFact.v[n])) * z;
    }
    return r + r * p;
}

/// Taylor series of cos on [-pi/4, pi/4].
double CosKernel(double r)
{
    const double z = r * r;
    double p = 0.0;
    for (int n = 20; n >= 2; n -= 2) {
        p = (p + (n % 4 == 2 ? -InvFact.v[n] : InvFact.v[n])) * z;
    }
    return 1.0 + p;
}

/// x = quadrant * pi/2 + r with |r| <= pi/4 (about).
double ReduceHalfPi(double x, long& quadrant)
{
    const double n = std::nearbyint(x * (2.0 / Pi));
    quadrant = static_cast<long>(n);
    return (x - n * HalfPiHead) - n * HalfPiTail;
}

/// K-weighting at 44100 Hz: the loudness meters' high shelf (+4 dB above about 1.7 kHz)
/// followed by their high-pass near 38 Hz.
void KWeight(Signal& s)
{
    const double tanOf = Pi * 1681.974450955533 / SampleRate;
    double k = Sin(tanOf) / Cos(tanOf);
    double q = 0.7071752369554196;
    const double vh = DbToGain(3.999843853973347);
    const double vb = Exp(0.4996667741545416 * 3.999843853973347 / 20.0 * Ln10);
    double a0 = 1.0 + k / q + k * k;
    const double sb0 = (vh + vb * k / q + k * k) / a0;
    const double sb1 = 2.0 * (k * k - vh) / a0;
    const double sb2 = (vh - vb * k / q + k * k) / a0;
    const double sa1 = 2.0 * (k * k - 1.0) / a0;
    const double sa2 = (1.0 - k / q + k * k) / a0;
    const double hpOf = Pi * 38.13547087602444 / SampleRate;
    k = Sin(hpOf) / Cos(hpOf);
    q = 0.5003270373238773;
    a0 = 1.0 + k / q + k * k;
    const double ha1 = 2.0 * (k * k - 1.0) / a0;
    const double ha2 = (1.0 - k / q + k * k) / a0;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    double u1 = 0.0, u2 = 0.0, v1 = 0.0, v2 = 0.0;
    for (double& x : s) {
        const double y = sb0 * x + sb1 * x1 + sb2 * x2 - sa1 * y1 - sa2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        const double v = y - 2.0 * u1 + u2 - ha1 * v1 - ha2 * v2;
        u2 = u1;
        u1 = y;
        v2 = v1;
        v1 = v;
        x = v;
    }
}

} // namespace

double Exp(double x)
{
    if (x < -745.0) {
        return 0.0;
    }
    if (x > 709.0) {
        return HUGE_VAL;
    }
    const double k = std::nearbyint(x / (Ln2Head + Ln2Tail));
    const double r = (x - k * Ln2Head) - k * Ln2Tail;
    // Taylor series in Horner form; |r| <= ln 2 / 2 leaves the first term out below 1e-22.
    double p = InvFact.v[18];
    for (int n = 17; n >= 0; --n) {
        p = p * r + InvFact.v[n];
    }
    return std::ldexp(p, static_cast<int>(k));
}

double Sin(double x)
{
    long q = 0;
    const double r = ReduceHalfPi(x, q);
    switch (q & 3) {
    case 0:
        return SinKernel(r);
    case 1:
        return CosKernel(r);
    case 2:
        return -SinKernel(r);
    default:
        return -CosKernel(r);
    }
}

double Cos(double x)
{
    long q = 0;
    const double r = ReduceHalfPi(x, q);
    switch (q & 3) {
    case 0:
        return CosKernel(r);
    case 1:
        return -SinKernel(r);
    case 2:
        return -CosKernel(r);
    default:
        return SinKernel(r);
    }
}

double Tanh(double x)
{
    if (x > 20.0) {
        return 1.0;
    }
    if (x < -20.0) {
        return -1.0;
    }
    const double e = Exp(2.0 * x);
    return (e - 1.0) / (e + 1.0);
}

double DbToGain(double db)
{
    return Exp(db / 20.0 * Ln10);
}

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
    const double alpha = Sin(w) / (2.0 * q);
    const double c = Cos(w);
    return fromRaw((1.0 - c) / 2.0, 1.0 - c, (1.0 - c) / 2.0, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

Biquad Biquad::highPass(double freq, double q)
{
    const double w = 2.0 * Pi * freq / SampleRate;
    const double alpha = Sin(w) / (2.0 * q);
    const double c = Cos(w);
    return fromRaw((1.0 + c) / 2.0, -(1.0 + c), (1.0 + c) / 2.0, 1.0 + alpha, -2.0 * c,
                   1.0 - alpha);
}

Biquad Biquad::bandPass(double freq, double q)
{
    const double w = 2.0 * Pi * freq / SampleRate;
    const double alpha = Sin(w) / (2.0 * q);
    const double c = Cos(w);
    return fromRaw(alpha, 0.0, -alpha, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

Biquad Biquad::peaking(double freq, double q, double gainDb)
{
    const double w = 2.0 * Pi * freq / SampleRate;
    const double alpha = Sin(w) / (2.0 * q);
    const double c = Cos(w);
    const double a = DbToGain(gainDb / 2.0);
    return fromRaw(1.0 + alpha * a, -2.0 * c, 1.0 - alpha * a, 1.0 + alpha / a, -2.0 * c,
                   1.0 - alpha / a);
}

Biquad Biquad::highShelf(double freq, double q, double gainDb)
{
    const double w = 2.0 * Pi * freq / SampleRate;
    const double alpha = Sin(w) / (2.0 * q);
    const double c = Cos(w);
    const double a = DbToGain(gainDb / 2.0);
    const double root = 2.0 * std::sqrt(a) * alpha;
    return fromRaw(a * ((a + 1.0) + (a - 1.0) * c + root), -2.0 * a * ((a - 1.0) + (a + 1.0) * c),
                   a * ((a + 1.0) + (a - 1.0) * c - root), (a + 1.0) - (a - 1.0) * c + root,
                   2.0 * ((a - 1.0) - (a + 1.0) * c), (a + 1.0) - (a - 1.0) * c - root);
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

void Biquad::retune(const Biquad& other)
{
    m_b0 = other.m_b0;
    m_b1 = other.m_b1;
    m_b2 = other.m_b2;
    m_a1 = other.m_a1;
    m_a2 = other.m_a2;
}

double Decay(double t, double tau)
{
    return Exp(-t / tau);
}

Signal SweptSine(int length, double f0, double f1, double tau, double phase0)
{
    Signal s(idx(length));
    double phase = phase0;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        const double f = f1 + (f0 - f1) * Decay(t, tau);
        s[idx(i)] = Sin(phase);
        phase += 2.0 * Pi * f / SampleRate;
        if (phase > 2.0 * Pi) {
            phase -= 2.0 * Pi;
        }
    }
    return s;
}

namespace {

/// The correction that turns a hard step at phase 0 of a cycle into a band-limited one:
/// t is the phase (0..1) and dt the phase step per sample.
double PolyBlep(double t, double dt)
{
    if (t < dt) {
        const double x = t / dt;
        return x + x - x * x - 1.0;
    }
    if (t > 1.0 - dt) {
        const double x = (t - 1.0) / dt;
        return x * x + x + x + 1.0;
    }
    return 0.0;
}

} // namespace

Signal Square(int length, double freq)
{
    Signal s(idx(length));
    const double dt = freq / SampleRate;
    double phase = 0.0;
    for (int i = 0; i < length; ++i) {
        double v = phase < 0.5 ? 1.0 : -1.0;
        v += PolyBlep(phase, dt);
        double half = phase + 0.5;
        if (half >= 1.0) {
            half -= 1.0;
        }
        v -= PolyBlep(half, dt);
        s[idx(i)] = v;
        phase += dt;
        if (phase >= 1.0) {
            phase -= 1.0;
        }
    }
    return s;
}

Signal Partials(int length, const std::vector<Partial>& partials, double glide, double glideTau)
{
    Signal s(idx(length), 0.0);
    // The coefficients of the rotation follow the glide in short blocks.
    constexpr int Block = 32;
    for (const Partial& p : partials) {
        if (p.amp == 0.0 || p.freq * (1.0 + glide) >= 0.5 * SampleRate) {
            continue;
        }
        const double decay = Exp(-1.0 / (SampleRate * p.tau));
        // Stop once the partial has fallen 140 dB.
        const int last = std::min(length, static_cast<int>(p.tau * 16.2 * SampleRate) + 1);
        double re = p.amp * Cos(p.phase);
        double im = p.amp * Sin(p.phase);
        double c = 0.0;
        double sn = 0.0;
        for (int i = 0; i < last; ++i) {
            if (i % Block == 0 && (i == 0 || glide != 0.0)) {
                const double t = static_cast<double>(i) / SampleRate;
                const double f = p.freq * (1.0 + glide * Decay(t, glideTau));
                const double w = 2.0 * Pi * f / SampleRate;
                c = Cos(w) * decay;
                sn = Sin(w) * decay;
            }
            s[idx(i)] += im;
            const double nextRe = re * c - im * sn;
            im = re * sn + im * c;
            re = nextRe;
        }
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
    ApplyTwoStage(s, attackMs, tau, 1.0, tau);
}

void ApplyTwoStage(Signal& s, double attackMs, double fastTau, double bodyLevel, double bodyTau)
{
    const int attack = std::max(1, SamplesFor(attackMs));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        double g = (1.0 - bodyLevel) * Decay(t, fastTau) + bodyLevel * Decay(t, bodyTau);
        if (static_cast<int>(i) < attack) {
            g *= static_cast<double>(i) / attack;
        }
        s[i] *= g;
    }
}

void SweptLowPass(Signal& s, double f0, double f1, double tau, double q)
{
    Biquad a = Biquad::lowPass(f0, q);
    Biquad b = a;
    constexpr std::size_t Step = 16;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i % Step == 0) {
            const double t = static_cast<double>(i) / SampleRate;
            const Biquad now = Biquad::lowPass(f1 + (f0 - f1) * Decay(t, tau), q);
            a.retune(now);
            b.retune(now);
        }
        s[i] = b.process(a.process(s[i]));
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

void LimitPeaks(Signal& s, double ceiling, double releaseMs)
{
    if (ceiling >= 1.0 || s.empty()) {
        return;
    }
    double peak = 0.0;
    for (double v : s) {
        peak = std::max(peak, std::fabs(v));
    }
    const double limit = ceiling * peak;
    const std::size_t n = s.size();
    const auto ahead = static_cast<std::size_t>(SamplesFor(1.0));
    // The gain each sample needs on its own...
    Signal need(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double a = std::fabs(s[i]);
        need[i] = a > limit ? limit / a : 1.0;
    }
    // ...the least of it over the next millisecond, averaged over the millisecond before, so
    // the gain is down in time for every peak without a step...
    Signal least(n);
    for (std::size_t i = 0; i < n; ++i) {
        double m = 1.0;
        for (std::size_t j = i; j < n && j <= i + ahead; ++j) {
            m = std::min(m, need[j]);
        }
        least[i] = m;
    }
    double sum = 0.0;
    const double recover = 1.0 - Exp(-1000.0 / (releaseMs * SampleRate));
    double gain = 1.0;
    for (std::size_t i = 0; i < n; ++i) {
        sum += least[i];
        if (i > ahead) {
            sum -= least[i - ahead - 1];
        }
        const double smooth = sum / static_cast<double>(std::min(i, ahead) + 1);
        // ...and it comes back up slowly.
        gain = std::min(smooth, gain + (1.0 - gain) * recover);
        s[i] *= gain;
    }
}

void Saturate(Signal& s, double drive)
{
    const double norm = Tanh(drive);
    for (double& v : s) {
        v = Tanh(drive * v) / norm;
    }
}

void Normalize(Signal& s)
{
    double peak = 0.0;
    for (double v : s) {
        peak = std::max(peak, std::fabs(v));
    }
    if (peak > 0.0) {
        for (double& v : s) {
            v /= peak;
        }
    }
}

double LoudnessPower(const Signal& s)
{
    Signal k = s;
    const std::size_t window = idx(SamplesFor(400.0));
    k.resize(s.size() + window, 0.0);
    KWeight(k);
    double sum = 0.0;
    double best = 0.0;
    for (std::size_t i = 0; i < k.size(); ++i) {
        sum += k[i] * k[i];
        if (i >= window) {
            sum -= k[i - window] * k[i - window];
        }
        best = std::max(best, sum);
    }
    return best / static_cast<double>(window);
}

Signal Clean(Signal s, double fadeMs)
{
    const std::size_t n = s.size();
    if (n < 4) {
        return Signal(n, 0.0);
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
    const std::size_t fadeIn = std::min<std::size_t>(FadeInSamples, n / 4);
    for (std::size_t i = 0; i < fadeIn; ++i) {
        const double r = Sin(0.5 * Pi * static_cast<double>(i) / static_cast<double>(fadeIn));
        s[i] *= r * r;
    }
    // Fade the tail out to zero.
    const std::size_t fadeOut =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(1, SamplesFor(fadeMs))), n / 2);
    for (std::size_t i = 0; i < fadeOut; ++i) {
        const double x = static_cast<double>(i + 1) / static_cast<double>(fadeOut);
        const double r = Cos(0.5 * Pi * x);
        s[n - fadeOut + i] *= r * r;
    }
    // Whatever offset remains is taken out along a window that is zero at both ends, so the
    // start and the end stay silent.
    double sum = 0.0;
    double windowSum = 0.0;
    Signal window(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double w = Sin(Pi * static_cast<double>(i) / static_cast<double>(n - 1));
        window[i] = w * w;
        windowSum += window[i];
        sum += s[i];
    }
    const double k = sum / windowSum;
    for (std::size_t i = 0; i < n; ++i) {
        s[i] -= k * window[i];
    }
    Normalize(s);
    return s;
}

std::vector<std::int16_t> Quantize(const Signal& s, double scale)
{
    if (s.empty()) {
        return {};
    }
    std::vector<std::int16_t> out(s.size(), 0);
    for (std::size_t i = 0; i < s.size(); ++i) {
        out[i] = static_cast<std::int16_t>(std::lrint(s[i] * scale));
    }
    out[0] = 0;
    out[s.size() - 1] = 0;
    return out;
}

std::vector<std::int16_t> Finish(Signal s, double fadeMs, double peak)
{
    return Quantize(Clean(std::move(s), fadeMs), std::min(peak, double{TargetPeak}));
}

std::vector<std::int16_t> Finish(Signal s, double fadeMs)
{
    return Finish(std::move(s), fadeMs, TargetPeak);
}

} // namespace bw::tools
