#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/paths.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

// Sets environment variables for one test and puts the old values back after.
class Environment {
public:
    ~Environment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    void set(const std::string& name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class XdgPathsTest : public ::testing::Test {
protected:
    XdgPathsTest() {
        environment.set("HOME", home.path().string());
        environment.set("XDG_DATA_HOME", std::nullopt);
        environment.set("XDG_CONFIG_HOME", std::nullopt);
        environment.set("XDG_DOWNLOAD_DIR", std::nullopt);
        environment.set("XDG_PICTURES_DIR", std::nullopt);
    }
    test::TempDir home;
    Environment environment;
    XdgPaths paths;
};

TEST_F(XdgPathsTest, BaseFoldersFallBackToHome) {
    EXPECT_EQ(paths.dataHome(), home.path() / ".local/share");
    EXPECT_EQ(paths.configHome(), home.path() / ".config");
    EXPECT_EQ(paths.downloads(), home.path() / "Downloads");
    EXPECT_EQ(paths.pictures(), home.path() / "Pictures");
}

TEST_F(XdgPathsTest, AbsoluteVariablesWinAndRelativeOnesAreIgnored) {
    environment.set("XDG_DATA_HOME", "/srv/data");
    environment.set("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(paths.dataHome(), std::filesystem::path("/srv/data"));
    EXPECT_EQ(paths.configHome(), home.path() / ".config");
}

TEST_F(XdgPathsTest, UserDirsFileNamesTheDownloadAndPicturesFolders) {
    test::writeFile(home.path() / ".config/user-dirs.dirs",
                    "# written by xdg-user-dirs-update\n"
                    "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                    "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n"
                    "  XDG_PICTURES_DIR=\"/mnt/photos/My \\\"Best\\\"\"\n"
                    "XDG_DOWNLOAD_DIRX=\"/wrong\"\n");
    EXPECT_EQ(paths.downloads(), home.path() / "Téléchargements");
    EXPECT_EQ(paths.pictures(), std::filesystem::path("/mnt/photos/My \"Best\""));
}

TEST_F(XdgPathsTest, LaterLinesOverrideAndBadValuesAreSkipped) {
    environment.set("XDG_CONFIG_HOME", (home.path() / "cfg").string());
    test::writeFile(home.path() / "cfg/user-dirs.dirs",
                    "XDG_DOWNLOAD_DIR=\"$HOME/First\"\n"
                    "XDG_DOWNLOAD_DIR=\"$HOME/Second\"\n"
                    "XDG_DOWNLOAD_DIR=\"relative/ignored\"\n"
                    "XDG_PICTURES_DIR=\"$HOMEless\"\n"
                    "XDG_PICTURES_DIR=\"$HOME/unterminated\n");
    EXPECT_EQ(paths.downloads(), home.path() / "Second");
    environment.set("XDG_PICTURES_DIR", "/from/environment");
    EXPECT_EQ(paths.pictures(), std::filesystem::path("/from/environment"));
    test::writeFile(home.path() / "cfg/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/\"\n");
    EXPECT_EQ(paths.pictures(), home.path() / "");
}

TEST(FixedPathsTest, EverythingUnderOneRootOrNothing) {
    const FixedPaths rooted("/sandbox");
    EXPECT_EQ(rooted.dataHome(), std::filesystem::path("/sandbox/data"));
    EXPECT_EQ(rooted.downloads(), std::filesystem::path("/sandbox/Downloads"));
    const FixedPaths none(std::nullopt);
    EXPECT_EQ(none.dataHome(), std::nullopt);
    EXPECT_EQ(none.pictures(), std::nullopt);
}

}  // namespace
}  // namespace glimora
