// tools/icons/make_icons.cpp: draws the desktop icons, the demo's letter K on a rounded square in
// the logotype's blues, as PNG files of 16 to 256 pixels a side for the hicolor icon theme.
#include <zlib.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "img/img.h"
#include "main/data_files.h"
#include "util/standard_streams.h"

namespace {

constexpr std::array<int32_t, 6> kSizes = {16, 32, 48, 64, 128, 256};

struct ImgDeleter {
    void operator()(IMG* img) const { IMG_free(&img); }
};
using ImgPtr = std::unique_ptr<IMG, ImgDeleter>;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Straight (not premultiplied) colour with coverage, each channel 0 .. 1.
struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

Rgba over(const Rgba& top, const Rgba& below) {
    const double a = top.a + below.a * (1 - top.a);
    if (a <= 0) return {};
    auto mix = [&](double t, double u) { return (t * top.a + u * below.a * (1 - top.a)) / a; };
    return {mix(top.r, below.r), mix(top.g, below.g), mix(top.b, below.b), a};
}

// The rounded square behind the letter: a vertical gradient from the logotype's light blue at
// the top to near black at the bottom, with corners antialiased by 4 x 4 samples per pixel.
Rgba backdrop(int32_t size, int32_t x, int32_t y) {
    const double margin = size / 16.0, radius = size * 0.2;
    const double lo = margin, hi = size - margin;
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
            const double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
            // Distance outside the square shrunk by the radius, which rounds the corners.
            const double dx = std::fmax(std::fmax(lo + radius - px, px - (hi - radius)), 0.0);
            const double dy = std::fmax(std::fmax(lo + radius - py, py - (hi - radius)), 0.0);
            if (px >= lo && px <= hi && py >= lo && py <= hi && dx * dx + dy * dy <= radius * radius)
                ++inside;
        }
    }
    const double t = std::fmin(1.0, std::fmax(0.0, (y + 0.5 - lo) / (hi - lo)));
    return {0.23 * (1 - t) + 0.02 * t, 0.36 * (1 - t) + 0.03 * t, 0.78 * (1 - t) + 0.12 * t,
            inside / 16.0};
}

// The letter resampled with a box filter: each icon pixel averages the picture's pixels under
// it, weighted by how much of each it covers. Black is the pictures' transparent key, so it
// adds coverage nothing; an integer enlargement gives the sharp pixels of the original.
Rgba letter(const IMG* k, double left, double top, double scale, int32_t x, int32_t y) {
    const double x0 = (x - left) / scale, x1 = (x + 1 - left) / scale;
    const double y0 = (y - top) / scale, y1 = (y + 1 - top) / scale;
    double r = 0, g = 0, b = 0, covered = 0;
    for (auto sy = static_cast<int32_t>(std::floor(y0)); sy < y1; ++sy) {
        if (sy < 0 || sy >= k->height) continue;
        const double wy = std::fmin(y1, sy + 1.0) - std::fmax(y0, static_cast<double>(sy));
        for (auto sx = static_cast<int32_t>(std::floor(x0)); sx < x1; ++sx) {
            if (sx < 0 || sx >= k->width) continue;
            const uint32_t p = k->pixels[sy * k->width + sx];
            if (p == 0) continue;
            const double w = wy * (std::fmin(x1, sx + 1.0) - std::fmax(x0, static_cast<double>(sx)));
            r += w * (p >> 16 & 0xFF) / 255.0;
            g += w * (p >> 8 & 0xFF) / 255.0;
            b += w * (p & 0xFF) / 255.0;
            covered += w;
        }
    }
    if (covered <= 0) return {};
    const double area = (x1 - x0) * (y1 - y0);
    return {r / covered, g / covered, b / covered, std::fmin(1.0, covered / area)};
}

// One icon as rows of RGBA bytes.
std::vector<uint8_t> draw(const IMG* k, int32_t size) {
    // The letter fills about 70 % of the height; from 128 pixels up at the nearest whole
    // multiple, so the large icons keep the picture's sharp pixels.
    double scale = size * 0.7 / k->height;
    if (scale >= 2.5) scale = std::round(scale);
    const double left = std::round((size - k->width * scale) / 2);
    const double top = std::round((size - k->height * scale) / 2);
    std::vector<uint8_t> rgba(static_cast<size_t>(size) * static_cast<size_t>(size) * 4);
    auto byte = [](double v) { return static_cast<uint8_t>(std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255)); };
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            const Rgba c = over(letter(k, left, top, scale, x, y), backdrop(size, x, y));
            uint8_t* out = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(size) + static_cast<size_t>(x)) * 4];
            out[0] = byte(c.r);
            out[1] = byte(c.g);
            out[2] = byte(c.b);
            out[3] = byte(c.a);
        }
    }
    return rgba;
}

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void put_chunk(std::vector<uint8_t>& out, const char* type, std::span<const uint8_t> data) {
    put_u32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    // The checksum covers the type and the data.
    const uLong crc = crc32(0, &out[start], static_cast<uInt>(out.size() - start));
    put_u32(out, static_cast<uint32_t>(crc));
}

// A PNG file of 8-bit RGBA, every row unfiltered, deflated whole; empty when zlib fails.
std::vector<uint8_t> encode_png(std::span<const uint8_t> rgba, int32_t size) {
    const size_t stride = static_cast<size_t>(size) * 4;
    std::vector<uint8_t> raw;
    raw.reserve((stride + 1) * static_cast<size_t>(size));
    for (size_t y = 0; y < static_cast<size_t>(size); ++y) {
        raw.push_back(0);  // filter type: none
        const auto line = rgba.subspan(y * stride, stride);
        raw.insert(raw.end(), line.begin(), line.end());
    }
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packed_size);
    if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
        return {};
    packed.resize(packed_size);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put_u32(header, static_cast<uint32_t>(size));
    put_u32(header, static_cast<uint32_t>(size));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter set, no interlace
    put_chunk(png, "IHDR", header);
    put_chunk(png, "IDAT", packed);
    put_chunk(png, "IEND", {});
    return png;
}

bool write_file(const std::string& path, std::span<const uint8_t> bytes) {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return false;
    return std::fclose(f.release()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    standard_streams_open();
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icons DATA_FOLDER OUTPUT_FOLDER\n"
                             "writes kapu4417-N.png for N = 16, 32, 48, 64, 128 and 256\n");
        return 2;
    }
    const std::string in = argv[1], out = argv[2];
    const char* letter = demo_file(DemoFile::letter_k);
    const ImgPtr k(IMG_load_pnm((in + "/" + letter).c_str()));
    if (!k || k->width <= 0 || k->height <= 0) {
        std::fprintf(stderr, "make_icons: cannot read %s/%s\n", in.c_str(), letter);
        return 1;
    }
    for (const int32_t size : kSizes) {
        const std::string path = out + "/kapu4417-" + std::to_string(size) + ".png";
        const std::vector<uint8_t> png = encode_png(draw(k.get(), size), size);
        if (png.empty() || !write_file(path, png)) {
            std::fprintf(stderr, "make_icons: could not write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
