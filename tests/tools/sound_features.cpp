#include "tests/tools/sound_features.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>

namespace bw::analysis {

namespace {

constexpr double Pi = 3.14159265358979323846;

using Complex = std::vector<std::complex<double>>;

std::size_t At(double ms)
{
    return static_cast<std::size_t>(ms * Rate / 1000.0);
}

std::size_t PowerOfTwoAtLeast(std::size_t n)
{
    std::size_t p = 1;
    while (p < n) {
        p <<= 1;
    }
    return p;
}

std::vector<double> Power(const Complex& a)
{
    std::vector<double> power(a.size() / 2 + 1);
    for (std::size_t k = 0; k < power.size(); ++k) {
        power[k] = std::norm(a[k]);
    }
    return power;
}

double BinHz(const std::vector<double>& power)
{
    return Rate / static_cast<double>(2 * (power.size() - 1));
}

std::size_t BinOf(const std::vector<double>& power, double hz)
{
    return std::min(power.size() - 1, static_cast<std::size_t>(std::ceil(hz / BinHz(power))));
}

/// The strongest bin between lo and hi Hz, skipping bins skip() rejects, refined between bins
/// by a parabola through the log powers around it. 0 when there is none.
template <typename Skip>
double StrongestHz(const std::vector<double>& power, double lo, double hi, Skip skip)
{
    const double bin = BinHz(power);
    std::size_t best = 0;
    for (std::size_t k = std::max<std::size_t>(BinOf(power, lo), 1); k < power.size(); ++k) {
        const double f = static_cast<double>(k) * bin;
        if (f >= hi) {
            break;
        }
        if (!skip(f) && (best == 0 || power[k] > power[best])) {
            best = k;
        }
    }
    if (best == 0 || best + 1 >= power.size() || power[best] <= 0.0) {
        return static_cast<double>(best) * bin;
    }
    const double a = std::log(std::max(power[best - 1], 1e-300));
    const double b = std::log(power[best]);
    const double c = std::log(std::max(power[best + 1], 1e-300));
    const double denom = a - 2.0 * b + c;
    const double shift = denom < 0.0 ? 0.5 * (a - c) / denom : 0.0;
    return (static_cast<double>(best) + std::clamp(shift, -0.5, 0.5)) * bin;
}

bool NearHarmonic(double f, double fundamental, double toleranceHz)
{
    if (fundamental <= 0.0) {
        return false;
    }
    const double k = std::max(1.0, std::round(f / fundamental));
    return std::fabs(f - k * fundamental) <= toleranceHz;
}

double Energy(const Wave& w)
{
    double e = 0.0;
    for (double v : w) {
        e += v * v;
    }
    return e;
}

/// Half-length of the interpolation filter of the true-peak meter, in samples.
constexpr int TruePeakTaps = 16;

/// Hann-windowed sinc at x samples from the centre.
double WindowedSinc(double x)
{
    if (x == 0.0) {
        return 1.0;
    }
    const double window = 0.5 + 0.5 * std::cos(Pi * x / (TruePeakTaps + 1));
    return std::sin(Pi * x) / (Pi * x) * window;
}

double ChannelTruePeak(const Wave& w)
{
    double samplePeak = 0.0;
    for (double v : w) {
        samplePeak = std::max(samplePeak, std::fabs(v));
    }
    // Between two samples the signal rises at most a few dB over them, so only stretches near
    // the loudest samples need reconstructing.
    const double worthLooking = 0.5 * samplePeak;
    double peak = samplePeak;
    const int n = static_cast<int>(w.size());
    double taps[3][2 * TruePeakTaps];
    for (int p = 1; p <= 3; ++p) {
        for (int t = 0; t < 2 * TruePeakTaps; ++t) {
            // Tap t weighs sample i - TruePeakTaps + 1 + t for the point i + p / 4.
            taps[p - 1][t] = WindowedSinc(static_cast<double>(TruePeakTaps - 1 - t) + p / 4.0);
        }
    }
    for (int i = 0; i + 1 < n; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        if (std::max(std::fabs(w[ui]), std::fabs(w[ui + 1])) < worthLooking) {
            continue;
        }
        for (const auto& phase : taps) {
            double sum = 0.0;
            for (int t = 0; t < 2 * TruePeakTaps; ++t) {
                const int j = i - TruePeakTaps + 1 + t;
                if (j >= 0 && j < n) {
                    sum += phase[t] * w[static_cast<std::size_t>(j)];
                }
            }
            peak = std::max(peak, std::fabs(sum));
        }
    }
    return peak;
}

} // namespace

std::vector<double> SegmentSpectrum(const Wave& w, double fromMs, double toMs)
{
    const std::size_t from = std::min(At(fromMs), w.size());
    const std::size_t to = std::min(At(toMs), w.size());
    const std::size_t n = to > from ? to - from : 0;
    Complex a(PowerOfTwoAtLeast(std::max<std::size_t>(n, 2)));
    const std::size_t taper = std::max<std::size_t>(1, n / 10);
    for (std::size_t i = 0; i < n; ++i) {
        double g = 1.0;
        if (from > 0 && i < taper) {
            g = 0.5 - 0.5 * std::cos(Pi * static_cast<double>(i) / static_cast<double>(taper));
        }
        if (to < w.size() && n - 1 - i < taper) {
            g = 0.5 -
                0.5 * std::cos(Pi * static_cast<double>(n - 1 - i) / static_cast<double>(taper));
        }
        a[i] = w[from + i] * g;
    }
    Fft(a);
    return Power(a);
}

double BandRatioDb(const std::vector<double>& power, double lo, double hi, double lo2, double hi2)
{
    return PowerDb(EnergyShare(power, lo, hi)) - PowerDb(EnergyShare(power, lo2, hi2));
}

std::vector<double> WelchSpectrum(const Wave& w)
{
    constexpr std::size_t Frame = 2048;
    std::vector<double> sum(Frame / 2 + 1, 0.0);
    std::size_t start = 0;
    do {
        Complex a(Frame);
        for (std::size_t i = 0; i < Frame && start + i < w.size(); ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2.0 * Pi * static_cast<double>(i) /
                                                     static_cast<double>(Frame));
            a[i] = w[start + i] * hann;
        }
        Fft(a);
        const std::vector<double> p = Power(a);
        for (std::size_t k = 0; k < sum.size(); ++k) {
            sum[k] += p[k];
        }
        start += Frame / 2;
    } while (start + Frame <= w.size());
    return sum;
}

double SpectralFlatness(const std::vector<double>& power, double lo, double hi)
{
    double logSum = 0.0;
    double sum = 0.0;
    int count = 0;
    for (std::size_t k = BinOf(power, lo); k < power.size(); ++k) {
        if (static_cast<double>(k) * BinHz(power) > hi) {
            break;
        }
        logSum += std::log(std::max(power[k], 1e-300));
        sum += power[k];
        ++count;
    }
    if (count == 0 || sum <= 0.0) {
        return 0.0;
    }
    return std::exp(logSum / count) / (sum / count);
}

double PeakOverMedianDb(const std::vector<double>& power, double lo, double hi)
{
    std::vector<double> band;
    for (std::size_t k = BinOf(power, lo); k < power.size(); ++k) {
        if (static_cast<double>(k) * BinHz(power) > hi) {
            break;
        }
        band.push_back(power[k]);
    }
    if (band.empty()) {
        return 0.0;
    }
    const double peak = *std::max_element(band.begin(), band.end());
    auto mid = band.begin() + static_cast<std::ptrdiff_t>(band.size() / 2);
    std::nth_element(band.begin(), mid, band.end());
    return PowerDb(peak) - PowerDb(*mid);
}

double InharmonicShareAbove(const Wave& w, double fromHz)
{
    constexpr double Tolerance = 25.0;
    Wave windowed = w;
    for (std::size_t i = 0; i < windowed.size(); ++i) {
        windowed[i] *= 0.5 - 0.5 * std::cos(2.0 * Pi * static_cast<double>(i) /
                                            static_cast<double>(windowed.size()));
    }
    const std::vector<double> power = PowerSpectrum(windowed);
    const double first = StrongestHz(power, 300.0, 2000.0, [](double) { return false; });
    const double second = StrongestHz(power, 300.0, 2000.0, [&](double f) {
        return NearHarmonic(f, first, Tolerance) || std::fabs(f - first) < 2.0 * Tolerance;
    });
    double above = 0.0;
    double inharmonic = 0.0;
    for (std::size_t k = BinOf(power, fromHz); k < power.size(); ++k) {
        const double f = static_cast<double>(k) * BinHz(power);
        above += power[k];
        if (!NearHarmonic(f, first, Tolerance) && !NearHarmonic(f, second, Tolerance)) {
            inharmonic += power[k];
        }
    }
    return above > 0.0 ? inharmonic / above : 0.0;
}

double MaxCrossCorrelation(const Wave& a, const Wave& b)
{
    const double norm = std::sqrt(Energy(a) * Energy(b));
    if (norm <= 0.0) {
        return 0.0;
    }
    const std::size_t n = PowerOfTwoAtLeast(a.size() + b.size());
    Complex fa(n), fb(n);
    std::copy(a.begin(), a.end(), fa.begin());
    std::copy(b.begin(), b.end(), fb.begin());
    Fft(fa);
    Fft(fb);
    // The inverse transform of A times conj(B), as the forward transform of its conjugate.
    for (std::size_t k = 0; k < n; ++k) {
        fa[k] = std::conj(fa[k] * std::conj(fb[k]));
    }
    Fft(fa);
    double best = 0.0;
    for (const auto& c : fa) {
        best = std::max(best, std::fabs(c.real()) / static_cast<double>(n));
    }
    return best / norm;
}

double FundamentalHz(const Wave& w)
{
    const double fromMs = static_cast<double>(PeakIndex(w)) * 1000.0 / Rate + 30.0;
    Wave settled(w.begin() + static_cast<std::ptrdiff_t>(std::min(At(fromMs), w.size())), w.end());
    // Padded to at least 1.5 s so the bins are finer than a hertz.
    settled.resize(std::max(settled.size(), At(1500.0)), 0.0);
    return StrongestHz(PowerSpectrum(settled), 20.0, 250.0, [](double) { return false; });
}

double ReRiseDb(const Wave& w)
{
    const std::vector<double> windows = WindowPower(w, At(5.0));
    const std::size_t peak = PeakIndex(w) / At(5.0);
    double quietest = 1e300;
    double rise = 0.0;
    for (std::size_t i = peak; i < windows.size(); ++i) {
        const double level = PowerDb(windows[i]);
        rise = std::max(rise, level - quietest);
        quietest = std::min(quietest, level);
    }
    return rise;
}

double TruePeakDb(const Wave& left, const Wave& right)
{
    return AmplitudeDb(std::max(ChannelTruePeak(left), ChannelTruePeak(right)));
}

double SideToMidDb(const Wave& left, const Wave& right)
{
    double mid = 0.0;
    double side = 0.0;
    for (std::size_t i = 0; i < left.size() && i < right.size(); ++i) {
        const double m = 0.5 * (left[i] + right[i]);
        const double s = 0.5 * (left[i] - right[i]);
        mid += m * m;
        side += s * s;
    }
    return PowerDb(side) - PowerDb(mid);
}

double ChannelCorrelation(const Wave& left, const Wave& right)
{
    double lr = 0.0;
    for (std::size_t i = 0; i < left.size() && i < right.size(); ++i) {
        lr += left[i] * right[i];
    }
    const double norm = std::sqrt(Energy(left) * Energy(right));
    return norm > 0.0 ? lr / norm : 0.0;
}

} // namespace bw::analysis
