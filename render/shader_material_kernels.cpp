#include "render/shader_material_kernels.hpp"

#include <cmath>

#include "render/shader_material_sines.hpp"

// The loops below are written for the compiler's vectoriser: fixed length,
// no branches, no calls. Where the processor has AVX-512 or AVX2 a copy of
// them compiled for those runs; elsewhere the ordinary copy. All compute the
// same values: none contracts a multiply and an add (the build forbids it; the
// sines' fused multiply-adds are written out, as the library has them), and
// every vector operation used rounds as its scalar one does. This file is
// built without errno and trapping semantics (CMakeLists.txt), which changes
// no value but lets floor and sqrt vectorise.

namespace glimora::shader_kernels {

namespace {

GLIMORA_INLINE float mix(float a, float b, float t) { return a * (1.0f - t) + b * t; }
GLIMORA_INLINE float fract(float x) { return x - std::floor(x); }
GLIMORA_INLINE float smoothstep(float e0, float e1, float x) {
    const float t = clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

constexpr std::uint32_t hashX = 0x8da6b343u;
constexpr std::uint32_t hashY = 0xd8163841u;

// The hash of a lattice cell from its coordinates already multiplied by
// hashX and hashY: a neighbour's products are one addition away.
GLIMORA_INLINE std::uint32_t hashOfProducts(std::uint32_t xProduct, std::uint32_t yProduct) {
    std::uint32_t h = xProduct ^ yProduct;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

GLIMORA_INLINE std::uint32_t hash(std::int32_t x, std::int32_t y) {
    return hashOfProducts(std::uint32_t(x) * hashX, std::uint32_t(y) * hashY);
}

// Below 2^24, so the signed conversion (which vector units have) is exact.
GLIMORA_INLINE float unitOf(std::uint32_t hashed) { return float(std::int32_t(hashed >> 8u)) * (1.0f / 16777216.0f); }
GLIMORA_INLINE float rand(std::int32_t x, std::int32_t y) { return unitOf(hash(x, y)); }

// A lattice coordinate from its floor, held inside the integer range the
// shaders can convert exactly. A non-number becomes 0 rather than an
// undefined conversion: the noise there is not a number whatever the cell.
GLIMORA_INLINE std::int32_t lattice(float floored) {
    return std::int32_t(floored == floored ? clamp(floored, -1.0e9f, 1.0e9f) : 0.0f);
}

GLIMORA_INLINE float vnoise(float px, float py) {
    const float ix = std::floor(px);
    const float iy = std::floor(py);
    const float fx = px - ix;
    const float fy = py - iy;
    const float ux = fx * fx * (3.0f - fx * 2.0f);
    const float uy = fy * fy * (3.0f - fy * 2.0f);
    // (k + 1) * m is k * m + m in wrapping arithmetic, and k + 1 cannot
    // overflow within the lattice's range: two multiplications for four cells.
    const std::uint32_t x0 = std::uint32_t(lattice(ix)) * hashX;
    const std::uint32_t y0 = std::uint32_t(lattice(iy)) * hashY;
    const std::uint32_t x1 = x0 + hashX;
    const std::uint32_t y1 = y0 + hashY;
    const float a = unitOf(hashOfProducts(x0, y0));
    const float b = unitOf(hashOfProducts(x1, y0));
    const float c = unitOf(hashOfProducts(x0, y1));
    const float d = unitOf(hashOfProducts(x1, y1));
    return mix(mix(a, b, ux), mix(c, d, ux), uy);
}

// sin (or cos) of every value, as the library's calls return them.
template <bool fused, bool cosine = false>
GLIMORA_INLINE void sines(Lanes& values) {
    if constexpr (fused) {
        vector_sines::fusedSines<cosine>(values);
    } else {
        for (int k = 0; k < N; ++k) values[k] = cosine ? std::cos(values[k]) : std::sin(values[k]);
    }
}
template <bool fused>
GLIMORA_INLINE void cosines(Lanes& values) {
    sines<fused, true>(values);
}

// Octaves turned against each other so that the lattice does not show; the
// sum divided by the sum of the amplitudes keeps the range of one octave.
template <int octaves>
GLIMORA_INLINE void fbm(const Lanes& x, const Lanes& y, Lanes& out) {
    constexpr float amplitudeSum = 1.0f - 1.0f / float(1 << octaves);
    alignas(64) Lanes px, py, s;
    for (int i = 0; i < N; ++i) px[i] = x[i], py[i] = y[i], s[i] = 0.0f;
    float amplitude = 0.5f;
    for (int o = 0; o < octaves; ++o) {
        for (int i = 0; i < N; ++i) {
            s[i] += amplitude * vnoise(px[i], py[i]);
            const float nx = 1.6f * px[i] - 1.2f * py[i] + 5.3f;
            const float ny = 1.2f * px[i] + 1.6f * py[i] + 1.7f;
            px[i] = nx;
            py[i] = ny;
        }
        amplitude *= 0.5f;
    }
    for (int i = 0; i < N; ++i) out[i] = s[i] / amplitudeSum;
}

}  // namespace

const FacetCell& FacetCache::cell(const FrameTerms& f, std::int32_t x, std::int32_t y) {
    FacetCell& slot = slots_[(std::uint32_t(x) * 73856093u ^ std::uint32_t(y) * 19349663u) & (slots_.size() - 1)];
    if (slot.filled && slot.x == x && slot.y == y) return slot;
    const float h1 = rand(x, y);
    const float h2 = rand(x + 101, y + 57);
    const float h3 = rand(x - 37, y + 211);
    slot.x = x;
    slot.y = y;
    slot.offsetX = 0.5f + 0.38f * std::sin(f.t19 + tau * h1);
    slot.offsetY = 0.5f + 0.38f * std::cos(f.t23 + tau * h2);
    slot.tone = 0.5f + 0.5f * std::sin(tau * h3 + f.phase + f.t11);
    slot.filled = true;
    return slot;
}

namespace {

// The facets around each point: a 3 x 3 block of lattice cells, fetched once
// for every run of points over the same block; then the distances and the
// weights for all points, with one call of exp per weight as ever.
GLIMORA_INLINE void facets(const FrameTerms& f, FacetCache& cache, const Lanes& nx, const Lanes& ny, Lanes& v) {
    alignas(64) Lanes px, py;
    alignas(64) float cellX[9][N], cellY[9][N], tones[9][N], weight[9][N];
    for (int k = 0; k < N; ++k) px[k] = nx[k] * 1.3f, py[k] = ny[k] * 1.3f;
    float blockX[9], blockY[9], blockTone[9];
    std::int32_t baseX = 0;
    std::int32_t baseY = 0;
    bool known = false;
    for (int k = 0; k < N; ++k) {
        const std::int32_t bx = lattice(std::floor(px[k]));
        const std::int32_t by = lattice(std::floor(py[k]));
        if (!known || bx != baseX || by != baseY) {
            for (int j = -1, c = 0; j <= 1; ++j) {
                for (int i = -1; i <= 1; ++i, ++c) {
                    const FacetCell& cell = cache.cell(f, bx + i, by + j);
                    blockX[c] = float(bx + i) + cell.offsetX;
                    blockY[c] = float(by + j) + cell.offsetY;
                    blockTone[c] = cell.tone;
                }
            }
            baseX = bx;
            baseY = by;
            known = true;
        }
        for (int c = 0; c < 9; ++c) cellX[c][k] = blockX[c], cellY[c][k] = blockY[c], tones[c][k] = blockTone[c];
    }
    for (int c = 0; c < 9; ++c) {
        for (int k = 0; k < N; ++k) {
            const float dx = cellX[c][k] - px[k];
            const float dy = cellY[c][k] - py[k];
            weight[c][k] = -14.0f * (dx * dx + dy * dy);
        }
        for (int k = 0; k < N; ++k) weight[c][k] = std::exp(weight[c][k]);
    }
    alignas(64) Lanes weights, toneSum, strongest;
    for (int k = 0; k < N; ++k) weights[k] = 0.0f, toneSum[k] = 0.0f, strongest[k] = 0.0f;
    for (int c = 0; c < 9; ++c) {
        for (int k = 0; k < N; ++k) {
            const float w = weight[c][k];
            weights[k] += w;
            toneSum[k] += w * tones[c][k];
            strongest[k] = std::max(strongest[k], w);
        }
    }
    for (int k = 0; k < N; ++k) {
        const float facet = toneSum[k] / weights[k];
        const float edge = smoothstep(0.5f, 0.85f, strongest[k] / weights[k]);
        v[k] = facet * (0.45f + 0.55f * edge);
    }
}

// 0.5 + 0.5 * f(x * m) * f(y * m) with f the sine or the cosine.
template <bool fused, bool cosine>
GLIMORA_INLINE void waveProduct(const Lanes& xs, const Lanes& ys, float m, Lanes& out) {
    alignas(64) Lanes a, b;
    for (int k = 0; k < N; ++k) a[k] = xs[k] * m, b[k] = ys[k] * m;
    sines<fused, cosine>(a);
    sines<fused, cosine>(b);
    for (int k = 0; k < N; ++k) out[k] = 0.5f + 0.5f * a[k] * b[k];
}

// The design's shape as a broad tone layout under the pattern, one shape per
// instance so that every shape vectorises; the sines in steps over the run.
template <int code, bool fused>
GLIMORA_INLINE void shapeTerms(const FrameTerms& f, const Lanes& uvx, const Lanes& uvy, Lanes& out) {
    alignas(64) Lanes xs, ys, rs, a, b;
    for (int k = 0; k < N; ++k) {
        const float x = uvx[k] / f.reach;
        const float y = uvy[k] / f.reach;
        xs[k] = x;
        ys[k] = y;
        rs[k] = std::sqrt(x * x + y * y);
    }
    if constexpr (code == 3) {
        for (int k = 0; k < N; ++k) a[k] = ys[k] * 3.0f;
        sines<fused>(a);
        for (int k = 0; k < N; ++k) a[k] = xs[k] * 4.0f + a[k];
        sines<fused>(a);
        for (int k = 0; k < N; ++k) out[k] = 0.5f + 0.5f * a[k];
    } else if constexpr (code == 4) {
        for (int k = 0; k < N; ++k) a[k] = ys[k] * 6.0f;
        sines<fused>(a);
        for (int k = 0; k < N; ++k) out[k] = 0.5f + 0.5f * a[k];
    } else if constexpr (code == 6) {
        waveProduct<fused, false>(xs, ys, 5.0f, out);
    } else if constexpr (code == 7) {
        for (int k = 0; k < N; ++k) a[k] = std::abs(xs[k]) * 8.0f - ys[k] * 4.0f;
        cosines<fused>(a);
        for (int k = 0; k < N; ++k) out[k] = 0.5f + 0.5f * a[k];
    } else if constexpr (code == 8) {
        for (int k = 0; k < N; ++k) a[k] = xs[k] * 3.0f;
        sines<fused>(a);
        for (int k = 0; k < N; ++k) out[k] = clamp(0.5f + (ys[k] - 0.2f * a[k]) * 1.5f, 0.0f, 1.0f);
    } else if constexpr (code == 11) {
        for (int k = 0; k < N; ++k) a[k] = rs[k] * 10.0f, b[k] = a[k];
        sines<fused>(a);
        cosines<fused>(b);
        for (int k = 0; k < N; ++k) {
            const float inverse = 1.0f / (rs[k] + 0.001f);
            const float cs = xs[k] * inverse;
            const float sn = ys[k] * inverse;
            const float c2 = cs * cs - sn * sn;
            const float s2 = 2.0f * cs * sn;
            out[k] = 0.5f + 0.5f * (a[k] * c2 + b[k] * s2);
        }
    } else if constexpr (code == 12) {
        waveProduct<fused, true>(xs, ys, 7.0f, out);
    } else if constexpr (code == 13) {
        for (int k = 0; k < N; ++k) a[k] = (xs[k] * xs[k] * 3.0f + ys[k] * ys[k] * 5.0f) * 6.0f;
        sines<fused>(a);
        for (int k = 0; k < N; ++k) out[k] = 0.5f + 0.5f * a[k];
    } else if constexpr (code == 14) {
        for (int k = 0; k < N; ++k) {
            const float ax = xs[k] - 0.35f;
            const float bx = xs[k] + 0.35f;
            const float y = ys[k];
            a[k] = (std::sqrt(ax * ax + y * y) + std::sqrt(bx * bx + y * y)) * 8.0f;
        }
        cosines<fused>(a);
        for (int k = 0; k < N; ++k) out[k] = 0.5f + 0.5f * a[k];
    } else {
        for (int k = 0; k < N; ++k) {
            const float x = xs[k];
            const float y = ys[k];
            const float r = rs[k];
            float s;
            if constexpr (code == 0) {
                s = clamp(0.5f + 0.5f * x, 0.0f, 1.0f);
            } else if constexpr (code == 1) {
                s = clamp(1.0f - r, 0.0f, 1.0f);
            } else if constexpr (code == 2) {
                s = 0.5f + 0.5f * (y * (1.0f / (r + 0.001f)));
            } else if constexpr (code == 5) {
                s = clamp(1.0f - (std::abs(x) + std::abs(y)), 0.0f, 1.0f);
            } else if constexpr (code == 9) {
                const float cs = x * (1.0f / (r + 0.001f));
                const float c2 = cs * cs;
                const float c6 = 32.0f * c2 * c2 * c2 - 48.0f * c2 * c2 + 18.0f * c2 - 1.0f;
                s = clamp(0.5f + 0.5f * c6 * (1.0f - std::min(r, 1.0f)), 0.0f, 1.0f);
            } else {
                static_assert(code == 10);
                s = clamp(1.0f - std::max(std::abs(x), std::abs(y)) * 1.3f, 0.0f, 1.0f);
            }
            out[k] = s;
        }
    }
}

template <bool fused, int... codes>
GLIMORA_INLINE void shapeTermsOf(int code, const FrameTerms& f, const Lanes& uvx, const Lanes& uvy, Lanes& out,
                  std::integer_sequence<int, codes...>) {
    ((code == codes ? shapeTerms<codes, fused>(f, uvx, uvy, out) : void()), ...);
}

// The pattern's tone 0...1 at each point, in points.
template <bool fused>
GLIMORA_INLINE void field(const FrameTerms& f, FacetCache& cache, const Lanes& Px, const Lanes& Py, Lanes& out) {
    alignas(64) Lanes uvx, uvy, qx, qy, nx, ny, ax, ay, bx, by, v, w;
    for (int k = 0; k < N; ++k) {
        const float x = (Px[k] - f.anchorX) / f.Sy;
        const float y = (Py[k] - f.anchorY) / f.Sy;
        uvx[k] = f.ca * x - f.sa * y;
        uvy[k] = f.sa * x + f.ca * y;
    }
    // Ripple bends the field along a slowly drifting noise.
    for (int k = 0; k < N; ++k) {
        const float x = uvx[k] * f.frequencyX * f.zoom;
        const float y = uvy[k] * f.frequencyY * f.zoom;
        const float bendX = vnoise(x * 0.9f + f.driftAX + f.seedShiftX, y * 0.9f + f.driftAY + f.seedShiftY) - 0.5f;
        const float bendY =
            vnoise(x * 0.9f - f.driftBX + f.seedShiftY + 7.3f, y * 0.9f - f.driftBY + f.seedShiftX + 7.3f) - 0.5f;
        qx[k] = x + bendX * f.bendAmount;
        qy[k] = y + bendY * f.bendAmount;
        nx[k] = qx[k] + f.seedShiftX;
        ny[k] = qy[k] + f.seedShiftY;
    }

    const float phase = f.phase;
    switch (f.pattern) {
    case 0:
        for (int k = 0; k < N; ++k) ax[k] = nx[k] + f.flowAX, ay[k] = ny[k] + f.flowAY;
        fbm<3>(ax, ay, w);  // n1
        for (int k = 0; k < N; ++k) {
            bx[k] = nx[k] * 1.3f + w[k] * 2.2f + f.flowBX;
            by[k] = ny[k] * 1.3f + -w[k] * 1.7f + f.flowBY;
        }
        fbm<3>(bx, by, v);  // n2
        for (int k = 0; k < N; ++k) ax[k] = v[k] * 7.0f + w[k] * 2.0f + phase;
        sines<fused>(ax);
        for (int k = 0; k < N; ++k) v[k] = 0.5f + 0.5f * ax[k];
        break;
    case 1:
        for (int k = 0; k < N; ++k) ax[k] = qy[k] * 1.7f + f.t53, bx[k] = qx[k] * 1.3f - f.t59;
        sines<fused>(ax);
        cosines<fused>(bx);
        for (int k = 0; k < N; ++k) {
            ax[k] = qx[k] * 3.1f + ax[k] * 1.1f + f.t47 + phase;
            bx[k] = qy[k] * 2.3f - qx[k] * 0.9f + bx[k] * 0.8f - f.t43 + f.seedTurn;
        }
        sines<fused>(ax);
        sines<fused>(bx);
        for (int k = 0; k < N; ++k) v[k] = 0.5f + 0.32f * ax[k] + 0.18f * bx[k];
        break;
    case 2:
        for (int k = 0; k < N; ++k) {
            const float r = std::sqrt(qx[k] * qx[k] + qy[k] * qy[k]);
            const float wobble = (vnoise(nx[k] * 0.8f + f.ringDriftX, ny[k] * 0.8f + f.ringDriftY) - 0.5f) * 1.4f;
            w[k] = r;
            ax[k] = r * 5.5f - f.t61 + phase + wobble;
        }
        cosines<fused>(ax);
        for (int k = 0; k < N; ++k) {
            const float rings = 0.5f + 0.5f * ax[k];
            const float depth = 1.0f / (1.0f + 0.35f * w[k]);
            v[k] = rings * (0.3f + 0.7f * depth) + 0.12f * (1.0f - depth);
        }
        break;
    case 3:
        for (int k = 0; k < N; ++k) {
            const float x = qx[k] * 0.8f + (vnoise(nx[k] * 0.5f, ny[k] * 0.5f) - 0.5f) * 0.6f + f.stripeOffset;
            const float stripe = smoothstep(0.4f, 0.6f, std::abs(2.0f * fract(x + f.c20) - 1.0f));
            const float thin = smoothstep(0.82f, 0.92f, std::abs(2.0f * fract(x * 3.0f - f.c40 + 0.25f) - 1.0f));
            v[k] = 0.12f + 0.7f * stripe + 0.18f * thin;
        }
        break;
    case 4: facets(f, cache, nx, ny, v); break;
    default:
        for (int k = 0; k < N; ++k) {
            ax[k] = nx[k] * 0.7f + f.cloudAX;
            ay[k] = ny[k] * 0.7f + f.cloudAY;
            bx[k] = ax[k] * 0.6f + f.cloudBX;
            by[k] = ay[k] * 0.6f + f.cloudBY;
        }
        fbm<3>(bx, by, w);
        for (int k = 0; k < N; ++k) {
            bx[k] = ax[k] + (w[k] * 1.4f + f.cloudPhase);
            by[k] = ay[k] + -w[k];
        }
        fbm<5>(bx, by, v);
        for (int k = 0; k < N; ++k) v[k] = smoothstep(0.3f, 0.78f, v[k]);
        break;
    }
    shapeTermsOf<fused>(f.shape, f, uvx, uvy, w, std::make_integer_sequence<int, 15>());
    for (int k = 0; k < N; ++k) out[k] = mix(v[k], w[k], 0.28f);
}

// The light of the relief, from the upper left; and the half vector for its sheen.
constexpr float light[3]{-0.45113f, -0.55138f, 0.70175f};
constexpr float halfway[3]{-0.24453f, -0.29888f, 0.92243f};

// The relief's light and the colour ramp over the field's tones `v` at the
// points and `vx`, `vy` a step to the right and down.
template <bool fused>
GLIMORA_INLINE void shade(const FrameTerms& f, const ShaderMaterialBatch::Points& points, float toneMix, const Lanes& v,
           const Lanes& vx, const Lanes& vy, ShaderMaterialBatch::Colors& out) {
    // Everything the loop reads from the frame, as locals: then the compiler
    // knows that the colours written cannot change them.
    const float t13 = f.t13, heightUnit = f.heightUnit, slope = f.slope, toneGain = f.toneGain,
                shift = f.shift, shadeBase = f.shadeBase, shadeGain = f.shadeGain, relief = f.relief,
                glowGain = f.glowGain;
    const float base[3]{f.base[0], f.base[1], f.base[2]};
    const float mid[3]{f.mid[0], f.mid[1], f.mid[2]};
    const float highlight[3]{f.highlight[0], f.highlight[1], f.highlight[2]};
    const auto ramp = [&](int channel, float x) {
        const float a = clamp(x * 2.0f, 0.0f, 1.0f);
        const float b = clamp(x * 2.0f - 1.0f, 0.0f, 1.0f);
        return mix(mix(base[channel], mid[channel], a), highlight[channel], b);
    };
    alignas(64) Lanes drift, red, green, blue;
    for (int k = 0; k < N; ++k) drift[k] = t13 + (points.x[k] + points.y[k]) / heightUnit * 2.0f;
    sines<fused>(drift);
    for (int k = 0; k < N; ++k) {
        const float x = (v[k] - vx[k]) * slope;
        const float y = (v[k] - vy[k]) * slope;
        const float inverse = 1.0f / std::sqrt(x * x + y * y + 1.0f * 1.0f);
        const float n0 = x * inverse;
        const float n1 = y * inverse;
        const float n2 = 1.0f * inverse;
        const float diffuse = clamp(n0 * light[0] + n1 * light[1] + n2 * light[2], 0.0f, 1.0f);
        float sheen = clamp(n0 * halfway[0] + n1 * halfway[1] + n2 * halfway[2], 0.0f, 1.0f);
        sheen *= sheen, sheen *= sheen, sheen *= sheen, sheen *= sheen, sheen *= sheen;  // to the 32nd power

        float tone = clamp((v[k] - 0.5f) * toneGain + 0.5f, 0.0f, 1.0f);
        tone = mix(tone, points.pictureTone[k], toneMix);
        const float d = shift * drift[k];
        const float shading = shadeBase + shadeGain * diffuse;
        const float glow = sheen * relief * 0.5f + glowGain * smoothstep(0.7f, 1.0f, tone);
        red[k] = clamp(ramp(0, tone + d) * shading + highlight[0] * glow, 0.0f, 1.0f);
        green[k] = clamp(ramp(1, tone) * shading + highlight[1] * glow, 0.0f, 1.0f);
        blue[k] = clamp(ramp(2, tone - d) * shading + highlight[2] * glow, 0.0f, 1.0f);
    }
    std::copy(std::begin(red), std::end(red), out.red.begin());
    std::copy(std::begin(green), std::end(green), out.green.begin());
    std::copy(std::begin(blue), std::end(blue), out.blue.begin());
}

// The material at a run of points: the field there and a step to the right
// and down, for the relief, then the light and the colours.
template <bool fused>
GLIMORA_INLINE void run(const FrameTerms& f, FacetCache& cache, const ShaderMaterialBatch::Points& points,
                        float toneMix, ShaderMaterialBatch::Colors& out) {
    alignas(64) Lanes x, y, v, vx, vy;
    for (int k = 0; k < N; ++k) x[k] = points.x[std::size_t(k)], y[k] = points.y[std::size_t(k)];
    field<fused>(f, cache, x, y, v);
    for (int k = 0; k < N; ++k) x[k] = points.x[std::size_t(k)] + f.e, y[k] = points.y[std::size_t(k)] + 0.0f;
    field<fused>(f, cache, x, y, vx);
    for (int k = 0; k < N; ++k) x[k] = points.x[std::size_t(k)] + 0.0f, y[k] = points.y[std::size_t(k)] + f.e;
    field<fused>(f, cache, x, y, vy);
    shade<fused>(f, points, toneMix, v, vx, vy, out);
}

}  // namespace

void runBaseline(const FrameTerms& f, FacetCache& cache, const ShaderMaterialBatch::Points& points, float toneMix,
                 ShaderMaterialBatch::Colors& out) {
    run<false>(f, cache, points, toneMix, out);
}

#ifdef GLIMORA_WIDE_UNITS
GLIMORA_AVX2 void runAvx2(const FrameTerms& f, FacetCache& cache, const ShaderMaterialBatch::Points& points,
                          float toneMix, ShaderMaterialBatch::Colors& out) {
    run<true>(f, cache, points, toneMix, out);
}

GLIMORA_AVX512 void runAvx512(const FrameTerms& f, FacetCache& cache, const ShaderMaterialBatch::Points& points,
                              float toneMix, ShaderMaterialBatch::Colors& out) {
    run<true>(f, cache, points, toneMix, out);
}

GLIMORA_AVX2 void sinesAvx2(Lanes& values, bool cosine) {
    cosine ? vector_sines::fusedSines<true>(values) : vector_sines::fusedSines<false>(values);
}

GLIMORA_AVX512 void sinesAvx512(Lanes& values, bool cosine) {
    cosine ? vector_sines::fusedSines<true>(values) : vector_sines::fusedSines<false>(values);
}
#endif

}  // namespace glimora::shader_kernels
