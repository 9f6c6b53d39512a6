// make_tune: turns the score into the demo's XM module.
// Usage: make_tune OUTPUT.xm [SCORE.txt]; the score defaults to the one in the source tree.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tools/tune/score.h"
#include "tools/tune/xm.h"
#include "util/standard_streams.h"

int main(int argc, char** argv) {
    standard_streams_open();
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.xm [SCORE.txt]\n", argv[0]);
        return 2;
    }
    const std::string score_path = argc == 3 ? argv[2] : KAPU_TUNE_SCORE;
    std::ifstream in(score_path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "make_tune: cannot read %s\n", score_path.c_str());
        return 1;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    XmModule module;
    std::string error;
    if (!score_parse(text, module, error)) {
        std::fprintf(stderr, "make_tune: %s: %s\n", score_path.c_str(), error.c_str());
        return 1;
    }
    const std::vector<uint8_t> bytes = xm_write(module, &error);
    if (bytes.empty()) {
        std::fprintf(stderr, "make_tune: %s\n", error.c_str());
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_tune: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
