// Saves one file for ever, alternating between its two sample versions, and
// writes one byte to stdout after each save that succeeded. The kill test
// runs it and kills it with SIGKILL at random moments.
//   glimora_save_loop library|preferences|export FILE
// An export is written in steps of exportStep bytes: after each step the loop
// writes 'c' to stdout and waits for one byte on stdin before the next, so
// that the test can kill it at a chosen point inside the write.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "model/recipe_library.hpp"
#include "platform/file_preferences.hpp"
#include "tests/kill/save_kill_samples.hpp"

namespace {

using namespace glimora;
using namespace glimora::test::save_kill;

void announceSave() {
    const char byte = 's';
    if (::write(STDOUT_FILENO, &byte, 1) != 1) ::_exit(3);
}

[[noreturn]] void saveLibraries(const std::filesystem::path& file) {
    const std::vector<DesignRecipe> libraries[2] = {library(0), library(1)};
    for (int round = 0;; round ^= 1) {
        if (!saveRecipeHistory(libraries[round], file, [](std::string_view line) {
                std::fprintf(stderr, "%.*s\n", int(line.size()), line.data());
            }))
            ::_exit(2);
        announceSave();
    }
}

class StderrLogger final : public Logger {
public:
    void log(std::string_view line) override { std::fprintf(stderr, "%.*s\n", int(line.size()), line.data()); }
};

[[noreturn]] void savePreferences(const std::filesystem::path& file) {
    const std::string values[2] = {preferenceValue(0), preferenceValue(1)};
    FilePreferences preferences(file, std::make_shared<StderrLogger>());
    for (int round = 0;; round ^= 1) {
        preferences.setValue(preferenceKey, values[round]);
        if (preferences.value(preferenceKey) != nlohmann::json(values[round])) ::_exit(2);
        announceSave();
    }
}

// Writes at most one step, then reports it and waits for the go-ahead.
long steppedWrite(int fd, const void* data, std::size_t size) {
    const long written = long(::write(fd, data, std::min(size, exportStep)));
    if (written <= 0) return written;
    const char step = 'c';
    char goAhead = 0;
    if (::write(STDOUT_FILENO, &step, 1) != 1 || ::read(STDIN_FILENO, &goAhead, 1) != 1) ::_exit(3);
    return written;
}

// The editor's own export: snapshot, render and encode, atomic write. Each
// save starts from a fresh editor, so that each version is one design.
[[noreturn]] void saveExports(const std::filesystem::path& file) {
    const DesignRecipe recipes[2] = {exportRecipe(0), exportRecipe(1)};
    for (int round = 0;; round ^= 1) {
        test::ModelHarness harness;
        auto services = harness.services();
        services.writeExport = steppedWrite;
        const auto model = std::make_unique<NotchViewModel>(services);
        model->applyRecipe(recipes[round]);
        model->exportWallpaper(file);
        harness.scheduler->runUntilIdle();
        if (model->exportStatus() != "Saved") {
            std::fprintf(stderr, "export status: %s\n", model->exportStatus().c_str());
            ::_exit(2);
        }
        announceSave();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: glimora_save_loop library|preferences|export FILE\n");
        return 1;
    }
    const std::string_view mode = argv[1];
    const std::filesystem::path file = argv[2];
    if (mode == "library") saveLibraries(file);
    if (mode == "preferences") savePreferences(file);
    if (mode == "export") saveExports(file);
    std::fprintf(stderr, "unknown mode %s\n", argv[1]);
    return 1;
}
