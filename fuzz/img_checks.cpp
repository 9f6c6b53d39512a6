// fuzz/img_checks.cpp: checks of images read from untrusted input.
#include "fuzz/img_checks.h"

#include <cstdlib>

#include "fuzz/fuzz.h"

namespace {

// Round trips cost time in proportion to the pixels; beyond this they are skipped so the
// fuzzer spends its time on the readers.
constexpr int64_t kRoundTripPixels = 4096;

int64_t pixel_count(const IMG* img) { return int64_t{img->width} * img->height; }

// The pixels as the text form and the raw pixmap keep them: 8 bits per channel, no top byte.
IMG* without_top_byte(const IMG* img) {
    IMG* copy = IMG_clone(img);
    FUZZ_CHECK(copy != nullptr);
    FUZZ_CHECK(IMG_equal(copy, img) == 1);
    for (int64_t i = 0; i < pixel_count(copy); ++i) copy->pixels[i] &= 0xFFFFFFu;
    return copy;
}

}  // namespace

void fuzz_check_read_image(const IMG* img, ReadSize size) {
    if (size == ReadSize::kPositive) FUZZ_CHECK(img->width > 0 && img->height > 0);
    FUZZ_CHECK(img->width >= 0 && img->height >= 0);
    FUZZ_CHECK(pixel_count(img) <= IMG_MAX_READ_PIXELS);
    FUZZ_CHECK(img->pixels != nullptr);
    if (pixel_count(img) == 0) return;
    // Every pixel is readable: a short pixel array shows up under the address sanitizer here.
    uint32_t sum = 0;
    for (int64_t i = 0; i < pixel_count(img); ++i) sum += img->pixels[i];
    (void)sum;
    FUZZ_CHECK(IMG_get_pixel(img, img->width - 1, img->height - 1) ==
               img->pixels[pixel_count(img) - 1]);
}

void fuzz_check_text_round_trip(const IMG* img) {
    // An image without pixels is written as "IMG{}", which by design does not read back.
    if (pixel_count(img) == 0 || pixel_count(img) > kRoundTripPixels) return;
    IMG* expected = without_top_byte(img);
    char* text = IMG_to_text(img);
    FUZZ_CHECK(text != nullptr);
    IMG* back = IMG_from_text(text);
    std::free(text);
    FUZZ_CHECK(back != nullptr);
    FUZZ_CHECK(IMG_equal(back, expected) == 1);
    IMG_free(&back);
    IMG_free(&expected);
}

void fuzz_check_file_round_trip(const IMG* img, const char* path) {
    if (pixel_count(img) > kRoundTripPixels) return;
    IMG* expected = without_top_byte(img);
    FUZZ_CHECK(IMG_save_ppm(img, path) == 1);
    IMG* back = IMG_load_pnm(path);
    FUZZ_CHECK(back != nullptr);
    FUZZ_CHECK(IMG_equal(back, expected) == 1);
    IMG_free(&back);
    IMG_free(&expected);
}
