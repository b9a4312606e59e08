// The grain gradient, drawn on the CPU from the snapshot with the renderer's
// own formulas (the desktop shows what an export would, whatever the seed)
// and redrawn only when the editor changes. The "grainGradient" argument
// list is offered to any GPU implementation.
#pragma once

#include "render/shader_arguments.hpp"
#include "views/live_frame_view.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

class ProceduralGradientView : public LiveFrameView {
    Q_OBJECT

public:
    // The model must outlive the view.
    explicit ProceduralGradientView(NotchViewModel& model, QWidget* parent = nullptr);

    ShaderArguments shaderArguments() const;

protected:
    std::span<const WallpaperRenderer::PixelRect> drawFrame(const WallpaperRenderer::CanvasContext& context,
                                                            double width, double height) override;

private:
    NotchViewModel& model_;
};

}  // namespace glimora
