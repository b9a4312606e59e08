#include <gtest/gtest.h>

#include <cstdio>

#include "platform/autostart_entry.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using Status = LoginItem::Status;

std::string fileText(const std::filesystem::path& file) {
    const auto bytes = test::readFile(file);
    return {bytes.begin(), bytes.end()};
}

// What a launcher makes of an Exec value with one argument: string escapes
// first, then the quoting, then the %% field code.
std::string launchedProgram(const std::string& value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            unescaped += value[i];
            continue;
        }
        const char next = i + 1 < value.size() ? value[++i] : '?';
        switch (next) {
        case 'n': unescaped += '\n'; break;
        case 't': unescaped += '\t'; break;
        case 'r': unescaped += '\r'; break;
        case 's': unescaped += ' '; break;
        case '\\': unescaped += '\\'; break;
        default: ADD_FAILURE() << "undefined string escape in " << value;
        }
    }
    EXPECT_GE(unescaped.size(), 2u);
    EXPECT_EQ(unescaped.front(), '"');
    EXPECT_EQ(unescaped.back(), '"');
    std::string argument;
    for (std::size_t i = 1; i + 1 < unescaped.size(); ++i) {
        char c = unescaped[i];
        if (c == '\\') {
            c = unescaped[++i];
            EXPECT_TRUE(c == '"' || c == '`' || c == '$' || c == '\\') << "stray escape in " << value;
        } else {
            EXPECT_TRUE(c != '"' && c != '`' && c != '$') << "unescaped reserved character in " << value;
        }
        if (c == '%') {
            EXPECT_EQ(unescaped[i + 1], '%');
            ++i;
        }
        argument += c;
    }
    return argument;
}

// What desktop-file-validate (desktop-file-utils) says of the file: nothing when it is valid.
std::string desktopFileComplaints(const std::filesystem::path& file) {
    const std::string command = "desktop-file-validate '" + file.string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return "could not run desktop-file-validate";
    std::string output;
    char buffer[256];
    while (const std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
    const int status = ::pclose(pipe);
    if (status != 0 && output.empty()) return "desktop-file-validate failed (Debian package desktop-file-utils)";
    return output;
}

TEST(AutostartEntry, ExecValueQuotesThePathAsDesktopEntriesRequire) {
    EXPECT_EQ(AutostartEntry::execValue("/usr/bin/glimora"), R"("/usr/bin/glimora")");
    EXPECT_EQ(AutostartEntry::execValue("/opt/My Apps/glimora"), R"("/opt/My Apps/glimora")");
    // A literal dollar sign is \\$ in the file and a backslash four of them.
    EXPECT_EQ(AutostartEntry::execValue("/a$b/glimora"), R"("/a\\$b/glimora")");
    EXPECT_EQ(AutostartEntry::execValue(R"(/a\b/glimora)"), R"("/a\\\\b/glimora")");
    EXPECT_EQ(AutostartEntry::execValue("/50%/glimora"), R"("/50%%/glimora")");
    EXPECT_EQ(AutostartEntry::execValue("/a\"b`c/glimora"), R"("/a\\"b\\`c/glimora")");
    EXPECT_EQ(AutostartEntry::execValue("/a\nb\tc/glimora"), R"("/a\nb\tc/glimora")");

    for (const std::string path : {"/usr/bin/glimora", "/home/zoë/Apps & Tools/(new)/glimora",
                                   "/x/'quoted' \"double\" `tick` $HOME ~ | ; < > * ? #/glimora",
                                   "/back\\slash/100%/glimora", "/line\nbreak/tab\there/glimora"})
        EXPECT_EQ(launchedProgram(AutostartEntry::execValue(path)), path);
}

TEST(AutostartEntry, RegisterWritesTheEntryAndStatusFollowsIt) {
    test::TempDir home;
    const auto config = home.path() / "config";
    const std::filesystem::path program = "/opt/Glimora Studio/bin/glimora";
    AutostartEntry entry(config, program);
    EXPECT_EQ(entry.entryFile(), config / "autostart" / "glimora.desktop");
    EXPECT_EQ(entry.status(), Status::notRegistered);

    EXPECT_EQ(entry.registerItem(), std::nullopt);
    EXPECT_EQ(fileText(config / "autostart/glimora.desktop"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Glimora\n"
              "Comment=Desktop wallpaper studio\n"
              "Exec=\"/opt/Glimora Studio/bin/glimora\"\n"
              "Icon=glimora\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(entry.status(), Status::enabled);
    EXPECT_EQ(desktopFileComplaints(config / "autostart/glimora.desktop"), "");
    // An entry that starts another copy of the program is not ours.
    EXPECT_EQ(AutostartEntry(config, "/usr/bin/glimora").status(), Status::notRegistered);

    EXPECT_EQ(entry.unregisterItem(), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(config / "autostart/glimora.desktop"));
    EXPECT_EQ(entry.status(), Status::notRegistered);
    EXPECT_EQ(entry.unregisterItem(), std::nullopt);  // already gone is no failure
}

TEST(AutostartEntry, EntriesSwitchedOffByTheDesktopAwaitTheUsersWord) {
    test::TempDir home;
    AutostartEntry entry(home.path(), "/usr/bin/glimora");
    const auto file = home.path() / "autostart/glimora.desktop";
    const std::string head = "# edited by hand\n[Desktop Entry]\nType=Application\nExec = \"/usr/bin/glimora\"\r\n";
    test::writeFile(file, head);
    EXPECT_EQ(entry.status(), Status::enabled);
    test::writeFile(file, head + "Hidden=true\n");
    EXPECT_EQ(entry.status(), Status::requiresApproval);
    // Switched off whichever copy of the program it starts.
    test::writeFile(file, "[Desktop Entry]\nExec=/bin/true\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_EQ(entry.status(), Status::requiresApproval);
    EXPECT_EQ(AutostartEntry(home.path(), "").status(), Status::requiresApproval);
    // Registering turns it back on.
    EXPECT_EQ(entry.registerItem(), std::nullopt);
    EXPECT_EQ(entry.status(), Status::enabled);
    EXPECT_EQ(fileText(file).find("Hidden"), std::string::npos);
    // Keys of other groups are not the entry's.
    test::writeFile(file, "[Desktop Action x]\nExec=\"/usr/bin/glimora\"\n[Desktop Entry]\nExec=/bin/true\n");
    EXPECT_EQ(entry.status(), Status::notRegistered);
    test::writeFile(file, "[Desktop Entry]\nExec=\"/usr/bin/glimora\"\n[Desktop Action x]\nHidden=true\n");
    EXPECT_EQ(entry.status(), Status::enabled);
    test::writeFile(file, std::string(70 * 1024, '#'));
    EXPECT_EQ(entry.status(), Status::notRegistered);
}

TEST(AutostartEntry, PathsThatCannotBeWrittenAndMissingFoldersFail) {
    test::TempDir home;
    EXPECT_TRUE(AutostartEntry(home.path(), "glimora").registerItem());                 // relative
    EXPECT_TRUE(AutostartEntry(home.path(), "/opt/\xff\xfe/glimora").registerItem());   // not UTF-8
    EXPECT_TRUE(AutostartEntry(home.path(), "/opt/bell\x07/glimora").registerItem());   // control
    EXPECT_TRUE(AutostartEntry(home.path(), "").registerItem());
    EXPECT_FALSE(std::filesystem::exists(home.path() / "autostart/glimora.desktop"));

    AutostartEntry nowhere(std::nullopt, "/usr/bin/glimora");
    EXPECT_TRUE(nowhere.registerItem());
    EXPECT_TRUE(nowhere.unregisterItem());
    EXPECT_EQ(nowhere.status(), Status::notRegistered);

    // A file where the autostart folder should be.
    test::writeFile(home.path() / "blocked/autostart", "not a folder");
    const auto failure = AutostartEntry(home.path() / "blocked", "/usr/bin/glimora").registerItem();
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("autostart"), std::string::npos) << *failure;
}

TEST(AutostartEntry, CurrentExecutableIsThisTestProgram) {
    const auto self = AutostartEntry::currentExecutable();
    ASSERT_TRUE(self);
    EXPECT_TRUE(self->is_absolute());
    EXPECT_EQ(*self, std::filesystem::canonical(*self));
    EXPECT_EQ(self->filename(), "glimora_platform_tests");
}

}  // namespace
}  // namespace glimora
