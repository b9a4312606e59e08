#include "saver/device_pixel_ratio.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace glimora {

namespace {

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A positive finite number that is all of the text, or nothing.
std::optional<double> positiveNumber(std::string_view text) {
    text = trimmed(text);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value <= 0)
        return std::nullopt;
    return value;
}

// Qt reads the DPI settings and the switch as whole numbers.
std::optional<int> wholeNumber(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    const std::string_view view = trimmed(*text);
    int value = 0;
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (error != std::errc() || end != view.data() + view.size()) return std::nullopt;
    return value;
}

std::optional<int> positiveWhole(const std::optional<std::string>& text) {
    const std::optional<int> value = wholeNumber(text);
    return value && *value > 0 ? value : std::nullopt;
}

double rounded(double factor, const std::optional<std::string>& policy) {
    if (!policy || *policy == "PassThrough") return factor;
    if (*policy == "Round") return std::round(factor);
    if (*policy == "Ceil") return std::ceil(factor);
    if (*policy == "Floor") return std::floor(factor);
    if (*policy == "RoundPreferFloor") return factor - std::floor(factor) <= 0.5 ? std::floor(factor) : std::ceil(factor);
    return factor;
}

// The screen's entry: "name=factor" for a name, a bare factor for a place.
std::optional<double> screenEntry(std::string_view list, const std::string& name, int index) {
    int place = 0;
    for (;;) {
        const std::size_t end = list.find(';');
        const std::string_view entry = list.substr(0, end);
        if (const std::size_t equals = entry.rfind('='); equals != std::string_view::npos) {
            if (!name.empty() && trimmed(entry.substr(0, equals)) == name)
                if (const auto factor = positiveNumber(entry.substr(equals + 1))) return factor;
        } else if (const auto factor = positiveNumber(entry)) {
            if (place++ == index) return factor;
        }
        if (end == std::string_view::npos) return std::nullopt;
        list.remove_prefix(end + 1);
    }
}

}  // namespace

ScaleSources scaleSourcesFromEnvironment() {
    ScaleSources sources;
    sources.fontDpi = environment("QT_FONT_DPI");
    sources.enableHighDpiScaling = environment("QT_ENABLE_HIGHDPI_SCALING");
    sources.roundingPolicy = environment("QT_SCALE_FACTOR_ROUNDING_POLICY");
    sources.scaleFactor = environment("QT_SCALE_FACTOR");
    sources.screenScaleFactors = environment("QT_SCREEN_SCALE_FACTORS");
    return sources;
}

double devicePixelRatio(const ScaleSources& sources) {
    double screen = 1;
    // Only a whole number of 0 or less turns the screen's own factor off.
    const std::optional<int> enabled = wholeNumber(sources.enableHighDpiScaling);
    if (!enabled || *enabled > 0) {
        std::optional<int> dpi = positiveWhole(sources.fontDpi);
        if (!dpi) dpi = positiveWhole(sources.xftDpi);
        if (dpi) screen = rounded(*dpi / 96.0, sources.roundingPolicy);
    }
    if (sources.screenScaleFactors)
        if (const auto entry = screenEntry(*sources.screenScaleFactors, sources.screenName, sources.screenIndex))
            screen = *entry;
    const double global = sources.scaleFactor ? positiveNumber(*sources.scaleFactor).value_or(1) : 1;
    const double ratio = screen * global;
    // A rounding policy may floor a small factor to nothing.
    return std::isfinite(ratio) && ratio >= 0.01 ? ratio : 1;
}

}  // namespace glimora
