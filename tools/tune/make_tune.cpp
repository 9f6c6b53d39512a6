// make_tune: turns the score into the demo's XM module.
// Usage: make_tune [--solo CHANNEL] OUTPUT.xm [SCORE.txt]; the score defaults to the one in the
// source tree. --solo keeps the notes of one channel (1-based) and empties the others but for
// their speed changes, so the solo keeps the song's timing: scripts/tune-measure.sh renders each
// channel alone that way to weigh them against each other.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tools/tune/score.h"
#include "tools/tune/xm.h"
#include "util/standard_streams.h"

int main(int argc, char** argv) {
    standard_streams_open();
    long solo = 0;
    if (argc >= 3 && std::string(argv[1]) == "--solo") {
        solo = std::strtol(argv[2], nullptr, 10);
        argc -= 2;
        argv += 2;
    }
    if (argc < 2 || argc > 3 || solo < 0) {
        std::fprintf(stderr, "usage: make_tune [--solo CHANNEL] OUTPUT.xm [SCORE.txt]\n");
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
    if (solo > module.channels) {
        std::fprintf(stderr, "make_tune: the tune has no channel %ld\n", solo);
        return 2;
    }
    if (solo > 0)
        for (XmPattern& p : module.patterns)
            for (size_t i = 0; i < p.cells.size(); ++i) {
                XmCell& c = p.cells[i];
                if (static_cast<long>(i % module.channels) + 1 == solo) continue;
                c = c.effect == 0xF ? XmCell{.effect = c.effect, .param = c.param} : XmCell{};
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
