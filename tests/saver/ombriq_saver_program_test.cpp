// The ombriq-saver program itself, headless: its offscreen run on a virtual
// clock, compared with glimora-render's export of the same recipe.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "model/recipe_json.hpp"
#include "model/recipe_library.hpp"
#include "render/cell_grid.hpp"
#include "render/image_decoding.hpp"
#include "saver/screen_saver_settings.hpp"
#include "state/notch_view_model.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/saver/saver_fixtures.hpp"
#include "tests/support/temp_dir.hpp"

extern char** environ;

namespace glimora::test {
namespace {

#if defined(GLIMORA_SAVER_BINARY) && defined(GLIMORA_RENDER_BINARY)

struct ProgramRun {
    int status = -1;
    std::string out;
};

ProgramRun run(const std::string& command) {
    ProgramRun result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) result.out.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::filesystem::path home(const char* variable) { return std::filesystem::path(std::getenv(variable)); }

std::filesystem::path libraryFile() { return home("XDG_DATA_HOME") / "Ombriq" / "recipes.json"; }

void writeSettings(const nlohmann::json& values) {
    writeFile(home("XDG_CONFIG_HOME") / "ombriq" / (std::string(screenSaverModuleName) + ".json"), values.dump());
}

PixelImageBuffer readPng(const std::filesystem::path& file) {
    const auto bytes = readFile(file);
    return image_decoding::decodePng(std::span<const std::uint8_t>(bytes.data(), bytes.size()), 1 << 20);
}

DesignRecipe stillRecipe() {
    auto recipe = gradientRecipe("Dusk grid", 60);
    recipe.shape = "diamond";
    recipe.paletteIndex = 12;
    recipe.pixelScale = 5;
    recipe.vignette = false;
    recipe.exportResolution = "hd";
    return recipe;
}

TEST(OmbriqSaverProgram, OffscreenLastFrameMatchesTheExportAtCellCentres) {
    TempDir temp;
    const DesignRecipe recipe = stillRecipe();
    writeFile(libraryFile(), *encodeRecipeHistory({recipe}));
    writeSettings({{"animateArtwork", false}});
    const auto frame = temp.path() / "last.png";
    const ProgramRun saver = run(std::string(GLIMORA_SAVER_BINARY) + " --offscreen 1920x1080 --frames 4 --output " +
                          frame.string());
    ASSERT_EQ(saver.status, 0) << saver.out;
    // Made (the first recipe) and started: applied twice.
    EXPECT_EQ(saver.out, "applied " + recipe.id.toString() + " Dusk grid\napplied " + recipe.id.toString() +
                             " Dusk grid\n");

    const auto document = temp.path() / "dusk.ombriq";
    writeFile(document, encodeRecipeDocument(recipe));
    const auto exported = temp.path() / "export.png";
    const ProgramRun render = run(std::string(GLIMORA_RENDER_BINARY) + " " + document.string() + " -o " +
                           exported.string() + " --resolution hd");
    ASSERT_EQ(render.status, 0) << render.out;

    const PixelImageBuffer live = readPng(frame);
    const PixelImageBuffer reference = readPng(exported);
    ASSERT_EQ(live.width, 1920);
    ASSERT_EQ(live.height, 1080);
    ASSERT_EQ(reference.width, 1920);
    ASSERT_EQ(reference.height, 1080);

    NotchViewModel model;
    model.applyRecipe(recipe);
    const auto grid = WallpaperRenderer::cellGrid(makeExportSettings(model, ExportResolution::hd), 1920, 1080);
    ASSERT_GT(grid.columns, 10);
    int compared = 0;
    for (std::int64_t row = 0; row < grid.rows; row += grid.rows / 7 + 1) {
        for (std::int64_t column = 0; column < grid.columns; column += grid.columns / 9 + 1) {
            const auto xs = grid.columnSpan(column, 1920);
            const auto ys = grid.rowSpan(row, 1080);
            const std::int64_t x = (xs.begin + xs.end) / 2, y = (ys.begin + ys.end) / 2;
            const std::size_t at = std::size_t(y * 1920 + x) * 4;
            for (int channel = 0; channel < 3; ++channel)
                ASSERT_EQ(int(live.bytes()[at + channel]), int(reference.bytes()[at + channel]))
                    << "cell " << column << "," << row << " pixel " << x << "," << y << " channel " << channel;
            ++compared;
        }
    }
    EXPECT_GT(compared, 50);
}

TEST(OmbriqSaverProgram, OffscreenRunPrintsEveryChangeAndTouchesNoFileOfTheApplication) {
    TempDir temp;
    auto a = gradientRecipe("Alpha", 20);
    auto b = gradientRecipe("Beta", 30);
    a.pinnedProperties = {"angle"};  // applying saves pins in the application; here it must not
    writeFile(libraryFile(), *encodeRecipeHistory({a, b}));
    const auto preferences = home("XDG_CONFIG_HOME") / "glimora" / "preferences.json";
    writeFile(preferences, R"({"notchPlacement": "left"})");
    writeSettings({{"artworkInterval", 10.0}});
    const auto libraryTime = std::filesystem::last_write_time(libraryFile());
    const auto preferencesTime = std::filesystem::last_write_time(preferences);
    const auto libraryBytes = readFile(libraryFile());

    // 35 virtual seconds in steps of a second: changes at 10, 20 and 30.
    const ProgramRun saver = run(std::string(GLIMORA_SAVER_BINARY) +
                          " --offscreen 64x36 --frames 36 --frame-step 1 --output " + (temp.path() / "f.png").string());
    ASSERT_EQ(saver.status, 0) << saver.out;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = saver.out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(saver.out.substr(start, end - start));
    ASSERT_EQ(lines.size(), 5u) << saver.out;
    for (std::size_t i = 2; i < lines.size(); ++i) EXPECT_NE(lines[i], lines[i - 1]) << saver.out;

    EXPECT_EQ(std::filesystem::last_write_time(libraryFile()), libraryTime);
    EXPECT_EQ(readFile(libraryFile()), libraryBytes);
    EXPECT_EQ(std::filesystem::last_write_time(preferences), preferencesTime);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(libraryFile().parent_path()), {}), 1);
}

// XScreenSaver's way of ending a program, in the middle of a long run: status
// 0 within 2 s, and the frame to write is absent or whole (no temporary left).
TEST(OmbriqSaverProgram, SigtermEndsAnOffscreenRunWithStatusZeroAndNoPartFile) {
    TempDir temp;
    writeFile(libraryFile(), *encodeRecipeHistory({gradientRecipe("Long", 20)}));
    const auto output = temp.path() / "run.txt", frames = temp.path() / "frames";
    std::filesystem::create_directories(frames);
    const std::string program = GLIMORA_SAVER_BINARY, last = (frames / "last.png").string();
    const char* argv[] = {program.c_str(), "--offscreen", "1920x1080", "--frames", "1000000", "--output",
                          last.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t saver = 0;
    ASSERT_EQ(::posix_spawn(&saver, argv[0], &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    const auto waitFor = [&](double seconds, int& status) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (::waitpid(saver, &status, WNOHANG) != saver) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    };
    int status = 0;
    // Running its frames: its first design is announced.
    for (int i = 0; i < 1000 && readFile(output).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_EQ(::kill(saver, SIGTERM), 0);
    const bool ended = waitFor(2.0, status);
    if (!ended) {
        ::kill(saver, SIGKILL);
        ::waitpid(saver, nullptr, 0);
    }
    ASSERT_TRUE(ended) << "still running 2 s after SIGTERM";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (const auto& entry : std::filesystem::directory_iterator(frames)) {
        EXPECT_EQ(entry.path().filename(), "last.png");
        EXPECT_EQ(readPng(entry.path()).width, 1920) << entry.path();
    }
}

TEST(OmbriqSaverProgram, NoDisplayExitsOneWithOneLine) {
    const ProgramRun saver = run("env -u DISPLAY XSCREENSAVER_WINDOW= " + std::string(GLIMORA_SAVER_BINARY) + " --root");
    EXPECT_EQ(saver.status, 1);
    EXPECT_EQ(saver.out, "ombriq-saver: cannot open display \"\"\n");
}

#endif

}  // namespace
}  // namespace glimora::test
