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
    enum class Mode { run, configure, help, version };
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

// Throws SaverOptionsError with a one-line reason, without the program's name.
SaverOptions parseSaverOptions(const std::vector<std::string>& arguments);

// A window id as X writes it: decimal, or hexadecimal after "0x".
std::optional<std::uint64_t> parseWindowId(const std::string& text);

inline constexpr const char* saverHelpText =
    "Usage: ombriq-saver [-root | -window-id ID] [-display NAME] [-preview]\n"
    "       ombriq-saver --configure [-display NAME]\n"
    "       ombriq-saver --offscreen WxH [--frames N] [--frame-step SECONDS] [--output FILE.png]\n"
    "\n"
    "Ombriq, Glimora's screen saver for XScreenSaver: shows the saved designs one\n"
    "after another. It draws into the window given, else $XSCREENSAVER_WINDOW,\n"
    "else the root window with -root, else a window of its own. Every option\n"
    "takes one dash or two.\n"
    "\n"
    "Options:\n"
    "  -root                  draw on the root window\n"
    "  -window-id ID          draw into this window (decimal, or hexadecimal after 0x)\n"
    "  -display NAME          the X display to use\n"
    "  -preview               a settings dialog's small preview: at most 15 s a design\n"
    "  --configure            open the settings dialog\n"
    "  --offscreen WxH        draw without a display on a virtual clock (for tests)\n"
    "  --frames N             frames of the offscreen run (default 1)\n"
    "  --frame-step SECONDS   virtual time between two frames (default 1/30)\n"
    "  --output FILE.png      write the offscreen run's last frame\n"
    "  -h, --help             print this help and exit\n"
    "  --version              print the version and exit\n";

}  // namespace glimora
