#include "render/shader_patterns.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "render/shader_material_batch.hpp"

namespace glimora {

namespace {

float clamp(float x, float lo, float hi) { return std::min(std::max(x, lo), hi); }
float mix(float a, float b, float t) { return a * (1.0f - t) + b * t; }

// A non-number is black, not an undefined conversion.
std::uint8_t channelByte(float value) {
    return value > 0.0f ? std::uint8_t(std::min(value, 1.0f) * 255.0f + 0.5f) : 0;
}

// channelByte's value without a branch, for vector loops.
std::uint32_t channelWord(float value) {
    const float clamped = value > 0.0f ? std::min(value, 1.0f) : 0.0f;
    return std::uint32_t(std::int32_t(clamped * 255.0f + 0.5f));
}

// The opaque colours of a run's first `count` points as bytes, red at byte
// `redAt` of each pixel and blue opposite it.
void writeRun(const ShaderMaterialBatch::Colors& colors, int count, int redAt, std::uint8_t* out) {
    constexpr int length = ShaderMaterialBatch::size;
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t words[length];
        const int redShift = 8 * redAt;
        const int blueShift = 16 - redShift;
        for (int k = 0; k < length; ++k) {
            const auto i = std::size_t(k);
            words[k] = (channelWord(colors.red[i]) << redShift) | (channelWord(colors.green[i]) << 8) |
                       (channelWord(colors.blue[i]) << blueShift) | 0xff000000u;
        }
        std::memcpy(out, words, std::size_t(count) * 4);
    } else {
        for (int k = 0; k < count; ++k) {
            const auto i = std::size_t(k);
            std::uint8_t* p = out + 4 * k;
            p[redAt] = channelByte(colors.red[i]);
            p[1] = channelByte(colors.green[i]);
            p[2 - redAt] = channelByte(colors.blue[i]);
            p[3] = 255;
        }
    }
}

// The picture's luminance, by which it carries the material.
float pictureTone(const ShaderColor& picture) {
    return picture[0] * 0.2126f + picture[1] * 0.7152f + picture[2] * 0.0722f;
}
constexpr float pictureToneMix = 0.45f;

// "shaderImage": the material at the picture's coverage, mixed over it.
ShaderColor imageColor(const ShaderMaterialUniforms& u, float red, float green, float blue,
                       const ShaderColor& picture) {
    const float alpha = picture[3];
    const float amount = 0.35f + 0.65f * clamp(u.intensity, 0.0f, 1.0f);
    return {mix(picture[0], red * alpha, amount), mix(picture[1], green * alpha, amount),
            mix(picture[2], blue * alpha, amount), alpha};
}

}  // namespace

std::optional<ShaderMaterialUniforms> ShaderMaterialUniforms::fromArguments(
    const ShaderArguments& arguments) {
    using Kind = ShaderArgument::Kind;
    if (arguments.size() != 20 || arguments[0].kind != Kind::float2) return std::nullopt;
    for (std::size_t i = 1; i < 17; ++i) {
        if (arguments[i].kind != Kind::float1) return std::nullopt;
    }
    for (std::size_t i = 17; i < 20; ++i) {
        if (arguments[i].kind != Kind::color) return std::nullopt;
    }
    auto scalar = [&](std::size_t i) { return arguments[i].value[0]; };
    ShaderMaterialUniforms u;
    u.width = arguments[0].value[0];
    u.height = arguments[0].value[1];
    u.time = scalar(1);
    u.pattern = scalar(2);
    u.scale = scalar(3);
    u.distortion = scalar(4);
    u.relief = scalar(5);
    u.colorShift = scalar(6);
    u.intensity = scalar(7);
    u.seed = scalar(8);
    u.shape = scalar(9);
    u.angle = scalar(10);
    u.spread = scalar(11);
    u.centerX = scalar(12);
    u.centerY = scalar(13);
    u.phase = scalar(14);
    u.frequencyX = scalar(15);
    u.frequencyY = scalar(16);
    u.base = arguments[17].value;
    u.mid = arguments[18].value;
    u.highlight = arguments[19].value;
    return u;
}

ShaderColor shaderMaterialColor(const ShaderMaterialUniforms& uniforms, float x, float y) {
    ShaderMaterialBatch batch(uniforms);
    ShaderMaterialBatch::Points points;
    points.x[0] = x;
    points.y[0] = y;
    ShaderMaterialBatch::Colors c;
    batch.colors(points, 1, 0.0f, c);
    return {c.red[0], c.green[0], c.blue[0], 1.0f};
}

ShaderColor shaderImageColor(const ShaderMaterialUniforms& uniforms, float x, float y, ShaderColor picture) {
    ShaderMaterialBatch batch(uniforms);
    ShaderMaterialBatch::Points points;
    points.x[0] = x;
    points.y[0] = y;
    points.pictureTone[0] = pictureTone(picture);
    ShaderMaterialBatch::Colors c;
    batch.colors(points, 1, pictureToneMix, c);
    return imageColor(uniforms, c.red[0], c.green[0], c.blue[0], picture);
}

std::optional<ShaderColor> fittedPictureColor(const PixelImageBuffer& picture, float width, float height,
                                              float x, float y) {
    const auto bytes = picture.bytes();
    if (picture.width < 1 || picture.height < 1 ||
        bytes.size() < std::size_t(picture.width) * std::size_t(picture.height) * 4) {
        return std::nullopt;
    }
    const float pw = float(picture.width);
    const float ph = float(picture.height);
    const float k = std::min(width / pw, height / ph);
    const float sizeX = pw * k;
    const float sizeY = ph * k;
    const float u = (x - (width - sizeX) * 0.5f) / sizeX;
    const float v = (y - (height - sizeY) * 0.5f) / sizeY;
    if (!(u >= 0.0f && u < 1.0f && v >= 0.0f && v < 1.0f)) return std::nullopt;

    const float tx = u * pw - 0.5f;
    const float ty = v * ph - 0.5f;
    const float fx = tx - std::floor(tx);
    const float fy = ty - std::floor(ty);
    const auto column = [&](float f) { return std::int64_t(clamp(f, 0.0f, pw - 1.0f)); };
    const auto row = [&](float f) { return std::int64_t(clamp(f, 0.0f, ph - 1.0f)); };
    const std::int64_t x0 = column(std::floor(tx));
    const std::int64_t x1 = column(std::floor(tx) + 1.0f);
    const std::int64_t y0 = row(std::floor(ty));
    const std::int64_t y1 = row(std::floor(ty) + 1.0f);
    ShaderColor color{};
    for (int channel = 0; channel < 4; ++channel) {
        auto at = [&](std::int64_t px, std::int64_t py) {
            return float(bytes[std::size_t((py * picture.width + px) * 4 + channel)]) / 255.0f;
        };
        color[std::size_t(channel)] =
            mix(mix(at(x0, y0), at(x1, y0), fx), mix(at(x0, y1), at(x1, y1), fx), fy);
    }
    return color;
}

void renderShaderMaterial(const ShaderMaterialUniforms& uniforms, const PixelImageBuffer* picture,
                          const WallpaperRenderer::CanvasPixels& pixels, double scale, int threadCount,
                          ShaderPixelOrder order) {
    if (!pixels.data || pixels.width <= 0 || pixels.height <= 0 || pixels.stride < pixels.width * 4) return;
    if (!(scale > 0) || !std::isfinite(scale)) return;
    const float ratio = float(scale);
    constexpr int runLength = ShaderMaterialBatch::size;
    const int redAt = order == ShaderPixelOrder::bgra ? 2 : 0;
    const int blueAt = 2 - redAt;
    WallpaperRenderer::forEachBand(pixels.height, threadCount, [&](std::int64_t begin, std::int64_t end) {
        ShaderMaterialBatch batch(uniforms);  // one per band: no sharing between threads
        ShaderMaterialBatch::Points points;
        ShaderMaterialBatch::Colors colors;
        std::array<ShaderColor, runLength> under{};
        std::array<std::int64_t, runLength> columns{};
        for (std::int64_t y = begin; y < end; ++y) {
            std::uint8_t* row = WallpaperRenderer::rowPointer(pixels, y);
            const float py = (float(y) + 0.5f) / ratio;
            if (!picture) {
                // The whole row in runs, the bytes of a run in loops the
                // compiler vectorises.
                for (std::int64_t x = 0; x < pixels.width; x += runLength) {
                    const int count = int(std::min<std::int64_t>(runLength, pixels.width - x));
                    for (int k = 0; k < count; ++k) {
                        points.x[std::size_t(k)] = (float(x + k) + 0.5f) / ratio;
                        points.y[std::size_t(k)] = py;
                    }
                    batch.colors(points, count, 0.0f, colors);
                    writeRun(colors, count, redAt, row + 4 * x);
                }
                continue;
            }
            // Runs of up to runLength pixels; with a picture, only the pixels
            // it covers join a run and the others stay black.
            for (std::int64_t x = 0; x < pixels.width;) {
                int count = 0;
                for (; x < pixels.width && count < runLength; ++x) {
                    const float px = (float(x) + 0.5f) / ratio;
                    if (picture) {
                        const auto color = fittedPictureColor(*picture, uniforms.width, uniforms.height, px, py);
                        if (!color) {
                            std::uint8_t* p = row + 4 * x;
                            p[0] = p[1] = p[2] = 0;
                            p[3] = 255;
                            continue;
                        }
                        under[std::size_t(count)] = *color;
                        points.pictureTone[std::size_t(count)] = pictureTone(*color);
                    }
                    points.x[std::size_t(count)] = px;
                    points.y[std::size_t(count)] = py;
                    columns[std::size_t(count)] = x;
                    ++count;
                }
                if (count == 0) continue;
                batch.colors(points, count, picture ? pictureToneMix : 0.0f, colors);
                for (int k = 0; k < count; ++k) {
                    const auto i = std::size_t(k);
                    ShaderColor color{colors.red[i], colors.green[i], colors.blue[i], 1.0f};
                    if (picture) color = imageColor(uniforms, color[0], color[1], color[2], under[i]);
                    std::uint8_t* p = row + 4 * columns[i];
                    p[redAt] = channelByte(color[0]);
                    p[1] = channelByte(color[1]);
                    p[blueAt] = channelByte(color[2]);
                    p[3] = 255;
                }
            }
        }
    });
}

}  // namespace glimora
