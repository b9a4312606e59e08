// One imported photo, decoded once at import; the wallpaper and every export
// are drawn from its buffer, never from the file it came from.
#pragma once

#include <optional>
#include <string>

#include "model/uuid.hpp"
#include "render/image_crop.hpp"
#include "render/pixel_image_buffer.hpp"

namespace glimora {

struct ImportedImageAsset {
    Uuid id;
    std::string fileName;
    PixelImageBuffer buffer;
    // The picture shown as thumbnail and crop preview; nothing when it could not be made.
    std::optional<PixelImageBuffer> preview;
    ImageCrop crop;
};

}  // namespace glimora
