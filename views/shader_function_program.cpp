#include "views/shader_function_program.hpp"

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLTexture>
#include <QOpenGLVertexArrayObject>
#include <QVector2D>
#include <QVector4D>

#include <algorithm>

namespace glimora {

namespace {

QByteArray versionLine(bool openGLES) {
    return openGLES ? QByteArrayLiteral(
                          "#version 300 es\nprecision highp float;\nprecision highp int;\n"
                          "precision highp sampler2D;\n")
                    : QByteArrayLiteral("#version 330 core\n");
}

// Vertices 0, 1, 2 at (-1, -1), (3, -1), (-1, 3): one triangle over the viewport.
const char* const vertexBody =
    "void main() {\n"
    "    vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));\n"
    "    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);\n"
    "}\n";

QByteArray argumentName(std::size_t index) { return "a" + QByteArray::number(qulonglong(index + 1)); }

}  // namespace

ShaderFunctionProgram::ShaderFunctionProgram() = default;

ShaderFunctionProgram::~ShaderFunctionProgram() {
    // Without a current context the GL objects can only be forgotten.
    if (QOpenGLContext::currentContext()) destroy();
}

QByteArray ShaderFunctionProgram::fragmentPreamble(bool openGLES) {
    return versionLine(openGLES) +
           "vec4 paletteColor(sampler2D palette, int count, int index) {\n"
           "    int i = clamp(index, 0, max(count - 1, 0));\n"
           "    return texelFetch(palette, ivec2(i % 1024, i / 1024), 0);\n"
           "}\n";
}

bool ShaderFunctionProgram::create(const QByteArray& fragmentBody, const QByteArray& defines,
                                   QString* error) {
    destroy();
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) {
        if (error) *error = QStringLiteral("no current OpenGL context");
        return false;
    }
    const bool es = context->isOpenGLES();
    program_ = std::make_unique<QOpenGLShaderProgram>();
    const bool ok = program_->addShaderFromSourceCode(QOpenGLShader::Vertex, versionLine(es) + vertexBody) &&
                    program_->addShaderFromSourceCode(QOpenGLShader::Fragment,
                                                      fragmentPreamble(es) + defines + fragmentBody) &&
                    program_->link();
    if (!ok) {
        if (error) *error = program_->log();
        program_.reset();
        return false;
    }
    vertexArray_ = std::make_unique<QOpenGLVertexArrayObject>();
    vertexArray_->create();
    created_ = true;
    return true;
}

void ShaderFunctionProgram::bind(const ShaderArguments& arguments, int firstTextureUnit) {
    if (!created_) return;
    program_->bind();
    std::size_t palettesBound = 0;
    int unit = firstTextureUnit;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const ShaderArgument& argument = arguments[i];
        const QByteArray name = argumentName(i);
        const auto& v = argument.value;
        switch (argument.kind) {
        case ShaderArgument::Kind::float1: program_->setUniformValue(name.constData(), v[0]); break;
        case ShaderArgument::Kind::float2:
            program_->setUniformValue(name.constData(), QVector2D(v[0], v[1]));
            break;
        case ShaderArgument::Kind::color:
            program_->setUniformValue(name.constData(), QVector4D(v[0], v[1], v[2], v[3]));
            break;
        case ShaderArgument::Kind::colorArray: {
            const int count = int(std::min<std::size_t>(argument.colors.size(), std::size_t(1) << 24));
            const int width = std::clamp(count, 1, paletteTextureWidth);
            const int height = std::max(1, (count + paletteTextureWidth - 1) / paletteTextureWidth);
            std::vector<std::uint8_t> texels(std::size_t(width) * std::size_t(height) * 4, 0);
            for (int k = 0; k < count; ++k) {
                for (int c = 0; c < 4; ++c) {
                    const float value =
                        std::clamp(argument.colors[std::size_t(k)][std::size_t(c)], 0.0f, 1.0f);
                    texels[std::size_t(k) * 4 + std::size_t(c)] = std::uint8_t(value * 255.0f + 0.5f);
                }
            }
            if (palettesBound == palettes_.size()) palettes_.emplace_back();
            Palette& palette = palettes_[palettesBound++];
            if (!palette.texture || palette.width != width || palette.texels != texels) {
                auto texture = std::make_unique<QOpenGLTexture>(QOpenGLTexture::Target2D);
                texture->setSize(width, height);
                texture->setFormat(QOpenGLTexture::RGBA8_UNorm);
                texture->setMipLevels(1);
                texture->allocateStorage(QOpenGLTexture::RGBA, QOpenGLTexture::UInt8);
                texture->setMinMagFilters(QOpenGLTexture::Nearest, QOpenGLTexture::Nearest);
                texture->setWrapMode(QOpenGLTexture::ClampToEdge);
                texture->setData(QOpenGLTexture::RGBA, QOpenGLTexture::UInt8, texels.data());
                palette = {std::move(texture), width, std::move(texels)};
            }
            palette.texture->bind(uint(unit));
            program_->setUniformValue(name.constData(), unit);
            program_->setUniformValue((name + "_count").constData(), count);
            ++unit;
            break;
        }
        }
    }
    palettes_.resize(palettesBound);
}

void ShaderFunctionProgram::draw() {
    if (!created_) return;
    QOpenGLExtraFunctions* gl = QOpenGLContext::currentContext()->extraFunctions();
    vertexArray_->bind();
    gl->glDrawArrays(GL_TRIANGLES, 0, 3);
    vertexArray_->release();
}

void ShaderFunctionProgram::destroy() {
    palettes_.clear();
    if (vertexArray_) vertexArray_->destroy();
    vertexArray_.reset();
    program_.reset();
    created_ = false;
}

}  // namespace glimora
