// ShapeField's formulas four points at a time on AVX2. Every + - * / and
// every comparison is the same IEEE operation, in the same order, as in
// shape_field_formulas.hpp (this file is compiled without contraction into
// fused multiply-adds, and AVX2 alone has none), and every library call (sin,
// cos, atan2, hypot, exp) is made lane by lane on the very same argument: so
// each lane comes out bit for bit as the scalar formula. What the vector
// units save is the arithmetic around the calls, the clamps, the mirror and
// the rounding to a tone step.
#include <cmath>
#include <cstddef>

#include "render/field_math.hpp"
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

double sine(double a) { return std::sin(a); }
double cosine(double a) { return std::cos(a); }
double exponential(double a) { return std::exp(a); }
double hypotenuse(double a, double b) { return std::hypot(a, b); }
double angle(double y, double x) { return std::atan2(y, x); }

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

    template <NotchShape S>
    GLIMORA_AVX2 static Lanes raw(const ShapeField& f, Lanes x, Lanes y) {
        using fieldmath::pi;
        const Point q = rotated(f, x, y);
        const Lanes dx = q.dx;
        const Lanes dy = q.dy;
        const Lanes p = splat(f.p_);
        if constexpr (S == NotchShape::linear) {
            return (0.72 * dx + 0.28 * dy) + 0.5;
        } else if constexpr (S == NotchShape::radial) {
            return eachLane<hypotenuse>(dx, dy) / splat(f.k1_);
        } else if constexpr (S == NotchShape::smoothGradient) {
            const Lanes d = eachLane<hypotenuse>(q.u - splat(f.k1_), q.v - splat(f.k2_));
            const Lanes glow = eachLane<exponential>((-d) / splat(f.k3_));
            return (0.42 * (0.68 * dx + 0.32 * dy) + 0.78 * glow) + 0.46;
        } else if constexpr (S == NotchShape::conic) {
            return ((eachLane<angle>(dy, dx) + p) + pi) / (2 * pi);
        } else if constexpr (S == NotchShape::sine) {
            return 0.5 + 0.5 * eachLane<sine>(p + splat(f.k1_) * (dx * splat(f.fx_) + dy * splat(f.fy_)));
        } else if constexpr (S == NotchShape::sunsetStrip) {
            const Lanes a = cell(dx * splat(f.k1_));
            const Lanes b = cell(dy * splat(f.k2_));
            return 0.5 - 0.5 * eachLane<cosine>(p + splat(f.k3_) * eachLane<hypotenuse>(0.82 * a, 1.55 * b));
        } else if constexpr (S == NotchShape::diamond) {
            return 0.5 - 0.5 * eachLane<cosine>(p + splat(f.k1_) * (absolute(dx) + absolute(dy)));
        } else if constexpr (S == NotchShape::fractal) {
            return memberLanes<&ShapeField::fractalTone>(f, dx, dy);
        } else if constexpr (S == NotchShape::tree) {
            return memberLanes<&ShapeField::treeTone>(f, q.v, dx);
        } else if constexpr (S == NotchShape::landscape) {
            return memberLanes<&ShapeField::landscapeTone>(f, q.v, dx);
        } else if constexpr (S == NotchShape::petals) {
            const Lanes r = eachLane<hypotenuse>(dx, dy);
            const Lanes th = eachLane<angle>(dy, dx);
            const Lanes petal = 0.5 + 0.5 * eachLane<cosine>(p + splat(f.k1_) * th);
            return 0.5 + 0.5 * eachLane<cosine>(splat(f.k2_) * r - 2.8 * petal);
        } else if constexpr (S == NotchShape::crystal) {
            const Lanes a = absolute(cell(dx * splat(f.k1_)));
            const Lanes b = absolute(cell(dy * splat(f.k2_)));
            return 0.5 - 0.5 * eachLane<cosine>(p + splat(f.k3_) * ((a + b) + 0.7 * absolute(a - b)));
        } else if constexpr (S == NotchShape::spiral) {
            const Lanes r = eachLane<hypotenuse>(dx, dy);
            const Lanes th = eachLane<angle>(dy, dx);
            return 0.5 + 0.5 * eachLane<sine>((p + th * splat(f.k1_)) + splat(f.k2_) * r);
        } else if constexpr (S == NotchShape::kaleidoscope) {
            const Lanes r = eachLane<hypotenuse>(dx, dy);
            const Lanes th = eachLane<angle>(dy, dx);
            const Lanes w = absolute(fract(splat(f.k1_) * th / (2 * pi) + 0.5) - 0.5);
            return 0.5 + 0.5 * eachLane<cosine>((p + splat(f.k2_) * r) + splat(f.k3_) * w);
        } else if constexpr (S == NotchShape::orbit) {
            const Lanes r2 = eachLane<hypotenuse>(1.25 * dx, 0.72 * dy);
            const Lanes th = eachLane<angle>(dy, dx);
            const Lanes swing = eachLane<sine>(splat(f.k3_) * th - splat(f.k4_));
            return 0.5 + 0.5 * eachLane<cosine>((p + splat(f.k1_) * r2) + splat(f.k2_) * swing);
        } else {
            static_assert(ShapeField::hasRoughSteps(S), "every other shape has a vector formula");
            return x;
        }
    }

    template <NotchShape S>
    GLIMORA_AVX2 static void tones(const ShapeField& f, const double* x, const double* y, std::size_t count,
                                   double* out, bool quantize) {
        const Lanes divisor = splat(f.stepDivisor_);
        for (std::size_t i = 0; i < count; i += width) {
            const std::size_t lanes = count - i < width ? count - i : width;
            Lanes px, py;
            if (lanes == width) {
                px = _mm256_loadu_pd(x + i);
                py = _mm256_loadu_pd(y + i);
            } else {
                // The last few points; the spare lanes repeat the first.
                alignas(32) double tailX[width], tailY[width];
                for (std::size_t k = 0; k < width; ++k) {
                    tailX[k] = x[i + (k < lanes ? k : 0)];
                    tailY[k] = y[i + (k < lanes ? k : 0)];
                }
                px = _mm256_load_pd(tailX);
                py = _mm256_load_pd(tailY);
            }
            Lanes t = clampUnit(raw<S>(f, px, py));
            if (f.mirror_) t = absolute(2 * t - 1);
            if (f.invert_) t = 1 - t;
            if (quantize) t = roundHalfUp(t * divisor);
            if (lanes == width) {
                _mm256_storeu_pd(out + i, t);
            } else {
                alignas(32) double tail[width];
                _mm256_store_pd(tail, t);
                for (std::size_t k = 0; k < lanes; ++k) out[i + k] = tail[k];
            }
        }
    }
};

#endif

bool ShapeField::vectorTones(const double* x, const double* y, std::size_t count, double* out, bool quantize) const {
#if GLIMORA_VECTOR_LANES
    // Tone steps past 2^52 would need the scalar rounding; no table reaches them.
    if (!hasVectorTones(shape_) || !vectorUnitsInUse() || (quantize && !(stepDivisor_ < 4503599627370496.0)))
        return false;
    switch (shape_) {
#define GLIMORA_SHAPE(name)                                                                \
    case NotchShape::name:                                                                 \
        ShapeFieldLanes::tones<NotchShape::name>(*this, x, y, count, out, quantize);      \
        return true;
        GLIMORA_SHAPE(linear) GLIMORA_SHAPE(radial) GLIMORA_SHAPE(smoothGradient) GLIMORA_SHAPE(conic)
        GLIMORA_SHAPE(sine) GLIMORA_SHAPE(sunsetStrip) GLIMORA_SHAPE(diamond) GLIMORA_SHAPE(fractal)
        GLIMORA_SHAPE(tree) GLIMORA_SHAPE(landscape) GLIMORA_SHAPE(petals) GLIMORA_SHAPE(crystal)
        GLIMORA_SHAPE(spiral) GLIMORA_SHAPE(kaleidoscope) GLIMORA_SHAPE(orbit)
#undef GLIMORA_SHAPE
    default:
        return false;
    }
#else
    (void)x, (void)y, (void)count, (void)out, (void)quantize;
    return false;
#endif
}

}  // namespace glimora::WallpaperRenderer
