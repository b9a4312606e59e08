#include "saver/saver_options.hpp"

#include <charconv>
#include <cmath>

#include "platform/program_output.hpp"

namespace glimora {

std::optional<std::uint64_t> parseWindowId(const std::string& text) {
    std::string_view digits = text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty() || value == 0)
        return std::nullopt;
    return value;
}

namespace {

int parseCount(const std::string& option, const std::string& text, int minimum) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < minimum)
        throw SaverOptionsError{"invalid value " + quotedArgument(text) + " for " + quotedArgument(option) +
                                " (a whole number of at least " + std::to_string(minimum) + ")"};
    return value;
}

void parseSize(const std::string& text, SaverOptions::Offscreen& offscreen) {
    const auto x = text.find('x');
    if (x == std::string::npos)
        throw SaverOptionsError{"invalid value " + quotedArgument(text) + " for '--offscreen' (a size like 1920x1080)"};
    offscreen.width = parseCount("--offscreen", text.substr(0, x), 1);
    offscreen.height = parseCount("--offscreen", text.substr(x + 1), 1);
    if (offscreen.width > 16384 || offscreen.height > 16384)
        throw SaverOptionsError{"invalid value " + quotedArgument(text) + " for '--offscreen' (at most 16384 a side)"};
}

}  // namespace

SaverOptions parseSaverOptions(const std::vector<std::string>& arguments) {
    SaverOptions options;
    // Assigned rather than emplace()d: clang decides whether the nested struct
    // is default-constructible while SaverOptions is still incomplete, and
    // says no.
    std::optional<SaverOptions::Offscreen> offscreen;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& given = arguments[i];
        if (given.size() < 2 || given[0] != '-')
            throw SaverOptionsError{"unexpected argument " + quotedArgument(given)};
        // "--root" and "-root" are the same option.
        const std::string name = given.compare(0, 2, "--") == 0 ? given.substr(2) : given.substr(1);
        const auto next = [&]() -> const std::string& {
            if (i + 1 >= arguments.size())
                throw SaverOptionsError{"option " + quotedArgument(given) + " requires an argument"};
            return arguments[++i];
        };
        if (name == "root") {
            options.root = true;
        } else if (name == "window-id") {
            const std::string& text = next();
            options.windowId = parseWindowId(text);
            if (!options.windowId)
                throw SaverOptionsError{"invalid value " + quotedArgument(text) + " for " + quotedArgument(given) +
                                        " (a window id)"};
        } else if (name == "display") {
            options.display = next();
        } else if (name == "preview") {
            options.preview = true;
        } else if (name == "configure" || name == "settings") {
            // --help and --version answer whatever else is asked.
            if (options.mode == SaverOptions::Mode::run) options.mode = SaverOptions::Mode::configure;
        } else if (name == "help" || name == "h") {
            options.mode = SaverOptions::Mode::help;
        } else if (name == "version") {
            if (options.mode != SaverOptions::Mode::help) options.mode = SaverOptions::Mode::version;
        } else if (name == "offscreen") {
            if (!offscreen) offscreen = SaverOptions::Offscreen{};
            parseSize(next(), *offscreen);
        } else if (name == "frames") {
            if (!offscreen) offscreen = SaverOptions::Offscreen{};
            offscreen->frames = parseCount(given, next(), 1);
        } else if (name == "frame-step") {
            if (!offscreen) offscreen = SaverOptions::Offscreen{};
            const std::string& text = next();
            double step = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), step);
            if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(step) || step < 0)
                throw SaverOptionsError{"invalid value " + quotedArgument(text) + " for " + quotedArgument(given) +
                                        " (a number of seconds)"};
            offscreen->frameStep = step;
        } else if (name == "output") {
            if (!offscreen) offscreen = SaverOptions::Offscreen{};
            offscreen->output = std::filesystem::path(next());
        } else if (name == "fps" || name == "no-fps" || name == "install" || name == "noinstall") {
            // Standard options of XScreenSaver's programs that change nothing here.
        } else if (name == "visual") {
            next();  // the window's own visual is always used
        } else {
            throw SaverOptionsError{"unknown option " + quotedArgument(given)};
        }
    }
    if (offscreen && offscreen->width == 0)
        throw SaverOptionsError{"'--frames', '--frame-step' and '--output' need '--offscreen WxH'"};
    options.offscreen = offscreen;
    return options;
}

}  // namespace glimora
