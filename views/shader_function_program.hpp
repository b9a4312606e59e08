// One shader function as a GLSL program drawn over the whole framebuffer,
// with its argument list bound by position: argument n is the uniform `a<n>`
// (float, vec2 or vec4), and a colour array is a texture `a<n>` of one texel
// per colour (rows of 1024) with its length in `a<n>_count`, so a palette of
// any length reaches the shader. Shaders read it with paletteColor().
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "render/shader_arguments.hpp"

class QOpenGLShaderProgram;
class QOpenGLTexture;
class QOpenGLVertexArrayObject;

namespace glimora {

class ShaderFunctionProgram {
public:
    ShaderFunctionProgram();
    ~ShaderFunctionProgram();
    ShaderFunctionProgram(const ShaderFunctionProgram&) = delete;
    ShaderFunctionProgram& operator=(const ShaderFunctionProgram&) = delete;

    // Compiles and links `fragmentBody` (GLSL without a version line) after
    // `defines`, for the current context. False with the compiler's words in
    // `error` when it cannot.
    bool create(const QByteArray& fragmentBody, const QByteArray& defines, QString* error);
    bool isCreated() const { return created_; }

    // Binds the program and its arguments; colour arrays take the texture
    // units from `firstTextureUnit` on.
    void bind(const ShaderArguments& arguments, int firstTextureUnit = 1);
    QOpenGLShaderProgram& program() { return *program_; }

    // One triangle covering the viewport.
    void draw();

    // Frees the GL objects; the context they were made in must be current.
    void destroy();

    // The text put before every fragment body: version line, precision and
    // the palette reader.
    static QByteArray fragmentPreamble(bool openGLES);

private:
    std::unique_ptr<QOpenGLShaderProgram> program_;
    std::unique_ptr<QOpenGLVertexArrayObject> vertexArray_;
    // One per colour array argument, kept from frame to frame and uploaded
    // again only when its colours change.
    struct Palette {
        std::unique_ptr<QOpenGLTexture> texture;
        int width = 0;
        std::vector<std::uint8_t> texels;
    };
    std::vector<Palette> palettes_;
    bool created_ = false;
};

// Colours per texture row of a palette texture.
inline constexpr int paletteTextureWidth = 1024;

}  // namespace glimora
