// The one way to take a render snapshot of the editor's design.
#pragma once

#include <optional>

#include "render/wallpaper_export_settings.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

// `resolution` absent: the model's export resolution. `time` absent: the
// animatable values as set; present: all ten from the animation clock at that
// time (the model's own chroma, warp and noise are then not read).
WallpaperExportSettings makeExportSettings(const NotchViewModel& model,
                                           std::optional<ExportResolution> resolution = std::nullopt,
                                           std::optional<double> time = std::nullopt);

// The same snapshot written over `into`, whose palette storage is reused: a
// frame taking one allocates nothing once the palette has fit.
void fillExportSettings(const NotchViewModel& model, std::optional<ExportResolution> resolution,
                        std::optional<double> time, WallpaperExportSettings& into);

}  // namespace glimora
