// A view whose pixels the core draws on the CPU, at the screen's pixel
// density. A frame is drawn once per event-loop turn after it is asked for,
// and only the rectangles where it differs from the frame before are
// repainted and sent to the screen: a frame equal to the last one sends
// nothing. A hidden view gives its frame up.
#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <span>
#include <utility>
#include <vector>

#include "render/live_canvas.hpp"
#include "render/live_canvas_frames.hpp"

namespace glimora {

class LiveFrameView : public QWidget {
    Q_OBJECT

public:
    explicit LiveFrameView(QWidget* parent = nullptr);

    // Draws a new frame at the next turn of the event loop (or paint).
    void invalidate();
    // Draws the frame asked for now, shown or not (laid out at its size): a
    // window's first paint then only copies it.
    void drawAhead();

    // While suspended, a frame asked for waits (nobody can see the view).
    void setSuspended(bool suspended) { suspended_ = suspended; }

    // How many frames were drawn so far, and how many of them changed no pixel.
    int framesDrawn() const { return framesDrawn_; }
    int unchangedFrames() const { return unchangedFrames_; }

    // The part of the view (in points) that frames asked to repaint since
    // the last call of forgetChangedRegion; kept only from the first such
    // call on, as gathering it costs every frame and only a watcher wants it.
    const QRegion& changedRegion() const { return changed_; }
    void forgetChangedRegion() {
        changed_ = QRegion();
        gatherChanges_ = true;
    }

    // Threads one frame may share (a few: a slider drag should not wait on
    // one core, and the editor needs the rest).
    static int frameThreads();

protected:
    // Draws a frame of width x height points into `context`, which holds the
    // previous frame, and returns the rectangles of pixels that changed
    // (usually through `frames()`).
    virtual std::span<const WallpaperRenderer::PixelRect> drawFrame(const WallpaperRenderer::CanvasContext& context,
                                                                    double width, double height) = 0;
    WallpaperRenderer::LiveCanvasFrames& frames() { return frames_; }

    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Draws the pending frame; returns the changed part of the view.
    QRegion render();
    void renderPending();

    // Drawn in the backing store's own pixel order (where the processor's
    // byte order allows), so that a paint copies it without converting.
    QImage frame_;
    WallpaperRenderer::LiveCanvasFrames frames_;
    QRegion changed_;
    std::vector<QRect> points_;  // a frame's changed rectangles, kept for their storage
    std::vector<QRect> bands_;
    std::vector<int> edges_;
    std::vector<std::pair<int, int>> spans_;
    bool gatherChanges_ = false;
    bool dirty_ = true;
    bool queued_ = false;
    bool suspended_ = false;
    int framesDrawn_ = 0;
    int unchangedFrames_ = 0;
};

}  // namespace glimora
