#include "render/color_math.hpp"

#include <algorithm>
#include <cmath>

namespace glimora {

int clampToByte(double value) {
    if (std::isnan(value)) return 0;
    const double rounded = std::round(value);
    if (rounded <= 0) return 0;
    if (rounded >= 255) return 255;
    return static_cast<int>(rounded);
}

double bayerThreshold(int size, std::int64_t row, std::int64_t column) {
    if (size < 2) return 0;
    // Wrap into 0...size-1 also for negative coordinates.
    const std::int64_t a = ((row % size) + size) % size;
    const std::int64_t b = ((column % size) + size) % size;
    const double area = double(size) * double(size);
    double weight = area / 4;
    double sum = 0;
    for (int bit = 0; (1 << bit) < size; ++bit) {
        const int rowBit = int((a >> bit) & 1);
        const int columnBit = int((b >> bit) & 1);
        static constexpr int digit[2][2] = {{0, 2}, {3, 1}};
        sum += digit[rowBit][columnBit] * weight;
        weight = std::max(1.0, weight / 4);
    }
    return sum / area;
}

}  // namespace glimora
