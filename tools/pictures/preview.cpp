// tools/pictures/preview.cpp: puts the pictures on stand-ins of the three parts' backgrounds
// (red bars, stars, plasma) so the art can be judged where it will be seen. For review only.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "img/img.h"
#include "main/data_files.h"
#include "util/standard_streams.h"

namespace {

struct ImgDeleter {
    void operator()(IMG* img) const { IMG_free(&img); }
};
using ImgPtr = std::unique_ptr<IMG, ImgDeleter>;

constexpr int32_t W = 320, H = 240;

ImgPtr load(const std::string& dir, const char* name) {
    ImgPtr img(IMG_load_pnm((dir + "/" + name).c_str()));
    if (!img) std::fprintf(stderr, "picture_preview: cannot read %s\n", name);
    return img;
}

ImgPtr blank() {
    ImgPtr img(IMG_new());
    IMG_resize(img.get(), W, H);
    return img;
}

void put(IMG* dst, int32_t x, int32_t y, uint32_t p) {
    if (x >= 0 && y >= 0 && x < dst->width && y < dst->height) dst->pixels[y * dst->width + x] = p;
}

uint32_t get(const IMG* img, int32_t x, int32_t y) { return img->pixels[y * img->width + x]; }

// Keyed copy, optionally scaled by an integer factor, blended 50/50, and shifted sideways per
// row on a sine (a stand-in for the wobble); columns wrap around the screen as the demo's do.
void paste(const IMG* src, IMG* dst, int32_t dx, int32_t dy, int32_t scale = 1, bool half = false,
           int32_t row_shift_amp = 0) {
    if (!src) return;
    for (int32_t y = 0; y < src->height * scale; ++y) {
        const int32_t shift =
            row_shift_amp ? static_cast<int32_t>(row_shift_amp * std::sin(y * 0.15)) : 0;
        for (int32_t x = 0; x < src->width * scale; ++x) {
            const uint32_t p = get(src, x / scale, y / scale);
            if (!p) continue;
            const int32_t tx = (dx + x + shift + W) % W, ty = dy + y;
            if (ty < 0 || ty >= H) continue;
            if (half) {
                const uint32_t q = dst->pixels[ty * W + tx];
                put(dst, tx, ty, ((p >> 1) & 0x7F7F7F) + ((q >> 1) & 0x7F7F7F));
            } else {
                put(dst, tx, ty, p);
            }
        }
    }
}

uint32_t rgb(double r, double g, double b) {
    auto c = [](double v) { return static_cast<uint32_t>(std::fmin(255.0, std::fmax(0.0, v))); };
    return c(r) << 16 | c(g) << 8 | c(b);
}

void red_bars(IMG* img) {
    for (int32_t y = 0; y < H; ++y) {
        double v = 0;
        for (int i = 0; i < 5; ++i) {
            const double centre = 120 + 95 * std::sin(i * 1.3 + 0.4);
            const double d = std::fabs(y - centre);
            if (d < 12) v = std::fmax(v, 1.0 - d / 12.0);
        }
        for (int32_t x = 0; x < W; ++x) put(img, x, y, rgb(255 * v, 90 * v * v, 40 * v * v * v));
    }
}

void stars(IMG* img) {
    uint32_t seed = 12345;
    for (int i = 0; i < 300; ++i) {
        seed = seed * 1103515245u + 12345u;
        const auto x = static_cast<int32_t>((seed >> 8) % W);
        seed = seed * 1103515245u + 12345u;
        const auto y = static_cast<int32_t>((seed >> 8) % H);
        const uint32_t g = 60 + (seed >> 4) % 196;
        put(img, x, y, g * 0x010101);
    }
}

uint32_t plasma_at(int32_t x, int32_t y) {
    const double v = std::sin(x * 0.045) + std::sin(y * 0.06 + 1.0) + std::sin((x + y) * 0.03);
    return rgb(128 + 127 * std::sin(v * 2.0), 128 + 127 * std::sin(v * 2.0 + 2.1),
               128 + 127 * std::sin(v * 2.0 + 4.2));
}

void plasma(IMG* img) {
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) put(img, x, y, plasma_at(x, y));
}

void text(const IMG* sheet, IMG* dst, const char* s, int32_t x, int32_t y) {
    if (!sheet) return;
    for (; *s; ++s, x += 15) {
        const int32_t c = *s, sx = (c * 15) % sheet->width, sy = ((c * 15) / sheet->width) * 26;
        for (int32_t gy = 0; gy < 26; ++gy)
            for (int32_t gx = 0; gx < 15; ++gx)
                if (get(sheet, sx + gx, sy + gy)) put(dst, x + gx, y + gy, plasma_at(x + gx, gy * 4));
    }
}

}  // namespace

int main(int argc, char** argv) {
    standard_streams_open();
    if (argc != 3) {
        std::fprintf(stderr, "usage: picture_preview DATA_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string in = argv[1], out = argv[2];
    const auto file = [&in](DemoFile f) { return load(in, demo_file(f)); };
    ImgPtr badge = file(DemoFile::badge), banner = file(DemoFile::banner);
    ImgPtr logo0 = file(DemoFile::logotype0), logo1 = file(DemoFile::logotype1),
           logo2 = file(DemoFile::logotype2), sheet = file(DemoFile::sheet);
    ImgPtr letters[] = {file(DemoFile::letter_k), file(DemoFile::letter_a),
                        file(DemoFile::letter_p), file(DemoFile::letter_u)};

    ImgPtr part1 = blank();
    red_bars(part1.get());
    if (badge) paste(badge.get(), part1.get(), (W - badge->width) / 2, 0);
    if (banner) paste(banner.get(), part1.get(), (W - banner->width) / 2, H - banner->height);
    if (logo2)
        paste(logo2.get(), part1.get(), (W - logo2->width) / 2, (H - logo2->height) / 2, 1, false,
              8);
    IMG_save_ppm(part1.get(), (out + "/preview-part1.ppm").c_str());

    ImgPtr part2 = blank();
    stars(part2.get());
    for (int i = 0; i < 4; ++i)
        if (letters[i])
            paste(letters[i].get(), part2.get(), 20 + i * 60, 40 + 18 * i, 2, true);
    text(sheet.get(), part2.get(), "Hello, scroller! 0123456789 jgpqy", 4, 180);
    text(sheet.get(), part2.get(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 4, 150);
    if (logo1) paste(logo1.get(), part2.get(), W - logo1->width, 0);
    IMG_save_ppm(part2.get(), (out + "/preview-part2.ppm").c_str());

    ImgPtr part3 = blank();
    plasma(part3.get());
    if (logo0) paste(logo0.get(), part3.get(), 0, H - logo0->height - 30);
    IMG_save_ppm(part3.get(), (out + "/preview-part3.ppm").c_str());
    return 0;
}
