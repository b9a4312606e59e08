#include "platform/qt/desktop_motion_setting.hpp"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>

#include <filesystem>
#include <fstream>

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

// A gsettings that takes its time to answer and then watches: its monitor
// runs `watch` (shell commands), notes its process id, and stays.
class SlowGsettings {
public:
    explicit SlowGsettings(const char* answer, const char* watch = "") : path_(qgetenv("PATH")) {
        const auto script = folder_.path() / "gsettings";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "if [ \"$1\" = get ]; then sleep 0.4; echo "
                              << answer << "; exit 0; fi\n"
                              << watch << "\necho $$ > " << monitorPidFile().string() << "\nexec sleep 30\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        qputenv("PATH", QByteArray::fromStdString(folder_.path().string()) + ":" + path_);
    }
    ~SlowGsettings() { qputenv("PATH", path_); }
    std::filesystem::path monitorPidFile() const { return folder_.path() / "monitor.pid"; }

private:
    test::TempDir folder_;
    QByteArray path_;
};

// Running, as opposed to gone or ended and not yet reaped.
bool running(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string id, name, state;
    return stat >> id >> name >> state && state != "Z";
}

// Made with the desktop window at start-up: it must not wait for the answer.
TEST(DesktopMotionSetting, TheDesktopIsAskedWithoutWaitingAndTheAnswerArrivesAsAChange) {
    const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    {
        SlowGsettings gsettings("false");
        QElapsedTimer clock;
        clock.start();
        DesktopMotionSetting setting;
        EXPECT_LT(clock.elapsed(), 300) << "the constructor waited for gsettings";
        EXPECT_FALSE(setting.reduceMotion());
        std::vector<bool> changes;
        QObject::connect(&setting, &DesktopMotionSetting::changed, [&changes](bool reduce) { changes.push_back(reduce); });
        EXPECT_TRUE(test::processEventsUntil([&] { return setting.reduceMotion(); }));
        EXPECT_EQ(changes, std::vector<bool>{true});
    }
    {
        SlowGsettings gsettings("true");
        DesktopMotionSetting setting;
        test::processEventsFor(800);
        EXPECT_FALSE(setting.reduceMotion());
    }
    qputenv("XDG_CURRENT_DESKTOP", desktop);
}

TEST(DesktopMotionSetting, TheMonitorsChangesArriveAndItEndsWithTheSetting) {
    const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    // A line in two writes.
    SlowGsettings gsettings("true", "printf 'enable-animations: fa'; sleep 0.2; printf 'lse\\n'");
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
