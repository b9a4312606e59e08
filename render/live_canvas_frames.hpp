// Successive frames of the live canvas in the same pixels, each drawn only
// where it differs from the one before: a frame of the cell grid whose cell
// colours are all as before paints nothing, and one where some changed
// repaints the rectangles of those cells (with their split bands and the
// overlays over them), byte for byte as a whole frame would. Everything else
// is drawn whole. The tables and buffers are kept from frame to frame.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "render/band_workers.hpp"
#include "render/cell_color.hpp"
#include "render/live_canvas.hpp"
#include "render/live_cell_grid.hpp"

namespace glimora::WallpaperRenderer {

class LiveCanvasFrames {
public:
    // Frame after frame over one geometry: the vignette's levels are worth keeping.
    LiveCanvasFrames() { layout_.keepVignetteLevels(true); }

    // Past this share of the canvas, changed rectangles are painted as one
    // whole frame on the context's threads.
    static constexpr double wholeFrameShare = 0.4;

    // The threads a live frame is given: up to four, as the machine has them.
    static int threads();

    // Draws the design as draw() does, into pixels that hold this object's
    // previous frame, and returns the rectangles of pixels that may have
    // changed: empty when nothing did, the whole canvas after anything but
    // cell colours changed (or at the first frame).
    std::span<const PixelRect> draw(const WallpaperExportSettings& settings, const CanvasContext& context,
                                    double width, double height);

    // For a frame the caller drew itself: the whole canvas changed, and the
    // next draw() starts afresh. `inOrder`: drawn in this object's order already.
    std::span<const PixelRect> drewWhole(const CanvasContext& context, bool inOrder = false);

    // The next draw() repaints every pixel (the pixels were changed elsewhere).
    void forget() { valid_ = false; }

    // With the native order, every frame leaves its pixels with red and blue
    // swapped: on a little-endian processor the 0xffRRGGBB words a screen's
    // backing store holds, so showing a frame needs no conversion. A frame
    // the caller draws itself (drewWhole) is swapped in place.
    void setNativeOrder(bool native) {
        if (native != nativeOrder_) valid_ = false;
        nativeOrder_ = native;
    }

    // How many cells changed in the last frame of the cell grid.
    std::int64_t changedCells() const { return changedCells_; }

    // Settings a caller may fill for each frame in place, so that their
    // palette's storage is reused rather than made anew at every frame.
    WallpaperExportSettings& frameSettings() { return frameSettings_; }

private:
    void collectChangedRects();
    void paintWhole(const CanvasContext& context);

    LiveCellGrid layout_;
    std::vector<RGB> colors_;
    std::vector<RGB> previousColors_;
    std::vector<PixelRect> rects_;
    std::vector<std::size_t> aboveRow_;  // rectangles reaching the row above
    std::vector<std::size_t> thisRow_;
    std::optional<CellColorer> colorer_;
    WallpaperExportSettings frameSettings_;
    BandWorkers workers_;
    std::int64_t changedCells_ = 0;
    bool valid_ = false;
    bool nativeOrder_ = false;
};

}  // namespace glimora::WallpaperRenderer
