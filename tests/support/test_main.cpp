#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/temp_dir.hpp"

int main(int argc, char** argv) {
    // Point HOME and every XDG folder at a throwaway folder before any test
    // runs, so nothing here can touch a real user's files or session.
    glimora::test::TempDir home;
    const auto root = home.path();
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_DATA_HOME", (root / ".local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / ".config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root / ".cache").c_str(), 1);
    setenv("XDG_STATE_HOME", (root / ".local/state").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
