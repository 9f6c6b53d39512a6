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
constexpr int32_t SCREEN_H = 240;
// Part 1's bars swing within rows 89 to 167: the badge keeps above LOGO2_TOP, the lettering of
// the logotype between it and the bars, the banner below the bars.
constexpr int32_t LOGO2_TOP = 34;

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
// The house look: KAPU4417 in the house letters, leaning right, in one style whose palette is
// black, ember red, amber, gold and cream. Gold chrome where the ground is dark (part 1's bars,
// part 2's stars); black lacquer with gold edges where the ground is bright (part 3's plasma).
// The badge, the banner and the letter sprites take their colours from the same family.

// Gold chrome: cream at the top, gold, a dark ember horizon a little below the middle (a sky
// over dark ground), amber below it, gold again at the foot; a dark ember outline.
Ramp gold_chrome() {
    return {{0, 0xFFFCE8}, {70, 0xFFE27A}, {112, 0xF0A028}, {122, 0x601400}, {134, 0x8A2C06},
            {172, 0xE07A18}, {256, 0xFFE07A}};
}

Style logo_gold(int64_t pen, int64_t outline) {
    return {gold_chrome(), 0xFFFFF4, 0x3A0C00, pen, pen / 3, 160,
            0x240400, outline, 0, 0, 0, {0, 0}};
}

// Black lacquer: a deep ember gloss over black, lit by a gold bevel along the upper-left
// edges, a gold line round it and a dark rim and shadow that part it from any background.
Style logo_lacquer(int64_t pen) {
    return {{{0, 0x4A140A}, {90, 0x1A0406}, {118, 0x080104}, {128, 0x5E1A06}, {150, 0x220604},
             {256, 0x0C0204}},
            0xFFD868, 0x020002, pen, pen / 3, 200,
            0xFFCC48, tenths(14), 0x140404, tenths(14), 0x0A0206, {tenths(30), tenths(30)}};
}

// A letter sprite's colours: the logotype's chrome in a light key. The demo halves every sprite
// pixel over what lies below, mostly black, so they are light: a white top, the sprite's own hue
// of the gold family, a thin horizon of a deeper tone of it a little below the middle, the hue
// again and a pale foot, and a pale rim of that hue that halves into a clean light edge.
Style sprite(uint32_t full, uint32_t foot, uint32_t edge, uint32_t pale) {
    return {{{0, 0xFFFFFF}, {96, full}, {114, edge}, {128, foot}, {256, pale}},
            0xFFFFFF, edge, tenths(42), tenths(16), 150,
            edge, tenths(7), pale, tenths(14), 0, {0, 0}};
}

// Gold lettering for the badge and the banner: the logotype's chrome at a smaller size.
Style gold_letters() {
    return {gold_chrome(), 0xFFFFF4, 0x3A0C00, tenths(24), tenths(9), 150,
            0x1A0400, tenths(10), 0, 0, 0x0A0204, {tenths(12), tenths(12)}};
}

// A round gold stud: one dot of pen.
void stud(IMG* img, int32_t x, int32_t y) {
    Path dot;
    dot.segments.push_back({{px(x), px(y)}, {px(x), px(y)}});
    const Style gold{{{0, 0xFFF4C0}, {256, 0xC07010}},
                     0xFFFFFF, 0x401000, tenths(25), tenths(15), 220,
                     0x200400, tenths(10), 0, 0, 0, {0, 0}};
    paint_path(img, dot, gold, px(y - 3), px(y + 3));
}

// ---------------------------------------------------------------------------------------------
// Badge: the group's name in gold on a black lacquer plate with rounded ends and a gold edge;
// it keeps to the top rows, above the logotype.

constexpr int32_t PLATE_W = 172, PLATE_H = 36;

ImgPtr badge() {
    constexpr int32_t R = PLATE_H / 2;
    ImgPtr img(new_image(PLATE_W, PLATE_H + 6));
    Path plate_path;
    plate_path.segments.push_back({{px(R), px(R + 3)}, {px(PLATE_W - R), px(R + 3)}});
    const Style plate{{{0, 0x4A1208}, {110, 0x1C0406}, {256, 0x080104}},
                      0xFFD060, 0x000000, px(R) - tenths(50), px(3), 120,
                      0xFFC848, tenths(15), 0x301004, tenths(10), 0, {0, 0}};
    paint_path(img.get(), plate_path, plate, px(3), px(PLATE_H + 3));
    stud(img.get(), 15, R + 3);
    stud(img.get(), PLATE_W - 16, R + 3);
    Style small = gold_letters();
    small.pen = tenths(17);
    small.bevel = tenths(6);
    ImgPtr name = lettering("VEMLA", {tenths(14), tenths(12), tenths(3), tenths(8)}, small);
    overlay(name.get(), img.get(), (PLATE_W - name->width) / 2, (PLATE_H + 6 - name->height) / 2);
    return ImgPtr(crop_to_ink(img.get()));
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
    // a notch NOTCH deep; the band overlaps them by INSET. It keeps to the black band below the
    // bars.
    constexpr int32_t W = 256, H = 62, BAND = 46, DROP = 16, TAIL = 46, NOTCH = 15, INSET = 26;
    ImgPtr img(new_image(W, H));
    const uint32_t edge = 0x140202;
    const Ramp tail{{0, 0x9A1C0C}, {256, 0x3A0604}};
    const int32_t notch_y = (DROP + H) / 2;
    fill_polygon(img.get(),
                 polygon_px({{0, DROP}, {TAIL, DROP}, {TAIL, H}, {0, H}, {NOTCH, notch_y}}),
                 tail, DROP, H, edge);
    fill_polygon(img.get(),
                 polygon_px({{W, DROP}, {W - TAIL, DROP}, {W - TAIL, H}, {W, H},
                             {W - NOTCH, notch_y}}),
                 tail, DROP, H, edge);
    const Ramp fold{{0, 0x300404}, {256, 0x100102}};
    fill_polygon(img.get(), polygon_px({{INSET, BAND - 1}, {TAIL, BAND - 1}, {TAIL, H}}), fold,
                 BAND, H, edge);
    fill_polygon(img.get(), polygon_px({{W - INSET, BAND - 1}, {W - TAIL, BAND - 1}, {W - TAIL, H}}),
                 fold, BAND, H, edge);
    const Ramp band{{0, 0xE0502A}, {40, 0xB82412}, {180, 0x6A0A08}, {256, 0x3A0404}};
    fill_polygon(img.get(),
                 polygon_px({{INSET, 0}, {W - INSET, 0}, {W - INSET, BAND}, {INSET, BAND}}), band,
                 0, BAND, edge);
    for (int32_t x = INSET + 2; x < W - INSET - 2; ++x) {
        img->pixels[2 * W + x] = 0xFFE488;
        img->pixels[3 * W + x] = 0xD89830;
        img->pixels[(BAND - 4) * W + x] = 0xD89830;
        img->pixels[(BAND - 3) * W + x] = 0x8A5014;
    }
    ImgPtr words = lettering("7163", {tenths(19), tenths(15), tenths(3), tenths(12)},
                             gold_letters());
    overlay(words.get(), img.get(), (W - words->width) / 2, (BAND - words->height) / 2);
    // The badge's gold studs, one each side of the number.
    stud(img.get(), INSET + 16, BAND / 2);
    stud(img.get(), W - INSET - 17, BAND / 2);
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

    // Rose gold, amber, gold and champagne: neighbours in hue, so that two letters blended
    // over each other keep a hue of both; pale, so that halved they still shine.
    const Style letter_styles[] = {
        sprite(0xFFD0BC, 0xFFA088, 0xE07058, 0xFFE4D8),  // K: rose gold
        sprite(0xFFDCA0, 0xFFB860, 0xE08A30, 0xFFECC8),  // A: amber
        sprite(0xFFEC90, 0xFFD040, 0xD0A010, 0xFFF6C0),  // P: gold
        sprite(0xFFF4C8, 0xF8E088, 0xC8A040, 0xFFFAE0),  // U: champagne
    };
    std::vector<ImgPtr> letters;
    // At least 40 x 48, the size the letters' swing was laid out for.
    int32_t lw = 40, lh = 48;
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

    // Part 1: the lettering rides above the bars, so nothing hides them: the picture is
    // centred on the screen, its lettering in its top rows (the band between the badge and the
    // bars) and the rest of it clear.
    Style part1_style = logo_gold(tenths(40), tenths(16));
    part1_style.outline = 0x0A0000;
    ImgPtr lettering2 = lettering("KAPU4417", {tenths(20), tenths(26), tenths(5), tenths(2)},
                                  part1_style);
    ImgPtr logo2(new_image(lettering2->width, SCREEN_H - 2 * LOGO2_TOP));
    overlay(lettering2.get(), logo2.get(), 0, 0);
    ok &= save(logo2.get(), dir, demo_file(DemoFile::logotype2));
    // Part 2: solid gold in the corner, over the stars.
    ImgPtr logo1 = lettering("KAPU4417", {tenths(16), tenths(22), tenths(4), -tenths(6)},
                             logo_gold(tenths(24), tenths(10)));
    ok &= save(logo1.get(), dir, demo_file(DemoFile::logotype1));
    // Part 3: black lacquer over the bright plasma, in two lines as wide as the screen and tall
    // enough that the bounce carries its top into the upper fifth of the screen.
    const Lettering big{tenths(51), tenths(42), tenths(8), -tenths(10)};
    ImgPtr top = lettering("KAPU", big, logo_lacquer(tenths(55)));
    ImgPtr bottom = lettering("4417", big, logo_lacquer(tenths(55)));
    // The second line a little to the right of the first, the pair centred with clear margins.
    const int32_t rows = top->height + bottom->height - 6;
    ImgPtr lines(new_image(SCREEN_W + 40, rows));
    overlay(bottom.get(), lines.get(), (SCREEN_W + 40 - bottom->width) / 2 + 10,
            rows - bottom->height);
    overlay(top.get(), lines.get(), (SCREEN_W + 40 - top->width) / 2 - 10, 0);
    ImgPtr ink0(crop_to_ink(lines.get()));
    ImgPtr logo0 = padded(ink0.get(), SCREEN_W, ink0->height);
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
