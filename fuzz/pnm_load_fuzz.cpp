// fuzz/pnm_load_fuzz.cpp: the Netpbm file reader on any file content. The input is written to a
// temporary file and read back through IMG_load_pnm; an image it returns must be whole, and must
// survive being written as a raw pixmap and read again.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz.h"
#include "fuzz/img_checks.h"
#include "img/img.h"

namespace {

// Two files of this process in the temporary folder, removed when the process ends normally.
class TempFiles {
public:
    TempFiles() {
        const char* dir = std::getenv("TMPDIR");
        const std::string base = std::string(dir && *dir ? dir : "/tmp") + "/kapu-fuzz-pnm-" +
                                 std::to_string(getpid());
        input = base + ".in";
        output = base + ".out.ppm";
    }
    ~TempFiles() {
        std::remove(input.c_str());
        std::remove(output.c_str());
    }
    TempFiles(const TempFiles&) = delete;
    TempFiles& operator=(const TempFiles&) = delete;
    std::string input;
    std::string output;
};

TempFiles& temp_files() {
    static TempFiles files;
    return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TempFiles& files = temp_files();
    std::FILE* file = std::fopen(files.input.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);

    IMG* img = IMG_load_pnm(files.input.c_str());
    if (img) {
        fuzz_check_read_image(img, ReadSize::kPositive);
        fuzz_check_file_round_trip(img, files.output.c_str());
    }
    IMG_free(&img);
    FUZZ_CHECK(img == nullptr);
    return 0;
}
