// main/data_files.h: the names of the files the demo reads from its working directory, written
// here once for the core, the front ends, the tools and the tests; the build reads the same
// list (CMakeLists.txt), so the names stay between the braces below, each in double quotes.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// In start-up order: the four letters, the banner, the badge, the three logotypes, the font
// sheet; then the tune.
inline constexpr std::array<const char*, 11> demo_data_files = {
    "K.ppm", "A.ppm", "P.ppm", "U.ppm", "7163.ppm", "vemla.ppm",
    "logotype0.ppm", "logotype1.ppm", "logotype2.ppm", "font1526.pbm", "quenFalox.xm"};

// Where each file stands in demo_data_files
enum class DemoFile : uint8_t {
    letter_k, letter_a, letter_p, letter_u, banner, badge, logotype0, logotype1, logotype2, sheet, tune
};
inline constexpr size_t demo_letter_count = 4;
inline constexpr size_t demo_picture_count = 10;   // the tune excluded, the font sheet included
inline constexpr size_t demo_required_count = 9;   // a missing font sheet is not fatal

constexpr const char* demo_file(DemoFile file) { return demo_data_files[static_cast<size_t>(file)]; }

// Every picture and sheet; those start-up cannot do without; the tune alone.
inline constexpr std::span<const char* const> demo_picture_files{demo_data_files.data(),
                                                                 demo_picture_count};
inline constexpr std::span<const char* const> demo_required_files{demo_data_files.data(),
                                                                  demo_required_count};
inline constexpr const char* demo_tune_file = demo_file(DemoFile::tune);

static_assert(static_cast<size_t>(DemoFile::tune) + 1 == demo_data_files.size());
static_assert(static_cast<size_t>(DemoFile::sheet) + 1 == demo_picture_count);
static_assert(demo_required_count + 1 == demo_picture_count);
