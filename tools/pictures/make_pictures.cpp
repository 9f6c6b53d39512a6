// tools/pictures/make_pictures.cpp: draws the demo's ten pictures from the house letter design
// and writes them into the folder named on the command line.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "glyphs.h"
#include "img/img.h"
#include "paint.h"
#include "util/standard_streams.h"

namespace {

struct ImgDeleter {
    void operator()(IMG* img) const { IMG_free(&img); }
};
using ImgPtr = std::unique_ptr<IMG, ImgDeleter>;

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
            0xFFFFF0, 0x3C1800, tenths(22), tenths(8), 150,
            0x2C1200, tenths(10), 0, 0, 0x140A04, {tenths(15), tenths(15)}};
}

Style chrome_silver() {
    return {{{0, 0xFFFFFF}, {100, 0xC4CAD8}, {118, 0x707890}, {124, 0x1E2030}, {136, 0x2A2C3E},
             {170, 0x5C6078}, {256, 0xEEF2FA}},
            0xFFFFFF, 0x101020, tenths(36), tenths(13), 170,
            0x0C0C14, tenths(25), 0xF4F4FF, tenths(10), 0x101018, {tenths(30), tenths(30)}};
}

// A bright sprite colour: light at the top, full in the middle, deep at the foot.
Style sprite(uint32_t light, uint32_t full, uint32_t deep, uint32_t line) {
    return {{{0, light}, {110, full}, {256, deep}},
            0xFFFFFF, 0x100808, tenths(32), tenths(12), 150,
            line, tenths(15), 0, 0, 0, {0, 0}};
}

// ---------------------------------------------------------------------------------------------
// Badge: a blue lozenge with a gold ring and the group's name.

ImgPtr badge() {
    constexpr int32_t W = 96, H = 40;
    ImgPtr img(new_image(W, H));
    Path lozenge;
    lozenge.segments.push_back({{px(20), px(20)}, {px(76), px(20)}});
    const Style plate{{{0, 0x3A64D8}, {256, 0x0C1A5A}},
                      0x8AB0FF, 0x050A28, tenths(165), px(4), 200,
                      0xF0C040, tenths(25), 0x2A1600, tenths(10), 0, {0, 0}};
    paint_path(img.get(), lozenge, plate, px(3), px(37));
    const Style letters{{{0, 0xFFFFF0}, {128, 0xFFD860}, {256, 0xD08010}},
                        0xFFFFFF, 0x402000, tenths(16), tenths(6), 120,
                        0x100800, tenths(10), 0, 0, 0, {0, 0}};
    ImgPtr name = lettering("VEMLA", {SUB, tenths(11), tenths(2), tenths(4)}, letters);
    overlay(name.get(), img.get(), (W - name->width) / 2, (H - name->height) / 2);
    return img;
}

// ---------------------------------------------------------------------------------------------
// Banner: a ribbon with folded tails and gold trim.

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
    constexpr int32_t W = 256, H = 32, BAND = 26;
    ImgPtr img(new_image(W, H));
    const uint32_t edge = 0x080A20;
    const Ramp tail{{0, 0x2A4CB0}, {256, 0x0E1C58}};
    fill_polygon(img.get(), polygon_px({{0, 7}, {40, 7}, {40, 32}, {0, 32}, {10, 19}}), tail, 7, 32,
                 edge);
    fill_polygon(img.get(),
                 polygon_px({{W, 7}, {W - 40, 7}, {W - 40, 32}, {W, 32}, {W - 10, 19}}), tail, 7,
                 32, edge);
    const Ramp fold{{0, 0x101A48}, {256, 0x060A22}};
    fill_polygon(img.get(), polygon_px({{22, BAND - 1}, {40, BAND - 1}, {40, 32}}), fold, BAND, 32,
                 edge);
    fill_polygon(img.get(), polygon_px({{W - 22, BAND - 1}, {W - 40, BAND - 1}, {W - 40, 32}}),
                 fold, BAND, 32, edge);
    const Ramp band{{0, 0x5A86F0}, {60, 0x2E54C8}, {256, 0x0E1E66}};
    fill_polygon(img.get(), polygon_px({{22, 0}, {W - 22, 0}, {W - 22, BAND}, {22, BAND}}), band, 0,
                 BAND, edge);
    for (int32_t x = 24; x < W - 24; ++x) {
        img->pixels[2 * W + x] = 0xF6D060;
        img->pixels[(BAND - 3) * W + x] = 0xC89028;
    }
    const Style letters{{{0, 0xFFFFF0}, {128, 0xFFD860}, {256, 0xD08010}},
                        0xFFFFFF, 0x402000, tenths(16), tenths(6), 120,
                        0x100800, tenths(10), 0, 0, 0, {0, 0}};
    ImgPtr words = lettering("* 7163 *", {tenths(11), tenths(8), tenths(2), tenths(10)}, letters);
    overlay(words.get(), img.get(), (W - words->width) / 2, (BAND - words->height) / 2);
    return img;
}

// ---------------------------------------------------------------------------------------------

bool save(IMG* img, const std::string& dir, const char* name) {
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
        sprite(0xFFF0E8, 0xFF5A3A, 0xC01A20, 0x4A0810),  // K: red
        sprite(0xFFFFE8, 0xFFD030, 0xD07000, 0x4A2000),  // A: amber
        sprite(0xF0FFF0, 0x50F080, 0x109048, 0x06381A),  // P: green
        sprite(0xF0F4FF, 0x6A94FF, 0x4828C0, 0x140A50),  // U: blue
    };
    const char* letter_names[] = {"K.ppm", "A.ppm", "P.ppm", "U.ppm"};
    std::vector<ImgPtr> letters;
    int32_t lw = 0, lh = 0;
    for (int i = 0; i < 4; ++i) {
        const char text[2] = {"KAPU"[i], 0};
        letters.push_back(lettering(text, {tenths(14), tenths(13), 0, 0}, letter_styles[i]));
        lw = std::max(lw, letters.back()->width);
        lh = std::max(lh, letters.back()->height);
    }
    for (int i = 0; i < 4; ++i) {
        ImgPtr sprite_img = padded(letters[static_cast<size_t>(i)].get(), lw, lh);
        ok &= save(sprite_img.get(), dir, letter_names[i]);
    }

    ImgPtr logo2 = lettering("KAPU4417", {tenths(18), tenths(30), tenths(4), -tenths(20)},
                             chrome_ice());
    ok &= save(logo2.get(), dir, "logotype2.ppm");
    ImgPtr logo1 = lettering("KAPU4417", {tenths(9), tenths(13), tenths(2), -tenths(10)},
                             chrome_gold());
    ok &= save(logo1.get(), dir, "logotype1.ppm");
    ImgPtr logo0 = lettering("KAPU4417", {tenths(14), tenths(22), tenths(3), -tenths(25)},
                             chrome_silver());
    ok &= save(logo0.get(), dir, "logotype0.ppm");

    ImgPtr badge_img = badge();
    ok &= save(badge_img.get(), dir, "vemla.ppm");
    ImgPtr banner_img = banner();
    ok &= save(banner_img.get(), dir, "7163.ppm");

    if (!write_pbm(glyph_sheet_bits(), SHEET_W, SHEET_H, dir + "/font1526.pbm")) {
        std::fprintf(stderr, "make_pictures: cannot write %s/font1526.pbm\n", dir.c_str());
        ok = false;
    }
    return ok ? 0 : 1;
}
