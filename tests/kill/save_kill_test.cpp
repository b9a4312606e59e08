// Saving survives a kill at any moment: a helper saves a file over and over,
// alternating two versions, and is killed with SIGKILL at random moments.
// After every kill the file reads back as one of the two versions, and once
// the next save has succeeded no temporary file of a killed save is left.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "model/recipe_library.hpp"
#include "platform/file_preferences.hpp"
#include "tests/kill/save_kill_samples.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

namespace fs = std::filesystem;
using namespace test::save_kill;

// The running save loop, its stdout the read end of a pipe.
struct SaveLoop {
    pid_t pid = -1;
    int output = -1;
};

SaveLoop startSaveLoop(const std::string& mode, const fs::path& file) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::execl(GLIMORA_SAVE_LOOP_BINARY, GLIMORA_SAVE_LOOP_BINARY, mode.c_str(), file.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    return {pid, pipeEnds[0]};
}

// Waits for the loop's first successful save; false when it ended or took
// longer than a minute.
bool waitForFirstSave(const SaveLoop& loop) {
    pollfd entry{loop.output, POLLIN, 0};
    if (::poll(&entry, 1, 60'000) != 1) return false;
    char byte = 0;
    return ::read(loop.output, &byte, 1) == 1 && byte == 's';
}

// Temporaries in the folder not made by the given process.
std::vector<fs::path> temporariesNotOf(const fs::path& folder, pid_t pid) {
    std::vector<fs::path> found;
    const std::string own = ".tmp-" + std::to_string(long(pid)) + "-";
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos && name.find(own) == std::string::npos)
            found.push_back(entry.path());
    }
    return found;
}

std::size_t temporariesIn(const fs::path& folder) {
    return temporariesNotOf(folder, 0).size();
}

// Kills the loop `kills` times, each time after its first save and a random
// delay of up to maxDelay; `versionOf` says which version (0 or 1) the file
// holds, or -1 for neither. Returns how many kills left a temporary behind
// (a kill in the middle of a save).
int killRepeatedly(const std::string& mode, const fs::path& file, int kills, std::chrono::microseconds maxDelay,
                   const std::function<int()>& versionOf) {
    std::mt19937 random(20261209u + std::uint32_t(mode.size()));
    std::uniform_int_distribution<long> delay(0, long(maxDelay.count()));
    int midSave = 0;
    int seen[2] = {0, 0};
    for (int kill = 0; kill < kills; ++kill) {
        const SaveLoop loop = startSaveLoop(mode, file);
        EXPECT_GT(loop.pid, 0);
        if (loop.pid <= 0) return midSave;
        const bool saved = waitForFirstSave(loop);
        EXPECT_TRUE(saved) << "kill " << kill << ": the save loop never saved";
        // The loop's first save has replaced the file: what killed saves left is gone.
        if (saved) EXPECT_EQ(temporariesNotOf(file.parent_path(), loop.pid), std::vector<fs::path>()) << "kill " << kill;
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(loop.pid, SIGKILL);
        int status = 0;
        ::waitpid(loop.pid, &status, 0);
        ::close(loop.output);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "kill " << kill << ": the save loop ended by itself, status " << status;
        if (temporariesIn(file.parent_path()) > 0) ++midSave;
        const int version = versionOf();
        EXPECT_NE(version, -1) << "kill " << kill << ": the file is neither version";
        if (version == -1) return midSave;
        ++seen[version];
    }
    // Both versions were there to be seen, or the kills did not land at random.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    return midSave;
}

TEST(SaveKill, TheLibraryFileSurvives200Kills) {
    test::TempDir home;
    const fs::path file = home.path() / "Ombriq" / "recipes.json";
    const std::vector<DesignRecipe> libraries[2] = {library(0), library(1)};
    ASSERT_TRUE(saveRecipeHistory(libraries[1], file, {}));
    const auto versionOf = [&]() -> int {
        std::size_t logged = 0;
        const auto loaded = loadRecipeHistory(file, [&logged](std::string_view) { ++logged; },
                                              RecipeHistoryAccess::readOnly);
        if (logged > 0) return -1;
        if (loaded == libraries[0]) return 0;
        if (loaded == libraries[1]) return 1;
        return -1;
    };
    const int midSave = killRepeatedly("library", file, 200, std::chrono::milliseconds(40), versionOf);
    std::printf("kills in the middle of a library save: %d of 200\n", midSave);
    EXPECT_GT(midSave, 0) << "no kill landed in the middle of a save";

    ASSERT_TRUE(saveRecipeHistory(libraries[0], file, {}));
    EXPECT_EQ(temporariesIn(file.parent_path()), 0u);
    EXPECT_EQ(versionOf(), 0);
}

TEST(SaveKill, ThePreferencesFileSurvives100Kills) {
    test::TempDir home;
    const fs::path file = home.path() / "glimora" / "preferences.json";
    fs::create_directories(file.parent_path());
    auto logger = std::make_shared<test::RecordingLogger>();
    FilePreferences(file, logger).setValue(preferenceKey, preferenceValue(1));
    const auto versionOf = [&]() -> int {
        auto logger = std::make_shared<test::RecordingLogger>();
        const FilePreferences loaded(file, logger);
        if (!logger->lines.empty()) return -1;
        const auto value = loaded.stringValue(preferenceKey);
        if (value == preferenceValue(0)) return 0;
        if (value == preferenceValue(1)) return 1;
        return -1;
    };
    const int midSave = killRepeatedly("preferences", file, 100, std::chrono::milliseconds(30), versionOf);
    std::printf("kills in the middle of a preferences save: %d of 100\n", midSave);
    EXPECT_GT(midSave, 0) << "no kill landed in the middle of a save";

    FilePreferences(file, logger).setValue(preferenceKey, preferenceValue(0));
    EXPECT_EQ(temporariesIn(file.parent_path()), 0u);
    EXPECT_EQ(versionOf(), 0);
}

TEST(SaveKill, AnExportSurvives100Kills) {
    test::TempDir home;
    const fs::path file = home.path() / "Pictures" / "wallpaper.png";
    fs::create_directories(file.parent_path());
    const std::vector<std::uint8_t> exports[2] = {exportBytes(0), exportBytes(1)};
    ASSERT_NE(exports[0], exports[1]);
    test::writeFile(file, std::string(exports[1].begin(), exports[1].end()));
    const auto versionOf = [&]() -> int {
        const auto bytes = test::readFile(file);
        const std::vector<std::uint8_t> contents(bytes.begin(), bytes.end());
        if (contents == exports[0]) return 0;
        if (contents == exports[1]) return 1;
        return -1;
    };
    const int midSave = killRepeatedly("export", file, 100, std::chrono::milliseconds(250), versionOf);
    std::printf("kills in the middle of an export: %d of 100\n", midSave);
    EXPECT_GT(midSave, 0) << "no kill landed in the middle of a save";
}

}  // namespace
}  // namespace glimora
