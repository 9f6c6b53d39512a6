// fuzz_tune_seeds: writes the generated part of the tune fuzzer's seed corpus: the small module
// of tests/tune/xm_cases.h and each of its damages, its older layouts, and the shipped tune with
// its samples cut to 128 bytes (whole and with instrument 8's sustain point set to 255).
// Usage: fuzz_tune_seeds OUT_DIR SHIPPED.xm       (the corpus is fuzz/corpus/tune/)
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/tune/xm_cases.h"

namespace {

bool write(const std::string& path, const xmc::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// "writer: order past the patterns" -> "writer_order_past_the_patterns"
std::string file_name(const std::string& name) {
    std::string out;
    for (char c : name) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.';
        if (keep) out += c;
        else if (!out.empty() && out.back() != '_') out += '_';
    }
    while (!out.empty() && out.back() == '_') out.pop_back();
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUT_DIR SHIPPED.xm\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::ifstream in(argv[2], std::ios::binary);
    const xmc::Bytes shipped{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!tune_check(shipped).ok()) {
        std::fprintf(stderr, "%s: not the shipped tune\n", argv[2]);
        return 1;
    }
    const xmc::Bytes small = xmc::small_xm();
    const xmc::Bytes shipped_short = xmc::with_short_samples(shipped, 128);
    bool ok = write(dir + "/small.xm", small) && write(dir + "/shipped_short.xm", shipped_short) &&
              write(dir + "/shipped_short_sustain_255.xm", xmc::with_sustain_255(shipped_short)) &&
              write(dir + "/shipped_short_v103.xm", xmc::old_layout(shipped_short, 0x0103));
    for (const xmc::Case& c : xmc::cases()) {
        xmc::Bytes f = small;
        c.spoil(f);
        ok = ok && write(dir + "/case_" + file_name(c.name) + ".xm", f);
    }
    if (!ok) {
        std::fprintf(stderr, "cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
