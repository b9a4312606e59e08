#include "render/shader_material_batch.hpp"

#include "render/shader_material_kernels.hpp"
#include "render/vector_units.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

namespace glimora {

namespace shader_kernels {

FrameTerms::FrameTerms(const ShaderMaterialUniforms& u) : u(u) {
    Sx = std::max(u.width, 1.0f);
    Sy = std::max(u.height, 1.0f);
    c = u.time * periodInverse;
    t = c * tau;
    // A pattern or shape that is not a number takes the last one, as
    // every code outside the range does.
    pattern = u.pattern == u.pattern ? int(clamp(u.pattern, 0.0f, 5.0f) + 0.5f) : 5;
    const float scale = clamp(u.scale, 0.05f, 20.0f);
    const float ripple = clamp(u.distortion, 0.0f, 2.0f);
    seed = u.seed;
    shape = u.shape == u.shape ? int(clamp(u.shape, 0.0f, 14.0f) + 0.5f) : 14;
    const float angle = u.angle * (tau / 360.0f);
    reach = std::max(u.spread, 1.0f) / 100.0f;
    anchorX = u.centerX / 100.0f * Sx;
    anchorY = u.centerY / 100.0f * Sy;
    phase = u.phase * (tau / 360.0f);
    frequencyX = 0.5f + 0.25f * clamp(u.frequencyX, 0.25f, 16.0f);
    frequencyY = 0.5f + 0.25f * clamp(u.frequencyY, 0.25f, 16.0f);
    ca = std::cos(angle);
    sa = std::sin(angle);
    zoom = 2.4f * scale;
    seedShiftX = seed * 61.0f + 3.0f;
    seedShiftY = seed * 37.0f - 5.0f;
    const float driftX = std::cos(t * 23.0f);
    const float driftY = std::sin(t * 29.0f);
    driftAX = driftX * 0.6f;
    driftAY = driftY * 0.6f;
    driftBX = driftY * 0.6f;
    driftBY = driftX * 0.6f;
    bendAmount = 1.6f * ripple;

    flowAX = std::cos(t * 31.0f) * 0.8f;
    flowAY = std::sin(t * 37.0f) * 0.8f;
    flowBX = std::sin(t * 41.0f) * 0.5f;
    flowBY = std::cos(t * 43.0f) * 0.5f;
    t53 = t * 53.0f, t47 = t * 47.0f, t59 = t * 59.0f, t43 = t * 43.0f;
    seedTurn = seed * tau;
    ringDriftX = std::cos(t * 17.0f);
    ringDriftY = std::sin(t * 17.0f);
    t61 = t * 61.0f;
    stripeOffset = phase / tau;
    c20 = c * 20.0f;
    c40 = c * 40.0f;
    t19 = t * 19.0f, t23 = t * 23.0f, t11 = t * 11.0f;
    cloudAX = std::cos(t * 13.0f) * 1.1f;
    cloudAY = std::sin(t * 13.0f) * 1.1f;
    cloudBX = std::sin(t * 11.0f) * 0.3f;
    cloudBY = std::cos(t * 11.0f) * 0.3f;
    cloudPhase = phase * 0.25f;

    e = std::max(u.height, 1.0f) * 0.002f;
    relief = clamp(u.relief, 0.0f, 2.0f);
    energy = clamp(u.intensity, 0.0f, 2.0f);
    slope = 40.0f * relief;
    heightUnit = std::max(u.height, 1.0f);
    shift = clamp(u.colorShift, 0.0f, 2.0f) * 0.2f;
    t13 = u.time * periodInverse * tau * 13.0f;
    toneGain = 0.45f + 1.1f * energy;
    glowGain = energy * 0.12f;
    shadeBase = 1.0f - 0.55f * relief;
    shadeGain = 0.715f * relief;
    for (int k = 0; k < 3; ++k) {
        base[k] = u.base[std::size_t(k)];
        mid[k] = u.mid[std::size_t(k)];
        highlight[k] = u.highlight[std::size_t(k)];
    }
}

}  // namespace shader_kernels

using namespace shader_kernels;

namespace {

using Units = ShaderMaterialBatch::VectorUnits;

// The values of a run as the given units work them out.
void sinesOf(Units units, Lanes& values, bool cosine) {
#ifdef GLIMORA_WIDE_UNITS
    if (units == Units::avx512) return sinesAvx512(values, cosine);
    if (units == Units::avx2) return sinesAvx2(values, cosine);
#endif
    for (float& value : values) value = cosine ? std::cos(value) : std::sin(value);
}

// Whether the vector sines equal this library's calls over a sample chosen to
// catch another library: every quarter turn's ends, the tables' seams and
// the values nearest to multiples of pi/2, where any other reduction shows.
bool fusedSinesAgreeOn(Units units) {
    alignas(64) Lanes values;
    int filled = 0;
    bool agree = true;
    const auto flush = [&] {
        if (filled == 0) return;
        alignas(64) Lanes sine, cosine;
        for (int k = 0; k < N; ++k) sine[k] = cosine[k] = values[k < filled ? k : 0];
        sinesOf(units, sine, false);
        sinesOf(units, cosine, true);
        for (int k = 0; k < filled; ++k) {
            agree = agree && std::bit_cast<std::uint32_t>(sine[k]) == std::bit_cast<std::uint32_t>(std::sin(values[k])) &&
                    std::bit_cast<std::uint32_t>(cosine[k]) == std::bit_cast<std::uint32_t>(std::cos(values[k]));
        }
        filled = 0;
    };
    const auto add = [&](float value) {
        values[filled++] = value;
        if (filled == N) flush();
    };
    for (int quarter = -77; quarter <= 77; ++quarter) {
        const float nearest = float(double(quarter) * 1.5707963267948966);
        for (float value : {nearest, std::nextafter(nearest, 200.0f), std::nextafter(nearest, -200.0f),
                            float(double(quarter) * 1.5707963267948966 + 0.7853981633974483)}) {
            add(value);
        }
    }
    for (float value : {0.0f, -0.0f, 0.75f, 0.7499999f, 0x1p-12f, 0x1.fffffep-13f, 119.99999f, -119.99999f}) add(value);
    for (int i = 0; i < 512; ++i) add(-119.0f + 238.0f * float(i) / 511.0f);
    flush();
    return agree;
}

// Asked only once the processor is known to have the units.
bool fusedSinesAgree(Units units) {
    if (units == Units::avx512) {
        static const bool agree = fusedSinesAgreeOn(Units::avx512);
        return agree;
    }
    if (units == Units::avx2) {
        static const bool agree = fusedSinesAgreeOn(Units::avx2);
        return agree;
    }
    return true;
}

// The widest units at most `asked` that the processor has, unless the
// vector units are turned off for everything (vector_units.hpp).
Units unitsFor(Units asked) {
    if (!WallpaperRenderer::vectorUnitsInUse()) return Units::baseline;
    if ((asked == Units::best || asked == Units::avx512) && ShaderMaterialBatch::available(Units::avx512))
        return Units::avx512;
    if (asked != Units::baseline && ShaderMaterialBatch::available(Units::avx2)) return Units::avx2;
    return Units::baseline;
}

}  // namespace

struct ShaderMaterialBatch::State {
    State(const ShaderMaterialUniforms& uniforms, VectorUnits units)
        : uniforms(uniforms), terms(this->uniforms), units(unitsFor(units)) {}
    ShaderMaterialUniforms uniforms;  // the terms refer to this copy
    FrameTerms terms;
    FacetCache facets;
    VectorUnits units;
};

bool ShaderMaterialBatch::available(VectorUnits units) {
#ifdef GLIMORA_WIDE_UNITS
    // The wide copies work out sines with fused multiply-adds, where they
    // agree with the library (fusedSinesAgree).
    static const bool fma = __builtin_cpu_supports("fma");
    static const bool avx2 = __builtin_cpu_supports("avx2") && fma;
    static const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                               __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw") && fma;
    switch (units) {
    case VectorUnits::avx512: return avx512 && fusedSinesAgree(units);
    case VectorUnits::avx2: return avx2 && fusedSinesAgree(units);
    case VectorUnits::best:
    case VectorUnits::baseline: return true;
    }
    return false;
#else
    return units == VectorUnits::best || units == VectorUnits::baseline;
#endif
}

ShaderMaterialBatch::ShaderMaterialBatch(const ShaderMaterialUniforms& uniforms, VectorUnits units)
    : state_(std::make_unique<State>(uniforms, units)) {}

ShaderMaterialBatch::~ShaderMaterialBatch() = default;

ShaderMaterialBatch::VectorUnits ShaderMaterialBatch::units() const { return state_->units; }

void ShaderMaterialBatch::sines(const float* values, float* out, std::size_t count, bool cosine, VectorUnits units) {
    const Units used = unitsFor(units);
    alignas(64) Lanes run;
    for (std::size_t begin = 0; begin < count; begin += N) {
        const std::size_t length = std::min<std::size_t>(N, count - begin);
        for (std::size_t k = 0; k < std::size_t(N); ++k) run[k] = values[begin + std::min(k, length - 1)];
        sinesOf(used, run, cosine);
        std::copy(run, run + length, out + begin);
    }
}

void ShaderMaterialBatch::colors(Points& points, int count, float toneMix, Colors& out) {
    count = std::clamp(count, 0, size);
    if (count == 0) return;
    // Unused lanes repeat the last point, so that they hold ordinary values.
    for (int k = count; k < size; ++k) {
        points.x[std::size_t(k)] = points.x[std::size_t(count - 1)];
        points.y[std::size_t(k)] = points.y[std::size_t(count - 1)];
        points.pictureTone[std::size_t(k)] = points.pictureTone[std::size_t(count - 1)];
    }
#ifdef GLIMORA_WIDE_UNITS
    if (state_->units == VectorUnits::avx512) return runAvx512(state_->terms, state_->facets, points, toneMix, out);
    if (state_->units == VectorUnits::avx2) return runAvx2(state_->terms, state_->facets, points, toneMix, out);
#endif
    runBaseline(state_->terms, state_->facets, points, toneMix, out);
}

}  // namespace glimora

