#include "render/live_canvas_frames.hpp"

#include <algorithm>
#include <cmath>

namespace glimora::WallpaperRenderer {

namespace {

// Changed cells closer than this along a row are repainted as one run: fewer,
// slightly larger rectangles cost less than many slivers.
constexpr std::int64_t runGap = 2;

}  // namespace

std::span<const PixelRect> LiveCanvasFrames::drewWhole(const CanvasContext& context) {
    valid_ = false;
    rects_.clear();
    rects_.push_back({0, 0, context.pixels.width, context.pixels.height});
    return rects_;
}

std::span<const PixelRect> LiveCanvasFrames::draw(const WallpaperExportSettings& settings,
                                                  const CanvasContext& context, double width, double height) {
    const bool cellGrid = !settings.imageBuffer && !settings.grainGradientActive &&
                          settings.shape != NotchShape::smoothGradient;
    if (!cellGrid || !drawable(context, width, height)) {
        WallpaperRenderer::draw(settings, context, width, height);
        if (!drawable(context, width, height)) {
            valid_ = false;
            rects_.clear();
            return rects_;
        }
        return drewWhole(context);
    }

    std::swap(layout_, previousLayout_);
    std::swap(colors_, previousColors_);
    layout_.layOut(settings, width, height, context.scale, context.pixels);
    colors_.resize(std::size_t(layout_.cellCount()));
    // On this thread: a grid's colours take about a millisecond, less than
    // starting threads for them.
    fillLiveCellColors(settings, layout_.grid(), 1, colors_);

    const bool incremental = valid_ && layout_.sameGeometry(previousLayout_) && colors_.size() == previousColors_.size();
    rects_.clear();
    if (incremental) collectChangedRects();
    std::int64_t area = 0;
    for (const PixelRect& rect : rects_) area += rect.area();
    const bool whole = !incremental || double(area) > wholeFrameShare * double(context.pixels.width) *
                                                          double(context.pixels.height);
    if (whole) {
        paintLiveCellGrid(layout_, colors_, context);
        valid_ = true;
        rects_.clear();
        rects_.push_back({0, 0, context.pixels.width, context.pixels.height});
        return rects_;
    }
    for (const PixelRect& rect : rects_) layout_.paint(colors_, rect);
    return rects_;
}

void LiveCanvasFrames::collectChangedRects() {
    const CellGrid& grid = layout_.grid();
    changedCells_ = 0;
    // Runs of changed cells row by row; a run spanning the same pixels as one
    // in the row above extends that rectangle down instead.
    aboveRow_.clear();
    for (std::int64_t r = 0; r < grid.rows; ++r) {
        const RGB* now = colors_.data() + r * grid.columns;
        const RGB* before = previousColors_.data() + r * grid.columns;
        thisRow_.clear();
        std::int64_t c = 0;
        while (c < grid.columns) {
            if (now[c] == before[c]) {
                ++c;
                continue;
            }
            const std::int64_t first = c;
            std::int64_t last = c + 1;  // one past the run's last changed cell
            ++changedCells_;
            for (std::int64_t next = last; next < grid.columns && next <= last + runGap; ++next) {
                if (now[next] != before[next]) {
                    ++changedCells_;
                    last = next + 1;
                }
            }
            c = last;
            const PixelRect extent = layout_.cellsExtent(r, first, last);
            if (extent.area() == 0) continue;
            const auto above = std::find_if(aboveRow_.begin(), aboveRow_.end(), [&](std::size_t i) {
                const PixelRect& rect = rects_[i];
                return rect.x == extent.x && rect.width == extent.width && rect.y + rect.height >= extent.y;
            });
            if (above != aboveRow_.end()) {
                PixelRect& rect = rects_[*above];
                rect.height = std::max(rect.height, extent.y + extent.height - rect.y);
                thisRow_.push_back(*above);
            } else {
                thisRow_.push_back(rects_.size());
                rects_.push_back(extent);
            }
        }
        std::swap(aboveRow_, thisRow_);
    }
}

}  // namespace glimora::WallpaperRenderer
