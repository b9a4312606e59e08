#include "views/shader_material_renderer.hpp"

#include <QFile>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLTexture>
#include <QVector2D>

// Resources of a static library are registered by hand, outside any namespace.
static void registerShaderResources() { Q_INIT_RESOURCE(shader_material); }

namespace glimora {

ShaderMaterialRenderer::ShaderMaterialRenderer() = default;

ShaderMaterialRenderer::~ShaderMaterialRenderer() {
    if (QOpenGLContext::currentContext()) release();
}

QByteArray ShaderMaterialRenderer::fragmentSource() {
    registerShaderResources();
    QFile file(QStringLiteral(":/glimora/shaders/shader_material.frag"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

bool ShaderMaterialRenderer::initialize(QString* error) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) {
        if (error) *error = QStringLiteral("no current OpenGL context");
        return false;
    }
    const QSurfaceFormat format = context->format();
    const bool recentEnough =
        context->isOpenGLES() ? format.version() >= qMakePair(3, 0) : format.version() >= qMakePair(3, 3);
    if (!recentEnough) {
        if (error) {
            *error = QStringLiteral("OpenGL %1.%2 is older than the material needs")
                         .arg(format.majorVersion())
                         .arg(format.minorVersion());
        }
        return false;
    }
    const QByteArray body = fragmentSource();
    if (body.isEmpty()) {
        if (error) *error = QStringLiteral("the material's shader source is missing");
        return false;
    }
    return material_.create(body, {}, error) && image_.create(body, "#define SHADER_IMAGE\n", error);
}

void ShaderMaterialRenderer::uploadPicture(const PixelImageBuffer& picture) {
    if (picture_ && picture.rgba == pictureBytes_) return;
    picture_.reset();
    pictureBytes_ = picture.rgba;
    const void* bytes = picture.rgba ? picture.rgba->data() : nullptr;
    if (!bytes || picture.width < 1 || picture.height < 1 ||
        picture.rgba->size() < std::size_t(picture.width) * std::size_t(picture.height) * 4) {
        return;
    }
    picture_ = std::make_unique<QOpenGLTexture>(QOpenGLTexture::Target2D);
    picture_->setSize(int(picture.width), int(picture.height));
    picture_->setFormat(QOpenGLTexture::RGBA8_UNorm);
    picture_->setMipLevels(1);
    picture_->allocateStorage(QOpenGLTexture::RGBA, QOpenGLTexture::UInt8);
    picture_->setMinMagFilters(QOpenGLTexture::Linear, QOpenGLTexture::Linear);
    picture_->setWrapMode(QOpenGLTexture::ClampToEdge);
    picture_->setData(QOpenGLTexture::RGBA, QOpenGLTexture::UInt8, bytes);
}

void ShaderMaterialRenderer::render(const ShaderArguments& arguments, QSize framebufferSize,
                                    double pixelRatio, const PixelImageBuffer* picture) {
    QOpenGLExtraFunctions* gl = QOpenGLContext::currentContext()->extraFunctions();
    gl->glViewport(0, 0, framebufferSize.width(), framebufferSize.height());
    gl->glDisable(GL_BLEND);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glClearColor(0, 0, 0, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    if (!isInitialized()) return;
    if (picture) uploadPicture(*picture);
    ShaderFunctionProgram& program = picture && picture_ ? image_ : material_;
    if (picture && !picture_) return;  // an unreadable picture leaves the black ground
    program.bind(arguments, 1);
    program.program().setUniformValue("u_framebufferHeight", float(framebufferSize.height()));
    program.program().setUniformValue("u_pixelRatio", float(pixelRatio));
    if (&program == &image_) {
        picture_->bind(0);
        program.program().setUniformValue("u_picture", 0);
        program.program().setUniformValue("u_pictureSize",
                                          QVector2D(float(picture->width), float(picture->height)));
    }
    program.draw();
    program.program().release();
}

void ShaderMaterialRenderer::release() {
    picture_.reset();
    pictureBytes_.reset();
    material_.destroy();
    image_.destroy();
}

}  // namespace glimora
