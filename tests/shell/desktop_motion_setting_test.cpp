#include "platform/qt/desktop_motion_setting.hpp"

#include <gtest/gtest.h>

#include <QFile>

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

}  // namespace
}  // namespace glimora
