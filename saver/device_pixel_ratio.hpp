// How many device pixels a point has on a screen, by the rule Qt 6 follows
// on X11, so that the saver draws the design of the same size in points as
// the desktop window beside it does: the X resource Xft.dpi over 96
// (QT_FONT_DPI in its place when set; not with QT_ENABLE_HIGHDPI_SCALING=0),
// rounded by QT_SCALE_FACTOR_ROUNDING_POLICY, replaced by the screen's entry
// of QT_SCREEN_SCALE_FACTORS, then times QT_SCALE_FACTOR. A value that is no
// number Qt would take counts as unset.
#pragma once

#include <optional>
#include <string>

namespace glimora {

struct ScaleSources {
    std::optional<std::string> xftDpi;  // the resource's text
    std::optional<std::string> fontDpi, enableHighDpiScaling, roundingPolicy, scaleFactor, screenScaleFactors;
    std::string screenName;  // the screen's RandR name, as QT_SCREEN_SCALE_FACTORS names screens
    int screenIndex = 0;     // its place in Qt's list of screens
};

// The environment's variables; the resource and the screen are left unset.
ScaleSources scaleSourcesFromEnvironment();

// At least a small positive ratio; 1 with nothing set.
double devicePixelRatio(const ScaleSources& sources);

}  // namespace glimora
