// The shader material on the GPU: "shaderMaterial" over the whole
// framebuffer, or "shaderImage" over a picture fitted inside it on black.
// Works in whatever context is current, so the desktop view and the tests
// that compare it with its CPU twin draw through the same code.
#pragma once

#include <QSize>
#include <QString>

#include <memory>

#include "render/pixel_image_buffer.hpp"
#include "render/shader_arguments.hpp"
#include "views/shader_function_program.hpp"

class QOpenGLTexture;

namespace glimora {

class ShaderMaterialRenderer {
public:
    ShaderMaterialRenderer();
    ~ShaderMaterialRenderer();

    // Compiles both programs in the current context; false with the reason
    // in `error` when the context cannot run them.
    bool initialize(QString* error);
    bool isInitialized() const { return material_.isCreated() && image_.isCreated(); }

    // Draws into the current framebuffer of `framebufferSize` pixels, which
    // shows the arguments' size in points at `pixelRatio` pixels per point.
    void render(const ShaderArguments& arguments, QSize framebufferSize, double pixelRatio,
                const PixelImageBuffer* picture);

    // Frees the GL objects; their context must be current.
    void release();

    // The GLSL of both functions, from the application's resources.
    static QByteArray fragmentSource();

private:
    void uploadPicture(const PixelImageBuffer& picture);

    ShaderFunctionProgram material_;
    ShaderFunctionProgram image_;
    std::unique_ptr<QOpenGLTexture> picture_;
    // The bytes the texture was made from (a buffer never changes once made),
    // held so that no later picture can take their place in memory unnoticed.
    std::shared_ptr<const std::vector<std::uint8_t>> pictureBytes_;
};

}  // namespace glimora
