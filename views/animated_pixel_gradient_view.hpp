// The running shape animation: every frame is the design at the clock's
// time, drawn on the CPU from the snapshot with the renderer's own formulas,
// so the desktop shows what an export would. The "animatedPixelGradient"
// argument list of the frame is offered to any GPU implementation.
#pragma once

#include "render/shader_arguments.hpp"
#include "views/live_frame_view.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

class AnimatedPixelGradientView : public LiveFrameView {
    Q_OBJECT

public:
    // The model must outlive the view.
    explicit AnimatedPixelGradientView(NotchViewModel& model, QWidget* parent = nullptr);

    // The arguments of a frame at clock time `time` for this view's size.
    ShaderArguments shaderArguments(double time) const;

protected:
    std::span<const WallpaperRenderer::PixelRect> drawFrame(const WallpaperRenderer::CanvasContext& context,
                                                            double width, double height) override;

private:
    NotchViewModel& model_;
};

}  // namespace glimora
