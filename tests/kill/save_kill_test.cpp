// Saving survives a kill at any moment: a helper saves a file over and over,
// alternating two versions, and is killed with SIGKILL at random moments.
// After every kill the file reads back as one of the two versions, and once
// the next save has succeeded no temporary file of a killed save is left.
// An export is written in steps the test releases one by one, so that every
// kill lands inside the write at a point the test chose.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

// The running save loop: its stdout the read end of a pipe, its stdin the
// write end of another.
struct SaveLoop {
    pid_t pid = -1;
    int output = -1;
    int input = -1;
};

SaveLoop startSaveLoop(const std::string& mode, const fs::path& file) {
    int fromLoop[2], toLoop[2];
    if (::pipe(fromLoop) != 0) return {};
    if (::pipe(toLoop) != 0) {
        ::close(fromLoop[0]);
        ::close(fromLoop[1]);
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fromLoop[1], STDOUT_FILENO);
        ::dup2(toLoop[0], STDIN_FILENO);
        for (const int end : {fromLoop[0], fromLoop[1], toLoop[0], toLoop[1]}) ::close(end);
        ::execl(GLIMORA_SAVE_LOOP_BINARY, GLIMORA_SAVE_LOOP_BINARY, mode.c_str(), file.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(fromLoop[1]);
    ::close(toLoop[0]);
    return {pid, fromLoop[0], toLoop[1]};
}

// Kills the loop and reaps it; true when the kill is what ended it.
bool killSaveLoop(const SaveLoop& loop) {
    ::kill(loop.pid, SIGKILL);
    int status = 0;
    ::waitpid(loop.pid, &status, 0);
    ::close(loop.output);
    ::close(loop.input);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// The loop's next byte; 0 when it ended or said nothing for a minute.
char nextByte(const SaveLoop& loop) {
    pollfd entry{loop.output, POLLIN, 0};
    if (::poll(&entry, 1, 60'000) != 1) return 0;
    char byte = 0;
    return ::read(loop.output, &byte, 1) == 1 ? byte : 0;
}

// Waits for the loop's first successful save; false when it ended or took
// longer than a minute.
bool waitForFirstSave(const SaveLoop& loop) { return nextByte(loop) == 's'; }

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

std::vector<fs::path> temporariesOf(const fs::path& folder, pid_t pid) {
    std::vector<fs::path> found;
    const std::string own = ".tmp-" + std::to_string(long(pid)) + "-";
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(own) != std::string::npos) found.push_back(entry.path());
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
        EXPECT_TRUE(killSaveLoop(loop)) << "kill " << kill << ": the save loop ended by itself";
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

// Kills the export loop `kills` times, each inside the write of its first,
// second or third save, after a random number of the write's steps. After
// each kill the file is still the version the killed save was replacing, and
// the killed save's temporary holds the start of the new version, no more.
void killInsideExportWrites(const fs::path& file, int kills, const std::vector<std::uint8_t> (&versions)[2],
                            const std::function<int()>& versionOf) {
    std::mt19937 random(20261209u);
    int inFile = versionOf();
    ASSERT_NE(inFile, -1);
    int seen[2] = {0, 0};
    const char goAhead = 'g';
    for (int kill = 0; kill < kills; ++kill) {
        // The loop's saves write versions 0, 1, 0...
        const int save = std::uniform_int_distribution<int>(1, 3)(random);
        const int writing = (save - 1) % 2;
        const int replacing = save == 1 ? inFile : 1 - writing;
        const std::size_t steps = (versions[writing].size() + exportStep - 1) / exportStep;
        ASSERT_GE(steps, 3u) << "the export is too small to be killed inside its write: " << versions[writing].size();
        // Released up to and including this step; the next one is under way
        // or waiting when the kill comes, and it is never the last.
        const std::size_t lastReleased = std::uniform_int_distribution<std::size_t>(1, steps - 2)(random);

        const SaveLoop loop = startSaveLoop("export", file);
        ASSERT_GT(loop.pid, 0);
        int saves = 0;
        std::size_t stepsOfThisSave = 0;
        bool reached = false;
        while (!reached) {
            const char byte = nextByte(loop);
            if (byte == 's') {
                // The loop's first save has replaced the file: what killed saves left is gone.
                if (saves == 0)
                    EXPECT_EQ(temporariesNotOf(file.parent_path(), loop.pid), std::vector<fs::path>()) << "kill " << kill;
                ++saves;
                stepsOfThisSave = 0;
                continue;
            }
            if (byte != 'c') break;
            ++stepsOfThisSave;
            reached = saves + 1 == save && stepsOfThisSave == lastReleased;
            if (::write(loop.input, &goAhead, 1) != 1) break;
        }
        if (reached)
            std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 300)(random)));
        EXPECT_TRUE(killSaveLoop(loop)) << "kill " << kill << ": the save loop ended by itself";
        ASSERT_TRUE(reached) << "kill " << kill << ": the save loop stopped before save " << save << " step "
                             << lastReleased;

        // Earlier kills' temporaries stay until a save succeeds.
        const auto temporaries = temporariesOf(file.parent_path(), loop.pid);
        ASSERT_EQ(temporaries.size(), 1u) << "kill " << kill << ": the killed save's temporary";
        const auto part = test::readFile(temporaries[0]);
        EXPECT_GE(part.size(), lastReleased * exportStep) << "kill " << kill;
        EXPECT_LE(part.size(), (lastReleased + 1) * exportStep) << "kill " << kill;
        EXPECT_TRUE(part.size() <= versions[writing].size() &&
                    std::equal(part.begin(), part.end(), versions[writing].begin()))
            << "kill " << kill << ": the temporary is not the start of the version being written";

        const int version = versionOf();
        ASSERT_EQ(version, replacing) << "kill " << kill << " in save " << save;
        ++seen[version];
        inFile = version;
    }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
}

TEST(SaveKill, AnExportSurvives100KillsInsideItsWrite) {
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
    killInsideExportWrites(file, 100, exports, versionOf);
}

}  // namespace
}  // namespace glimora
