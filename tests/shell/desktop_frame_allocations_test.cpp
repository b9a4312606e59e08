// A moving desktop draws thirty frames a second all day: once its buffers
// and tables have grown, a frame must not touch the heap. The frames here go
// through the desktop's animation view, counted by the program's own
// operator new.
#include <gtest/gtest.h>

#include <QImage>

#include <atomic>
#include <bit>
#include <cstdlib>
#include <new>
#include <vector>

#include "render/live_canvas_frames.hpp"
#include "state/desktop_canvas_frame.hpp"
#include "tests/saver/saver_fixtures.hpp"
#include "tests/state/model_harness.hpp"
#include "views/animated_pixel_gradient_view.hpp"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* allocate(std::size_t size, std::size_t alignment) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    if (size == 0) size = 1;
    void* memory = nullptr;
    if (alignment <= alignof(std::max_align_t)) memory = std::malloc(size);
    else if (posix_memalign(&memory, alignment, size) != 0) memory = nullptr;
    return memory;
}

}  // namespace

// Replaced for the whole test program; they count only while a test asks.
void* operator new(std::size_t size) {
    if (void* memory = allocate(size, 0)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
    if (void* memory = allocate(size, std::size_t(alignment))) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment) { return operator new(size, alignment); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, 0); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }

namespace glimora {
namespace {

// The desktop's animation view, its frame drawing opened to the test.
class OpenedAnimationView : public AnimatedPixelGradientView {
public:
    using AnimatedPixelGradientView::AnimatedPixelGradientView;
    using AnimatedPixelGradientView::drawFrame;
};

struct FrameRun {
    long allocations = 0;
    int changedFrames = 0;
    bool equalsWholeFrame = false;
};

// Draws `warmUp` frames, then counts the allocations of `frames` more, each
// a thirtieth of a second later on the model's clock.
FrameRun runFrames(test::ModelHarness& harness, NotchViewModel& model, int warmUp, int frames) {
    OpenedAnimationView view(model);
    constexpr int width = 640, height = 360;
    // The view draws in the backing store's order where the processor's byte
    // order gives it: Format_RGB32 on little-endian processors.
    constexpr bool native = std::endian::native == std::endian::little;
    QImage canvas(width, height, native ? QImage::Format_RGB32 : QImage::Format_RGBX8888);
    const WallpaperRenderer::CanvasContext context{
        {canvas.bits(), canvas.width(), canvas.height(), canvas.bytesPerLine()}, 1, LiveFrameView::frameThreads()};
    FrameRun run;
    allocations = 0;
    for (int i = 0; i < warmUp + frames; ++i) {
        harness.clock->advance(1.0 / 30);
        const bool counted = i >= warmUp;
        counting = counted;
        const bool changed = !view.drawFrame(context, width, height).empty();
        counting = false;
        if (counted && changed) ++run.changedFrames;
    }
    run.allocations = allocations;

    // The reused settings and tables must not have changed a pixel.
    QImage whole(width, height, QImage::Format_RGBX8888);
    drawDesktopCanvasFrame(model, CanvasContent::animatedGradient, harness.clock->now(),
                           {{whole.bits(), whole.width(), whole.height(), whole.bytesPerLine()}, 1, 1}, width,
                           height);
    run.equalsWholeFrame = whole.convertToFormat(canvas.format()) == canvas;
    return run;
}

// Frames that moved, none of them allocating, and the last one as a whole
// frame draws it.
void expectNothingAllocated(const FrameRun& run) {
    EXPECT_EQ(run.allocations, 0);
    EXPECT_GE(run.changedFrames, 30) << "the design hardly moved: the count proves little";
    EXPECT_TRUE(run.equalsWholeFrame);
}

class DesktopFrameAllocations : public ::testing::Test {
protected:
    void SetUp() override {
        harness.random->queueRaw({0x5eed5eed5eedULL});
        model = harness.make();
        model->selectShape(NotchShape::sine);
        if (!model->animationPlaying()) model->toggleAnimation();
    }

    test::ModelHarness harness;
    std::unique_ptr<NotchViewModel> model;
};

TEST_F(DesktopFrameAllocations, APlainAnimatedShapeAllocatesNothingPerFrame) {
    expectNothingAllocated(runFrames(harness, *model, 4, 40));
}

TEST_F(DesktopFrameAllocations, AShapeWithChromaSplitBandsAndScanlinesAllocatesNothingPerFrame) {
    model->selectShape(NotchShape::petals);
    model->setChroma(12);
    model->setRgbSplit(true);
    model->setScanlines(true);
    model->setVignette(true);
    expectNothingAllocated(runFrames(harness, *model, 4, 40));
}

TEST_F(DesktopFrameAllocations, TheSmoothGradientWithScanlinesAllocatesNothingPerFrame) {
    model->selectShape(NotchShape::smoothGradient);
    model->setScanlines(true);
    model->setVignette(true);
    expectNothingAllocated(runFrames(harness, *model, 4, 40));
}

// The saver runs all night: a tick of its timer and its frame, drawn as its
// X11 host draws it, must not touch the heap either.
TEST(SaverFrameAllocations, ATickAndAFrameOfTheSaverAllocateNothing) {
    test::SaverHarness saverHarness;
    auto saver = saverHarness.make({test::gradientRecipe("moving", 20)});
    saver->startAnimation();
    constexpr int width = 640, height = 360;
    QImage canvas(width, height, QImage::Format_RGB32);
    WallpaperRenderer::LiveCanvasFrames frames;
    frames.setNativeOrder(std::endian::native == std::endian::little);
    const WallpaperRenderer::CanvasContext context{
        {canvas.bits(), canvas.width(), canvas.height(), canvas.bytesPerLine()}, 1, LiveFrameView::frameThreads()};
    int changedFrames = 0;
    allocations = 0;
    for (int i = 0; i < 44; ++i) {
        saverHarness.clock->advance(1.0 / 30);
        counting = i >= 4;
        saver->animateOneFrame();
        if (saver->needsDisplay()) changedFrames += !saver->drawFrame(context, width, height, frames).empty();
        counting = false;
    }
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_GE(changedFrames, 30) << "the design hardly moved: the count proves little";
}

TEST_F(DesktopFrameAllocations, TheCounterSeesAnAllocation) {
    // Without this the tests above could pass on a counter that never counts.
    static std::vector<int>* volatile probe = nullptr;
    allocations = 0;
    counting = true;
    probe = new std::vector<int>(1000);
    counting = false;
    delete probe;
    EXPECT_GE(allocations.load(), 2);
}

}  // namespace
}  // namespace glimora
