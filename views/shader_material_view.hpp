// The shader material on the desktop: GLSL in an OpenGL view, or, where no
// OpenGL 3.3 context can be made or OpenGL is a software rasterizer, its CPU
// twin at a reduced size (detected once, logged once; the desktop is never
// left black). Setting GLIMORA_SOFTWARE_OPENGL keeps a software OpenGL. Without a picture the
// material fills the view; with one it colours the picture, fitted on black.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <QSurfaceFormat>
#include <QWidget>

#include <optional>

#include "render/pixel_image_buffer.hpp"
#include "render/shader_arguments.hpp"
#include "render/shader_patterns.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

class ShaderMaterialView : public QWidget {
    Q_OBJECT

public:
    // Who draws the material: OpenGL where it is usable, else the CPU twin;
    // or the CPU twin alone (so that it can be checked on any machine).
    enum class Drawing { openGLWhereUsable, processorOnly };

    // The model must outlive the view.
    explicit ShaderMaterialView(NotchViewModel& model, QWidget* parent = nullptr,
                                Drawing drawing = Drawing::openGLWhereUsable);
    ~ShaderMaterialView() override;

    // Draws a new frame for a changed setting.
    void refresh();
    // Draws a new frame for the clock. The CPU twin skips frames while it is
    // slower than the clock, so that it leaves the machine half its time.
    void advance();

    // True while OpenGL draws the material, false once the CPU twin does.
    bool usesOpenGL() const { return glView_ != nullptr; }

    // The arguments of a frame at clock time `time` for this view's size.
    ShaderArguments shaderArguments(double time) const;
    // The picture the material colours, or none for the full desktop.
    const PixelImageBuffer* picture() const;

    // Frames drawn by the CPU twin so far.
    int cpuFramesDrawn() const { return cpuFramesDrawn_; }

    // The environment variable that lets a software rasterizer draw the material.
    static constexpr const char* allowSoftwareVariable = "GLIMORA_SOFTWARE_OPENGL";

    // The context the material asks for: OpenGL 3.3 core.
    static QSurfaceFormat surfaceFormat();
    // Whether such a context can be made here; found out once per process.
    static bool openGLAvailable(QString* reason = nullptr);

    // The CPU twin draws at most this many pixels along the longer side and
    // lets the screen scale it up: the material is soft, and the twin is slow.
    static constexpr int cpuLongSide = 480;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class GLView;
    friend class GLView;

    void fallBackToCpu(const QString& reason);

    // Whether frame_ already holds the material for these uniforms, picture and scale.
    bool frameHolds(const ShaderMaterialUniforms& uniforms, const PixelImageBuffer* picture, double scale) const;

    NotchViewModel& model_;
    GLView* glView_ = nullptr;
    QImage frame_;
    // What frame_ was drawn from: a paint with nothing changed (a window
    // uncovering part of the desktop) only scales it again.
    std::optional<ShaderMaterialUniforms> frameUniforms_;
    PixelImageBuffer framePicture_;
    bool frameHasPicture_ = false;
    double frameScale_ = 0;
    int cpuFramesDrawn_ = 0;
    QElapsedTimer sinceCpuFrame_;
    qint64 cpuFrameCost_ = 0;  // nanoseconds the last CPU frame took
};

}  // namespace glimora
