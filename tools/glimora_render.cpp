// glimora-render: renders a recipe document to a PNG or SVG file headless,
// through the editor state's own export, for tests, benchmarks and CI.
//
//   glimora-render RECIPE -o OUT [--format png|svg] [--resolution hd|fourK|sixK]
//
// The recipe is applied to a fresh editor state whose preferences, paths and
// library live in memory, so the user's files are never read or written. The
// format and resolution default to the recipe's own. OUT is replaced
// atomically. Exit 0 on success; on bad input exit 1 with one line on stderr
// (and a second pointing to --help when the command line is at fault) and
// nothing written.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/design_options.hpp"
#include "model/recipe_json.hpp"
#include "model/utf8.hpp"
#include "platform/file_read.hpp"
#include "platform/program_output.hpp"
#include "state/notch_view_model.hpp"

namespace {

using namespace glimora;

constexpr const char* helpText =
    "Usage: glimora-render RECIPE -o OUT [--format png|svg] [--resolution hd|fourK|sixK]\n"
    "\n"
    "Renders a recipe document (.ombriq) to OUT, replaced atomically, through the\n"
    "application's own export. The format and resolution default to the recipe's.\n"
    "Exit status 0 on success, 1 on bad input (nothing is written then).\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT             the file to write\n"
    "  --format png|svg             the file's format\n"
    "  --resolution hd|fourK|sixK   1920x1080, 3840x2160 or 6016x3384\n"
    "  -h, --help                   print this help and exit\n"
    "  --version                    print the version and exit\n";

// Input that cannot be rendered: one line.
struct BadInput {
    std::string message;
};

// A command line that cannot be followed: a line and the hint to --help.
struct UsageError {
    std::string message;
};

// --help or --version among the options: print, render nothing.
struct HelpRequested {};
struct VersionRequested {};

struct Options {
    std::filesystem::path recipe;
    std::filesystem::path out;
    std::optional<ExportFormat> format;
    std::optional<ExportResolution> resolution;
};

// Keeps the model's log lines instead of sending them to the system log.
class CollectingLogger final : public Logger {
public:
    void log(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

std::string shown(const std::filesystem::path& path) { return replacingInvalidUtf8(path.string()); }

template <class E>
E parseOption(std::string_view option, std::string_view value) {
    if (const auto parsed = fromRawValue<E>(value)) return *parsed;
    std::string message = "invalid value " + quotedArgument(value) + " for " + quotedArgument(option) + " (";
    bool first = true;
    for (const E e : everyCase<E>()) {
        if (!first) message += '|';
        message.append(rawValue(e));
        first = false;
    }
    throw UsageError{message + ")"};
}

Options parseArguments(int argc, char* argv[]) {
    Options options;
    std::optional<std::filesystem::path> recipe, out;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            if (recipe) throw UsageError{"more than one recipe given: " + quotedArgument(argument)};
            recipe = std::filesystem::path(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") throw HelpRequested{};
        if (argument == "--version") throw VersionRequested{};
        // Each option takes a value, as the next argument or after "=".
        std::string_view name = argument, value;
        bool hasValue = false;
        const auto equals = argument.find('=');
        if (equals != std::string_view::npos && argument.starts_with("--")) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            hasValue = true;
        }
        const bool known = name == "-o" || name == "--output" || name == "--format" || name == "--resolution";
        if (!known) throw UsageError{"unknown option " + quotedArgument(argument)};
        if (!hasValue) {
            if (i + 1 >= argc) throw UsageError{"option " + quotedArgument(name) + " requires an argument"};
            value = argv[++i];
        }
        if (name == "-o" || name == "--output") {
            if (value.empty()) throw UsageError{"the output path is empty"};
            out = std::filesystem::path(value);
        } else if (name == "--format") {
            options.format = parseOption<ExportFormat>(name, value);
        } else {
            options.resolution = parseOption<ExportResolution>(name, value);
        }
    }
    if (!recipe) throw UsageError{"no recipe given"};
    if (!out) throw UsageError{"no output given (-o OUT)"};
    options.recipe = *recipe;
    options.out = *out;
    return options;
}

DesignRecipe readRecipe(const std::filesystem::path& file) {
    const auto bytes = readFileLimited(file, recipeFileSizeLimit);
    if (!bytes) throw BadInput{"cannot read the recipe \"" + shown(file) + "\""};
    try {
        return decodeRecipeDocument(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    } catch (const RecipeCodingError& error) {
        throw BadInput{"\"" + shown(file) + "\" is not a valid recipe: " + error.what()};
    }
}

void render(const Options& options) {
    const DesignRecipe recipe = readRecipe(options.recipe);
    std::error_code error;
    if (std::filesystem::is_directory(options.out, error))
        throw BadInput{"the output \"" + shown(options.out) + "\" is a folder"};
    auto logger = std::make_shared<CollectingLogger>();
    NotchViewModel::Services services;
    services.preferences = std::make_shared<MemoryPreferences>();
    services.paths = std::make_shared<FixedPaths>(std::nullopt);
    services.logger = logger;
    NotchViewModel model(services);
    model.applyRecipe(recipe);
    // The editor falls back to the gradient when a photo recipe's photo is
    // missing; a harness must not quietly render another design.
    if (recipe.wallpaperSource == "image" && model.wallpaperSource() != WallpaperSource::image)
        throw BadInput{"the recipe's photo could not be restored: " + model.imageStatus()};
    if (options.format) model.setExportFormat(*options.format);
    if (options.resolution) model.setExportResolution(*options.resolution);
    // Without a scheduler the export runs here and now.
    model.exportWallpaper(options.out);
    if (model.exportStatus() != "Saved") {
        std::string reason = logger->lines.empty() ? "the export failed" : logger->lines.back();
        for (char& c : reason)
            if (c == '\n' || c == '\r') c = ' ';
        throw BadInput{reason};
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    try {
        render(parseArguments(argc, argv));
        return 0;
    } catch (const HelpRequested&) {
        return printProgramText("glimora-render", helpText);
    } catch (const VersionRequested&) {
        return printProgramText("glimora-render", programVersionText("glimora-render", GLIMORA_VERSION));
    } catch (const UsageError& error) {
        return reportUsageError("glimora-render", error.message);
    } catch (const BadInput& error) {
        std::fprintf(stderr, "glimora-render: %s\n", error.message.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "glimora-render: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "glimora-render: the export failed\n");
    }
    return 1;
}
