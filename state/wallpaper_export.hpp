// The bytes of an exported wallpaper file, made from a snapshot on any thread:
// the one render-and-encode step of the editor's export, and so of every
// program that exports through the editor state.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "render/wallpaper_export_settings.hpp"

namespace glimora {

struct WallpaperExport {
    WallpaperExport() = delete;

    // PNG bytes or SVG text, whichever the format asked for.
    struct FileData {
        std::vector<std::uint8_t> png;
        std::string svg;

        std::string_view bytes() const {
            if (!png.empty()) return {reinterpret_cast<const char*>(png.data()), png.size()};
            return svg;
        }
    };

    // By the snapshot's format: the bitmap as PNG, or the SVG document, which
    // for a photo design is the pixelized photo's at the export size. Throws
    // what the renderers throw (RendererError, ImagePixelizer::PixelizerError,
    // std::bad_alloc).
    static FileData fileData(const WallpaperExportSettings& settings, int threadCount = 0);

    // One sentence for the log about a failure thrown by fileData.
    static std::string failureDescription(const std::exception_ptr& failure);
};

}  // namespace glimora
