// ShapeField's formulas four points at a time on AVX2. Every + - * / and
// every comparison is the same IEEE operation, in the same order, as in
// shape_field_formulas.hpp (this file is compiled without contraction into
// fused multiply-adds, and AVX2 alone has none), and every library call (sin,
// cos, atan2, hypot, exp) is made lane by lane on the very same argument: so
// each lane comes out bit for bit as the scalar formula. What the vector
// units save is the arithmetic around the calls, the clamps, the mirror and
// the rounding to a tone step.
//
// For the shapes with hasRoughVectorSteps the same formulas also run over
// rough calls (rough_math.hpp's, op for op on four lanes, so their proven
// bounds hold lane by lane); a tone step is kept only where certainRound's
// test proves the exact tone rounds the same, and any group of four with a
// doubtful lane is worked out again with the library's calls.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "render/field_math.hpp"
#include "render/rough_math.hpp"
#include "render/shape_field.hpp"
#include "render/vector_units.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define GLIMORA_VECTOR_LANES 1
#define GLIMORA_AVX2 __attribute__((target("avx2")))
#else
#define GLIMORA_VECTOR_LANES 0
#endif

namespace glimora::WallpaperRenderer {

#if GLIMORA_VECTOR_LANES

namespace {

using Lanes = __m256d;
constexpr std::size_t width = 4;

GLIMORA_AVX2 inline Lanes splat(double value) { return _mm256_set1_pd(value); }

GLIMORA_AVX2 inline Lanes absolute(Lanes a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a); }

// fieldmath::cell: floor(w) is what the scalar path's integer trick gives for
// every w it can meet.
GLIMORA_AVX2 inline Lanes cell(Lanes z) {
    const Lanes w = z + 0.5;
    return (w - _mm256_floor_pd(w)) - 0.5;
}

GLIMORA_AVX2 inline Lanes fract(Lanes z) { return z - _mm256_floor_pd(z); }

// fieldmath::clampUnit: a non-number and anything not above 0 give +0.
GLIMORA_AVX2 inline Lanes clampUnit(Lanes value) {
    const Lanes positive = _mm256_cmp_pd(value, _mm256_setzero_pd(), _CMP_GT_OQ);
    const Lanes above = _mm256_and_pd(value, positive);
    return _mm256_min_pd(above, splat(1.0));  // above is never a non-number here
}

// fieldmath::roundHalfAway for values in 0...2^52, the only ones a clamped
// tone times a tabulated step count can make.
GLIMORA_AVX2 inline Lanes roundHalfUp(Lanes value) {
    const Lanes whole = _mm256_round_pd(value, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const Lanes rest = value - whole;
    const Lanes carry = _mm256_and_pd(_mm256_cmp_pd(rest, splat(0.5), _CMP_GE_OQ), splat(1.0));
    return whole + carry;
}

// A library call made lane by lane.
template <double (*call)(double)>
GLIMORA_AVX2 inline Lanes eachLane(Lanes a) {
    alignas(32) double values[width];
    _mm256_store_pd(values, a);
    for (double& value : values) value = call(value);
    return _mm256_load_pd(values);
}

template <double (*call)(double, double)>
GLIMORA_AVX2 inline Lanes eachLane(Lanes a, Lanes b) {
    alignas(32) double first[width];
    alignas(32) double second[width];
    _mm256_store_pd(first, a);
    _mm256_store_pd(second, b);
    for (std::size_t i = 0; i < width; ++i) first[i] = call(first[i], second[i]);
    return _mm256_load_pd(first);
}

// All lanes' bits set where `condition` holds.
using Mask = __m256d;

GLIMORA_AVX2 inline Mask below(Lanes a, Lanes b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
GLIMORA_AVX2 inline Mask atMost(Lanes a, Lanes b) { return _mm256_cmp_pd(a, b, _CMP_LE_OQ); }
GLIMORA_AVX2 inline Lanes pick(Mask condition, Lanes yes, Lanes no) { return _mm256_blendv_pd(no, yes, condition); }

// fieldmath's rough calls on four lanes, each operation as in the scalar
// versions; `valid` clears the lanes where one declines.
struct RoughLanes {
    Mask valid;

    GLIMORA_AVX2 RoughLanes() : valid(_mm256_castsi256_pd(_mm256_set1_epi64x(-1))) {}

    GLIMORA_AVX2 void require(Mask holds) { valid = _mm256_and_pd(valid, holds); }

    // sin a = (-1)^k sin(a - t pi), see fieldmath::detail::sineOfReduced;
    // `shifted` holds 1.5 x 2^52 + k, whose lowest bit is k's parity.
    GLIMORA_AVX2 Lanes sineOfReduced(Lanes a, Lanes turns, Lanes shifted) {
        using namespace fieldmath::detail;
        require(atMost(absolute(a), splat(1e5)));
        const Lanes r = (a - turns * piHead) - turns * piTail;
        const Lanes z = r * r;
        const Lanes z2 = z * z;
        const Lanes z4 = z2 * z2;
        const Lanes low = (-1.0 / 6 + z * (1.0 / 120)) + z2 * (-1.0 / 5040 + z * (1.0 / 362880));
        const Lanes high = (-1.0 / 39916800 + z * (1.0 / 6227020800)) + z2 * (-1.0 / 1307674368000);
        const Lanes sine = r + r * z * (low + z4 * high);
        const __m256i parity = _mm256_slli_epi64(_mm256_castpd_si256(shifted), 63);
        return _mm256_xor_pd(sine, _mm256_castsi256_pd(parity));
    }

    GLIMORA_AVX2 Lanes sin(Lanes a) {
        using namespace fieldmath::detail;
        const Lanes shifted = a * oneOverPi + roundingShift;
        const Lanes k = shifted - roundingShift;
        return sineOfReduced(a, k, shifted);
    }

    GLIMORA_AVX2 Lanes cos(Lanes a) {
        using namespace fieldmath::detail;
        const Lanes shifted = (a * oneOverPi + 0.5) + roundingShift;
        const Lanes k = shifted - roundingShift;
        return sineOfReduced(a, k - 0.5, shifted);
    }

    // fieldmath::roughExp: `shifted` holds 1.5 x 2^52 + n, so its bits less
    // the shift's are n; the table is read per lane.
    GLIMORA_AVX2 Lanes exp(Lanes x) {
        using namespace fieldmath::detail;
        require(atMost(x, _mm256_setzero_pd()));
        x = pick(below(x, splat(-708.0)), splat(-708.0), x);
        const Lanes shifted = x * thirtyTwoOverLn2 + roundingShift;
        const Lanes n = shifted - roundingShift;
        const Lanes r = (x - n * ln2Over32Head) - n * ln2Over32Tail;
        const Lanes r2 = r * r;
        const Lanes p = (1 + r) + r2 * ((0.5 + r * (1.0 / 6)) + r2 * (1.0 / 24 + r * (1.0 / 120)));
        const __m256i whole = _mm256_sub_epi64(_mm256_castpd_si256(shifted),
                                               _mm256_castpd_si256(splat(roundingShift)));
        const Lanes entry = _mm256_i64gather_pd(exp2Table, _mm256_and_si256(whole, _mm256_set1_epi64x(31)), 8);
        // (n >> 5) + 1023 as a logical shift: n >= -32686 keeps the sum positive.
        const __m256i biased = _mm256_srli_epi64(_mm256_add_epi64(whole, _mm256_set1_epi64x(1023 * 32)), 5);
        return (p * entry) * _mm256_castsi256_pd(_mm256_slli_epi64(biased, 52));
    }

    GLIMORA_AVX2 Lanes hypot(Lanes a, Lanes b) {
        const Lanes squares = a * a + b * b;
        require(atMost(squares, splat(1e300)));
        return _mm256_sqrt_pd(squares);
    }

    GLIMORA_AVX2 Lanes atan2(Lanes y, Lanes x) {
        using namespace fieldmath::detail;
        const Lanes ax = absolute(x), ay = absolute(y);
        const Mask steep = below(ax, ay);
        const Lanes high = pick(steep, ay, ax);
        const Lanes low = pick(steep, ax, ay);
        require(_mm256_and_pd(_mm256_and_pd(_mm256_cmp_pd(high, _mm256_setzero_pd(), _CMP_GT_OQ),
                                            atMost(high, splat(1.7976931348623157e308))),
                              atMost(low, high)));
        const Lanes z = low / high;
        const Mask reduced = _mm256_cmp_pd(z, splat(atanReductionEdge), _CMP_GT_OQ);
        const Lanes w = pick(reduced, (z - 1.0) / (z + 1.0), z);
        const Lanes s = w * w;
        const Lanes s2 = s * s;
        const Lanes s4 = s2 * s2;
        const Lanes s8 = s4 * s4;
        const Lanes q01 = atanSeries[0] + s * atanSeries[1];
        const Lanes q23 = atanSeries[2] + s * atanSeries[3];
        const Lanes q45 = atanSeries[4] + s * atanSeries[5];
        const Lanes q67 = atanSeries[6] + s * atanSeries[7];
        const Lanes q89 = atanSeries[8] + s * atanSeries[9];
        const Lanes q03 = q01 + s2 * q23;
        const Lanes q47 = q45 + s2 * q67;
        const Lanes q810 = q89 + s2 * atanSeries[10];
        const Lanes q = (q03 + s4 * q47) + s8 * q810;
        Lanes a = _mm256_and_pd(reduced, splat(quarterPi)) + (w + (w * s) * q);
        a = pick(steep, halfPi - a, a);
        a = pick(below(x, _mm256_setzero_pd()), fieldmath::pi - a, a);
        const Lanes sign = _mm256_and_pd(y, splat(-0.0));
        return _mm256_or_pd(absolute(a), sign);  // a >= 0: copysign
    }
};

double sine(double a) { return std::sin(a); }
double cosine(double a) { return std::cos(a); }
double exponential(double a) { return std::exp(a); }
double hypotenuse(double a, double b) { return std::hypot(a, b); }
double angle(double y, double x) { return std::atan2(y, x); }

// The library's calls, lane by lane: the results are the scalar formulas'.
struct ExactLanes {
    GLIMORA_AVX2 static Lanes sin(Lanes a) { return eachLane<sine>(a); }
    GLIMORA_AVX2 static Lanes cos(Lanes a) { return eachLane<cosine>(a); }
    GLIMORA_AVX2 static Lanes exp(Lanes a) { return eachLane<exponential>(a); }
    GLIMORA_AVX2 static Lanes hypot(Lanes a, Lanes b) { return eachLane<hypotenuse>(a, b); }
    GLIMORA_AVX2 static Lanes atan2(Lanes y, Lanes x) { return eachLane<angle>(y, x); }
    GLIMORA_AVX2 static void require(Mask) {}
};

}  // namespace

struct ShapeFieldLanes {
    struct Point {
        Lanes u, v, dx, dy;
    };

    GLIMORA_AVX2 static Point rotated(const ShapeField& f, Lanes x, Lanes y) {
        const Lanes cosA = splat(f.cosA_);
        const Lanes sinA = splat(f.sinA_);
        const Lanes ox = x - 0.5;
        const Lanes oy = y - 0.5;
        Point point;
        point.u = (ox * cosA - oy * sinA) + 0.5;
        point.v = (ox * sinA + oy * cosA) + 0.5;
        point.dx = point.u - splat(f.cx_);
        point.dy = point.v - splat(f.cy_);
        return point;
    }

    // The scalar member formulas, lane by lane.
    template <double (ShapeField::*tone)(double, double) const>
    GLIMORA_AVX2 static Lanes memberLanes(const ShapeField& f, Lanes a, Lanes b) {
        alignas(32) double first[width];
        alignas(32) double second[width];
        _mm256_store_pd(first, a);
        _mm256_store_pd(second, b);
        for (std::size_t i = 0; i < width; ++i) first[i] = (f.*tone)(first[i], second[i]);
        return _mm256_load_pd(first);
    }

    // ShapeField::treeTone over the rough calls, operation for operation;
    // std::min and std::max keep their first argument unless the second is
    // below or above it. A branch level a lane has not reached yet takes
    // the exponential of 0 in its place, and its value is not used.
    GLIMORA_AVX2 static Lanes treeLanes(const ShapeField& f, Lanes v, Lanes dx, RoughLanes& calls) {
        const Lanes h = (1 - v) + splat(f.k2_);
        const Lanes adx = absolute(dx);
        Lanes m = calls.exp((-adx) / splat(f.k1_)) * clampUnit(h);
        for (const ShapeField::BranchLevel& level : f.branches_) {
            const Lanes start = splat(level.start);
            const Mask reached = _mm256_cmp_pd(h, start, _CMP_NLT_UQ);  // not h < start
            if (_mm256_movemask_pd(reached) == 0) continue;  // the four lanes lie on one row, mostly
            const Lanes grown = splat(level.growth) * (h - start);
            const Lanes reach = pick(below(grown, splat(0.42)), grown, splat(0.42));
            const Lanes spread = calls.exp(pick(reached, (-absolute(adx - reach)) / splat(level.width), _mm256_setzero_pd()));
            const Lanes fall = calls.exp(pick(reached, -1.7 * (h - start), _mm256_setzero_pd()));
            const Lanes branch = spread * fall;
            m = pick(_mm256_and_pd(reached, below(m, branch)), branch, m);
        }
        const Lanes swing = calls.sin(splat(f.p_) + splat(f.k3_) * (dx + h));
        return 0.12 + 0.9 * m * (0.78 + 0.22 * swing);
    }

    template <NotchShape S, class Calls>
    GLIMORA_AVX2 static Lanes raw(const ShapeField& f, Lanes x, Lanes y, Calls& calls) {
        using fieldmath::pi;
        const Point q = rotated(f, x, y);
        const Lanes dx = q.dx;
        const Lanes dy = q.dy;
        calls.require(_mm256_and_pd(atMost(absolute(dx), splat(2.0)), atMost(absolute(dy), splat(2.0))));
        const Lanes p = splat(f.p_);
        if constexpr (S == NotchShape::linear) {
            return (0.72 * dx + 0.28 * dy) + 0.5;
        } else if constexpr (S == NotchShape::radial) {
            return calls.hypot(dx, dy) / splat(f.k1_);
        } else if constexpr (S == NotchShape::smoothGradient) {
            const Lanes d = calls.hypot(q.u - splat(f.k1_), q.v - splat(f.k2_));
            const Lanes glow = calls.exp((-d) / splat(f.k3_));
            return (0.42 * (0.68 * dx + 0.32 * dy) + 0.78 * glow) + 0.46;
        } else if constexpr (S == NotchShape::ribbonBands) {
            const Lanes wave = calls.sin(p + (2 * pi) * dx * splat(f.k3_));
            return 0.5 - 0.5 * calls.cos(p + splat(f.k1_) * (dy + splat(f.k2_) * wave));
        } else if constexpr (S == NotchShape::glowDots) {
            const Lanes a = absolute(cell(dx * splat(f.k1_)));
            const Lanes b = absolute(cell(dy * splat(f.k2_)));
            return 0.62 * calls.exp((-calls.hypot(1.1 * dx, 0.82 * dy)) / splat(f.k3_)) +
                   0.88 * calls.exp(splat(-f.k4_) * calls.hypot(a, b));
        } else if constexpr (S == NotchShape::conic) {
            return ((calls.atan2(dy, dx) + p) + pi) / (2 * pi);
        } else if constexpr (S == NotchShape::sine) {
            return 0.5 + 0.5 * calls.sin(p + splat(f.k1_) * (dx * splat(f.fx_) + dy * splat(f.fy_)));
        } else if constexpr (S == NotchShape::sunsetStrip) {
            const Lanes a = cell(dx * splat(f.k1_));
            const Lanes b = cell(dy * splat(f.k2_));
            return 0.5 - 0.5 * calls.cos(p + splat(f.k3_) * calls.hypot(0.82 * a, 1.55 * b));
        } else if constexpr (S == NotchShape::diamond) {
            return 0.5 - 0.5 * calls.cos(p + splat(f.k1_) * (absolute(dx) + absolute(dy)));
        } else if constexpr (S == NotchShape::fractal) {
            return memberLanes<&ShapeField::fractalTone>(f, dx, dy);
        } else if constexpr (S == NotchShape::tree) {
            if constexpr (std::is_same_v<Calls, RoughLanes>) return treeLanes(f, q.v, dx, calls);
            else return memberLanes<&ShapeField::treeTone>(f, q.v, dx);
        } else if constexpr (S == NotchShape::landscape) {
            return memberLanes<&ShapeField::landscapeTone>(f, q.v, dx);
        } else if constexpr (S == NotchShape::petals) {
            const Lanes r = calls.hypot(dx, dy);
            const Lanes th = calls.atan2(dy, dx);
            const Lanes petal = 0.5 + 0.5 * calls.cos(p + splat(f.k1_) * th);
            return 0.5 + 0.5 * calls.cos(splat(f.k2_) * r - 2.8 * petal);
        } else if constexpr (S == NotchShape::crystal) {
            const Lanes a = absolute(cell(dx * splat(f.k1_)));
            const Lanes b = absolute(cell(dy * splat(f.k2_)));
            return 0.5 - 0.5 * calls.cos(p + splat(f.k3_) * ((a + b) + 0.7 * absolute(a - b)));
        } else if constexpr (S == NotchShape::spiral) {
            const Lanes r = calls.hypot(dx, dy);
            const Lanes th = calls.atan2(dy, dx);
            return 0.5 + 0.5 * calls.sin((p + th * splat(f.k1_)) + splat(f.k2_) * r);
        } else if constexpr (S == NotchShape::kaleidoscope) {
            const Lanes r = calls.hypot(dx, dy);
            const Lanes th = calls.atan2(dy, dx);
            const Lanes w = absolute(fract(splat(f.k1_) * th / (2 * pi) + 0.5) - 0.5);
            return 0.5 + 0.5 * calls.cos((p + splat(f.k2_) * r) + splat(f.k3_) * w);
        } else if constexpr (S == NotchShape::topography) {
            const Lanes a = pi * dx * splat(f.k1_);
            const Lanes b = pi * dy * splat(f.k2_);
            const Lanes w = calls.sin(a + 1.6 * calls.sin(p + b)) + 0.45 * calls.sin(0.62 * (a + b) - splat(f.k4_));
            return 0.5 + 0.5 * calls.cos(p + splat(f.k3_) * w);
        } else if constexpr (S == NotchShape::orbit) {
            const Lanes r2 = calls.hypot(1.25 * dx, 0.72 * dy);
            const Lanes th = calls.atan2(dy, dx);
            const Lanes swing = calls.sin(splat(f.k3_) * th - splat(f.k4_));
            return 0.5 + 0.5 * calls.cos((p + splat(f.k1_) * r2) + splat(f.k2_) * swing);
        }
    }

    // Four points from x[i], y[i] on; past the end the spare lanes repeat
    // the first point.
    GLIMORA_AVX2 static void load(const double* x, const double* y, std::size_t lanes, Lanes& px, Lanes& py) {
        if (lanes == width) {
            px = _mm256_loadu_pd(x);
            py = _mm256_loadu_pd(y);
            return;
        }
        alignas(32) double tailX[width], tailY[width];
        for (std::size_t k = 0; k < width; ++k) {
            tailX[k] = x[k < lanes ? k : 0];
            tailY[k] = y[k < lanes ? k : 0];
        }
        px = _mm256_load_pd(tailX);
        py = _mm256_load_pd(tailY);
    }

    GLIMORA_AVX2 static void store(Lanes t, std::size_t lanes, double* out) {
        if (lanes == width) {
            _mm256_storeu_pd(out, t);
            return;
        }
        alignas(32) double tail[width];
        _mm256_store_pd(tail, t);
        for (std::size_t k = 0; k < lanes; ++k) out[k] = tail[k];
    }

    // One bool per lane, true where `valid` holds.
    GLIMORA_AVX2 static void validFlags(Mask valid, std::size_t lanes, bool* out) {
        const auto mask = unsigned(_mm256_movemask_pd(valid));
        if (lanes == width) {
            // Lane k's bit spread to byte k: each byte 0 or 1.
            const std::uint32_t bytes = ((mask & 1u) | (mask & 2u) << 7 | (mask & 4u) << 14 | (mask & 8u) << 21);
            std::memcpy(out, &bytes, sizeof bytes);  // the lanes in memory order on x86
            return;
        }
        for (std::size_t k = 0; k < lanes; ++k) out[k] = ((mask >> k) & 1u) != 0;
    }

    // Clamp, mirror and invert: raw tone to stepless tone.
    GLIMORA_AVX2 static Lanes stepless(const ShapeField& f, Lanes raw) {
        Lanes t = clampUnit(raw);
        if (f.mirror_) t = absolute(2 * t - 1);
        if (f.invert_) t = 1 - t;
        return t;
    }

    template <NotchShape S>
    GLIMORA_AVX2 static void tones(const ShapeField& f, const double* x, const double* y, std::size_t count,
                                   double* out, bool quantize) {
        const Lanes divisor = splat(f.stepDivisor_);
        bool rough = false;
        if constexpr (ShapeField::hasRoughVectorSteps(S)) rough = quantize && f.roughStepsUsable();
        // certainRound's test: nearer to a whole number than 0.5 - margin.
        const Lanes certainty = splat(0.5 - f.roughStepMargin_);
        for (std::size_t i = 0; i < count; i += width) {
            const std::size_t lanes = count - i < width ? count - i : width;
            Lanes px, py;
            load(x + i, y + i, lanes, px, py);
            if constexpr (ShapeField::hasRoughVectorSteps(S)) {
                if (rough) {
                    RoughLanes calls;
                    const Lanes value = stepless(f, raw<S>(f, px, py, calls)) * divisor;
                    const Lanes nearest = (value + fieldmath::detail::roundingShift) - fieldmath::detail::roundingShift;
                    const Mask certain = _mm256_and_pd(calls.valid, below(absolute(value - nearest), certainty));
                    if (_mm256_movemask_pd(certain) == 0xf) {
                        store(nearest, lanes, out + i);
                        continue;
                    }
                }
            }
            ExactLanes calls;
            Lanes t = stepless(f, raw<S>(f, px, py, calls));
            if (quantize) t = roundHalfUp(t * divisor);
            store(t, lanes, out + i);
        }
    }

    template <NotchShape S>
    GLIMORA_AVX2 static void roughTones(const ShapeField& f, const double* x, const double* y, std::size_t count,
                                        double* out, bool* valid) {
        for (std::size_t i = 0; i < count; i += width) {
            const std::size_t lanes = count - i < width ? count - i : width;
            Lanes px, py;
            load(x + i, y + i, lanes, px, py);
            RoughLanes calls;
            store(stepless(f, raw<S>(f, px, py, calls)), lanes, out + i);
            validFlags(calls.valid, lanes, valid + i);
        }
    }

    GLIMORA_AVX2 static void roughCalls(fieldmath::RoughCall call, const double* a, const double* b,
                                        std::size_t count, double* out, bool* valid) {
        for (std::size_t i = 0; i < count; i += width) {
            const std::size_t lanes = count - i < width ? count - i : width;
            Lanes pa, pb;
            load(a + i, b + i, lanes, pa, pb);
            RoughLanes calls;
            Lanes result;
            switch (call) {
            case fieldmath::RoughCall::sin: result = calls.sin(pa); break;
            case fieldmath::RoughCall::cos: result = calls.cos(pa); break;
            case fieldmath::RoughCall::atan2: result = calls.atan2(pa, pb); break;
            case fieldmath::RoughCall::exp: result = calls.exp(pa); break;
            case fieldmath::RoughCall::hypot:
            default: result = calls.hypot(pa, pb); break;
            }
            store(result, lanes, out + i);
            validFlags(calls.valid, lanes, valid + i);
        }
    }
};

#endif

bool ShapeField::vectorTones(const double* x, const double* y, std::size_t count, double* out, bool quantize) const {
#if GLIMORA_VECTOR_LANES
    // Tone steps past 2^52 would need the scalar rounding; no table reaches them.
    if (!vectorUnitsInUse() || (quantize && !(stepDivisor_ < 4503599627370496.0)))
        return false;
    return withShape(shape_, [&](auto shape) {
        ShapeFieldLanes::tones<decltype(shape)::value>(*this, x, y, count, out, quantize);
        return true;
    });
#else
    (void)x, (void)y, (void)count, (void)out, (void)quantize;
    return false;
#endif
}

bool ShapeField::roughVectorTones(const double* x, const double* y, std::size_t count, double* out,
                                  bool* valid) const {
#if GLIMORA_VECTOR_LANES
    if (!vectorUnitsInUse()) return false;
    return withShape(shape_, [&](auto shape) {
        constexpr NotchShape S = decltype(shape)::value;
        if constexpr (hasRoughVectorSteps(S)) {
            ShapeFieldLanes::roughTones<S>(*this, x, y, count, out, valid);
            return true;
        } else {
            return false;
        }
    });
#else
    (void)x, (void)y, (void)count, (void)out, (void)valid;
    return false;
#endif
}

}  // namespace glimora::WallpaperRenderer

namespace glimora::fieldmath {

bool roughCallLanes(RoughCall call, const double* a, const double* b, std::size_t count, double* out, bool* valid) {
#if GLIMORA_VECTOR_LANES
    if (!WallpaperRenderer::vectorUnitsInUse()) return false;
    WallpaperRenderer::ShapeFieldLanes::roughCalls(call, a, b, count, out, valid);
    return true;
#else
    (void)call, (void)a, (void)b, (void)count, (void)out, (void)valid;
    return false;
#endif
}

}  // namespace glimora::fieldmath
