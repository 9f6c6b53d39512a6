// tools/pictures/make_pictures.cpp: draws the demo's ten pictures from the house letter design
// and writes them into the folder named on the command line.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "glyphs.h"
#include "img/img.h"
#include "main/data_files.h"
#include "paint.h"
#include "util/standard_streams.h"

namespace {

struct ImgDeleter {
    void operator()(IMG* img) const { IMG_free(&img); }
};
using ImgPtr = std::unique_ptr<IMG, ImgDeleter>;

constexpr int32_t SCREEN_W = 320;

constexpr int64_t px(int64_t whole) { return whole * SUB; }
// Tenths of a pixel, for the scale factors and pen sizes below.
constexpr int64_t tenths(int64_t t) { return t * SUB / 10; }

// ---------------------------------------------------------------------------------------------
// Glyph sheet: 15 x 26 cells, 16 to a row, codes 0..127; the pen is 3 pixels wide.

constexpr int32_t CELL_W = 15;
constexpr int32_t CELL_H = 26;
constexpr int32_t SHEET_W = 16 * CELL_W;
constexpr int32_t SHEET_H = 8 * CELL_H;
// Grid x 0..10 lands on pixel centres 2..12 (ink 1..13), grid y 0 on row 3 (ink from row 2).
constexpr int64_t CELL_ORIGIN_X = px(2) + SUB / 2;
constexpr int64_t CELL_ORIGIN_Y = px(3) + SUB / 2;
constexpr int64_t SHEET_PEN = SUB * 3 / 2;

std::vector<uint8_t> glyph_sheet_bits() {
    std::vector<uint8_t> ink(static_cast<size_t>(SHEET_W * SHEET_H), 0);
    for (int32_t c = 33; c < 128; ++c) {
        const int32_t cell_x = (c * CELL_W) % SHEET_W;
        const int32_t cell_y = ((c * CELL_W) / SHEET_W) * CELL_H;
        Path path;
        add_glyph(path, c, {px(cell_x) + CELL_ORIGIN_X, px(cell_y) + CELL_ORIGIN_Y, SUB, SUB, 0},
                  false);
        if (path.segments.empty()) continue;
        for (int32_t y = cell_y; y < cell_y + CELL_H; ++y)
            for (int32_t x = cell_x; x < cell_x + CELL_W; ++x)
                if (nearest(path, {px(x) + SUB / 2, px(y) + SUB / 2}).d2 <= SHEET_PEN * SHEET_PEN)
                    ink[static_cast<size_t>(y * SHEET_W + x)] = 1;
    }
    return ink;
}

// Raw bitmap: a set bit is ink, which the demo's reader turns into white.
bool write_pbm(const std::vector<uint8_t>& ink, int32_t w, int32_t h, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P4\n%d %d\n", w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t bx = 0; bx < w; bx += 8) {
            unsigned byte = 0;
            for (int32_t b = 0; b < 8; ++b)
                if (bx + b < w && ink[static_cast<size_t>(y * w + bx + b)]) byte |= 0x80u >> b;
            std::fputc(static_cast<int>(byte), f);
        }
    return std::fclose(f) == 0;
}

// ---------------------------------------------------------------------------------------------
// Shaded lettering

struct Lettering {
    int64_t sx;     // sub-pixels per grid step, across
    int64_t sy;     // sub-pixels per grid step, down
    int64_t shear;  // sub-pixels of lean to the right per grid step above the baseline
    int64_t gap;    // space between outlines (negative: outlines merge)
};

// Draws a line of capitals and digits, cropped to its ink.
ImgPtr lettering(const char* text, const Lettering& l, const Style& s) {
    const int64_t reach = s.pen + s.outline_w + (s.rim ? s.rim_w : 0);
    const int64_t margin = reach + std::max(s.shadow_offset.x, s.shadow_offset.y) + px(2);
    const Placement at{margin, margin, l.sx, l.sy, l.shear};
    Path path;
    const int64_t end = add_text(path, text, at, 2 * reach + l.gap);
    const auto w = static_cast<int32_t>((end + GLYPH_BASELINE * l.shear + 2 * margin) / SUB + 2);
    const auto h = static_cast<int32_t>((GLYPH_BASELINE * l.sy + 2 * margin) / SUB + 2);
    ImgPtr canvas(new_image(w, h));
    paint_path(canvas.get(), path, s, margin - s.pen, margin + GLYPH_BASELINE * l.sy + s.pen);
    return ImgPtr(crop_to_ink(canvas.get()));
}

// Centres an image on a transparent one of the given size.
ImgPtr padded(const IMG* src, int32_t w, int32_t h) {
    ImgPtr out(new_image(w, h));
    overlay(src, out.get(), (w - src->width) / 2, (h - src->height) / 2);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Palettes. Body ramps run top to bottom; the chrome ones have a dark horizon a little below
// the middle, the reflection of a sky over dark ground.

Style chrome_ice() {
    return {{{0, 0xFFFFFF}, {40, 0xDDEEFF}, {114, 0x6A9DE0}, {122, 0x17275E}, {134, 0x1E3470},
             {168, 0x4870B8}, {256, 0xD4EAFF}},
            0xFFFFFF, 0x0B1848, tenths(45), tenths(16), 170,
            0x0A1030, tenths(20), 0, 0, 0x1A0C14, {tenths(30), tenths(30)}};
}

Style chrome_gold() {
    return {{{0, 0xFFFCE0}, {80, 0xFFD64A}, {116, 0xE68A12}, {124, 0x5C2800}, {136, 0x703808},
             {170, 0xB86C14}, {256, 0xFFE27A}},
            0xFFFFF0, 0x3C1800, tenths(21), tenths(8), 150,
            0x2C1200, tenths(9), 0, 0, 0x140A04, {tenths(10), tenths(10)}};
}

Style chrome_silver() {
    return {{{0, 0xFFFFFF}, {100, 0xC4CAD8}, {118, 0x707890}, {124, 0x1E2030}, {136, 0x2A2C3E},
             {170, 0x5C6078}, {256, 0xEEF2FA}},
            0xFFFFFF, 0x101020, tenths(36), tenths(13), 170,
            0x0C0C14, tenths(25), 0xF4F4FF, tenths(10), 0x101018, {tenths(30), tenths(30)}};
}

// A letter sprite's colours. The demo halves every sprite pixel over what lies below, mostly
// black, so nothing here is dark: the body runs from a pale top through the full hue to a
// deeper one at the foot, a thin line of that deep hue closes it, and a pale rim of the same
// hue sits outside, which halves into a clean light edge instead of a muddy dark one.
Style sprite(uint32_t top, uint32_t full, uint32_t foot, uint32_t deep, uint32_t pale) {
    return {{{0, top}, {90, full}, {256, foot}},
            0xFFFFFF, deep, tenths(42), tenths(16), 170,
            deep, tenths(10), pale, tenths(14), 0, {0, 0}};
}

// Gold lettering for the badge and the banner.
Style gold_letters() {
    return {{{0, 0xFFFFF0}, {110, 0xFFE070}, {170, 0xFFB020}, {256, 0xE07810}},
            0xFFFFFF, 0x603000, tenths(27), tenths(10), 150,
            0x180800, tenths(12), 0, 0, 0x0A0418, {tenths(15), tenths(15)}};
}

// A round gold stud: one dot of pen.
void stud(IMG* img, int32_t x, int32_t y) {
    Path dot;
    dot.segments.push_back({{px(x), px(y)}, {px(x), px(y)}});
    const Style gold{{{0, 0xFFF4C0}, {256, 0xC07010}},
                     0xFFFFFF, 0x401800, tenths(30), tenths(20), 220,
                     0x201000, tenths(10), 0, 0, 0, {0, 0}};
    paint_path(img, dot, gold, px(y - 3), px(y + 3));
}

// ---------------------------------------------------------------------------------------------
// Badge: a violet plate with rounded ends, a gold ring, gold studs and the group's name; tall
// enough to fill the band between the top edge and the logotype.

constexpr int32_t PLATE_W = 240, PLATE_H = 78;

ImgPtr badge() {
    constexpr int32_t R = PLATE_H / 2;
    ImgPtr img(new_image(PLATE_W, PLATE_H));
    Path plate_path;
    plate_path.segments.push_back({{px(R), px(R)}, {px(PLATE_W - R), px(R)}});
    const Style plate{{{0, 0xC070FF}, {120, 0x7A30D8}, {256, 0x28106A}},
                      0xF0D8FF, 0x140630, px(R) - tenths(55), px(5), 210,
                      0xF6C848, tenths(35), 0x2A1200, tenths(20), 0, {0, 0}};
    paint_path(img.get(), plate_path, plate, px(3), px(PLATE_H - 3));
    stud(img.get(), 19, R);
    stud(img.get(), PLATE_W - 20, R);
    ImgPtr name = lettering("VEMLA", {tenths(23), tenths(24), tenths(3), tenths(6)},
                            gold_letters());
    overlay(name.get(), img.get(), (PLATE_W - name->width) / 2, (PLATE_H - name->height) / 2);
    return img;
}

// ---------------------------------------------------------------------------------------------
// Banner: a ribbon with folded tails and gold trim, as tall as the band below the logotype.

using Polygon = std::vector<Vec>;

Polygon polygon_px(std::initializer_list<std::pair<int64_t, int64_t>> points) {
    Polygon p;
    for (auto [x, y] : points) p.push_back({px(x), px(y)});
    return p;
}

// Fills a polygon with a vertical ramp; pixels on its border get the edge colour.
void fill_polygon(IMG* img, const Polygon& poly, const Ramp& ramp, int32_t top, int32_t bottom,
                  uint32_t edge) {
    auto in = [&](int32_t x, int32_t y) {
        return inside_polygon(poly, {px(x) + SUB / 2, px(y) + SUB / 2});
    };
    for (int32_t y = 0; y < img->height; ++y)
        for (int32_t x = 0; x < img->width; ++x) {
            if (!in(x, y)) continue;
            const bool border = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
            const int32_t t = std::clamp((y - top) * 256 / std::max(1, bottom - top), 0, 256);
            img->pixels[y * img->width + x] = border ? edge : ramp_at(ramp, t);
        }
}

ImgPtr banner() {
    // W x H overall; the band is BAND rows; the tails hang from row DROP, as wide as TAIL, with
    // a notch NOTCH deep; the band overlaps them by INSET.
    constexpr int32_t W = 304, H = 78, BAND = 60, DROP = 18, TAIL = 58, NOTCH = 18, INSET = 34;
    ImgPtr img(new_image(W, H));
    const uint32_t edge = 0x080A20;
    const Ramp tail{{0, 0x3A5CD0}, {256, 0x10206A}};
    const int32_t notch_y = (DROP + H) / 2;
    fill_polygon(img.get(),
                 polygon_px({{0, DROP}, {TAIL, DROP}, {TAIL, H}, {0, H}, {NOTCH, notch_y}}),
                 tail, DROP, H, edge);
    fill_polygon(img.get(),
                 polygon_px({{W, DROP}, {W - TAIL, DROP}, {W - TAIL, H}, {W, H},
                             {W - NOTCH, notch_y}}),
                 tail, DROP, H, edge);
    const Ramp fold{{0, 0x121C50}, {256, 0x060A24}};
    fill_polygon(img.get(), polygon_px({{INSET, BAND - 1}, {TAIL, BAND - 1}, {TAIL, H}}), fold,
                 BAND, H, edge);
    fill_polygon(img.get(), polygon_px({{W - INSET, BAND - 1}, {W - TAIL, BAND - 1}, {W - TAIL, H}}),
                 fold, BAND, H, edge);
    const Ramp band{{0, 0x7AA4FF}, {40, 0x3A64E0}, {180, 0x1A2E90}, {256, 0x0E1A5C}};
    fill_polygon(img.get(),
                 polygon_px({{INSET, 0}, {W - INSET, 0}, {W - INSET, BAND}, {INSET, BAND}}), band,
                 0, BAND, edge);
    for (int32_t x = INSET + 2; x < W - INSET - 2; ++x) {
        img->pixels[3 * W + x] = 0xFFE488;
        img->pixels[4 * W + x] = 0xE0A830;
        img->pixels[(BAND - 5) * W + x] = 0xE0A830;
        img->pixels[(BAND - 4) * W + x] = 0x9A6418;
    }
    ImgPtr words = lettering("* 7163 *", {tenths(22), tenths(20), tenths(3), tenths(12)},
                             gold_letters());
    overlay(words.get(), img.get(), (W - words->width) / 2, (BAND - words->height) / 2);
    return img;
}

// ---------------------------------------------------------------------------------------------

bool save(IMG* img, const std::string& dir, const char* name) {
    fill_pinholes(img);
    lift_ink(img);
    const std::string path = dir + "/" + name;
    if (IMG_save_ppm(img, path.c_str())) return true;
    std::fprintf(stderr, "make_pictures: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    standard_streams_open();
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pictures OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;

    const Style letter_styles[] = {
        sprite(0xFFC8B8, 0xFF3A2A, 0xF0105A, 0xB00830, 0xFFB4A8),  // K: red
        sprite(0xFFD0F0, 0xFF40C8, 0xC028FF, 0x8010A0, 0xFFB0E8),  // A: magenta
        sprite(0xD8FFC8, 0x48F850, 0x00C890, 0x00804A, 0xB0FFB8),  // P: green
        sprite(0xC8E4FF, 0x3C9CFF, 0x8A48FF, 0x3A20C8, 0xB8D4FF),  // U: blue
    };
    std::vector<ImgPtr> letters;
    int32_t lw = 0, lh = 0;
    for (int i = 0; i < 4; ++i) {
        const char text[2] = {"KAPU"[i], 0};
        letters.push_back(lettering(text, {tenths(27), SUB * 41 / 20, 0, 0}, letter_styles[i]));
        lw = std::max(lw, letters.back()->width);
        lh = std::max(lh, letters.back()->height);
    }
    for (int i = 0; i < 4; ++i) {
        ImgPtr sprite_img = padded(letters[static_cast<size_t>(i)].get(), lw, lh);
        ok &= save(sprite_img.get(), dir, demo_data_files[static_cast<size_t>(i)]);
    }

    ImgPtr logo2 = lettering("KAPU4417", {tenths(19), tenths(40), tenths(5), -tenths(20)},
                             chrome_ice());
    ok &= save(logo2.get(), dir, demo_file(DemoFile::logotype2));
    ImgPtr logo1 = lettering("KAPU4417", {tenths(14), tenths(19), tenths(3), -tenths(4)},
                             chrome_gold());
    ok &= save(logo1.get(), dir, demo_file(DemoFile::logotype1));
    // Part 3 places its logotype against the left edge; as wide as the screen, with clear
    // margins, the lettering sits in the middle.
    ImgPtr logo0_ink = lettering("KAPU4417", {tenths(25), tenths(36), tenths(4), -tenths(25)},
                                 chrome_silver());
    ImgPtr logo0 = padded(logo0_ink.get(), SCREEN_W, logo0_ink->height);
    ok &= save(logo0.get(), dir, demo_file(DemoFile::logotype0));

    ImgPtr badge_img = badge();
    ok &= save(badge_img.get(), dir, demo_file(DemoFile::badge));
    ImgPtr banner_img = banner();
    ok &= save(banner_img.get(), dir, demo_file(DemoFile::banner));

    const char* sheet_name = demo_file(DemoFile::sheet);
    if (!write_pbm(glyph_sheet_bits(), SHEET_W, SHEET_H, dir + "/" + sheet_name)) {
        std::fprintf(stderr, "make_pictures: cannot write %s/%s\n", dir.c_str(), sheet_name);
        ok = false;
    }
    return ok ? 0 : 1;
}
