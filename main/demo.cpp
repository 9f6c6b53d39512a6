// main/demo.cpp: the key map, the creation and release of the demo's objects without display or
// sound, and the composition of one frame of each part.
#include "main/demo.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "fx/effects.h"

uint8_t     quit_request = 0;
std::string demo_data_folder;

namespace {

constexpr int32_t font_glyph_w = 15;
constexpr int32_t font_glyph_h = 26;
constexpr int32_t star_count = 2048;

// Keyed paste of a whole picture onto the canvas. A picture that failed to load is skipped, and
// so is everything without a canvas, since the placements are computed from its size.
void paste(const IMG* picture, int32_t x, int32_t y) {
    IMG_blit_keyed(picture, canvas, 0, 0, x, y, picture->width, picture->height);
}

bool placeable(const IMG* picture) { return picture && canvas; }

void free_img(IMG*& img) {
    if (img) IMG_free(&img);
}

// The folder the files are read from, as a user would look for it: absolute where it can be.
std::string data_folder_shown() {
    std::error_code ec;
    const std::filesystem::path folder = demo_data_folder.empty()
                                             ? std::filesystem::current_path(ec)
                                             : std::filesystem::absolute(demo_data_folder, ec);
    if (ec) return demo_data_folder.empty() ? "." : demo_data_folder;
    return folder.lexically_normal().string();
}

IMG* load_picture(const char* file) { return IMG_load_pnm(demo_data_path(file).c_str()); }

}  // namespace

// The key byte is a level, not an event: a held key acts in every frame.
void demo_key(int32_t key) {
    switch (static_cast<uint8_t>(key)) {  // symbols of 256 and above act as their low byte
        case 27:
        case 'q':
        case 'Q': quit_request = 1; break;
        case ' ': quit_request = 2; break;
        case '1': show_plasma_scroller ^= 1; break;
        case '2': show_stars ^= 1; break;
        case '3': show_letters ^= 1; break;
        case '6': show_letters ^= 2; break;
        case '7': scroll_speed = 1; break;
        case '8': scroll_speed = 2; break;
        case '9': scroll_speed = 4; break;
        case '0': scroll_speed = 0; break;
        default: break;
    }
}

const char* demo_create_objects(int32_t w, int32_t h) {
    canvas = IMG_new();
    if (!canvas) return "canvas";
    IMG_resize(canvas, w, h);
    const int32_t cw = canvas->width;
    const int32_t ch = canvas->height;

    static_assert(letters.size() == demo_letter_count);
    for (size_t i = 0; i < letters.size(); ++i) {
        letters[i] = load_picture(demo_data_files[i]);
        if (!letters[i]) return demo_data_files[i];
    }
    // Each letter is replaced by a copy at twice its size.
    for (size_t i = 0; i < letters.size(); ++i) {
        IMG* doubled = IMG_scale(letters[i], 2 * letters[i]->width, 2 * letters[i]->height);
        IMG_free(&letters[i]);
        letters[i] = doubled;
        if (!letters[i]) return demo_data_files[i];
    }
    // The first letter alone sets the swing of all four.
    letter_waves[0].amplitude = (screen_w - letters[0]->width) / 2;
    letter_waves[1].amplitude = (screen_w - letters[0]->width) / 2;
    letter_waves[2].amplitude = (screen_h - letters[0]->height) / 2;
    letter_waves[3].amplitude = (screen_h - letters[0]->height) / 2;

    const std::array<std::pair<IMG**, DemoFile>, 5> pictures = {{
        {&banner_image, DemoFile::banner},
        {&badge_image, DemoFile::badge},
        {&logo0, DemoFile::logotype0},
        {&logo1, DemoFile::logotype1},
        {&logo2, DemoFile::logotype2},
    }};
    for (const auto& [picture, file] : pictures) {
        *picture = load_picture(demo_file(file));
        if (!*picture) return demo_file(file);
    }

    // The font owns its sheet from here on; a missing sheet only leaves the scroller empty.
    font = FONT_new();
    font_sheet = load_picture(demo_file(DemoFile::sheet));
    if (font) {
        font->glyph_w = font_glyph_w;
        font->glyph_h = font_glyph_h;
        font->sheet = font_sheet;
    } else {
        free_img(font_sheet);  // nobody to own it
    }
    const int32_t glyph_h = font ? font->glyph_h : font_glyph_h;

    scroll_strip = IMG_new();
    if (scroll_strip) IMG_resize(scroll_strip, cw, glyph_h);
    scroll_x = cw;

    raster = RASTER_new();
    if (raster) RASTER_resize(raster, screen_h);

    stars = STARS_new();
    if (stars) {
        stars->size_x = cw;
        stars->size_y = ch;
        stars->size_z = 256;
        stars->cx = cw / 2;
        stars->cy = ch / 2;
        stars->cz = 128;
        STARS_set_count(stars, star_count);
    }

    plasma_strip = IMG_new();
    if (plasma_strip && scroll_strip)
        IMG_resize(plasma_strip, scroll_strip->width, scroll_strip->height);
    return nullptr;
}

// The shutdown's order; objects never made are skipped without a report.
void demo_release_objects() {
    if (font)
        FONT_free(&font);  // also releases font_sheet
    else
        free_img(font_sheet);
    font_sheet = nullptr;
    free_img(banner_image);
    free_img(badge_image);
    free_img(plasma_strip);
    free_img(canvas);
    for (IMG*& letter : letters) free_img(letter);
    free_img(scroll_strip);
    free_img(logo0);
    free_img(logo1);
}

void demo_release_all() {
    demo_release_objects();
    if (logo2) IMG_free(&logo2);
    if (raster) RASTER_free(&raster);
    if (stars) STARS_free(&stars);
    if (plasma_palette) IMG_free(&plasma_palette);
}

void demo_reset_state() {
    quit_request = 0;
    show_plasma_scroller = layer_on;
    show_stars = layer_on;
    show_letters = layer_on;
    fx_reset();
}

std::string demo_data_path(const char* file) {
    if (demo_data_folder.empty()) return file;
    return (std::filesystem::path(demo_data_folder) / file).string();
}

const char* demo_missing_picture(const std::string& folder) {
    const std::filesystem::path in(folder.empty() ? "." : folder);
    std::error_code ec;
    const auto absent = [&](const char* file) {
        return !std::filesystem::is_regular_file(in / file, ec);
    };
    for (const char* file : demo_required_files)
        if (absent(file)) return file;
    return nullptr;
}

void demo_report_missing(const char* program, const char* file, const char* hint) {
    std::fprintf(stderr, "%s: could not read the picture \"%s\" in the folder %s\n", program, file,
                 data_folder_shown().c_str());
    if (hint != nullptr && *hint != '\0') std::fprintf(stderr, "%s: %s\n", program, hint);
}

void demo_draw_part1() {
    fx_raster_bars();
    RASTER_draw_rows(raster, canvas);  // every row: part 1 needs no clear
    if (placeable(badge_image))
        paste(badge_image, (canvas->width - badge_image->width) / 2, 0);
    if (placeable(banner_image))
        paste(banner_image, (canvas->width - banner_image->width) / 2,
              canvas->height - banner_image->height);
    fx_logo_wobble();
}

void demo_draw_part2() {
    IMG_clear(canvas);
    if (show_stars == 1) {
        STARS_draw_points(stars, canvas);
        STARS_move(stars);
    }
    fx_letters();
    fx_letters_step();
    if (show_plasma_scroller == 1) {
        fx_plasma(plasma_strip);
        fx_plasma_step();
        fx_scroller();
        fx_scroller_step();
        IMG_and_mask(plasma_strip, scroll_strip);  // the white glyphs take the plasma's colours
        fx_scroller_bounce();
    }
    if (placeable(logo1)) paste(logo1, canvas->width - logo1->width, 0);
}

void demo_draw_part3() {
    fx_plasma(canvas);
    fx_plasma_step();
    fx_logo_bounce();
}
