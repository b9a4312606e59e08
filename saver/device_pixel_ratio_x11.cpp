#include "saver/device_pixel_ratio_x11.hpp"

#include <X11/Xresource.h>
#include <X11/extensions/Xrandr.h>

#include "saver/device_pixel_ratio.hpp"

namespace glimora::x11 {

double screenDevicePixelRatio(Display* display, Window root) {
    ScaleSources sources = scaleSourcesFromEnvironment();
    if (const char* resources = XResourceManagerString(display)) {
        XrmInitialize();
        if (XrmDatabase database = XrmGetStringDatabase(resources)) {
            char* type = nullptr;
            XrmValue value{};
            if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
                sources.xftDpi = std::string(value.addr);
            XrmDestroyDatabase(database);
        }
    }
    // Qt names a screen by its RandR monitor and lists the primary one first.
    int count = 0;
    if (XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count)) {
        for (int i = 0; i < count; ++i) {
            if (!monitors[i].primary && i != 0) continue;
            if (char* name = XGetAtomName(display, monitors[i].name)) {
                sources.screenName = name;
                XFree(name);
            }
            if (monitors[i].primary) break;
        }
        XRRFreeMonitors(monitors);
    }
    return devicePixelRatio(sources);
}

}  // namespace glimora::x11
