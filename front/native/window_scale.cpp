// front/native/window_scale.cpp: the window's scale from the desktop's size, and the work area
// read from the X display.
#include "front/native/window_scale.h"

#include <algorithm>
#include <vector>

#if KAPU_X11_WORK_AREA
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

#include "main/demo.h"

int32_t window_scale_for(const DESKTOP& desktop) {
    if (desktop.display_w <= 0 || desktop.display_h <= 0) return window_scale_max;
    int32_t usable_w = desktop.display_w;
    int32_t usable_h = desktop.display_h - window_panel_h;
    if (desktop.work_w > 0 && desktop.work_h > 0) {
        usable_w = std::min(usable_w, desktop.work_w);
        usable_h = std::min(desktop.display_h, desktop.work_h);
    }
    for (int32_t scale = window_scale_max; scale > 1; --scale)
        if (screen_w * scale + window_frame_w <= usable_w &&
            screen_h * scale + window_frame_h <= usable_h)
            return scale;
    return 1;
}

#if KAPU_X11_WORK_AREA
namespace {

// The property's 32-bit items (Xlib hands them over as longs); empty when it is missing.
std::vector<long> root_cardinals(Display* display, const char* name) {
    const Atom property = XInternAtom(display, name, True);
    std::vector<long> items;
    if (property == None) return items;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1024, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data != nullptr && type == XA_CARDINAL && format == 32) {
        const auto* values = reinterpret_cast<const long*>(data);
        items.assign(values, values + count);
    }
    if (data != nullptr) XFree(data);
    return items;
}

}  // namespace

DESKTOP window_work_area() {
    DESKTOP area{};
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return area;
    // x, y, width, height for each virtual desktop.
    const std::vector<long> work = root_cardinals(display, "_NET_WORKAREA");
    const std::vector<long> current = root_cardinals(display, "_NET_CURRENT_DESKTOP");
    size_t desktop = current.empty() ? 0 : static_cast<size_t>(current[0]);
    if (work.size() < 4 * (desktop + 1)) desktop = 0;
    if (work.size() >= 4) {
        area.work_w = static_cast<int32_t>(work[4 * desktop + 2]);
        area.work_h = static_cast<int32_t>(work[4 * desktop + 3]);
    }
    XCloseDisplay(display);
    return area;
}
#elif defined(_WIN32)
// The primary monitor without the taskbar, where Windows opens a new window.
DESKTOP window_work_area() {
    DESKTOP area{};
    RECT work{};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        area.work_w = static_cast<int32_t>(work.right - work.left);
        area.work_h = static_cast<int32_t>(work.bottom - work.top);
    }
    return area;
}
#else
DESKTOP window_work_area() { return {}; }
#endif
