// Writes the heavy library under the data folder given (or XDG_DATA_HOME), so
// that a program started with that XDG_DATA_HOME finds it.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "bench/heavy_library.hpp"

int main(int argc, char** argv) {
    const char* dataHome = argc > 1 ? argv[1] : std::getenv("XDG_DATA_HOME");
    if (!dataHome || !*dataHome) {
        std::fprintf(stderr, "usage: write_heavy_library DATA_HOME (or set XDG_DATA_HOME)\n");
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
