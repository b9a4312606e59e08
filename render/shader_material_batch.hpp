// The shader material worked out for a run of points at once. Each step of
// the formulas runs over the whole run before the next, so the processor's
// vector units take several points per instruction; the calls into the maths
// library stay one per value, as in the single-point formulas, except the sines
// and cosines, which the wide copies work out on the vector units to the
// library's very floats (shader_material_sines.hpp). Every value is rounded
// exactly as there: the colours are the same to the bit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "render/shader_patterns.hpp"

namespace glimora {

class ShaderMaterialBatch {
public:
    // Points per run: a multiple of every vector width in use.
    static constexpr int size = 64;

    struct Points {
        alignas(64) std::array<float, size> x{};
        alignas(64) std::array<float, size> y{};
        // The picture's luminance under each point; used only with a tone mix.
        alignas(64) std::array<float, size> pictureTone{};
    };
    struct Colors {
        alignas(64) std::array<float, size> red{};
        alignas(64) std::array<float, size> green{};
        alignas(64) std::array<float, size> blue{};
    };

    // `baseline` keeps to the instructions every processor of the platform
    // has; `best` takes the widest vector units the processor has; the others
    // ask for those units, or the widest below them that there are.
    enum class VectorUnits { best, avx512, avx2, baseline };

    explicit ShaderMaterialBatch(const ShaderMaterialUniforms& uniforms, VectorUnits units = VectorUnits::best);
    ~ShaderMaterialBatch();
    ShaderMaterialBatch(const ShaderMaterialBatch&) = delete;
    ShaderMaterialBatch& operator=(const ShaderMaterialBatch&) = delete;

    // The material's opaque colours 0...1 at the first `count` points (at most
    // `size`); the picture's tone is mixed into the material's by `toneMix`
    // (0 without a picture). The points past `count` are overwritten with
    // copies of the last one, and their colours are of no use.
    void colors(Points& points, int count, float toneMix, Colors& out);

    // Whether this processor has the units, and the units this batch uses.
    static bool available(VectorUnits units);
    VectorUnits units() const;

    // sin (or cos) of `count` values into `out`, on the units a batch asking
    // for `units` takes: the very floats of the library's calls.
    static void sines(const float* values, float* out, std::size_t count, bool cosine,
                      VectorUnits units = VectorUnits::best);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace glimora
