// Photo pipeline speed: decoding a camera-sized JPEG against ImageMagick doing
// the same job in the same run, the same photo as TIFF through Qt's reader,
// each decoder's peak memory in a fresh process, refusing the tiny hostile
// files of the fuzz corpus, and pixelizing plus drawing a photo at the
// largest export size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <jpeglib.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <QImage>
#include <QImageWriter>

#include "platform/file_read.hpp"
#include "platform/qt/qt_image_decoder.hpp"
#include "render/image_pixelizer.hpp"
#include "render/pixel_image_buffer.hpp"

extern char** environ;

namespace {

using namespace glimora;

constexpr int photoWidth = 6000;
constexpr int photoHeight = 4000;

// As the import reads a file: whole, into a buffer of its size.
std::vector<std::uint8_t> readBytes(const std::string& path) {
    return readFileLimited(path, std::uintmax_t(1) << 30).value_or(std::vector<std::uint8_t>{});
}

// A temporary file, removed when the program ends.
struct TemporaryFile {
    std::string path;
    ~TemporaryFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

// One row of a 24-megapixel "photo": soft gradients with sensor-like grain.
void cameraRow(int y, std::uint8_t* rgb, std::uint32_t& noise) {
    for (int x = 0; x < photoWidth; ++x) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        const double grain = double(noise % 17) - 8;
        const double sky = std::sin(x * 0.0011 + y * 0.0007);
        const double hills = std::sin(x * 0.0042 - y * 0.0031) * std::cos(y * 0.0023);
        rgb[x * 3] = std::uint8_t(std::clamp(120 + 90 * sky + 30 * hills + grain, 0.0, 255.0));
        rgb[x * 3 + 1] = std::uint8_t(std::clamp(110 + 60 * hills - 40 * sky + grain, 0.0, 255.0));
        rgb[x * 3 + 2] = std::uint8_t(std::clamp(140 + 80 * std::cos(x * 0.0017) + grain, 0.0, 255.0));
    }
}

std::filesystem::path benchFile(const char* extension) {
    return std::filesystem::temp_directory_path() /
           ("glimora-photo-bench-" + std::to_string(getpid()) + extension);
}

// The photo written once to a temporary file at camera quality.
const std::string& cameraJpeg() {
    static const TemporaryFile file{[] {
        const auto file = benchFile(".jpg");
        std::FILE* out = std::fopen(file.c_str(), "wb");
        jpeg_compress_struct info{};
        jpeg_error_mgr error{};
        info.err = jpeg_std_error(&error);
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, out);
        info.image_width = photoWidth;
        info.image_height = photoHeight;
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 90, TRUE);
        jpeg_start_compress(&info, TRUE);
        std::vector<std::uint8_t> row(photoWidth * 3);
        std::uint32_t noise = 2463534242u;
        while (info.next_scanline < info.image_height) {
            cameraRow(int(info.next_scanline), row.data(), noise);
            JSAMPROW rows[1] = {row.data()};
            jpeg_write_scanlines(&info, rows, 1);
        }
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        std::fclose(out);
        return file.string();
    }()};
    return file.path;
}

// The same photo as an uncompressed TIFF, as cameras and scanners write it.
const std::string& cameraTiff() {
    static const TemporaryFile file{[] {
        const auto file = benchFile(".tif");
        QImage image(photoWidth, photoHeight, QImage::Format_RGB888);
        std::uint32_t noise = 2463534242u;
        for (int y = 0; y < photoHeight; ++y) cameraRow(y, image.scanLine(y), noise);
        QImageWriter(QString::fromStdString(file.string()), "tiff").write(image);
        return file.string();
    }()};
    return file.path;
}

// Runs a program to completion with its output discarded.
int runQuietly(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string imageMagick() {
    // The distribution's binary, not a wrapper that may sit earlier in PATH.
    for (const char* candidate : {"/usr/bin/convert", "/usr/bin/magick"}) {
        if (access(candidate, X_OK) == 0) return candidate;
    }
    return "convert";
}

std::string selfPath() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

// The child reports its own high-water mark from /proc: rusage of a spawned
// child also counts the parent's pages it shared until exec.
double childPeakMiB(const std::string& file, const std::string& job) {
    const auto report = std::filesystem::temp_directory_path() /
                        ("glimora-photo-bench-peak-" + std::to_string(getpid()) + ".txt");
    if (runQuietly({selfPath(), "--decode-child", file, job, report.string()}) != 0) return 0;
    double kib = 0;
    std::ifstream(report) >> kib;
    std::filesystem::remove(report);
    return kib / 1024;
}

long peakKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return 0;
}

// Peak memory of a fresh process that reads the file and imports it, and of
// one that only reads it (program and file bytes, without decoding).
void peakCounters(benchmark::State& state, const std::string& file, std::size_t bytes) {
    const double decoding = childPeakMiB(file, "decode");
    const double reading = childPeakMiB(file, "read");
    if (decoding <= 0 || reading <= 0) {
        state.SkipWithError("decode child failed");
        return;
    }
    state.counters["peak_MiB"] = decoding;
    state.counters["peak_without_decode_MiB"] = reading;
    state.counters["file_MiB"] = double(bytes) / (1 << 20);
}

void BM_DecodeJpeg24MPTo2048(benchmark::State& state) {
    const auto data = readBytes(cameraJpeg());
    for (auto _ : state) {
        const PixelImageBuffer buffer = PixelImageBuffer::load(data, 2048);
        benchmark::DoNotOptimize(buffer.rgba->data());
    }
    peakCounters(state, cameraJpeg(), data.size());
}
BENCHMARK(BM_DecodeJpeg24MPTo2048)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

// TIFF goes through Qt's reader, which cannot read it scaled: the whole
// picture is decoded, then streamed into the core's resampler.
void BM_ImportTiff24MPTo2048(benchmark::State& state) {
    const auto data = readBytes(cameraTiff());
    for (auto _ : state) {
        const auto buffer = decodePictureWithQtFallback(data, 2048);
        if (!buffer || buffer->width != 2048) {
            state.SkipWithError("the TIFF was not imported");
            return;
        }
        benchmark::DoNotOptimize(buffer->rgba->data());
    }
    peakCounters(state, cameraTiff(), data.size());
}
BENCHMARK(BM_ImportTiff24MPTo2048)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The tiny files that declare far more pixels than they hold, refused from
// their headers (the target: under 50 ms each).
void BM_RefuseHostileTinyFiles(benchmark::State& state) {
    const std::filesystem::path corpus = GLIMORA_SOURCE_DIR "/tests/fuzz/corpus/qt_image_decoder";
    std::vector<std::vector<std::uint8_t>> files;
    for (const char* name : {"tall-gif-declares-11776x12289", "jpeg-slow-through-qt",
                             "crash-png-text-chunk-claims-1.6-gb", "crash-png-exif-chunk-claims-436-mb"})
        files.push_back(readBytes((corpus / name).string()));
    for (auto _ : state) {
        for (const auto& file : files) {
            if (decodePictureWithQtFallback(file, 2048)) state.SkipWithError("a hostile file was decoded");
        }
    }
    state.counters["files"] = double(files.size());
}
BENCHMARK(BM_RefuseHostileTinyFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImageMagickResize24MPTo2048(benchmark::State& state) {
    const std::string tool = imageMagick();
    const std::string input = cameraJpeg();
    for (auto _ : state) {
        // null: discards the result, so only decoding and resizing are timed.
        if (runQuietly({tool, input, "-resize", "2048x2048", "null:"}) != 0) {
            state.SkipWithError("ImageMagick is not available (install imagemagick)");
            return;
        }
    }
}
BENCHMARK(BM_ImageMagickResize24MPTo2048)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

const PixelImageBuffer& photo() {
    static const PixelImageBuffer buffer = PixelImageBuffer::load(readBytes(cameraJpeg()), 2048);
    return buffer;
}

// The editor's defaults for a photo on a 1512-point-wide screen.
ImagePixelizer::Settings photoSettings() {
    ImagePixelizer::Settings s;
    s.seed = 0xC0FFEE;
    s.pixelSize = 5;
    s.referenceWidth = 1512;
    s.colorCount = 8;
    s.dither = ImageDitherStyle::bayer8;
    s.mosaicTileShape = ImageMosaicTileShape::rounded;
    s.mosaicCornerRadius = 0.18;
    s.mosaicBevel = 35;
    s.mosaicVariation = 8;
    return s;
}

void renderAt6K(benchmark::State& state, const ImagePixelizer::Settings& settings) {
    const PixelImageBuffer& buffer = photo();
    for (auto _ : state) {
        const PixelImageBuffer image = ImagePixelizer::renderImage(buffer, settings, 6016, 3384);
        benchmark::DoNotOptimize(image.rgba->data());
    }
}

void BM_PixelizeAndDraw6K_Square(benchmark::State& state) {
    renderAt6K(state, photoSettings());
}
void BM_PixelizeAndDraw6K_Dot(benchmark::State& state) {
    auto s = photoSettings();
    s.pixelShape = ImagePixelShape::dot;
    s.cellGap = 0.1;
    renderAt6K(state, s);
}
void BM_PixelizeAndDraw6K_MosaicRoundedBevel(benchmark::State& state) {
    auto s = photoSettings();
    s.renderMode = ImageRenderMode::mosaic;
    s.cellGap = 0.14;
    renderAt6K(state, s);
}
// The finest grid the pixelizer makes: 360 x 203 cells.
void BM_PixelizeAndDraw6K_FinestMosaic(benchmark::State& state) {
    auto s = photoSettings();
    s.pixelSize = 0.5;
    s.renderMode = ImageRenderMode::mosaic;
    s.cellGap = 0.14;
    renderAt6K(state, s);
}
void BM_PixelizeAndDraw6K_FinestDiamond(benchmark::State& state) {
    auto s = photoSettings();
    s.pixelSize = 0.5;
    s.pixelShape = ImagePixelShape::diamond;
    renderAt6K(state, s);
}
BENCHMARK(BM_PixelizeAndDraw6K_Square)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixelizeAndDraw6K_Dot)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixelizeAndDraw6K_MosaicRoundedBevel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixelizeAndDraw6K_FinestMosaic)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixelizeAndDraw6K_FinestDiamond)->Unit(benchmark::kMillisecond)->UseRealTime();

// Drawing alone into a bitmap that already exists, as the export renderer
// does with its own memory: on all cores and on one.
void drawInto6K(benchmark::State& state, int threads) {
    auto s = photoSettings();
    s.pixelSize = 0.5;
    s.renderMode = ImageRenderMode::mosaic;
    s.cellGap = 0.14;
    const auto grid = ImagePixelizer::pixelize(photo(), 6016, 3384, s);
    std::vector<std::uint8_t> bytes(std::size_t(6016) * 3384 * 4);
    for (auto _ : state) {
        ImagePixelizer::drawGrid(grid, s, 6016, 3384, 1, {bytes.data(), 6016, 3384, 6016 * 4}, threads);
        benchmark::DoNotOptimize(bytes.data());
    }
}
void BM_DrawOnly6K_FinestMosaic(benchmark::State& state) {
    drawInto6K(state, 0);
}
void BM_DrawOnly6K_FinestMosaicOneThread(benchmark::State& state) {
    drawInto6K(state, 1);
}
BENCHMARK(BM_DrawOnly6K_FinestMosaic)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawOnly6K_FinestMosaicOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline for the drawing: writing every byte of a 6016 x 3384 bitmap once.
void BM_Memset6KBitmap(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes(std::size_t(6016) * 3384 * 4, 255);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_Memset6KBitmap)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PixelizeOnly6K(benchmark::State& state) {
    const PixelImageBuffer& buffer = photo();
    const auto s = photoSettings();
    for (auto _ : state)
        benchmark::DoNotOptimize(ImagePixelizer::pixelize(buffer, 6016, 3384, s).cells.data());
}
BENCHMARK(BM_PixelizeOnly6K)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderSVG6K_FinestMosaic(benchmark::State& state) {
    const PixelImageBuffer& buffer = photo();
    auto s = photoSettings();
    s.pixelSize = 0.5;
    s.renderMode = ImageRenderMode::mosaic;
    for (auto _ : state) {
        const std::string svg =
            ImagePixelizer::renderSVG(buffer.width, buffer.height, buffer.bytes(), s, 6016, 3384);
        benchmark::DoNotOptimize(svg.data());
    }
}
BENCHMARK(BM_RenderSVG6K_FinestMosaic)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each benchmark's time per iteration for the summary lines.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred) milliseconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
            for (const auto& [name, counter] : run.counters)
                counters_[run.run_name.function_name + "/" + name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void summary() const {
        const auto ours = find("BM_DecodeJpeg24MPTo2048/min_time:2.000/real_time");
        const auto peer = find("BM_ImageMagickResize24MPTo2048/iterations:5/real_time");
        if (ours > 0 && peer > 0) {
            std::printf(
                "decode 24 MP JPEG to 2048: %.1f ms, ImageMagick convert -resize: %.1f ms, ratio %.3f "
                "(target <= 0.5)\n",
                ours, peer, ours / peer);
        }
        // The JPEG streams through the core; the TIFF is decoded whole by Qt
        // within a bound a 50-megapixel photo fits (256 MiB).
        for (const auto& [function, what, target] :
             {std::tuple{"BM_DecodeJpeg24MPTo2048", "24 MP JPEG", "< 64 MiB"},
              std::tuple{"BM_ImportTiff24MPTo2048", "24 MP TIFF", "< 256 MiB beside the file"}}) {
            const std::string key = std::string(function) + "/";
            if (!counters_.count(key + "peak_MiB")) continue;
            std::printf("%s import peak memory: %.1f MiB in a fresh process (%.1f MiB without decoding; target %s)\n",
                        what, counters_.at(key + "peak_MiB"), counters_.at(key + "peak_without_decode_MiB"), target);
        }
        if (const auto tiff = find("BM_ImportTiff24MPTo2048/iterations:5/real_time"); tiff > 0)
            std::printf("import 24 MP TIFF to 2048 through Qt: %.1f ms\n", tiff);
        if (const auto hostile = find("BM_RefuseHostileTinyFiles/real_time"); hostile > 0)
            std::printf("refusing the corpus's tiny hostile files: %.3f ms for all four (target < 50 ms each)\n",
                        hostile);
        for (const auto& [name, ms] : milliseconds_) {
            if (name.find("PixelizeAndDraw6K") != std::string::npos) {
                std::printf("%s: %.1f ms (target < 150 ms)\n", name.c_str(), ms);
            }
        }
    }

private:
    double find(const std::string& name) const {
        const auto it = milliseconds_.find(name);
        return it == milliseconds_.end() ? 0 : it->second;
    }

    std::map<std::string, double> milliseconds_;
    std::map<std::string, double> counters_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--decode-child") {
        const auto data = readBytes(argv[2]);
        bool ok = !data.empty();
        if (std::string(argv[3]) == "decode") {
            // The application's decoder: the core for JPEG, Qt's reader for TIFF.
            const auto buffer = decodePictureWithQtFallback(data, 2048);
            ok = buffer && buffer->width == 2048;
        }
        std::ofstream(argv[4]) << peakKiB() << "\n";
        return ok ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.summary();
    benchmark::Shutdown();
    return 0;
}
