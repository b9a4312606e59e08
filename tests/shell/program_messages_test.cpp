// What glimora, ombriq-saver and glimora-render say on their command line,
// run as the built programs: the version, help, a failed write of either,
// bad options, and the application and the saver's dialog without a display.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/build_configuration.hpp"

#if defined(GLIMORA_BINARY) && defined(GLIMORA_SAVER_BINARY) && defined(GLIMORA_RENDER_BINARY)

namespace glimora {
namespace {

struct ProgramRun {
    int status = -1;
    std::string text;
};

// Runs a shell command line; `text` is what reaches its standard output.
ProgramRun run(const std::string& command) {
    ProgramRun result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) result.text.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// What the program writes on stderr; its stdout goes nowhere.
ProgramRun errors(const std::string& program, const std::string& arguments) {
    return run(program + " " + arguments + " 2>&1 >/dev/null");
}

std::string usageError(const std::string& name, const std::string& reason) {
    return name + ": " + reason + "\nTry '" + name + " --help' for more information.\n";
}

struct Program {
    std::string name, path;
};

const std::vector<Program> programs = {
    {"glimora", GLIMORA_BINARY}, {"ombriq-saver", GLIMORA_SAVER_BINARY}, {"glimora-render", GLIMORA_RENDER_BINARY}};

TEST(ProgramMessages, VersionAndHelpAndTheirFailedWrites) {
    for (const Program& program : programs) {
        SCOPED_TRACE(program.name);
        const ProgramRun version = run(program.path + " --version 2>&1");
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.text, program.name + " " + std::string(build::version) + "\n");
        const ProgramRun help = run(program.path + " --help 2>&1");
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(help.text.starts_with("Usage: " + program.name + " ")) << help.text;
        EXPECT_NE(help.text.find("\n  --version "), std::string::npos) << help.text;
        for (const char* option : {"--help", "--version"}) {
            const ProgramRun full = run(program.path + " " + option + " 2>&1 >/dev/full");
            EXPECT_EQ(full.status, 1);
            EXPECT_EQ(full.text, program.name + ": write error: No space left on device\n");
            const ProgramRun closed = run(program.path + " " + option + " 2>&1 >&-");
            EXPECT_EQ(closed.status, 1);
            EXPECT_EQ(closed.text, program.name + ": write error: Bad file descriptor\n");
        }
    }
}

TEST(ProgramMessages, BadOptionsAreQuotedOneWayWithAHintToHelp) {
    for (const Program& program : programs) {
        SCOPED_TRACE(program.name);
        const ProgramRun unknown = run(program.path + " --foo 2>&1");
        EXPECT_EQ(unknown.status, 1);
        EXPECT_EQ(unknown.text, usageError(program.name, "unknown option '--foo'"));
    }
    EXPECT_EQ(errors(GLIMORA_BINARY, "picture.png").text, usageError("glimora", "unexpected argument 'picture.png'"));
    EXPECT_EQ(errors(GLIMORA_SAVER_BINARY, "-window-id").text,
              usageError("ombriq-saver", "option '-window-id' requires an argument"));
    EXPECT_EQ(errors(GLIMORA_SAVER_BINARY, "--window-id nowhere").text,
              usageError("ombriq-saver", "invalid value 'nowhere' for '--window-id' (a window id)"));
    EXPECT_EQ(errors(GLIMORA_RENDER_BINARY, "recipe.ombriq -o").text,
              usageError("glimora-render", "option '-o' requires an argument"));
    EXPECT_EQ(errors(GLIMORA_RENDER_BINARY, "recipe.ombriq -o out.png --resolution=8k").text,
              usageError("glimora-render", "invalid value '8k' for '--resolution' (hd|fourK|sixK)"));
}

TEST(ProgramMessages, WithoutADisplayTheApplicationAndTheSaversDialogSayItInOneLineAndEndWithOne) {
    const std::string env = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
    // A text console, ssh without X forwarding, a Wayland session without
    // XWayland, a display that does not answer: never Qt's abort.
    const std::string needs = "glimora: Glimora needs an X11 display (under Wayland, XWayland): ";
    const std::string glimora = std::string(GLIMORA_BINARY) + " 2>&1";
    for (const std::string session : {"", "WAYLAND_DISPLAY=wayland-0 "}) {
        SCOPED_TRACE(session);
        const ProgramRun console = run(env + session + glimora);
        EXPECT_EQ(console.status, 1);
        EXPECT_EQ(console.text, needs + "DISPLAY is not set\n");
    }
    const ProgramRun silent = run(env + "DISPLAY=:4093 " + glimora);
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.text, needs + "cannot open display \":4093\"\n");

    const std::string saver = std::string(GLIMORA_SAVER_BINARY) + " --configure";
    const ProgramRun unset = run(env + saver + " 2>&1");
    EXPECT_EQ(unset.status, 1);
    EXPECT_EQ(unset.text, "ombriq-saver: cannot open display \"\"\n");
    // A display that is not there, from the environment or the option.
    const ProgramRun gone = run(env + "DISPLAY=:4093 " + saver + " 2>&1");
    EXPECT_EQ(gone.status, 1);
    EXPECT_EQ(gone.text, "ombriq-saver: cannot open display \":4093\"\n");
    const ProgramRun option = run(env + saver + " -display :4094 2>&1");
    EXPECT_EQ(option.status, 1);
    EXPECT_EQ(option.text, "ombriq-saver: cannot open display \":4094\"\n");
    // A platform that Qt cannot start ends the same way, not with Qt's abort.
    const ProgramRun nowhere = run(env + "QT_QPA_PLATFORM=nowhere " + saver + " 2>&1");
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_NE(nowhere.text.find("\nombriq-saver: cannot show the settings dialog: "), std::string::npos)
        << nowhere.text;
}

}  // namespace
}  // namespace glimora

#endif
