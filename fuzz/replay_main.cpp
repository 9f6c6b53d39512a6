// fuzz/replay_main.cpp: runs a fuzz target over every file of its corpus folders (or over single
// files) without libFuzzer, so the ordinary build checks the whole corpus on every test run.
// Fails when a folder holds no file, so an emptied corpus cannot pass unnoticed.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "fuzz/fuzz.h"

namespace {

std::vector<uint8_t> read_file(const std::filesystem::path& path, bool* ok) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *ok = !in.bad();
    return bytes;
}

// The files to replay for one argument: the regular files of a folder in name order, or the file.
std::vector<std::filesystem::path> inputs_of(const std::filesystem::path& arg) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
        for (const auto& entry : std::filesystem::directory_iterator(arg, ec))
            if (entry.is_regular_file()) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
    } else if (std::filesystem::is_regular_file(arg, ec)) {
        files.push_back(arg);
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR_OR_FILE...\n", argv[0]);
        return 2;
    }
    // The image library reports misuse on standard output; thousands of "IMG error" lines would
    // only bury the name of a failing input.
    std::fflush(stdout);
    const int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0) {
        dup2(null_fd, 1);
        close(null_fd);
    }
    for (int a = 1; a < argc; ++a) {
        const std::vector<std::filesystem::path> files = inputs_of(argv[a]);
        if (files.empty()) {
            std::fprintf(stderr, "replay: no input in %s\n", argv[a]);
            return 1;
        }
        for (const auto& file : files) {
            bool ok = false;
            const std::vector<uint8_t> bytes = read_file(file, &ok);
            if (!ok) {
                std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
                return 1;
            }
            // Announced first, so a crash names the input that caused it.
            std::fprintf(stderr, "replay: %s (%zu bytes)\n", file.c_str(), bytes.size());
            // An empty vector may have no storage: pass a valid pointer all the same.
            static const uint8_t none = 0;
            LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
        }
        std::fprintf(stderr, "replay: %zu inputs from %s passed\n", files.size(), argv[a]);
    }
    return 0;
}
