// Writes the heavy library under the data folder given (or XDG_DATA_HOME), so
// that a program started with that XDG_DATA_HOME finds it.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string_view>

#include "bench/heavy_library.hpp"

namespace {

constexpr const char* usage =
    "usage: write_heavy_library [DATA_HOME]\n"
    "Writes the heaviest library a user can have (36 photo recipes) to\n"
    "DATA_HOME/Ombriq/recipes.json; without DATA_HOME, under $XDG_DATA_HOME.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const std::string_view first = argv[1];
        if (first == "--help" || first == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        // Never a library written into a folder named like an option.
        if (argc > 2 || first.starts_with('-')) {
            std::fprintf(stderr, "write_heavy_library: unexpected argument \"%s\"\n%s", argv[argc > 2 ? 2 : 1],
                         usage);
            return 2;
        }
    }
    const char* dataHome = argc > 1 ? argv[1] : std::getenv("XDG_DATA_HOME");
    if (!dataHome || !*dataHome) {
        std::fprintf(stderr, "write_heavy_library: no DATA_HOME given and XDG_DATA_HOME is not set\n%s", usage);
        return 2;
    }
    try {
        const auto written = glimora::heavy_library::write(dataHome);
        std::printf("%s: %zu recipes, %zu bytes\n", written.file.c_str(), written.recipes, written.bytes);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "write_heavy_library: %s\n", error.what());
        return 1;
    }
    return 0;
}
