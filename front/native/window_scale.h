// front/native/window_scale.h: how many times larger demo-window shows its 320 x 240 frame: the
// largest whole factor, up to three, at which the window and its decoration fit on the desktop
// beside the panels.
#pragma once
#include <cstdint>

inline constexpr int32_t window_scale_max = 3;
// Room for what the window manager adds around the frame: side borders, and a title bar with
// a bottom border (the larger themes draw title bars of about 35 pixels).
inline constexpr int32_t window_frame_w = 16;
inline constexpr int32_t window_frame_h = 40;
// Room for panels, taken off the display's height when the desktop does not tell its work area.
inline constexpr int32_t window_panel_h = 48;

// The sizes the choice is made from; 0 where unknown. The display is the one the window opens
// on; the work area is the desktop without its panels, as the window manager publishes it
// (over every monitor, so it only ever narrows the display).
struct DESKTOP {
    int32_t display_w, display_h;
    int32_t work_w, work_h;
};

// The largest factor from 1 to window_scale_max whose window fits; window_scale_max when the
// display's size is unknown, 1 when even the smallest window does not fit.
[[nodiscard]] int32_t window_scale_for(const DESKTOP& desktop);

// The work area of the current desktop from the X display's root window (_NET_WORKAREA), on
// Windows the primary monitor's without the taskbar; zeros when there is no X display or no
// window manager publishing one.
[[nodiscard]] DESKTOP window_work_area();
