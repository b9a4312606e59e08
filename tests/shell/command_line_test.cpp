#include <gtest/gtest.h>

#include <vector>

#include "app/command_line.hpp"

namespace glimora {
namespace {

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "glimora");
    return parseCommandLine(int(arguments.size()), arguments.data());
}

using Action = CommandLine::Action;

TEST(CommandLine, RunsWithoutArgumentsAndOpensSettingsOnRequest) {
    EXPECT_EQ(parse({}).action, Action::run);
    EXPECT_FALSE(parse({}).openSettings);
    const CommandLine settings = parse({"--settings"});
    EXPECT_EQ(settings.action, Action::run);
    EXPECT_TRUE(settings.openSettings);
}

TEST(CommandLine, HelpAndVersionAnswerAtOnce) {
    EXPECT_EQ(parse({"--help"}).action, Action::help);
    EXPECT_EQ(parse({"-h"}).action, Action::help);
    EXPECT_EQ(parse({"--settings", "--help"}).action, Action::help);
    EXPECT_EQ(parse({"--bogus", "--help"}).action, Action::help);
    EXPECT_EQ(parse({"--version"}).action, Action::version);
    EXPECT_TRUE(helpText().starts_with("Usage: glimora"));
    EXPECT_NE(helpText().find("--settings"), std::string::npos);
    EXPECT_TRUE(versionText().starts_with("glimora "));
    EXPECT_TRUE(versionText().ends_with("\n"));
}

TEST(CommandLine, AnUnknownOptionIsOneClearReason) {
    for (const auto& arguments : {std::vector<const char*>{"--frobnicate"}, {"--version", "--frobnicate"},
                                  {"--frobnicate", "--version"}}) {
        const CommandLine line = parse(arguments);
        EXPECT_EQ(line.action, Action::invalid) << arguments.back();
        EXPECT_EQ(line.error, "unknown option '--frobnicate'");
    }
    EXPECT_EQ(parse({"-x"}).error, "unknown option '-x'");
    const CommandLine stray = parse({"picture.png"});
    EXPECT_EQ(stray.action, Action::invalid);
    EXPECT_EQ(stray.error, "unexpected argument 'picture.png'");
    // The first mistake is the one reported; bytes that are no text stay printable.
    EXPECT_EQ(parse({"--one", "--two"}).error, "unknown option '--one'");
    EXPECT_EQ(parse({"--\xff"}).error.find('\xff'), std::string::npos);
}

}  // namespace
}  // namespace glimora
