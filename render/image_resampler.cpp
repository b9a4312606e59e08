#include <algorithm>
#include <cstring>

#include "render/image_decoding.hpp"

namespace glimora::image_decoding {

Size fittedSize(Size source, std::int64_t maxPixelSize) {
    const std::int64_t longer = std::max(source.width, source.height);
    if (longer <= maxPixelSize) return source;
    auto scaled = [&](std::int64_t side) {
        // side * maxPixelSize / longer, rounded half up, in exact integers.
        return std::max<std::int64_t>((2 * side * maxPixelSize + longer) / (2 * longer), 1);
    };
    return {scaled(source.width), scaled(source.height)};
}

ImageResampler::ImageResampler(Size source, Size target, int orientation)
    : source_(source),
      target_(target),
      orientation_(orientation >= 1 && orientation <= 8 ? orientation : 1),
      scaling_(source.width != target.width || source.height != target.height) {
    const bool turned = orientation_ >= 5;
    outWidth_ = turned ? target.height : target.width;
    outHeight_ = turned ? target.width : target.height;
    out_ = std::make_shared<std::vector<std::uint8_t>>(std::size_t(outWidth_ * outHeight_ * 4));
    if (!scaling_) return;

    // Source column x covers [x * w, (x + 1) * w) and target column j covers
    // [j * W, (j + 1) * W) in the same units, so overlaps are exact integers.
    const std::int64_t W = source.width;
    const std::int64_t w = target.width;
    taps_.resize(std::size_t(w));
    weights_.reserve(std::size_t(W + w));
    for (std::int64_t j = 0; j < w; ++j) {
        const std::int64_t start = j * W;
        const std::int64_t end = start + W;
        const std::int64_t first = start / w;
        const std::int64_t last = (end - 1) / w;
        taps_[std::size_t(j)] = {std::int32_t(first), std::int32_t(last - first + 1),
                                 std::int32_t(weights_.size())};
        for (std::int64_t x = first; x <= last; ++x) {
            const std::int64_t overlap = std::min((x + 1) * w, end) - std::max(x * w, start);
            weights_.push_back(float(overlap) / float(W));
        }
    }
    line_.resize(std::size_t(w * 3));
    current_.assign(std::size_t(w * 3), 0.0f);
    next_.assign(std::size_t(w * 3), 0.0f);
}

void ImageResampler::horizontal(const std::uint8_t* rgb, float* out) const {
    for (const Tap& tap : taps_) {
        const std::uint8_t* p = rgb + std::size_t(tap.first) * 3;
        const float* weight = weights_.data() + tap.weightIndex;
        float r = 0, g = 0, b = 0;
        for (std::int32_t k = 0; k < tap.count; ++k, p += 3) {
            r += weight[k] * p[0];
            g += weight[k] * p[1];
            b += weight[k] * p[2];
        }
        out[0] = r;
        out[1] = g;
        out[2] = b;
        out += 3;
    }
}

void ImageResampler::pushRow(const std::uint8_t* rgb) {
    if (sourceRow_ >= source_.height) return;
    const std::int64_t y = sourceRow_++;
    if (!scaling_) {
        emitRow(rgb);
        return;
    }
    horizontal(rgb, line_.data());
    // Source row y covers [y * h, (y + 1) * h); target row i covers
    // [i * H, (i + 1) * H). A source row never spans more than two target rows.
    const std::int64_t H = source_.height;
    const std::int64_t h = target_.height;
    const std::int64_t start = y * h;
    const std::int64_t end = start + h;
    const std::int64_t rowEnd = (targetRow_ + 1) * H;
    const std::size_t n = line_.size();
    if (end <= rowEnd) {
        const float weight = float(h) / float(H);
        for (std::size_t k = 0; k < n; ++k) current_[k] += weight * line_[k];
        if (end == rowEnd) {
            emitRow(current_.data());
            std::fill(current_.begin(), current_.end(), 0.0f);
        }
        return;
    }
    const float before = float(rowEnd - start) / float(H);
    const float after = float(end - rowEnd) / float(H);
    for (std::size_t k = 0; k < n; ++k) {
        current_[k] += before * line_[k];
        next_[k] += after * line_[k];
    }
    emitRow(current_.data());
    current_.swap(next_);
    std::fill(next_.begin(), next_.end(), 0.0f);
}

namespace {

std::uint8_t toByte(float value) {
    return std::uint8_t(std::min(value + 0.5f, 255.0f));
}

std::uint8_t toByte(std::uint8_t value) {
    return value;
}

}  // namespace

template <typename Sample>
static void writeOriented(const Sample* rgb, std::int64_t i, std::int64_t w, std::int64_t h, int orientation,
                          std::uint8_t* out, std::int64_t outWidth) {
    // Output position of target pixel (j, i) is (x + dx * j, y + dy * j), per orientation.
    // clang-format off
    struct Placement {
        std::int64_t x, y, dx, dy;
    };
    const Placement placements[9] = {
        {0, i, 1, 0},                                       // unused
        {0, i, 1, 0},          {w - 1, i, -1, 0},           // as stored, mirrored
        {w - 1, h - 1 - i, -1, 0}, {0, h - 1 - i, 1, 0},    // turned half way, flipped
        {i, 0, 0, 1},          {h - 1 - i, 0, 0, 1},        // transposed, turned clockwise
        {h - 1 - i, w - 1, 0, -1}, {i, w - 1, 0, -1},       // transversed, turned anticlockwise
    };
    // clang-format on
    const Placement& at = placements[orientation];
    std::uint8_t* p = out + (at.y * outWidth + at.x) * 4;
    const std::int64_t step = (at.dy * outWidth + at.dx) * 4;
    for (std::int64_t j = 0; j < w; ++j, rgb += 3, p += step) {
        p[0] = toByte(rgb[0]);
        p[1] = toByte(rgb[1]);
        p[2] = toByte(rgb[2]);
        p[3] = 255;
    }
}

void ImageResampler::emitRow(const float* rgb) {
    if (targetRow_ >= target_.height) return;
    writeOriented(rgb, targetRow_++, target_.width, target_.height, orientation_, out_->data(), outWidth_);
}

void ImageResampler::emitRow(const std::uint8_t* rgb) {
    if (targetRow_ >= target_.height) return;
    writeOriented(rgb, targetRow_++, target_.width, target_.height, orientation_, out_->data(), outWidth_);
}

PixelImageBuffer ImageResampler::finish(const std::optional<SrgbTransform>& toSrgb) {
    if (toSrgb) toSrgb->apply(out_->data(), out_->data(), std::size_t(outWidth_ * outHeight_));
    return {outWidth_, outHeight_, std::move(out_)};
}

}  // namespace glimora::image_decoding
