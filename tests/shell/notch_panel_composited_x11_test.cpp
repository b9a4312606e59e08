// The notch panel's edge with and without a compositing manager (xcompmgr):
// with one, the panel is an alpha window shaped for input only, so its
// outline's antialiased edge blends into what lies below; without one, the
// outline is the window's shape, cut to whole pixels. The panel follows the
// compositing manager as it goes and comes back. Run by ctest inside
// `xvfb-run` at 1920x1080, with an openbox and an xcompmgr of its own.
#include "tests/shell/x11_harness.hpp"

#include <X11/extensions/shape.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

using namespace glimora::x11test;
using namespace std::chrono_literals;

constexpr unsigned long backdropColor = 0x2A7F62;

struct Edge {
    std::string placement;
    Frame collapsed, expanded;
    QPoint opener;  // where a click opens the closed panel
};

const std::vector<Edge>& edges() {
    static const std::vector<Edge> all{
        {"top", {800, 0, 320, 28}, {580, 0, 760, 300}, {960, 14}},
        {"bottom", {800, 1052, 320, 28}, {580, 780, 760, 300}, {960, 1066}},
        {"left", {0, 430, 68, 220}, {0, 220, 322, 640}, {34, 604}},
        {"right", {1852, 430, 68, 220}, {1598, 220, 322, 640}, {1886, 604}},
    };
    return all;
}

class ComposedPanel : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        x11 = new X11;
        ASSERT_NE(x11->display(), nullptr) << "this test runs under xvfb-run";
        compositor = new Compositor(*x11);
        windowManager = spawn({"openbox", "--sm-disable"});
        ASSERT_GT(windowManager, 0) << "openbox could not be started";
        ASSERT_TRUE(waitUntil([] { return x11->hasWindowManager(); })) << "openbox did not come up";
        // It announces itself before it manages windows.
        std::this_thread::sleep_for(1000ms);
    }
    static void TearDownTestSuite() {
        delete compositor;
        compositor = nullptr;
        stop(windowManager);
        delete x11;
        x11 = nullptr;
    }

    Window mapWindow(int x, int y, int width, int height) {
        const Window window = x11->mapOtherWindow({x, y, width, height, backdropColor, false});
        EXPECT_TRUE(x11->isViewable(window));
        return window;
    }

    void SetUp() override {
        // What lies below the panel: a window of one known colour; another
        // program has the focus, so the full-screen one stays below the panel.
        backdrop = mapWindow(0, 0, 1920, 1080);
        focusHolder = mapWindow(100, 600, 200, 100);
        ASSERT_TRUE(xdotool({"windowactivate", "--sync", std::to_string(focusHolder)}));
    }

    void TearDown() override {
        stopGlimora();
        XDestroyWindow(x11->display(), focusHolder);
        XDestroyWindow(x11->display(), backdrop);
        XSync(x11->display(), False);
    }

    void startGlimora(const std::string& placement) {
        ASSERT_NO_FATAL_FAILURE(glimora.start(*x11, placement));
        panel = glimora.panel;
    }
    void stopGlimora() { glimora.stop(*x11); }

    bool boundingShaped() const { return glimora::x11test::boundingShaped(x11->display(), panel); }
    QRegion shape(int kind) const { return windowShape(x11->display(), panel, kind); }

    // Pixels just outside the outline (next to where the window's input
    // begins: its input shape within its bounding shape) that the outline
    // still covers in part: greenish like the backdrop, but darkened by the
    // black surface. A window cut to its shape leaves them to the backdrop.
    int blendedEdgePixels(const QImage& shot, const Frame& frame) const {
        const QRegion inside = shape(ShapeInput) & shape(ShapeBounding);
        const auto in = [&](int x, int y) { return inside.contains(QPoint(x, y)); };
        int blended = 0;
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x) {
                if (in(x, y)) continue;
                bool edge = false;
                for (const QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                    const QPoint n(x + step.x(), y + step.y());
                    if (n.x() >= 0 && n.y() >= 0 && n.x() < frame.width && n.y() < frame.height &&
                        in(n.x(), n.y()))
                        edge = true;
                }
                if (!edge) continue;
                const QRgb pixel = shot.pixel(frame.x + x, frame.y + y);
                if (qGreen(pixel) - qRed(pixel) > 20 && qGreen(pixel) < 110) ++blended;
            }
        return blended;
    }

    // The panel at this frame, its picture kept as `name`; how many of its
    // pixels blend with the backdrop.
    int settleAndLook(const Frame& frame, const std::string& name) {
        EXPECT_TRUE(waitUntil([&] { return x11->frame(panel) == frame; })) << x11->frame(panel);
        // The window paints its new size after the frame has it.
        std::this_thread::sleep_for(500ms);
        const QImage shot = x11->screenshot(name);
        // Outside the outline, at the window's corner away from the docked
        // edge, the backdrop itself.
        const bool top = frame.y == 0, left = frame.x == 0;
        const int cornerX = left ? frame.x + frame.width - 1 : frame.x;
        const int cornerY = top ? frame.y + frame.height - 1 : frame.y;
        EXPECT_EQ(shot.pixel(cornerX, cornerY) & 0xFFFFFFu, backdropColor) << name;
        return blendedEdgePixels(shot, frame);
    }

    // Opens the panel with a real click and closes it by a click on the backdrop.
    void lookAtEveryEdge(const std::string& mode, bool blends) {
        for (const Edge& edge : edges()) {
            SCOPED_TRACE(mode + " " + edge.placement);
            ASSERT_NO_FATAL_FAILURE(startGlimora(edge.placement));
            XWindowAttributes attributes{};
            ASSERT_TRUE(XGetWindowAttributes(x11->display(), panel, &attributes));
            EXPECT_EQ(attributes.depth, 32) << "the panel has no alpha channel";
            for (const bool expanded : {false, true}) {
                if (expanded) ASSERT_TRUE(clickAt(edge.opener.x(), edge.opener.y()));
                const Frame frame = expanded ? edge.expanded : edge.collapsed;
                const std::string state = expanded ? "expanded" : "collapsed";
                const int blended = settleAndLook(frame, "panel-" + mode + "-" + edge.placement + "-" + state);
                EXPECT_EQ(boundingShaped(), !blends) << state;
                // Where it takes input: the outline, as one band of rectangles per curved row.
                EXPECT_GT((shape(ShapeInput) & shape(ShapeBounding)).rectCount(), 1) << state;
                if (blends)
                    EXPECT_GT(blended, 4) << state << ": no pixel of the edge blends with what lies below";
                else
                    EXPECT_EQ(blended, 0) << state << ": the shape has no partial pixels";
            }
            stopGlimora();
        }
    }

    static X11* x11;
    static pid_t windowManager;
    static Compositor* compositor;
    Window backdrop = 0;
    Window focusHolder = 0;
    GlimoraProcess glimora;
    Window panel = 0;
};

X11* ComposedPanel::x11 = nullptr;
pid_t ComposedPanel::windowManager = -1;
Compositor* ComposedPanel::compositor = nullptr;

TEST_F(ComposedPanel, WithACompositorTheEdgeBlendsAtEveryEdgeAndWithoutItIsCut) {
    ASSERT_NO_FATAL_FAILURE(compositor->start());
    lookAtEveryEdge("composited", true);
    compositor->stop();
    lookAtEveryEdge("plain", false);
}

TEST_F(ComposedPanel, FollowsTheCompositorAsItGoesAndComesBack) {
    if (!compositor->runs()) ASSERT_NO_FATAL_FAILURE(compositor->start());
    ASSERT_NO_FATAL_FAILURE(startGlimora("top"));
    const Edge& top = edges().front();
    EXPECT_TRUE(waitUntil([&] { return x11->frame(panel) == top.collapsed; }));
    EXPECT_TRUE(waitUntil([&] { return !boundingShaped(); }, 5s));

    compositor->stop();
    EXPECT_TRUE(waitUntil([&] { return boundingShaped(); }, 5s)) << "the panel kept its unshaped window";
    // The input follows the window's shape again: its own shape is reset to the whole window.
    EXPECT_EQ(shape(ShapeInput), QRegion(0, 0, top.collapsed.width, top.collapsed.height));
    EXPECT_EQ(settleAndLook(top.collapsed, "panel-compositor-gone"), 0);

    ASSERT_NO_FATAL_FAILURE(compositor->start());
    EXPECT_TRUE(waitUntil([&] { return !boundingShaped(); }, 5s)) << "the panel stayed cut to its shape";
    EXPECT_GT(settleAndLook(top.collapsed, "panel-compositor-back"), 4);

    // A click outside the outline, in the window's rounded-off corner, reaches
    // the window below; one inside opens the panel.
    XSelectInput(x11->display(), backdrop, ButtonPressMask);
    XSync(x11->display(), False);
    ASSERT_TRUE(clickAt(801, 27));
    EXPECT_TRUE(waitUntil([&] {
        XEvent event;
        return XCheckTypedWindowEvent(x11->display(), backdrop, ButtonPress, &event) == True;
    }, 3s)) << "the click outside the outline did not pass through";
    EXPECT_EQ(x11->frame(panel), top.collapsed);
    // (Focused, the full-screen window would be raised above the panel.)
    ASSERT_TRUE(xdotool({"windowactivate", "--sync", std::to_string(focusHolder)}));
    ASSERT_TRUE(clickAt(960, 14));
    EXPECT_TRUE(waitUntil([&] { return x11->frame(panel) == top.expanded; }));
}

}  // namespace
