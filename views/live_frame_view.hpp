// A view whose pixels the core draws on the CPU: the frame is drawn when
// asked for and the view is painted, at the screen's pixel density, and
// shown as it is for every other repaint. A hidden view gives its frame up.
#pragma once

#include <QImage>
#include <QWidget>

#include "render/live_canvas.hpp"

namespace glimora {

class LiveFrameView : public QWidget {
    Q_OBJECT

public:
    explicit LiveFrameView(QWidget* parent = nullptr);

    // Draws a new frame at the next paint.
    void invalidate();

    // How many frames were drawn so far.
    int framesDrawn() const { return framesDrawn_; }

    // Threads one frame may share (a few: a slider drag should not wait on
    // one core, and the editor needs the rest).
    static int frameThreads();

protected:
    // Draws a frame of width x height points into `context`.
    virtual void drawFrame(const WallpaperRenderer::CanvasContext& context, double width, double height) = 0;

    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QImage frame_;
    bool dirty_ = true;
    int framesDrawn_ = 0;
};

}  // namespace glimora
