// The glimora-render program, run as the tests, benchmarks and CI run it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/recipe_json.hpp"
#include "platform/file_read.hpp"
#include "state/notch_view_model.hpp"
#include "state/wallpaper_export.hpp"
#include "state/wallpaper_snapshot.hpp"
#include "tests/support/temp_dir.hpp"

#ifdef GLIMORA_RENDER_BINARY

namespace glimora {
namespace {

struct ToolRun {
    int exitCode = -1;
    std::string standardOutput;
    std::string standardError;
};

// Runs the program with `arguments` and an environment whose home and XDG
// folders are all `home`, collecting what it prints.
ToolRun runRender(const std::vector<std::string>& arguments, const std::filesystem::path& home) {
    std::vector<std::string> environment = {
        "HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
        "XDG_DATA_HOME=" + (home / "data").string(), "XDG_CACHE_HOME=" + (home / "cache").string(),
        "PATH=/usr/bin:/bin"};
    for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = std::getenv(keep)) environment.push_back(std::string(keep) + "=" + value);
    std::vector<std::string> argv = {GLIMORA_RENDER_BINARY};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argp, envp;
    for (auto& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);

    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    ToolRun run;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.standardOutput, &run.standardError};
    int open = 2;
    while (open > 0 && ::poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, std::size_t(got));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::filesystem::path fixture(const std::string& name) {
    return std::filesystem::path(GLIMORA_TEST_DATA) / "recipes" / (name + ".ombriq");
}

std::string fileText(const std::filesystem::path& file) {
    const auto bytes = test::readFile(file);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> entries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        names.push_back(entry.path().lexically_relative(folder));
    std::sort(names.begin(), names.end());
    return names;
}

// The bytes the editor's own export makes of a recipe at a format and resolution.
std::string editorExport(const std::filesystem::path& recipeFile, ExportFormat format,
                         ExportResolution resolution) {
    const std::string document = fileText(recipeFile);
    NotchViewModel::Services services;
    services.preferences = std::make_shared<MemoryPreferences>();
    services.paths = std::make_shared<FixedPaths>(std::nullopt);
    NotchViewModel model(services);
    model.applyRecipe(decodeRecipeDocument(document));
    model.setExportFormat(format);
    model.setExportResolution(resolution);
    return std::string(WallpaperExport::fileData(makeExportSettings(model)).bytes());
}

const std::vector<std::string> fixtures = {"gradient", "grain-gradient", "smooth-gradient", "photo"};

TEST(GlimoraRender, EveryFixtureRendersAtHdInBothFormatsAsTheEditorExports) {
    test::TempDir home, out;
    for (const std::string& name : fixtures) {
        for (const ExportFormat format : {ExportFormat::png, ExportFormat::svg}) {
            SCOPED_TRACE(name + " " + std::string(rawValue(format)));
            const auto file = out.path() / (name + "." + std::string(rawValue(format)));
            const ToolRun run = runRender({fixture(name).string(), "-o", file.string(), "--format",
                                       std::string(rawValue(format)), "--resolution", "hd"},
                                      home.path());
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_EQ(run.standardError, "");
            EXPECT_EQ(run.standardOutput, "");
            const std::string written = fileText(file);
            if (format == ExportFormat::png)
                EXPECT_EQ(written.substr(1, 3), "PNG");
            else
                EXPECT_NE(written.find("viewBox=\"0 0 1920 1080\""), std::string::npos);
            EXPECT_TRUE(written == editorExport(fixture(name), format, ExportResolution::hd));
        }
    }
    EXPECT_EQ(entries(out.path()).size(), fixtures.size() * 2);
    // Nothing of the user's was read into being or written.
    EXPECT_TRUE(entries(home.path()).empty());
}

TEST(GlimoraRender, FormatAndResolutionDefaultToTheRecipesOwn) {
    test::TempDir home, out;
    // The smooth fixture asks for svg at hd, the gradient fixture for png at fourK.
    const ToolRun svg = runRender({fixture("smooth-gradient").string(), "-o", (out.path() / "smooth").string()},
                              home.path());
    EXPECT_EQ(svg.exitCode, 0) << svg.standardError;
    const std::string text = fileText(out.path() / "smooth");
    EXPECT_TRUE(text.starts_with("<svg ")) << text.substr(0, 20);
    EXPECT_NE(text.find("viewBox=\"0 0 1920 1080\""), std::string::npos);

    const ToolRun png = runRender(
        {"--format=png", "-o", (out.path() / "wide.png").string(), fixture("gradient").string()}, home.path());
    EXPECT_EQ(png.exitCode, 0) << png.standardError;
    const auto bytes = test::readFile(out.path() / "wide.png");
    ASSERT_GE(bytes.size(), 24u);
    // The header's width and height: 3840 x 2160.
    EXPECT_EQ((std::vector<unsigned char>(bytes.begin() + 16, bytes.begin() + 24)),
              (std::vector<unsigned char>{0, 0, 0x0F, 0x00, 0, 0, 0x08, 0x70}));
}

TEST(GlimoraRender, BadInputExitsOneWithALineAndWritesNothing) {
    test::TempDir home, dir;
    const auto out = dir.path() / "out.png";
    test::writeFile(dir.path() / "not-json.ombriq", "{ this is not json");
    test::writeFile(dir.path() / "not-a-recipe.ombriq", "{\"name\": \"x\"}");
    // A photo recipe that does not carry its photo cannot be rendered as one.
    std::string photoless = fileText(fixture("photo"));
    const auto image = photoless.find("  \"image\": {");
    ASSERT_NE(image, std::string::npos);
    photoless.erase(image, photoless.find("},\n", image) + 3 - image);
    test::writeFile(dir.path() / "photoless.ombriq", photoless);
    test::writeFile(dir.path() / "plain", "a regular file");
    const std::string recipe = fixture("gradient").string();

    // Input that cannot be rendered is one line; a command line at fault
    // adds the hint to --help.
    const std::vector<std::pair<bool, std::vector<std::string>>> cases = {
        {false, {(dir.path() / "missing.ombriq").string(), "-o", out.string()}},
        {false, {(dir.path() / "not-json.ombriq").string(), "-o", out.string()}},
        {false, {(dir.path() / "not-a-recipe.ombriq").string(), "-o", out.string()}},
        {false, {(dir.path() / "photoless.ombriq").string(), "-o", out.string()}},
        {false, {dir.path().string(), "-o", out.string()}},
        {false, {recipe, "-o", (dir.path() / "plain" / "out.png").string(), "--resolution", "hd"}},
        {false, {recipe, "-o", (dir.path() / "no-such-folder" / "out.png").string(), "--resolution", "hd"}},
        {false, {recipe, "-o", dir.path().string(), "--resolution", "hd"}},
        {true, {recipe, "-o", out.string(), "--quality", "9"}},
        {true, {recipe, "-o", out.string(), "--format", "jpeg"}},
        {true, {recipe, "-o", out.string(), "--resolution", "8k"}},
        {true, {recipe, "-o", out.string(), "--format"}},
        {true, {recipe, "-o"}},
        {true, {recipe}},
        {true, {"-o", out.string()}},
        {true, {recipe, recipe, "-o", out.string()}},
        {true, {}},
    };
    const std::string hint = "Try 'glimora-render --help' for more information.\n";
    const std::vector<std::string> before = entries(dir.path());
    for (const auto& [usage, arguments] : cases) {
        std::string shown;
        for (const auto& a : arguments) shown += a + " ";
        SCOPED_TRACE(shown);
        const ToolRun run = runRender(arguments, home.path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.standardError.starts_with("glimora-render: ")) << run.standardError;
        EXPECT_EQ(std::count(run.standardError.begin(), run.standardError.end(), '\n'), usage ? 2 : 1);
        EXPECT_EQ(run.standardError.ends_with("\n" + hint), usage) << run.standardError;
        EXPECT_TRUE(run.standardError.ends_with("\n"));
        EXPECT_EQ(run.standardOutput, "");
        EXPECT_EQ(entries(dir.path()), before);
    }
    EXPECT_EQ(runRender({recipe, "-o", out.string(), "--format", "jpeg"}, home.path()).standardError,
              "glimora-render: invalid value 'jpeg' for '--format' (png|svg)\n" + hint);
    EXPECT_TRUE(entries(home.path()).empty());
}

TEST(GlimoraRender, HelpPrintsTheUsageAndRendersNothing) {
    test::TempDir home;
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--help"}, {"-h"}, {"recipe.ombriq", "--help", "-o", "out.png"}}) {
        const ToolRun run = runRender(arguments, home.path());
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.standardOutput.starts_with("Usage: glimora-render RECIPE -o OUT")) << run.standardOutput;
        EXPECT_EQ(run.standardError, "");
    }
    EXPECT_TRUE(entries(home.path()).empty());
}

TEST(GlimoraRender, ReplacesAnExistingFileWhole) {
    test::TempDir home, dir;
    const auto out = dir.path() / "wall.svg";
    test::writeFile(out, std::string(10'000'000, 'x'));
    const ToolRun run = runRender({fixture("smooth-gradient").string(), "-o", out.string()}, home.path());
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    const std::string text = fileText(out);
    EXPECT_TRUE(text.starts_with("<svg "));
    EXPECT_EQ(text.find('x' + std::string(20, 'x')), std::string::npos);
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"wall.svg"});
}

}  // namespace
}  // namespace glimora

#endif
