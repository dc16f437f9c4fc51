#include "tests/tools/sound_analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>

namespace bw::analysis {

namespace {

constexpr double Pi = 3.14159265358979323846;

std::size_t Samples(double ms)
{
    return static_cast<std::size_t>(ms * Rate / 1000.0);
}

double Peak(const Wave& w)
{
    double peak = 0.0;
    for (double v : w) {
        peak = std::max(peak, std::fabs(v));
    }
    return peak;
}

/// A biquad section in direct form I.
struct Section
{
    double b0, b1, b2, a1, a2;

    Wave run(const Wave& in) const
    {
        Wave out(in.size());
        // Through plain pointers: unoptimised test builds would call a function per access.
        const double* x = in.data();
        double* o = out.data();
        double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
        for (std::size_t i = 0, n = in.size(); i < n; ++i) {
            double y = b0 * x[i] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            // A decaying state would sink into subnormal numbers over the silences of a stem,
            // where arithmetic is a hundred times slower; so far down is silence anyway.
            if (std::fabs(y) < 1e-30) {
                y = 0.0;
            }
            x2 = x1;
            x1 = x[i];
            y2 = y1;
            y1 = y;
            o[i] = y;
        }
        return out;
    }
};

Section Butterworth(double freq, double q, bool highPass)
{
    const double w = 2.0 * Pi * freq / Rate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    const double a0 = 1.0 + alpha;
    if (highPass) {
        return {(1.0 + c) / 2.0 / a0, -(1.0 + c) / a0, (1.0 + c) / 2.0 / a0, -2.0 * c / a0,
                (1.0 - alpha) / a0};
    }
    return {(1.0 - c) / 2.0 / a0, (1.0 - c) / a0, (1.0 - c) / 2.0 / a0, -2.0 * c / a0,
            (1.0 - alpha) / a0};
}

/// Mean square of K-weighted 400 ms blocks every 100 ms.
std::vector<double> BlockPowers(const Wave& k)
{
    const std::size_t block = Samples(400.0);
    const std::size_t hop = Samples(100.0);
    std::vector<double> out;
    if (k.size() < block) {
        double sum = 0.0;
        for (double v : k) {
            sum += v * v;
        }
        out.push_back(sum / static_cast<double>(block));
        return out;
    }
    for (std::size_t start = 0; start + block <= k.size(); start += hop) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + block; ++i) {
            sum += k[i] * k[i];
        }
        out.push_back(sum / static_cast<double>(block));
    }
    return out;
}

double Lufs(double meanSquare)
{
    return -0.691 + PowerDb(meanSquare);
}

} // namespace

void Fft(std::vector<std::complex<double>>& a)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    // One table of twiddle factors for the largest stage; smaller stages step through it.
    std::vector<double> twiddle(n);
    for (std::size_t k = 0; k < n / 2; ++k) {
        const double angle = -2.0 * Pi * static_cast<double>(k) / static_cast<double>(n);
        twiddle[2 * k] = std::cos(angle);
        twiddle[2 * k + 1] = std::sin(angle);
    }
    // On the numbers as pairs of doubles, which a complex array is laid out as: the complex
    // operators check for infinities on every product, which makes unoptimised test builds
    // several times slower.
    double* d = reinterpret_cast<double*>(a.data());
    const double* tw = twiddle.data();
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::size_t stride = n / len;
        const std::size_t half = len / 2;
        for (std::size_t i = 0; i < n; i += len) {
            for (std::size_t k = 0; k < half; ++k) {
                double* u = d + 2 * (i + k);
                double* x = d + 2 * (i + k + half);
                const double wr = tw[2 * k * stride];
                const double wi = tw[2 * k * stride + 1];
                const double vr = x[0] * wr - x[1] * wi;
                const double vi = x[0] * wi + x[1] * wr;
                x[0] = u[0] - vr;
                x[1] = u[1] - vi;
                u[0] += vr;
                u[1] += vi;
            }
        }
    }
}

Wave FromInt16(const std::vector<std::int16_t>& s)
{
    Wave w(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        w[i] = s[i] / 32768.0;
    }
    return w;
}

double PowerDb(double power)
{
    return power > 1e-30 ? 10.0 * std::log10(power) : -300.0;
}

double AmplitudeDb(double amplitude)
{
    return amplitude > 1e-15 ? 20.0 * std::log10(amplitude) : -300.0;
}

std::size_t PeakIndex(const Wave& w)
{
    std::size_t at = 0;
    for (std::size_t i = 0; i < w.size(); ++i) {
        if (std::fabs(w[i]) > std::fabs(w[at])) {
            at = i;
        }
    }
    return at;
}

double LevelAround(const Wave& w, std::size_t i)
{
    const std::size_t half = Samples(5.0);
    const std::size_t from = i > half ? i - half : 0;
    const std::size_t to = std::min(w.size(), i + half + 1);
    double m = 0.0;
    for (std::size_t j = from; j < to; ++j) {
        m = std::max(m, std::fabs(w[j]));
    }
    return AmplitudeDb(m / Peak(w));
}

double InitialFallDbPerSecond(const Wave& w)
{
    const std::size_t p = PeakIndex(w);
    const std::size_t later = p + Samples(30.0);
    if (later >= w.size()) {
        return 0.0;
    }
    return -LevelAround(w, later) / 0.030;
}

double TimeToFall(const Wave& w, double dB)
{
    const double peak = Peak(w);
    const double limit = peak * std::pow(10.0, -dB / 20.0);
    const std::size_t p = PeakIndex(w);
    std::size_t last = p;
    for (std::size_t i = p; i < w.size(); ++i) {
        if (std::fabs(w[i]) > limit) {
            last = i;
        }
    }
    return static_cast<double>(last - p) / Rate;
}

double MarginAfterFallMs(const Wave& w, double dB)
{
    const std::size_t p = PeakIndex(w);
    const double fall = TimeToFall(w, dB);
    const double last = static_cast<double>(p) / Rate + fall;
    return (static_cast<double>(w.size() - 1) / Rate - last) * 1000.0;
}

double AttackMs(const Wave& w)
{
    const double peak = Peak(w);
    double running = 0.0;
    std::size_t at10 = 0;
    std::size_t at90 = 0;
    bool seen10 = false;
    for (std::size_t i = 0; i < w.size(); ++i) {
        running = std::max(running, std::fabs(w[i]));
        if (!seen10 && running >= 0.1 * peak) {
            at10 = i;
            seen10 = true;
        }
        if (running >= 0.9 * peak) {
            at90 = i;
            break;
        }
    }
    return static_cast<double>(at90 - at10) * 1000.0 / Rate;
}

std::vector<double> PowerSpectrum(const Wave& w)
{
    std::size_t n = 1;
    while (n < w.size()) {
        n <<= 1;
    }
    std::vector<std::complex<double>> a(n);
    for (std::size_t i = 0; i < w.size(); ++i) {
        a[i] = w[i];
    }
    Fft(a);
    std::vector<double> power(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        power[k] = std::norm(a[k]);
    }
    return power;
}

std::vector<double> StereoPowerSpectrum(const Wave& left, const Wave& right)
{
    std::size_t n = 1;
    while (n < std::max(left.size(), right.size())) {
        n <<= 1;
    }
    // Left as the real part and right as the imaginary part: bins k and n - k hold both.
    std::vector<std::complex<double>> a(n);
    for (std::size_t i = 0; i < n; ++i) {
        a[i] = {i < left.size() ? left[i] : 0.0, i < right.size() ? right[i] : 0.0};
    }
    Fft(a);
    std::vector<double> power(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        power[k] = 0.5 * (std::norm(a[k]) + std::norm(a[(n - k) % n]));
    }
    return power;
}

double SpectrumEnergy(const std::vector<double>& power)
{
    double total = 0.0;
    for (std::size_t k = 1; k < power.size(); ++k) {
        total += power[k];
    }
    return total;
}

double EnergyShare(const std::vector<double>& power, double lo, double hi)
{
    const double binHz = Rate / static_cast<double>(2 * (power.size() - 1));
    double total = 0.0;
    double in = 0.0;
    for (std::size_t k = 1; k < power.size(); ++k) {
        const double f = static_cast<double>(k) * binHz;
        total += power[k];
        if (f >= lo && f < hi) {
            in += power[k];
        }
    }
    return total > 0.0 ? in / total : 0.0;
}

SpectrumShares Shares(const Wave& w)
{
    const std::vector<double> power = PowerSpectrum(w);
    const double binHz = Rate / static_cast<double>(2 * (power.size() - 1));
    double total = 0.0;
    double moment = 0.0;
    for (std::size_t k = 1; k < power.size(); ++k) {
        total += power[k];
        moment += power[k] * static_cast<double>(k) * binHz;
    }
    SpectrumShares s;
    s.centroidHz = total > 0.0 ? moment / total : 0.0;
    s.below2k = EnergyShare(power, 0.0, 2000.0);
    s.above4k = EnergyShare(power, 4000.0, Rate);
    s.octave16k = EnergyShare(power, 16000.0 / std::sqrt(2.0), Rate);
    s.band500to1k = EnergyShare(power, 500.0, 1000.0);
    return s;
}

Wave KWeighted(const Wave& w)
{
    // The loudness meters' pre-filter (a high shelf of about +4 dB above 1.5 kHz) and their
    // high-pass near 38 Hz, designed for this sample rate.
    double f0 = 1681.974450955533;
    double g = 3.999843853973347;
    double q = 0.7071752369554196;
    double k = std::tan(Pi * f0 / Rate);
    const double vh = std::pow(10.0, g / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    const Section shelf{(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0,
                        (vh - vb * k / q + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
                        (1.0 - k / q + k * k) / a0};
    f0 = 38.13547087602444;
    q = 0.5003270373238773;
    k = std::tan(Pi * f0 / Rate);
    a0 = 1.0 + k / q + k * k;
    const Section highPass{1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    return highPass.run(shelf.run(w));
}

double MaxMomentaryLoudness(const Wave& w)
{
    Wave padded = w;
    padded.resize(w.size() + Samples(400.0), 0.0);
    const std::vector<double> blocks = BlockPowers(KWeighted(padded));
    return Lufs(*std::max_element(blocks.begin(), blocks.end()));
}

double IntegratedLoudness(const Wave& left, const Wave& right)
{
    const std::vector<double> l = BlockPowers(KWeighted(left));
    const std::vector<double> r = BlockPowers(KWeighted(right));
    std::vector<double> blocks(l.size());
    for (std::size_t i = 0; i < l.size(); ++i) {
        blocks[i] = l[i] + r[i];
    }
    double sum = 0.0;
    int count = 0;
    for (double b : blocks) {
        if (Lufs(b) > -70.0) {
            sum += b;
            ++count;
        }
    }
    if (count == 0) {
        return -300.0;
    }
    const double relativeGate = Lufs(sum / count) - 10.0;
    sum = 0.0;
    count = 0;
    for (double b : blocks) {
        if (Lufs(b) > -70.0 && Lufs(b) > relativeGate) {
            sum += b;
            ++count;
        }
    }
    return Lufs(sum / count);
}

Wave BandPass(const Wave& w, double lo, double hi)
{
    // Two Butterworth sections of Q 0.541 and 1.307 make a fourth-order Butterworth slope.
    Wave out = w;
    for (double q : {0.5411961, 1.3065630}) {
        out = Butterworth(lo, q, true).run(out);
        out = Butterworth(hi, q, false).run(out);
    }
    return out;
}

std::vector<double> WindowPower(const Wave& w, std::size_t n)
{
    std::vector<double> out;
    for (std::size_t start = 0; start + n <= w.size(); start += n) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + n; ++i) {
            sum += w[i] * w[i];
        }
        out.push_back(sum / static_cast<double>(n));
    }
    return out;
}

Coincidence
CompareSum(const Wave& a, const Wave& b, double lo, double hi, double windowMs, double floorDbfs)
{
    const std::size_t n = std::min(a.size(), b.size());
    Wave sum(n);
    for (std::size_t i = 0; i < n; ++i) {
        sum[i] = a[i] + b[i];
    }
    const std::size_t window = Samples(windowMs);
    const std::vector<double> pa = WindowPower(BandPass(a, lo, hi), window);
    const std::vector<double> pb = WindowPower(BandPass(b, lo, hi), window);
    const std::vector<double> ps = WindowPower(BandPass(sum, lo, hi), window);
    Coincidence c;
    int good = 0;
    for (std::size_t i = 0; i < ps.size(); ++i) {
        // Full-scale sine = 0 dBFS: a mean square of 0.5.
        const double la = PowerDb(2.0 * pa[i]);
        const double lb = PowerDb(2.0 * pb[i]);
        if (la < floorDbfs || lb < floorDbfs) {
            continue;
        }
        ++c.windows;
        const double diff = PowerDb(2.0 * ps[i]) - std::max(la, lb);
        good += diff >= -3.0 ? 1 : 0;
        if (diff < c.worstDb) {
            c.worstDb = diff;
            c.worstAtSeconds = static_cast<double>(i * window) / Rate;
        }
    }
    c.shareWithin3dB = c.windows > 0 ? static_cast<double>(good) / c.windows : 1.0;
    return c;
}

} // namespace bw::analysis
