#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/clock.hpp"
#include "platform/file_read.hpp"
#include "platform/preferences.hpp"
#include "platform/scheduler.hpp"
#include "tests/support/platform_fakes.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

TEST(Preferences, TypedReadsTreatOtherTypesAsAbsent) {
    MemoryPreferences preferences;
    preferences.setValue("text", "left");
    preferences.setValue("whole", 420);
    preferences.setValue("fraction", 420.5);
    preferences.setValue("flag", true);
    preferences.setValue("list", nlohmann::json::array({"a"}));

    EXPECT_EQ(preferences.stringValue("text"), "left");
    EXPECT_EQ(preferences.stringValue("whole"), std::nullopt);
    EXPECT_EQ(preferences.doubleValue("whole"), 420);
    EXPECT_EQ(preferences.doubleValue("fraction"), 420.5);
    EXPECT_EQ(preferences.doubleValue("flag"), std::nullopt);
    EXPECT_EQ(preferences.doubleValue("text"), std::nullopt);
    EXPECT_EQ(preferences.stringValue("list"), std::nullopt);
    EXPECT_EQ(preferences.value("missing"), std::nullopt);

    preferences.setValue("text", 3);
    EXPECT_EQ(preferences.stringValue("text"), std::nullopt);
    EXPECT_EQ(preferences.values().size(), 5u);
}

TEST(SystemClock, CountsFromTheStartOf2001) {
    const auto unix = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_NEAR(SystemClock().now(), unix - 978307200.0, 5);
    EXPECT_GT(SystemClock().now(), 7e8);  // after 2023
}

TEST(Scheduler, CancelledDelayedWorkNeverRuns) {
    test::ManualScheduler scheduler;
    std::vector<std::string> ran;
    const TaskHandle first = scheduler.after(1, [&] { ran.push_back("first"); });
    const TaskHandle second = scheduler.after(2, [&] { ran.push_back("second"); });
    scheduler.after(0.5, [&] { ran.push_back("early"); });
    first.cancel();
    EXPECT_TRUE(first.isCancelled());
    EXPECT_FALSE(second.isCancelled());
    scheduler.advance(1.5);
    EXPECT_EQ(ran, std::vector<std::string>{"early"});
    scheduler.advance(1);
    EXPECT_EQ(ran, (std::vector<std::string>{"early", "second"}));

    const TaskHandle none;
    EXPECT_FALSE(none.isValid());
    none.cancel();
    EXPECT_FALSE(none.isCancelled());
}

class FileRead : public ::testing::Test {
protected:
    test::TempDir folder;
};

TEST_F(FileRead, WholeFileUpToTheCap) {
    const auto path = folder.path() / "ten.bin";
    test::writeFile(path, "0123456789");
    const std::string text = "0123456789";
    EXPECT_EQ(readFileLimited(path, 10), std::vector<std::uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(readFileLimited(path, 9), std::nullopt);
    const auto empty = folder.path() / "empty.bin";
    test::writeFile(empty, "");
    EXPECT_EQ(readFileLimited(empty, 0), std::vector<std::uint8_t>{});
}

TEST_F(FileRead, OnlyRegularFilesThatExist) {
    EXPECT_EQ(readFileLimited(folder.path() / "missing", 100), std::nullopt);
    EXPECT_EQ(readFileLimited(folder.path(), 100), std::nullopt);
    const auto fifo = folder.path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(readFileLimited(fifo, 100), std::nullopt);  // and does not hang
    if (std::filesystem::exists("/dev/zero")) {
        EXPECT_EQ(readFileLimited("/dev/zero", 100), std::nullopt);
    }
}

}  // namespace
}  // namespace glimora
