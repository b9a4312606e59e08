#include "platform/qt/desktop_motion_setting.hpp"

#include <gtest/gtest.h>

#include <QFile>

#include <filesystem>
#include <fstream>

#include "tests/shell/fake_gsettings.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

TEST(DesktopMotionSetting, GnomeAnimationsOffMeanReducedMotion) {
    EXPECT_EQ(DesktopMotionSetting::reduceMotionFromGnome("false\n"), true);
    EXPECT_EQ(DesktopMotionSetting::reduceMotionFromGnome(" true"), false);
    EXPECT_EQ(DesktopMotionSetting::reduceMotionFromGnome(""), std::nullopt);
    EXPECT_EQ(DesktopMotionSetting::reduceMotionFromGnome("No such schema"), std::nullopt);
}

TEST(DesktopMotionSetting, KdeAnimationSpeedZeroMeansReducedMotion) {
    test::TempDir folder;
    const QString path = QString::fromStdString((folder.path() / "kdeglobals").string());
    EXPECT_EQ(DesktopMotionSetting::reduceMotionFromKde(path), std::nullopt);
    auto write = [&](const char* text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    write("[KDE]\nAnimationDurationFactor=0\n");
    EXPECT_EQ(DesktopMotionSetting::reduceMotionFromKde(path), true);
    write("[KDE]\nAnimationDurationFactor=0.5\n");
    EXPECT_EQ(DesktopMotionSetting::reduceMotionFromKde(path), false);
    write("[General]\nColorScheme=Breeze\n");
    EXPECT_EQ(DesktopMotionSetting::reduceMotionFromKde(path), std::nullopt);
}

using test::FakeGsettings;

// Still there: running, or ended and not yet reaped (a zombie of ours).
bool running(const std::string& pid) { return std::filesystem::exists("/proc/" + pid); }

// Made with the desktop window at start-up: it must not wait for the answer.
// The fake answers at once, so a constructor that waited would already hold it.
TEST(DesktopMotionSetting, TheDesktopIsAskedWithoutWaitingAndTheAnswerArrivesAsAChange) {
    const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    {
        FakeGsettings gsettings("false");
        DesktopMotionSetting setting;
        EXPECT_FALSE(setting.reduceMotion()) << "the constructor waited for gsettings";
        std::vector<bool> changes;
        QObject::connect(&setting, &DesktopMotionSetting::changed, [&changes](bool reduce) { changes.push_back(reduce); });
        EXPECT_TRUE(test::processEventsUntil([&] { return setting.reduceMotion(); }));
        EXPECT_EQ(changes, std::vector<bool>{true});
    }
    {
        FakeGsettings gsettings("true");
        DesktopMotionSetting setting;
        std::vector<bool> changes;
        QObject::connect(&setting, &DesktopMotionSetting::changed, [&changes](bool reduce) { changes.push_back(reduce); });
        // Once it watches, the answer has been read.
        EXPECT_TRUE(test::processEventsUntil([&] { return std::filesystem::exists(gsettings.watching()); }));
        EXPECT_FALSE(setting.reduceMotion());
        EXPECT_TRUE(changes.empty());
    }
    qputenv("XDG_CURRENT_DESKTOP", desktop);
}

TEST(DesktopMotionSetting, TheMonitorsChangesArriveAndItEndsWithTheSetting) {
    const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    // A line in two writes.
    FakeGsettings gsettings("true", "printf 'enable-animations: fa'; sleep 0.2; printf 'lse\\n'");
    std::string pid;
    {
        DesktopMotionSetting setting;
        EXPECT_TRUE(test::processEventsUntil([&] { return setting.reduceMotion(); }));
        ASSERT_TRUE(test::processEventsUntil([&] { return bool(std::ifstream(gsettings.monitorPidFile()) >> pid); }));
        EXPECT_TRUE(running(pid));
    }
    EXPECT_TRUE(test::processEventsUntil([&] { return !running(pid); }));
    qputenv("XDG_CURRENT_DESKTOP", desktop);
}

}  // namespace
}  // namespace glimora
