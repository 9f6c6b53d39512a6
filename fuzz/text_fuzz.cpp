// fuzz/text_fuzz.cpp: the image text reader and the marker search on any zero-terminated text.
// The reader must never step past the zero byte; an image it returns must be whole and must be
// written back to a text that reads the same. The marker search is compared with a reference.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz.h"
#include "fuzz/img_checks.h"
#include "img/img.h"

namespace {

// The answer IMG_find_after must give: the index just past the first match, 0 for none or for
// an empty pattern. Both strings end at their first zero byte.
int32_t reference_find_after(const char* text, const char* pattern) {
    const std::string_view t(text);
    const std::string_view p(pattern);
    if (p.empty()) return 0;
    const size_t at = t.find(p);
    return at == std::string_view::npos ? 0 : static_cast<int32_t>(at + p.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input plus the zero byte, so the sanitizer sees any read beyond it.
    const std::string text(reinterpret_cast<const char*>(data), size);

    IMG* img = IMG_from_text(text.c_str());
    if (img) {
        fuzz_check_read_image(img, ReadSize::kMayBeEmpty);
        fuzz_check_text_round_trip(img);
    }
    IMG_free(&img);

    // The first byte chooses how many of the following bytes form the pattern (0..7), the rest
    // is the text searched.
    if (size > 0) {
        const size_t pattern_len = std::min<size_t>(data[0] % 8, size - 1);
        const std::string pattern(reinterpret_cast<const char*>(data + 1), pattern_len);
        const std::string rest(reinterpret_cast<const char*>(data + 1 + pattern_len),
                               size - 1 - pattern_len);
        FUZZ_CHECK(IMG_find_after(rest.c_str(), pattern.c_str()) ==
                   reference_find_after(rest.c_str(), pattern.c_str()));
    }
    return 0;
}
