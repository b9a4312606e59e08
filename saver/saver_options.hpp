// The command line of ombriq-saver. Every option is accepted with one dash or
// two ("-root" and "--root"), as XScreenSaver 6 starts its programs with two.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace glimora {

struct SaverOptions {
    enum class Mode { run, configure, help };
    Mode mode = Mode::run;

    // Where to draw, in this order: the window given, $XSCREENSAVER_WINDOW,
    // the root window with -root, else a window of the program's own.
    std::optional<std::uint64_t> windowId;
    bool root = false;
    std::optional<std::string> display;
    // The small preview of a settings dialog: changes come at most every 15 s.
    bool preview = false;

    // For tests and benchmarks: no display; frames drawn into memory on a
    // virtual clock that moves frameStep seconds per frame, the last frame
    // written as PNG to `output`.
    struct Offscreen {
        int width = 0;
        int height = 0;
        int frames = 1;
        double frameStep = 1.0 / 30.0;
        std::optional<std::filesystem::path> output;
    };
    std::optional<Offscreen> offscreen;
};

struct SaverOptionsError {
    std::string message;
};

// Throws SaverOptionsError with a one-line reason.
SaverOptions parseSaverOptions(const std::vector<std::string>& arguments);

// A window id as X writes it: decimal, or hexadecimal after "0x".
std::optional<std::uint64_t> parseWindowId(const std::string& text);

inline constexpr const char* saverUsage =
    "usage: ombriq-saver [-root | -window-id ID] [-display NAME] [-preview] | --configure\n"
    "       ombriq-saver --offscreen WxH [--frames N] [--frame-step SECONDS] [--output FILE.png]";

}  // namespace glimora
