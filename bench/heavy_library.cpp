#include "bench/heavy_library.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "model/recipe_library.hpp"
#include "render/png_encoder.hpp"

namespace glimora::heavy_library {

namespace {

// A small fast generator: the noise is only there to defeat compression.
struct XorShift {
    std::uint64_t state;
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return std::uint32_t(state >> 32);
    }
};

// Written next to the library so that a later run can tell it is the same file.
std::filesystem::path markerPath(const std::filesystem::path& file) {
    return file.parent_path() / "recipes.json.heavy-library";
}

}  // namespace

std::vector<std::uint8_t> photoPng(std::size_t index) {
    const int width = photoWidth, height = photoHeight;
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
    XorShift random{0x9E3779B97F4A7C15ull ^ (std::uint64_t(index + 1) * 0xD1B54A32D192ED03ull)};
    const double phase = double(index) * 0.7;
    std::vector<double> horizon(std::size_t(width), 0);
    for (int x = 0; x < width; ++x)
        horizon[std::size_t(x)] = height * (0.55 + 0.12 * std::sin(x * 0.004 + phase) + 0.03 * std::sin(x * 0.031));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = pixels.data() + std::size_t(y) * width * 4;
        for (int x = 0; x < width; ++x) {
            const bool sky = y < horizon[std::size_t(x)];
            const double t = double(y) / height;
            double base[3];
            if (sky) {
                base[0] = 110 + 90 * t + 20 * std::sin(phase);
                base[1] = 150 + 50 * t;
                base[2] = 235 - 40 * t;
            } else {
                base[0] = 70 + 30 * std::sin(x * 0.02 + phase);
                base[1] = 100 + 25 * std::cos(y * 0.015);
                base[2] = 50 + 20 * t;
            }
            std::uint8_t* p = row + std::size_t(x) * 4;
            const std::uint32_t bits = random.next();
            for (int c = 0; c < 3; ++c) {
                // Sensor noise of about +-5 levels per channel.
                const int noise = int((bits >> (c * 8)) & 0x07) - 4 + int((bits >> (c * 8 + 3)) & 0x03) - 2;
                p[c] = std::uint8_t(std::clamp(int(base[c]) + noise, 0, 255));
            }
            p[3] = 255;
        }
    }
    auto png = encodePng(pixels.data(), width, height, std::int64_t(width) * 4, 1);
    if (!png) throw std::runtime_error("could not encode a heavy library photo");
    return std::move(*png);
}

DesignRecipe photoRecipe(std::size_t index) {
    DesignRecipe r;
    for (std::size_t b = 0; b < r.id.bytes.size(); ++b) r.id.bytes[b] = std::uint8_t(0x11 * (b + 1) + index);
    r.id.bytes[6] = std::uint8_t(0x40 | (r.id.bytes[6] & 0x0F));
    r.id.bytes[8] = std::uint8_t(0x80 | (r.id.bytes[8] & 0x3F));
    r.name = "Photo " + std::to_string(index + 1);
    r.createdAt = 762514200 + double(index) * 3600;
    r.isFavorite = index % 5 == 0;
    r.formatIdentifier = recipeFormatIdentifier;
    r.wallpaperSource = "image";
    r.paletteIndex = std::int64_t(index % 48);
    r.shape = "linear";
    r.seed = 0x9E3779B97F4A7C15ull * (index + 1);
    r.hue = 0.02 * double(index);
    r.brightness = 0;
    r.contrast = 1;
    r.angle = 135;
    r.spread = 0.62;
    r.centerX = 0.5;
    r.centerY = 0.5;
    r.frequencyX = 1;
    r.frequencyY = 1;
    r.pixelScale = 12;
    r.quantization = 8;
    r.dither = "fourByFour";
    r.channel = "rgb";
    r.imagePaletteMode = index % 3 == 0 ? "source" : "current";
    r.imageDither = "bayer4";
    r.imagePixelShape = "square";
    r.imageLook = "softDither";
    r.imagePixelSize = 14;
    r.imageColorCount = 16;
    r.imageCellGap = 0.1;
    r.imageBrightness = 0;
    r.imageContrast = 1;
    r.imageSaturation = 1;
    r.imageMosaic = ImageMosaicRecipe{"pixel", "square", 0.2, 0.3, 0.4};
    r.image = RecipeImageAsset{"IMG_" + std::to_string(4100 + index) + ".jpg", 0.5, 0.5, 1, photoPng(index)};
    r.pinnedProperties = {"image"};
    r.exportFormat = "png";
    r.exportResolution = "fourK";
    return r;
}

std::vector<DesignRecipe> recipes() {
    std::vector<DesignRecipe> list(recipeHistoryLimit);
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency() / 2, 1, 4);
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < threads; ++t)
        workers.emplace_back([&list, t, threads] {
            for (std::size_t i = t; i < list.size(); i += threads) list[i] = photoRecipe(i);
        });
    for (auto& worker : workers) worker.join();
    return list;
}

Written write(const std::filesystem::path& dataHome) {
    const auto file = *recipeHistoryURL(dataHome);
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) throw std::runtime_error("cannot create " + file.parent_path().string() + ": " + error.message());

    const auto existingSize = std::filesystem::file_size(file, error);
    if (!error) {
        std::ifstream marker(markerPath(file));
        std::size_t recorded = 0;
        if (marker >> recorded && recorded == existingSize) return {file, recorded, recipeHistoryLimit};
    }

    const auto bytes = encodeRecipeHistory(recipes());
    if (!bytes) throw std::runtime_error("could not encode the heavy library");
    if (!writeRecipeHistoryFile(file, *bytes, {}))
        throw std::runtime_error("could not write " + file.string());
    std::ofstream(markerPath(file)) << bytes->size() << "\n";
    return {file, bytes->size(), recipeHistoryLimit};
}

}  // namespace glimora::heavy_library
