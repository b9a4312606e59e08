#include "state/wallpaper_export.hpp"

#include <new>

#include "render/cell_grid.hpp"
#include "render/image_pixelizer.hpp"
#include "render/wallpaper_renderer.hpp"

namespace glimora {

WallpaperExport::FileData WallpaperExport::fileData(const WallpaperExportSettings& settings, int threadCount) {
    FileData data;
    if (settings.format == ExportFormat::svg) {
        if (const auto& image = settings.imageBuffer) {
            const auto size = WallpaperRenderer::exportPixelSize(settings.resolution);
            data.svg = ImagePixelizer::renderSVG(image->width, image->height, image->bytes(),
                                                 settings.imageSettings, size.width, size.height);
        } else {
            data.svg = WallpaperRenderer::renderSVG(settings);
        }
    } else {
        data.png = WallpaperRenderer::renderPNG(settings, threadCount);
    }
    return data;
}

std::string WallpaperExport::failureDescription(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (WallpaperRenderer::RendererError error) {
        return error == WallpaperRenderer::RendererError::encodingFailed ? "The PNG data could not be made"
                                                                         : "The wallpaper could not be drawn";
    } catch (ImagePixelizer::PixelizerError error) {
        return error == ImagePixelizer::PixelizerError::invalidImage ? "The photo could not be read"
                                                                     : "The photo could not be drawn";
    } catch (const std::bad_alloc&) {
        return "Not enough memory to make the wallpaper";
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
    }
    return "The wallpaper could not be made";
}

}  // namespace glimora
