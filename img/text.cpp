// img/text.cpp: the image's text form, a plain pixmap wrapped in "IMG{" ... "}", and its reader.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "img/img.h"

namespace {

// Every value takes a four-character field ("%3d "), so a pixel is exactly 12 characters.
constexpr int64_t pixel_chars = 12;
constexpr int64_t pixels_per_line = 6;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Header numbers saturate here, far above any size the reader accepts.
constexpr uint64_t header_cap = uint64_t{1} << 40;

// The digit run at text[pos]; pos ends on the first non-digit (0 when there are no digits).
uint64_t read_header_number(const char* text, size_t& pos) {
    uint64_t value = 0;
    for (; is_digit(text[pos]); ++pos) {
        value = value * 10 + static_cast<uint64_t>(text[pos] - '0');
        if (value > header_cap) value = header_cap;
    }
    return value;
}

// Skips the one separator character; the terminating zero byte is never stepped over.
bool skip_one(const char* text, size_t& pos) {
    if (text[pos] == '\0') return false;
    ++pos;
    return true;
}

// The next run of digits after any non-digits, wrapping as an unsigned 32-bit number (values
// above 255 are not clamped and overlap the neighbouring channel). False at the zero byte.
bool read_value(const char* text, size_t& pos, uint32_t& value) {
    while (!is_digit(text[pos])) {
        if (text[pos] == '\0') return false;
        ++pos;
    }
    value = 0;
    for (; is_digit(text[pos]); ++pos) value = value * 10u + static_cast<uint32_t>(text[pos] - '0');
    return true;
}

// Searches pattern from text + pos on; moves pos past the match.
bool skip_past(const char* text, size_t& pos, const char* pattern) {
    const int32_t k = IMG_find_after(text + pos, pattern);
    if (k == 0) return false;
    pos += static_cast<size_t>(k);
    return true;
}

}  // namespace

char* IMG_to_text(const IMG* img) {
    if (!img || !img->pixels) {
        IMG_error();
        return nullptr;
    }
    const int64_t n = int64_t{img->width} * img->height;
    if (n <= 0) {
        auto* empty = static_cast<char*>(std::calloc(6, 1));
        if (!empty) {
            IMG_error();
            return nullptr;
        }
        std::memcpy(empty, "IMG{}", 6);
        return empty;
    }
    // The header takes 14 characters plus the digits of w and h, the pixels 12 each, "}\n" and
    // the zero byte 3: within this bound for every w x h = n, since the digits of w and h
    // together never exceed 12 + n / 6.
    const auto size = static_cast<size_t>(pixel_chars * n + n / pixels_per_line + 29);
    auto* text = static_cast<char*>(std::calloc(size, 1));
    if (!text) {
        IMG_error();
        return nullptr;
    }
    int pos = std::snprintf(text, size, "IMG{\nP3\n%d %d\n255\n", img->width, img->height);
    size_t at = static_cast<size_t>(pos);
    for (int64_t i = 0; i < n; ++i, at += pixel_chars) {
        const uint32_t p = img->pixels[i];
        std::snprintf(text + at, size - at, "%3d ", static_cast<int>(p >> 16 & 0xFF));
        std::snprintf(text + at + 4, size - at - 4, "%3d ", static_cast<int>(p >> 8 & 0xFF));
        std::snprintf(text + at + 8, size - at - 8, "%3d ", static_cast<int>(p & 0xFF));
        if ((i + 1) % pixels_per_line == 0) text[at + 11] = '\n';
    }
    text[at - 1] = '\n';  // the last value always ends its line
    std::memcpy(text + at, "}\n", 3);
    return text;
}

// Never reads past the zero byte: a text that ends before its last value fails.
IMG* IMG_from_text(const char* text) {
    if (!text) {
        IMG_error();
        return nullptr;
    }
    size_t pos = 0;
    if (!skip_past(text, pos, "IMG") || !skip_past(text, pos, "{") || !skip_past(text, pos, "P3\n")) {
        IMG_error();
        return nullptr;
    }
    const uint64_t width = read_header_number(text, pos);
    bool whole = skip_one(text, pos);
    const uint64_t height = whole ? read_header_number(text, pos) : 0;
    whole = whole && skip_one(text, pos);
    if (whole) read_header_number(text, pos);  // the maxval, not used
    whole = whole && skip_one(text, pos);
    if (!whole || width > static_cast<uint64_t>(IMG_MAX_READ_PIXELS) ||
        height > static_cast<uint64_t>(IMG_MAX_READ_PIXELS) ||
        width * height > static_cast<uint64_t>(IMG_MAX_READ_PIXELS)) {
        IMG_error();
        return nullptr;
    }
    // Each value takes at least one digit: a text far too short fails before the image is
    // allocated.
    if (std::strlen(text + pos) < 3 * width * height) {
        IMG_error();
        return nullptr;
    }
    IMG* img = IMG_new();
    if (!img) return nullptr;
    const auto w = static_cast<int32_t>(width);
    const auto h = static_cast<int32_t>(height);
    IMG_resize(img, w, h);
    if (img->width != w || img->height != h) {  // the pixel array could not be allocated
        IMG_free(&img);
        IMG_error();
        return nullptr;
    }
    const int64_t n = int64_t{w} * h;
    for (int64_t i = 0; i < n; ++i) {
        uint32_t r = 0, g = 0, b = 0;
        if (!read_value(text, pos, r) || !read_value(text, pos, g) || !read_value(text, pos, b)) {
            IMG_free(&img);
            IMG_error();
            return nullptr;
        }
        img->pixels[i] = r << 16 | g << 8 | b;
    }
    return img;
}

int32_t IMG_find_after(const char* text, const char* pattern) {
    if (!text || !pattern) {
        IMG_error();
        return 0;
    }
    if (pattern[0] == '\0') return 0;
    const char* found = std::strstr(text, pattern);
    if (!found) return 0;
    const size_t after = static_cast<size_t>(found - text) + std::strlen(pattern);
    // An index beyond the result's range cannot be told apart from a match: report none.
    return after <= INT32_MAX ? static_cast<int32_t>(after) : 0;
}
