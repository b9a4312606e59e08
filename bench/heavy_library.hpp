// The heaviest recipe library a user can have: 36 photo recipes, each holding
// the PNG of a 2048-pixel photo with sensor noise, about 240 MB of JSON. Shared
// by the benchmarks that start a program on a full library.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include "model/design_recipe.hpp"

namespace glimora::heavy_library {


inline constexpr int photoWidth = 2048;
inline constexpr int photoHeight = 1365;

// PNG bytes of photo number `index`: sky, hills and noise that compress about
// as badly as a camera photo (about 5 MB each, 237 MB of JSON for all 36). Different for every index.
std::vector<std::uint8_t> photoPng(std::size_t index);

// Photo recipe number `index`, with its photo, valid for the library file.
DesignRecipe photoRecipe(std::size_t index);

// The 36 recipes (the photos are made on several threads).
std::vector<DesignRecipe> recipes();

struct Written {
    std::filesystem::path file;
    std::size_t bytes = 0;
    std::size_t recipes = 0;
};

// Writes the heavy library where the application reads it:
// `dataHome`/Ombriq/recipes.json (the folder a program sees as XDG_DATA_HOME).
// An existing file of the same size made by this generator is kept as it is,
// so repeated runs skip the minute of work. Throws std::runtime_error on failure.
Written write(const std::filesystem::path& dataHome);

}  // namespace glimora::heavy_library
