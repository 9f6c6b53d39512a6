// fx/objects.cpp: the demo's shared objects, none made yet, and the layer switches, all on.
#include "fx/objects.h"

IMG*                canvas = nullptr;
std::array<IMG*, 4> letters = {};
IMG*                banner_image = nullptr;
IMG*                badge_image = nullptr;
IMG*                logo0 = nullptr;
IMG*                logo1 = nullptr;
IMG*                logo2 = nullptr;
FONT*               font = nullptr;
IMG*                font_sheet = nullptr;
IMG*                scroll_strip = nullptr;
IMG*                plasma_strip = nullptr;
RASTER*             raster = nullptr;
STARS*              stars = nullptr;

uint8_t show_plasma_scroller = layer_on;
uint8_t show_stars = layer_on;
uint8_t show_letters = layer_on;

void demo_error() {}
