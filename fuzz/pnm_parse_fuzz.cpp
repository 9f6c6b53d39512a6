// fuzz/pnm_parse_fuzz.cpp: the bounded Netpbm memory reader on any bytes. It must never read
// outside the buffer, leak or misreport; an image it returns must be whole and well formed, and
// must survive the trip through the text form.
#include "fuzz/fuzz.h"
#include "fuzz/img_checks.h"
#include "img/img.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IMG* img = IMG_parse_pnm_bounded(data, size);
    if (img) {
        fuzz_check_read_image(img, ReadSize::kPositive);
        fuzz_check_text_round_trip(img);
        // The reader keeps no state between calls: a second reading gives the same image.
        IMG* again = IMG_parse_pnm_bounded(data, size);
        FUZZ_CHECK(IMG_equal(img, again) == 1);
        IMG_free(&again);
    }
    IMG_free(&img);
    FUZZ_CHECK(img == nullptr);
    return 0;
}
