#include "audio/mixer.h"

#include "core/wrapping_int.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BW_HAVE_X86 1
#endif

namespace bw::audio {

namespace {

inline std::int16_t saturate(std::int32_t sum, std::int32_t& clips)
{
    if (sum < -32767) {
        ++clips;
        return -32768;
    }
    if (sum > 32767) {
        ++clips;
        return 32767;
    }
    return static_cast<std::int16_t>(sum);
}

} // namespace

std::int32_t MixRunScalar(std::int16_t* frames,
                          const std::int16_t* samples,
                          std::int32_t count,
                          const MixGain& m)
{
    std::int32_t clips = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        std::int16_t* f = frames + 2 * static_cast<std::ptrdiff_t>(i);
        const std::int32_t t = core::WrapMul(m.g, samples[i]) / 10000;
        if (!m.stereo) {
            const auto v = static_cast<std::int16_t>(t);
            const std::int16_t r = saturate(f[0] + v, clips);
            f[0] = r;
            f[1] = r;
        } else {
            const auto vL = static_cast<std::int16_t>(core::WrapMul(t, m.leftWeight) / 1000);
            const auto vR = static_cast<std::int16_t>(core::WrapMul(t, m.rightWeight) / 1000);
            f[0] = saturate(f[0] + vL, clips);
            f[1] = saturate(f[1] + vR, clips);
        }
    }
    return clips;
}

#ifdef BW_HAVE_X86

namespace {

// Signed division by a constant, truncating toward zero, exact for every int32: the high half
// of x × magic, shifted, plus one for negative x.
__attribute__((target("avx2"))) inline __m256i divConst(__m256i x, __m256i magic, int shift)
{
    const __m256i even = _mm256_mul_epi32(x, magic);
    const __m256i odd = _mm256_mul_epi32(_mm256_srli_epi64(x, 32), magic);
    const __m256i hi = _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
    const __m256i q = _mm256_sra_epi32(hi, _mm_cvtsi32_si128(shift));
    return _mm256_sub_epi32(q, _mm256_srai_epi32(x, 31));
}

constexpr int Magic10000 = 0x68DB8BAD;
constexpr int Shift10000 = 12;
constexpr int Magic1000 = 0x10624DD3;
constexpr int Shift1000 = 6;

// With stem given, the same values are also added (saturating on their own) to stem's frames:
// the arithmetic is done once for both.
__attribute__((target("avx2"))) std::int32_t mixAvx2(std::int16_t* frames,
                                                     std::int16_t* stem,
                                                     const std::int16_t* samples,
                                                     std::int32_t count,
                                                     const MixGain& m)
{
    const __m256i g = _mm256_set1_epi32(m.g);
    const __m256i m10000 = _mm256_set1_epi32(Magic10000);
    const __m256i m1000 = _mm256_set1_epi32(Magic1000);
    const __m256i lw = _mm256_set1_epi32(m.leftWeight);
    const __m256i rw = _mm256_set1_epi32(m.rightWeight);
    const __m256i low16 = _mm256_set1_epi32(0xFFFF);
    const __m256i minValue = _mm256_set1_epi16(-32768);
    const bool leftFull = m.leftWeight == 1000;
    const bool rightFull = m.rightWeight == 1000;
    // Counts, per 16-bit lane, the values that did not saturate: subtracting an all-ones mask
    // adds one. A run is at most 132300 frames, so no lane passes 16537.
    __m256i unclipped = _mm256_setzero_si256();
    std::int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i s16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
        const __m256i s = _mm256_cvtepi16_epi32(s16);
        const __m256i t = divConst(_mm256_mullo_epi32(s, g), m10000, Shift10000);
        auto* out = reinterpret_cast<__m256i*>(frames + 2 * static_cast<std::ptrdiff_t>(i));
        const __m256i buf = _mm256_loadu_si256(out);
        if (m.stereo) {
            const __m256i vL = leftFull ? t : divConst(_mm256_mullo_epi32(t, lw), m1000, Shift1000);
            const __m256i vR =
                rightFull ? t : divConst(_mm256_mullo_epi32(t, rw), m1000, Shift1000);
            const __m256i v = _mm256_blend_epi16(vL, _mm256_slli_epi32(vR, 16), 0xAA);
            const __m256i sat = _mm256_adds_epi16(buf, v);
            const __m256i wrap = _mm256_add_epi16(buf, v);
            // Clean where the wrapping sum agrees, except that a sum of exactly -32768 counts
            // as saturated too.
            const __m256i clean = _mm256_andnot_si256(_mm256_cmpeq_epi16(sat, minValue),
                                                      _mm256_cmpeq_epi16(sat, wrap));
            unclipped = _mm256_sub_epi16(unclipped, clean);
            _mm256_storeu_si256(out, sat);
            if (stem != nullptr) {
                auto* st = reinterpret_cast<__m256i*>(stem + 2 * static_cast<std::ptrdiff_t>(i));
                _mm256_storeu_si256(st, _mm256_adds_epi16(_mm256_loadu_si256(st), v));
            }
        } else {
            const __m256i v = _mm256_and_si256(t, low16);
            const __m256i satL = _mm256_adds_epi16(buf, v);
            const __m256i wrap = _mm256_add_epi16(buf, v);
            // Only the left value is mixed; the right one copies it.
            const __m256i clean =
                _mm256_and_si256(_mm256_andnot_si256(_mm256_cmpeq_epi16(satL, minValue),
                                                     _mm256_cmpeq_epi16(satL, wrap)),
                                 low16);
            unclipped = _mm256_sub_epi16(unclipped, clean);
            const __m256i left = _mm256_and_si256(satL, low16);
            _mm256_storeu_si256(out, _mm256_or_si256(left, _mm256_slli_epi32(left, 16)));
            if (stem != nullptr) {
                auto* st = reinterpret_cast<__m256i*>(stem + 2 * static_cast<std::ptrdiff_t>(i));
                const __m256i stemLeft =
                    _mm256_and_si256(_mm256_adds_epi16(_mm256_loadu_si256(st), v), low16);
                _mm256_storeu_si256(st, _mm256_or_si256(stemLeft, _mm256_slli_epi32(stemLeft, 16)));
            }
        }
    }
    // Sum the lane counts: widen pairs of 16-bit lanes to 32 bits, then add the 8 results.
    const __m256i pairs = _mm256_madd_epi16(unclipped, _mm256_set1_epi16(1));
    const __m128i quad =
        _mm_add_epi32(_mm256_castsi256_si128(pairs), _mm256_extracti128_si256(pairs, 1));
    const __m128i two = _mm_add_epi32(quad, _mm_shuffle_epi32(quad, 0x4E));
    const __m128i one = _mm_add_epi32(two, _mm_shuffle_epi32(two, 0xB1));
    const std::int32_t cleanValues = _mm_cvtsi128_si32(one);
    const std::int32_t mixedValues = m.stereo ? 2 * i : i;
    std::int32_t clips = mixedValues - cleanValues;
    if (i < count) {
        clips +=
            MixRunScalar(frames + 2 * static_cast<std::ptrdiff_t>(i), samples + i, count - i, m);
        if (stem != nullptr) {
            MixRunScalar(stem + 2 * static_cast<std::ptrdiff_t>(i), samples + i, count - i, m);
        }
    }
    return clips;
}

bool detectAvx2()
{
    __builtin_cpu_init();
    // The builtin is declared to return int but clang models it as bool.
    return static_cast<bool>(
        __builtin_cpu_supports("avx2")); // NOLINT(readability-implicit-bool-conversion)
}

const bool HaveAvx2 = detectAvx2();

bool vectorGain(const MixGain& m)
{
    // The vector kernel keeps every intermediate inside 32 and 16 bits only for gains below
    // 10000, which every volume of the editors gives; other gains take the reference path.
    return HaveAvx2 && m.g >= 0 && m.g <= 9999 && m.leftWeight >= 0 && m.leftWeight <= 1000 &&
           m.rightWeight >= 0 && m.rightWeight <= 1000;
}

} // namespace

bool MixRunIsVectorised()
{
    return HaveAvx2;
}

std::int32_t
MixRun(std::int16_t* frames, const std::int16_t* samples, std::int32_t count, const MixGain& m)
{
    if (vectorGain(m)) {
        return mixAvx2(frames, nullptr, samples, count, m);
    }
    return MixRunScalar(frames, samples, count, m);
}

std::int32_t MixRunWithStem(std::int16_t* frames,
                            std::int16_t* stem,
                            const std::int16_t* samples,
                            std::int32_t count,
                            const MixGain& m)
{
    if (vectorGain(m)) {
        return mixAvx2(frames, stem, samples, count, m);
    }
    MixRunScalar(stem, samples, count, m);
    return MixRunScalar(frames, samples, count, m);
}

#else

bool MixRunIsVectorised()
{
    return false;
}

std::int32_t
MixRun(std::int16_t* frames, const std::int16_t* samples, std::int32_t count, const MixGain& m)
{
    return MixRunScalar(frames, samples, count, m);
}

std::int32_t MixRunWithStem(std::int16_t* frames,
                            std::int16_t* stem,
                            const std::int16_t* samples,
                            std::int32_t count,
                            const MixGain& m)
{
    MixRunScalar(stem, samples, count, m);
    return MixRunScalar(frames, samples, count, m);
}

#endif

} // namespace bw::audio
