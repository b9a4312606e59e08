#include "tests/render/shader_material_reference.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace glimora::reference {

namespace {

// Where the formulas convert a non-number to an integer, the processor gives
// the lowest integer; written out, so that the reference is defined for every
// input (and quiet under the sanitizers).
constexpr int noNumber = std::numeric_limits<int>::min();


// Single-precision vectors with the GLSL operations the programs use, so the
// code below reads line for line like the shader source.
struct vec2 {
    float x = 0;
    float y = 0;
};
struct vec3 {
    float x = 0;
    float y = 0;
    float z = 0;
};

vec2 operator+(vec2 a, vec2 b) { return {a.x + b.x, a.y + b.y}; }
vec2 operator-(vec2 a, vec2 b) { return {a.x - b.x, a.y - b.y}; }
vec2 operator*(vec2 a, vec2 b) { return {a.x * b.x, a.y * b.y}; }
vec2 operator*(vec2 a, float s) { return {a.x * s, a.y * s}; }
vec2 operator/(vec2 a, float s) { return {a.x / s, a.y / s}; }
vec2 operator+(vec2 a, float s) { return {a.x + s, a.y + s}; }
vec2 operator-(vec2 a, float s) { return {a.x - s, a.y - s}; }
vec3 operator+(vec3 a, vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
vec3 operator*(vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

float dot(vec2 a, vec2 b) { return a.x * b.x + a.y * b.y; }
float dot(vec3 a, vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(vec2 a) { return std::sqrt(dot(a, a)); }
vec3 normalize(vec3 a) { return a * (1.0f / std::sqrt(dot(a, a))); }
float clamp(float x, float lo, float hi) { return std::min(std::max(x, lo), hi); }
float mix(float a, float b, float t) { return a * (1.0f - t) + b * t; }
vec3 mix(vec3 a, vec3 b, float t) { return {mix(a.x, b.x, t), mix(a.y, b.y, t), mix(a.z, b.z, t)}; }
float fract(float x) { return x - std::floor(x); }
float smoothstep(float e0, float e1, float x) {
    const float t = clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}
vec3 rgb(const ShaderColor& c) { return {c[0], c[1], c[2]}; }

constexpr float tau = 6.2831853f;
// Material seconds per period of every time term: shaderMaterialPeriod.
constexpr float periodInverse = 1.0f / 600.0f;

struct ivec2 {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

std::uint32_t hash(ivec2 p) {
    std::uint32_t h = (std::uint32_t(p.x) * 0x8da6b343u) ^ (std::uint32_t(p.y) * 0xd8163841u);
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

float rand(ivec2 p) { return float(hash(p) >> 8u) * (1.0f / 16777216.0f); }

// A lattice coordinate: floor, held inside the integer range the shaders
// can convert exactly.
std::int32_t lattice(float x) {
    return x == x ? std::int32_t(clamp(std::floor(x), -1.0e9f, 1.0e9f)) : noNumber;
}

float vnoise(vec2 p) {
    const vec2 i{std::floor(p.x), std::floor(p.y)};
    const vec2 f = p - i;
    const vec2 u = f * f * (vec2{3.0f, 3.0f} - f * 2.0f);
    const ivec2 k{lattice(p.x), lattice(p.y)};
    const float a = rand(k);
    const float b = rand({k.x + 1, k.y});
    const float c = rand({k.x, k.y + 1});
    const float d = rand({k.x + 1, k.y + 1});
    return mix(mix(a, b, u.x), mix(c, d, u.x), u.y);
}

// Octaves turned against each other so that the lattice does not show.
vec2 nextOctave(vec2 p) { return vec2{1.6f * p.x - 1.2f * p.y, 1.2f * p.x + 1.6f * p.y} + vec2{5.3f, 1.7f}; }

// Divided by the sum of the amplitudes, so the result keeps the range of one octave.
template <int octaves>
float fbm(vec2 p) {
    constexpr float amplitudeSum = 1.0f - 1.0f / float(1 << octaves);
    float s = 0.0f;
    float amplitude = 0.5f;
    for (int i = 0; i < octaves; ++i) {
        s += amplitude * vnoise(p);
        p = nextOctave(p);
        amplitude *= 0.5f;
    }
    return s / amplitudeSum;
}

// The design's shape as a broad tone layout under the pattern.
float shapeTerm(int code, vec2 uv, float reach) {
    const vec2 p = uv / reach;
    const float r = length(p);
    const float inverse = 1.0f / (r + 0.001f);
    const float cs = p.x * inverse;
    const float sn = p.y * inverse;
    switch (code) {
    case 0: return clamp(0.5f + 0.5f * p.x, 0.0f, 1.0f);
    case 1: return clamp(1.0f - r, 0.0f, 1.0f);
    case 2: return 0.5f + 0.5f * sn;
    case 3: return 0.5f + 0.5f * std::sin(p.x * 4.0f + std::sin(p.y * 3.0f));
    case 4: return 0.5f + 0.5f * std::sin(p.y * 6.0f);
    case 5: return clamp(1.0f - (std::abs(p.x) + std::abs(p.y)), 0.0f, 1.0f);
    case 6: return 0.5f + 0.5f * std::sin(p.x * 5.0f) * std::sin(p.y * 5.0f);
    case 7: return 0.5f + 0.5f * std::cos(std::abs(p.x) * 8.0f - p.y * 4.0f);
    case 8: return clamp(0.5f + (p.y - 0.2f * std::sin(p.x * 3.0f)) * 1.5f, 0.0f, 1.0f);
    case 9: {
        const float c2 = cs * cs;
        const float c6 = 32.0f * c2 * c2 * c2 - 48.0f * c2 * c2 + 18.0f * c2 - 1.0f;
        return clamp(0.5f + 0.5f * c6 * (1.0f - std::min(r, 1.0f)), 0.0f, 1.0f);
    }
    case 10: return clamp(1.0f - std::max(std::abs(p.x), std::abs(p.y)) * 1.3f, 0.0f, 1.0f);
    case 11: {
        const float c2 = cs * cs - sn * sn;
        const float s2 = 2.0f * cs * sn;
        const float a = r * 10.0f;
        return 0.5f + 0.5f * (std::sin(a) * c2 + std::cos(a) * s2);
    }
    case 12: return 0.5f + 0.5f * std::cos(p.x * 7.0f) * std::cos(p.y * 7.0f);
    case 13: return 0.5f + 0.5f * std::sin((p.x * p.x * 3.0f + p.y * p.y * 5.0f) * 6.0f);
    default:
        return 0.5f + 0.5f * std::cos((length(p - vec2{0.35f, 0.0f}) + length(p + vec2{0.35f, 0.0f})) * 8.0f);
    }
}

// Everything of the field and the material that depends on the uniforms
// alone, worked out once per frame instead of three times per pixel. Each
// value is the same expression as in the shader, so the results are the same
// to the bit as when it was written inline.
struct FrameTerms {
    explicit FrameTerms(const ShaderMaterialUniforms& u) : u(u) {
        S = vec2{std::max(u.width, 1.0f), std::max(u.height, 1.0f)};
        c = u.time * periodInverse;
        t = c * tau;
        pattern = u.pattern == u.pattern ? int(clamp(u.pattern, 0.0f, 5.0f) + 0.5f) : noNumber;
        const float scale = clamp(u.scale, 0.05f, 20.0f);
        const float ripple = clamp(u.distortion, 0.0f, 2.0f);
        seed = u.seed;
        shape = u.shape == u.shape ? int(clamp(u.shape, 0.0f, 14.0f) + 0.5f) : noNumber;
        const float angle = u.angle * (tau / 360.0f);
        reach = std::max(u.spread, 1.0f) / 100.0f;
        const vec2 anchor = vec2{u.centerX, u.centerY} / 100.0f;
        anchorPoint = anchor * S;
        phase = u.phase * (tau / 360.0f);
        frequency = vec2{0.5f + 0.25f * clamp(u.frequencyX, 0.25f, 16.0f),
                         0.5f + 0.25f * clamp(u.frequencyY, 0.25f, 16.0f)};
        ca = std::cos(angle);
        sa = std::sin(angle);
        zoom = 2.4f * scale;
        seedShift = vec2{seed * 61.0f + 3.0f, seed * 37.0f - 5.0f};
        const vec2 drift{std::cos(t * 23.0f), std::sin(t * 29.0f)};
        driftA = drift * 0.6f;
        driftB = vec2{drift.y, drift.x} * 0.6f;
        seedShiftSwapped = vec2{seedShift.y, seedShift.x};
        bendAmount = 1.6f * ripple;

        flowA = vec2{std::cos(t * 31.0f), std::sin(t * 37.0f)} * 0.8f;
        flowB = vec2{std::sin(t * 41.0f), std::cos(t * 43.0f)} * 0.5f;
        t53 = t * 53.0f, t47 = t * 47.0f, t59 = t * 59.0f, t43 = t * 43.0f;
        seedTurn = seed * tau;
        ringDrift = vec2{std::cos(t * 17.0f), std::sin(t * 17.0f)};
        t61 = t * 61.0f;
        stripeOffset = phase / tau;
        c20 = c * 20.0f;
        c40 = c * 40.0f;
        t19 = t * 19.0f, t23 = t * 23.0f, t11 = t * 11.0f;
        cloudA = vec2{std::cos(t * 13.0f), std::sin(t * 13.0f)} * 1.1f;
        cloudB = vec2{std::sin(t * 11.0f), std::cos(t * 11.0f)} * 0.3f;
        cloudPhase = phase * 0.25f;

        e = std::max(u.height, 1.0f) * 0.002f;
        relief = clamp(u.relief, 0.0f, 2.0f);
        energy = clamp(u.intensity, 0.0f, 2.0f);
        slope = 40.0f * relief;
        heightUnit = std::max(u.height, 1.0f);
        shift = clamp(u.colorShift, 0.0f, 2.0f) * 0.2f;
        t13 = u.time * periodInverse * tau * 13.0f;
    }

    const ShaderMaterialUniforms& u;
    vec2 S, anchorPoint, frequency, seedShift, driftA, driftB, seedShiftSwapped;
    float c, t, seed, reach, phase, ca, sa, zoom, bendAmount;
    int pattern, shape;
    vec2 flowA, flowB, ringDrift, cloudA, cloudB;
    float t53, t47, t59, t43, seedTurn, t61, stripeOffset, c20, c40, t19, t23, t11, cloudPhase;
    float e, relief, energy, slope, heightUnit, shift, t13;
};

// What a lattice cell of the facets pattern contributes wherever it is seen:
// the same for every pixel near it, so kept for the next samples.
struct FacetCell {
    ivec2 key;
    vec2 offset;
    float tone = 0;
    bool filled = false;
};

class FacetCache {
public:
    const FacetCell& cell(const FrameTerms& f, ivec2 at) {
        FacetCell& slot =
            slots_[(std::uint32_t(at.x) * 73856093u ^ std::uint32_t(at.y) * 19349663u) & (slots_.size() - 1)];
        if (slot.filled && slot.key.x == at.x && slot.key.y == at.y) return slot;
        const float h1 = rand(at);
        const float h2 = rand({at.x + 101, at.y + 57});
        const float h3 = rand({at.x - 37, at.y + 211});
        slot.key = at;
        slot.offset = vec2{0.5f + 0.38f * std::sin(f.t19 + tau * h1), 0.5f + 0.38f * std::cos(f.t23 + tau * h2)};
        slot.tone = 0.5f + 0.5f * std::sin(tau * h3 + f.phase + f.t11);
        slot.filled = true;
        return slot;
    }

private:
    std::array<FacetCell, 256> slots_{};
};

// The pattern's tone 0...1 at a position in points.
float field(const FrameTerms& f, vec2 P, FacetCache& facets) {
    const float phase = f.phase;
    vec2 uv = (P - f.anchorPoint) / f.S.y;
    uv = vec2{f.ca * uv.x - f.sa * uv.y, f.sa * uv.x + f.ca * uv.y};
    vec2 q = uv * f.frequency * f.zoom;

    // Ripple bends the field along a slowly drifting noise.
    const vec2 bend = vec2{vnoise(q * 0.9f + f.driftA + f.seedShift),
                           vnoise(q * 0.9f - f.driftB + f.seedShiftSwapped + 7.3f)} -
                      0.5f;
    q = q + bend * f.bendAmount;
    const vec2 n = q + f.seedShift;

    float v = 0.0f;
    if (f.pattern == 0) {
        const vec2 a = n + f.flowA;
        const float n1 = fbm<3>(a);
        const vec2 b = n * 1.3f + vec2{n1 * 2.2f, -n1 * 1.7f} + f.flowB;
        const float n2 = fbm<3>(b);
        v = 0.5f + 0.5f * std::sin(n2 * 7.0f + n1 * 2.0f + phase);
    } else if (f.pattern == 1) {
        const float w1 = std::sin(q.x * 3.1f + std::sin(q.y * 1.7f + f.t53) * 1.1f + f.t47 + phase);
        const float w2 =
            std::sin(q.y * 2.3f - q.x * 0.9f + std::cos(q.x * 1.3f - f.t59) * 0.8f - f.t43 + f.seedTurn);
        v = 0.5f + 0.32f * w1 + 0.18f * w2;
    } else if (f.pattern == 2) {
        const float r = length(q);
        const float wobble = (vnoise(n * 0.8f + f.ringDrift) - 0.5f) * 1.4f;
        const float rings = 0.5f + 0.5f * std::cos(r * 5.5f - f.t61 + phase + wobble);
        const float depth = 1.0f / (1.0f + 0.35f * r);
        v = rings * (0.3f + 0.7f * depth) + 0.12f * (1.0f - depth);
    } else if (f.pattern == 3) {
        const float x = q.x * 0.8f + (vnoise(n * 0.5f) - 0.5f) * 0.6f + f.stripeOffset;
        const float stripe = smoothstep(0.4f, 0.6f, std::abs(2.0f * fract(x + f.c20) - 1.0f));
        const float thin = smoothstep(0.82f, 0.92f, std::abs(2.0f * fract(x * 3.0f - f.c40 + 0.25f) - 1.0f));
        v = 0.12f + 0.7f * stripe + 0.18f * thin;
    } else if (f.pattern == 4) {
        const vec2 p = n * 1.3f;
        const ivec2 base{lattice(p.x), lattice(p.y)};
        float weights = 0.0f;
        float tones = 0.0f;
        float strongest = 0.0f;
        for (int j = -1; j <= 1; ++j) {
            for (int i = -1; i <= 1; ++i) {
                const ivec2 at{base.x + i, base.y + j};
                const FacetCell& cell = facets.cell(f, at);
                const vec2 d = vec2{float(at.x), float(at.y)} + cell.offset - p;
                const float w = std::exp(-14.0f * dot(d, d));
                weights += w;
                tones += w * cell.tone;
                strongest = std::max(strongest, w);
            }
        }
        const float facet = tones / weights;
        const float edge = smoothstep(0.5f, 0.85f, strongest / weights);
        v = facet * (0.45f + 0.55f * edge);
    } else {
        const vec2 a = n * 0.7f + f.cloudA;
        const float w = fbm<3>(a * 0.6f + f.cloudB);
        const float cloud = fbm<5>(a + vec2{w * 1.4f + f.cloudPhase, -w});
        v = smoothstep(0.3f, 0.78f, cloud);
    }
    return mix(v, shapeTerm(f.shape, uv, f.reach), 0.28f);
}

vec3 ramp(const ShaderMaterialUniforms& u, float x) {
    const float a = clamp(x * 2.0f, 0.0f, 1.0f);
    const float b = clamp(x * 2.0f - 1.0f, 0.0f, 1.0f);
    return mix(mix(rgb(u.base), rgb(u.mid), a), rgb(u.highlight), b);
}

// The light of the relief, from the upper left; and the half vector for its sheen.
constexpr vec3 light{-0.45113f, -0.55138f, 0.70175f};
constexpr vec3 halfway{-0.24453f, -0.29888f, 0.92243f};

// The material's colour at P; `pictureTone` is mixed into the tone by
// `toneMix` (0 without a picture).
vec3 material(const FrameTerms& f, vec2 P, float pictureTone, float toneMix, FacetCache& facets) {
    const ShaderMaterialUniforms& u = f.u;
    const float v = field(f, P, facets);
    const float vx = field(f, P + vec2{f.e, 0.0f}, facets);
    const float vy = field(f, P + vec2{0.0f, f.e}, facets);
    const float relief = f.relief;
    const float energy = f.energy;
    const vec3 normal = normalize(vec3{(v - vx) * f.slope, (v - vy) * f.slope, 1.0f});
    const float diffuse = clamp(dot(normal, light), 0.0f, 1.0f);
    float sheen = clamp(dot(normal, halfway), 0.0f, 1.0f);
    for (int i = 0; i < 5; ++i) sheen *= sheen;

    float tone = clamp((v - 0.5f) * (0.45f + 1.1f * energy) + 0.5f, 0.0f, 1.0f);
    tone = mix(tone, pictureTone, toneMix);
    const float drift = f.shift * std::sin(f.t13 + (P.x + P.y) / f.heightUnit * 2.0f);
    vec3 color{ramp(u, tone + drift).x, ramp(u, tone).y, ramp(u, tone - drift).z};
    color = color * (1.0f - 0.55f * relief + 0.715f * relief * diffuse);
    color =
        color + rgb(u.highlight) * (sheen * relief * 0.5f + energy * 0.12f * smoothstep(0.7f, 1.0f, tone));
    return {clamp(color.x, 0.0f, 1.0f), clamp(color.y, 0.0f, 1.0f), clamp(color.z, 0.0f, 1.0f)};
}

ShaderColor imageColor(const FrameTerms& f, float x, float y, ShaderColor picture, FacetCache& facets) {
    const float tone = picture[0] * 0.2126f + picture[1] * 0.7152f + picture[2] * 0.0722f;
    const vec3 c = material(f, {x, y}, tone, 0.45f, facets);
    const float alpha = picture[3];
    const float amount = 0.35f + 0.65f * clamp(f.u.intensity, 0.0f, 1.0f);
    return {mix(picture[0], c.x * alpha, amount), mix(picture[1], c.y * alpha, amount),
            mix(picture[2], c.z * alpha, amount), alpha};
}

std::uint8_t channelByte(float value) {
    return value == value ? std::uint8_t(clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f) : 0;
}

}  // namespace

ShaderColor materialColor(const ShaderMaterialUniforms& uniforms, float x, float y) {
    FacetCache facets;
    const vec3 c = material(FrameTerms(uniforms), {x, y}, 0.0f, 0.0f, facets);
    return {c.x, c.y, c.z, 1.0f};
}

ShaderColor imageColor(const ShaderMaterialUniforms& uniforms, float x, float y, ShaderColor picture) {
    FacetCache facets;
    return imageColor(FrameTerms(uniforms), x, y, picture, facets);
}

void render(const ShaderMaterialUniforms& uniforms, const PixelImageBuffer* picture,
            const WallpaperRenderer::CanvasPixels& pixels, double scale) {
    const float ratio = float(scale);
    const FrameTerms frame(uniforms);
    FacetCache facets;
    for (std::int64_t y = 0; y < pixels.height; ++y) {
        std::uint8_t* row = WallpaperRenderer::rowPointer(pixels, y);
        const float py = (float(y) + 0.5f) / ratio;
        for (std::int64_t x = 0; x < pixels.width; ++x) {
            const float px = (float(x) + 0.5f) / ratio;
            ShaderColor color{0.0f, 0.0f, 0.0f, 1.0f};
            if (!picture) {
                const vec3 c = material(frame, {px, py}, 0.0f, 0.0f, facets);
                color = {c.x, c.y, c.z, 1.0f};
            } else if (const auto under = fittedPictureColor(*picture, uniforms.width, uniforms.height, px, py)) {
                color = imageColor(frame, px, py, *under, facets);
            }
            std::uint8_t* p = row + 4 * x;
            p[0] = channelByte(color[0]);
            p[1] = channelByte(color[1]);
            p[2] = channelByte(color[2]);
            p[3] = 255;
        }
    }
}

}  // namespace glimora::reference
