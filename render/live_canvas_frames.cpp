#include "render/live_canvas_frames.hpp"

#include <algorithm>
#include <cmath>
#include <thread>

#include "render/parallel_bands.hpp"

namespace glimora::WallpaperRenderer {

namespace {

// Changed cells closer than this along a row are repainted as one run: fewer,
// slightly larger rectangles cost less than many slivers.
constexpr std::int64_t runGap = 2;

}  // namespace

std::span<const PixelRect> LiveCanvasFrames::drewWhole(const CanvasContext& context, bool inOrder) {
    if (nativeOrder_ && !inOrder) swapRedAndBlueChannels(context.pixels);
    valid_ = false;
    rects_.clear();
    rects_.push_back({0, 0, context.pixels.width, context.pixels.height});
    return rects_;
}

int LiveCanvasFrames::threads() {
    // Asked of the system once, not at every frame.
    static const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    return threads;
}

std::span<const PixelRect> LiveCanvasFrames::draw(const WallpaperExportSettings& settings,
                                                  const CanvasContext& context, double width, double height) {
    const bool cellGrid = !settings.imageBuffer && !settings.grainGradientActive &&
                          settings.shape != NotchShape::smoothGradient;
    if (!cellGrid || !drawable(context, width, height)) {
        const bool inOrder = drawInOrder(settings, context, width, height, nativeOrder_);
        if (!inOrder) WallpaperRenderer::draw(settings, context, width, height);
        if (!drawable(context, width, height)) {
            valid_ = false;
            rects_.clear();
            return rects_;
        }
        return drewWhole(context, inOrder);
    }

    std::swap(colors_, previousColors_);
    const bool sameGeometry = layout_.layOut(settings, width, height, context.scale, context.pixels, nativeOrder_);
    colors_.resize(std::size_t(layout_.cellCount()));
    // On this thread: a grid's colours take about a millisecond, less than
    // waking threads for them.
    if (colorer_) colorer_->remake(settings);
    else colorer_.emplace(settings);
    colorer_->fillRows(layout_.grid(), 0, layout_.grid().rows, colors_, CellFinish::live);
    if (nativeOrder_)
        for (RGB& color : colors_) std::swap(color.red, color.blue);

    const bool incremental = valid_ && sameGeometry && colors_.size() == previousColors_.size();
    rects_.clear();
    if (incremental) {
        // Runs of changed cells lie more than runGap cells apart: room for
        // the most a frame of this grid can have, made once, not a frame at
        // a time as the changes grow.
        const CellGrid& grid = layout_.grid();
        const auto runsPerRow = std::size_t(grid.columns / (runGap + 2) + 1);
        rects_.reserve(std::size_t(grid.rows) * runsPerRow);
        aboveRow_.reserve(runsPerRow);
        thisRow_.reserve(runsPerRow);
        collectChangedRects();
    }
    std::int64_t area = 0;
    for (const PixelRect& rect : rects_) area += rect.area();
    const bool whole = !incremental || double(area) > wholeFrameShare * double(context.pixels.width) *
                                                          double(context.pixels.height);
    if (whole) {
        paintWhole(context);
        valid_ = true;
        rects_.clear();
        rects_.push_back({0, 0, context.pixels.width, context.pixels.height});
        return rects_;
    }
    for (const PixelRect& rect : rects_) layout_.paint(colors_, rect);
    return rects_;
}

void LiveCanvasFrames::paintWhole(const CanvasContext& context) {
    struct Job {
        const LiveCellGrid& layout;
        std::span<const RGB> colors;
        std::int64_t width, height, bands;
    };
    // Bands of at least this many rows: fewer would cost more in waking
    // threads than they save. Any split paints the same bytes.
    constexpr std::int64_t minimumRows = 64;
    const std::int64_t height = context.pixels.height;
    const std::int64_t threads = context.threadCount > 0 ? context.threadCount : defaultThreadCount();
    const std::int64_t bands = std::clamp<std::int64_t>(std::min(threads, height / minimumRows), 1, 64);
    Job job{layout_, colors_, context.pixels.width, height, bands};
    workers_.run(int(bands), int(threads), [](void* context, int band) {
        const Job& job = *static_cast<const Job*>(context);
        const std::int64_t begin = job.height * band / job.bands;
        const std::int64_t end = job.height * (band + 1) / job.bands;
        job.layout.paint(job.colors, {0, begin, job.width, end - begin});
    }, &job);
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
