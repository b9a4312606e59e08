// The shader material's kernels (shader_material_kernels.cpp): each step of
// its formulas over a whole run of points at once, in one copy for each kind
// of vector units; and the terms of a frame they read, which
// shader_material_batch.cpp works out before it picks the units.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "render/shader_material_batch.hpp"

#if defined(__x86_64__) || defined(__i386__)
#define GLIMORA_WIDE_UNITS 1
#define GLIMORA_AVX2 __attribute__((target("avx2,fma")))
#if defined(__clang__)
#define GLIMORA_AVX512 __attribute__((target("avx512f,avx512dq,avx512vl,avx512bw"), min_vector_width(512)))
#else
#define GLIMORA_AVX512 __attribute__((target("avx512f,avx512dq,avx512vl,avx512bw,prefer-vector-width=512")))
#endif
#endif
#define GLIMORA_INLINE inline __attribute__((always_inline))

namespace glimora::shader_kernels {

constexpr int N = ShaderMaterialBatch::size;
using Lanes = float[N];

GLIMORA_INLINE float clamp(float x, float lo, float hi) { return std::min(std::max(x, lo), hi); }

constexpr float tau = 6.2831853f;
// Material seconds per period of every time term: shaderMaterialPeriod.
constexpr float periodInverse = 1.0f / 600.0f;

// Everything of the field and the material that depends on the uniforms
// alone, worked out once per frame.
struct FrameTerms {
    explicit FrameTerms(const ShaderMaterialUniforms& u);

    const ShaderMaterialUniforms& u;
    float Sx, Sy, anchorX, anchorY, frequencyX, frequencyY, seedShiftX, seedShiftY;
    float driftAX, driftAY, driftBX, driftBY;
    float c, t, seed, reach, phase, ca, sa, zoom, bendAmount;
    int pattern, shape;
    float flowAX, flowAY, flowBX, flowBY, ringDriftX, ringDriftY, cloudAX, cloudAY, cloudBX, cloudBY;
    float t53, t47, t59, t43, seedTurn, t61, stripeOffset, c20, c40, t19, t23, t11, cloudPhase;
    float e, relief, energy, slope, heightUnit, shift, t13;
    float toneGain, glowGain, shadeBase, shadeGain;
    float base[3], mid[3], highlight[3];
};

// What a lattice cell of the facets pattern contributes wherever it is seen:
// the same for every point near it, so kept for the next points.
struct FacetCell {
    std::int32_t x = 0;
    std::int32_t y = 0;
    float offsetX = 0;
    float offsetY = 0;
    float tone = 0;
    bool filled = false;
};

class FacetCache {
public:
    const FacetCell& cell(const FrameTerms& f, std::int32_t x, std::int32_t y);

private:
    std::array<FacetCell, 256> slots_{};
};

// The material at a run of points (ShaderMaterialBatch::colors), on the
// processor's ordinary instructions or on its wide units.
void runBaseline(const FrameTerms& f, FacetCache& cache, const ShaderMaterialBatch::Points& points, float toneMix,
                 ShaderMaterialBatch::Colors& out);
#ifdef GLIMORA_WIDE_UNITS
GLIMORA_AVX2 void runAvx2(const FrameTerms& f, FacetCache& cache, const ShaderMaterialBatch::Points& points,
                          float toneMix, ShaderMaterialBatch::Colors& out);
GLIMORA_AVX512 void runAvx512(const FrameTerms& f, FacetCache& cache, const ShaderMaterialBatch::Points& points,
                              float toneMix, ShaderMaterialBatch::Colors& out);
// sin (or cos) of a run of values on those units, to the library's floats.
GLIMORA_AVX2 void sinesAvx2(Lanes& values, bool cosine);
GLIMORA_AVX512 void sinesAvx512(Lanes& values, bool cosine);
#endif

}  // namespace glimora::shader_kernels
