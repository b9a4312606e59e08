#include "views/shader_material_view.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/shader_patterns.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

// The first row where two images differ, or -1.
int firstDifferentRow(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) return 0;
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), std::size_t(a.width()) * 4) != 0) return y;
    }
    return -1;
}

// Qt's smooth scaling of RGBX bytes, the way the view showed its frame before
// it drew xRGB words: the pixels the user must keep seeing.
// With a clip, only that part is drawn, as by a paint of part of the view.
QImage scaledFromBytes(const QImage& bytes, QSize to, QImage::Format screen, const QRect& clip = {}) {
    QImage shown(to, screen);
    shown.fill(Qt::magenta);
    QPainter painter(&shown);
    if (!clip.isNull()) painter.setClipRect(clip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(shown.rect()), bytes, QRectF(bytes.rect()));
    return shown;
}

TEST(ShaderMaterialScaling, WordOrderHoldsTheSameColoursAsByteOrder) {
    ShaderMaterialUniforms uniforms;
    uniforms.width = 400;
    uniforms.height = 240;
    uniforms.relief = 0.8f;
    uniforms.colorShift = 1.3f;
    uniforms.base = {0.9f, 0.1f, 0.3f, 1};
    uniforms.mid = {0.2f, 0.7f, 0.1f, 1};
    uniforms.highlight = {0.1f, 0.3f, 1.0f, 1};
    QImage bytes(100, 60, QImage::Format_RGBX8888);
    QImage words(100, 60, QImage::Format_RGB32);
    bytes.fill(0);
    words.fill(0);
    renderShaderMaterial(uniforms, nullptr, {bytes.bits(), 100, 60, bytes.bytesPerLine()}, 0.25, 1,
                         ShaderPixelOrder::rgba);
    renderShaderMaterial(uniforms, nullptr, {words.bits(), 100, 60, words.bytesPerLine()}, 0.25, 1,
                         ShaderPixelOrder::bgra);
    EXPECT_EQ(firstDifferentRow(words, bytes.convertToFormat(QImage::Format_RGB32)), -1);
    int coloured = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) coloured += qRed(words.pixel(x, y)) != qBlue(words.pixel(x, y));
    EXPECT_GT(coloured, 1000);  // red and blue must not be told apart by luck
}

TEST(ShaderMaterialScaling, TheDesktopShowsWhatScalingRgbxBytesShowed) {
    test::ModelHarness harness;
    auto model = harness.make();
    model->activateShaderMaterial();
    for (const QSize size : {QSize(1920, 1080), QSize(1366, 768), QSize(1080, 1920), QSize(333, 187)}) {
        ShaderMaterialView view(*model, nullptr, ShaderMaterialView::Drawing::processorOnly);
        view.resize(size);
        const QImage shown = view.grab().toImage();
        ASSERT_EQ(shown.size(), size);

        // The frame as the view drew it before: RGBX bytes of the reduced size.
        const double scale = std::min(1.0, double(ShaderMaterialView::cpuLongSide) /
                                               double(std::max(size.width(), size.height())));
        QImage bytes(std::max(1, int(std::ceil(size.width() * scale))),
                     std::max(1, int(std::ceil(size.height() * scale))), QImage::Format_RGBX8888);
        const auto uniforms = ShaderMaterialUniforms::fromArguments(view.shaderArguments(harness.clock->now()));
        ASSERT_TRUE(uniforms);
        renderShaderMaterial(*uniforms, nullptr,
                             {bytes.bits(), bytes.width(), bytes.height(), bytes.bytesPerLine()}, scale, 1);
        const QImage expected = scaledFromBytes(bytes, size, shown.format());
        EXPECT_EQ(firstDifferentRow(shown, expected), -1) << size.width() << "x" << size.height();

        // A paint of part of the view, as when a window uncovers it: that
        // part as a clipped scaling showed it, and nothing around it. (Qt
        // steps along a row from the clip's left edge, so at a fractional
        // scale such a part may differ from the whole frame's pixels there.)
        const QRect part(101, 37, size.width() / 2, size.height() / 3);
        QImage partly(size, shown.format());
        partly.fill(Qt::magenta);
        view.render(&partly, part.topLeft(), QRegion(part));
        EXPECT_EQ(firstDifferentRow(partly, scaledFromBytes(bytes, size, shown.format(), part)), -1)
            << "part of " << size.width() << "x" << size.height();
    }
}

TEST(ShaderMaterialScaling, APaintWithNothingChangedScalesTheFrameItHas) {
    test::ModelHarness harness;
    auto model = harness.make();
    model->activateShaderMaterial();
    if (model->shaderPlaying()) model->toggleShaderPlayback();  // a still frame
    ShaderMaterialView view(*model, nullptr, ShaderMaterialView::Drawing::processorOnly);
    view.resize(640, 360);
    const QImage first = view.grab().toImage();
    const int drawn = view.cpuFramesDrawn();
    EXPECT_GE(drawn, 1);
    // Uncovered again, nothing changed: the same pixels without a new frame.
    QImage partly(640, 360, first.format());
    view.render(&partly, QPoint(), QRegion(0, 0, 640, 360));
    EXPECT_EQ(firstDifferentRow(partly, first), -1);
    EXPECT_EQ(view.cpuFramesDrawn(), drawn);
    // A changed setting or size draws a new frame.
    model->selectShaderPattern(ShaderPattern::rings);
    const QImage rings = view.grab().toImage();
    EXPECT_EQ(view.cpuFramesDrawn(), drawn + 1);
    EXPECT_NE(firstDifferentRow(rings, first), -1);
    view.resize(320, 180);
    view.grab();
    EXPECT_EQ(view.cpuFramesDrawn(), drawn + 2);
}

}  // namespace
}  // namespace glimora
