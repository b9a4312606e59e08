#include "views/shader_material_view.hpp"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/shader_patterns.hpp"
#include "views/shader_material_renderer.hpp"
#include "state/desktop_canvas_inputs.hpp"

namespace glimora {

namespace {

void logCpuFallbackOnce(NotchViewModel& model, const QString& reason) {
    static bool logged = false;
    if (logged) return;
    logged = true;
    if (model.services().logger) {
        model.services().logger->log("Glimora shader material is drawn on the CPU: " + reason.toStdString());
    }
}

// Pixels Qt scales in one drawing without its thread pool.
constexpr int stripPixels = 1 << 15;

bool isSoftwareRenderer(const QByteArray& renderer) {
    return renderer.contains("llvmpipe") || renderer.contains("softpipe") || renderer.contains("SwiftShader") ||
           renderer.contains("Software Rasterizer");
}

}  // namespace

class ShaderMaterialView::GLView : public QOpenGLWidget {
public:
    explicit GLView(ShaderMaterialView& owner) : QOpenGLWidget(&owner), owner_(owner) {
        setFormat(ShaderMaterialView::surfaceFormat());
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    ~GLView() override {
        if (!isValid()) return;
        makeCurrent();
        renderer_.release();
        doneCurrent();
    }

protected:
    void initializeGL() override {
        QString error;
        if (!renderer_.initialize(&error)) {
            // Not from inside a paint: the owner replaces this view afterwards.
            QMetaObject::invokeMethod(
                &owner_, [owner = &owner_, error] { owner->fallBackToCpu(error); }, Qt::QueuedConnection);
        }
    }

    void paintGL() override {
        const double ratio = devicePixelRatioF();
        const QSize pixels(std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio)));
        const double now = owner_.model_.services().clock->now();
        renderer_.render(owner_.shaderArguments(now), pixels, ratio, owner_.picture());
    }

private:
    ShaderMaterialView& owner_;
    ShaderMaterialRenderer renderer_;
};

ShaderMaterialView::ShaderMaterialView(NotchViewModel& model, QWidget* parent, Drawing drawing)
    : QWidget(parent), model_(model) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (drawing == Drawing::processorOnly) return;
    QString reason;
    if (openGLAvailable(&reason)) {
        glView_ = new GLView(*this);
        layout->addWidget(glView_);
    } else {
        logCpuFallbackOnce(model_, reason);
    }
}

ShaderMaterialView::~ShaderMaterialView() = default;

QSurfaceFormat ShaderMaterialView::surfaceFormat() {
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    if (QOpenGLContext::openGLModuleType() == QOpenGLContext::LibGL) {
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setVersion(3, 3);
        format.setProfile(QSurfaceFormat::CoreProfile);
    } else {
        format.setRenderableType(QSurfaceFormat::OpenGLES);
        format.setVersion(3, 0);
    }
    return format;
}

bool ShaderMaterialView::openGLAvailable(QString* reason) {
    struct Probe {
        bool available = false;
        QString reason;
    };
    static const Probe probe = [] {
        Probe result;
        QOpenGLContext context;
        context.setFormat(surfaceFormat());
        if (!context.create()) {
            result.reason = QStringLiteral("no OpenGL context can be made");
            return result;
        }
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        if (!surface.isValid() || !context.makeCurrent(&surface)) {
            result.reason = QStringLiteral("the OpenGL context cannot be used");
            return result;
        }
        const QSurfaceFormat made = context.format();
        result.available =
            context.isOpenGLES() ? made.version() >= qMakePair(3, 0) : made.version() >= qMakePair(3, 3);
        if (!result.available) {
            result.reason = QStringLiteral("OpenGL %1.%2 is older than 3.3")
                                .arg(made.majorVersion())
                                .arg(made.minorVersion());
        }
        // A software rasterizer runs the shader on the processor at full size
        // and adds the compositing of the GL view on top: the CPU twin at its
        // reduced size costs a fraction of that.
        const auto* name = context.functions()->glGetString(GL_RENDERER);
        const QByteArray renderer = name ? QByteArray(reinterpret_cast<const char*>(name)) : QByteArray();
        if (result.available && isSoftwareRenderer(renderer) && !qEnvironmentVariableIsSet(allowSoftwareVariable)) {
            result.available = false;
            result.reason = QStringLiteral("OpenGL here is the software rasterizer ") + QString::fromLatin1(renderer);
        }
        context.doneCurrent();
        return result;
    }();
    if (reason) *reason = probe.reason;
    return probe.available;
}

void ShaderMaterialView::refresh() {
    if (glView_) {
        glView_->update();
    } else {
        update();
    }
}

ShaderArguments ShaderMaterialView::shaderArguments(double time) const {
    return shaderMaterialArguments(shaderMaterialInputs(model_, time, double(width()), double(height())));
}

void ShaderMaterialView::advance() {
    if (glView_) {
        glView_->update();
        return;
    }
    if (sinceCpuFrame_.isValid() && sinceCpuFrame_.nsecsElapsed() < 2 * cpuFrameCost_) return;
    update();
}

const PixelImageBuffer* ShaderMaterialView::picture() const {
    const auto& source = model_.shaderSourceImage();
    return source ? &*source : nullptr;
}

void ShaderMaterialView::fallBackToCpu(const QString& reason) {
    logCpuFallbackOnce(model_, reason);
    if (glView_) {
        glView_->hide();
        glView_->deleteLater();
        glView_ = nullptr;
    }
    update();
}

static_assert(sizeof(ShaderMaterialUniforms) == 30 * sizeof(float), "compared byte for byte: no padding");

bool ShaderMaterialView::frameHolds(const ShaderMaterialUniforms& uniforms, const PixelImageBuffer* picture,
                                    double scale) const {
    // Bit for bit, so that a value that is not a number still counts as unchanged.
    if (!frameUniforms_ || std::memcmp(&*frameUniforms_, &uniforms, sizeof uniforms) != 0) return false;
    if (frameScale_ != scale || frameHasPicture_ != (picture != nullptr)) return false;
    // A picture's bytes never change once made; the buffer held here keeps them alive.
    return !picture || (picture->rgba == framePicture_.rgba && picture->width == framePicture_.width &&
                        picture->height == framePicture_.height);
}

void ShaderMaterialView::paintEvent(QPaintEvent* event) {
    if (glView_ || width() <= 0 || height() <= 0) return;
    const double longSide = double(std::max(width(), height()));
    const double scale = std::min(devicePixelRatioF(), double(cpuLongSide) / longSide);
    const QSize pixels(std::max(1, int(std::ceil(width() * scale))),
                       std::max(1, int(std::ceil(height() * scale))));
    // xRGB words are what Qt scales on its fast path, to the same pixels as
    // from RGBX bytes at less than half the cost.
    const bool words = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    if (frame_.size() != pixels) {
        frame_ = QImage(pixels, words ? QImage::Format_RGB32 : QImage::Format_RGBX8888);
        frameUniforms_.reset();
    }
    QPainter painter(this);
    if (frame_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    const auto uniforms =
        ShaderMaterialUniforms::fromArguments(shaderArguments(model_.services().clock->now()));
    if (!frameHolds(*uniforms, picture(), scale)) {
        QElapsedTimer cost;
        cost.start();
        // One thread: a frame of the reduced size takes a fraction of the clock's
        // interval, and more threads would only add their own cost to each frame.
        renderShaderMaterial(*uniforms, picture(),
                             {frame_.bits(), frame_.width(), frame_.height(), frame_.bytesPerLine()}, scale, 1,
                             words ? ShaderPixelOrder::bgra : ShaderPixelOrder::rgba);
        cpuFrameCost_ = cost.nsecsElapsed();
        sinceCpuFrame_.start();
        ++cpuFramesDrawn_;
        frameUniforms_ = *uniforms;
        frameHasPicture_ = picture() != nullptr;
        framePicture_ = frameHasPicture_ ? *picture() : PixelImageBuffer{};
        frameScale_ = scale;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Qt hands a large scaled drawing to its thread pool, whose wake-ups cost
    // more than they save on a frame this quick to scale. In strips below its
    // threshold it scales on this thread, every strip by the same transform
    // and so to the same pixels.
    const QRect area = event->rect() & rect();
    const int stripRows = std::max(1, stripPixels / std::max(1, area.width()));
    for (int top = area.top(); top <= area.bottom(); top += stripRows) {
        painter.setClipRect(QRect(area.left(), top, area.width(), std::min(stripRows, area.bottom() + 1 - top)));
        painter.drawImage(QRectF(rect()), frame_, QRectF(frame_.rect()));
    }
}

}  // namespace glimora
