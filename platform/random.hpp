// Random values for seeds, shuffles and identifiers. The system source is the
// kernel's cryptographic generator; tests script their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace glimora {

class Random {
public:
    virtual ~Random() = default;

    virtual void fill(std::span<std::uint8_t> bytes) = 0;

    // Eight random bytes read as one integer: a design seed.
    virtual std::uint64_t next64();

    // A uniform integer in 0..<upperBound. Draws that would favour the low
    // values are thrown away and drawn again, so there is no modulo bias.
    // An upper bound of 0 gives 0.
    virtual std::uint64_t uniform(std::uint64_t upperBound);

    bool coin() { return uniform(2) == 1; }

    // A uniform permutation in place: each position in turn swaps with a
    // uniformly drawn position at or after it.
    template <class T>
    void shuffle(std::vector<T>& items) {
        const std::size_t count = items.size();
        for (std::size_t i = 0; i + 1 < count; ++i) {
            const auto j = i + static_cast<std::size_t>(uniform(count - i));
            if (j != i) std::swap(items[i], items[j]);
        }
    }
};

// getrandom(2).
class SystemRandom final : public Random {
public:
    void fill(std::span<std::uint8_t> bytes) override;
};

}  // namespace glimora
