// tests/render/golden_test.cpp: frames of the demo's cycle against the checksums kept in
// tests/golden/frames.txt, and the pixels that the bars and the plasma must show where no
// picture covers them (part 1, part 3).
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <set>

#include "fx/effects.h"
#include "fx/sine.h"
#include "render/render_support.h"

namespace {

using kt::ImgPtr;

bool updating() {
    const char* v = std::getenv("KAPU_GOLDEN_UPDATE");
    return v && *v && std::string(v) != "0";
}

std::string frame_name(const std::string& scenario, int64_t index) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%06lld", scenario.c_str(), static_cast<long long>(index));
    return name;
}

// The frames of a scenario that have golden checksums, cloned as they were shown.
std::map<int64_t, ImgPtr> golden_frames(const kt::Scenario& s, kt::InProcessRun* run_out = nullptr) {
    std::map<int64_t, ImgPtr> frames;
    const std::set<int64_t> wanted(s.golden.begin(), s.golden.end());
    kt::InProcessRun run = kt::run_in_process(s, [&](int64_t i, DemoStage, const IMG* f) {
        if (wanted.count(i)) frames[i] = ImgPtr(IMG_clone(f));
    });
    if (run_out) *run_out = std::move(run);
    return frames;
}

void write_golden(const std::map<std::string, std::map<int64_t, ImgPtr>>& all) {
    std::ofstream out(kt::golden_path());
    out << "# Golden frames of the demo's part cycle, composed from the shipped data folder without\n"
           "# sound: FNV-1a 64 over the pixels (main/frame_sum.h). The scenarios are in\n"
           "# tests/render/render_support.h; frames count from 0. After a deliberate change of the\n"
           "# pictures or the effects, record them again with scripts/golden-update.sh.\n";
    for (const auto& [name, sum] : kt::data_checksums()) out << "data " << name << " " << checksum_hex(sum) << "\n";
    for (const auto& [scenario, frames] : all)
        for (const auto& [index, frame] : frames) {
            out << "frame " << scenario << " " << index << " " << checksum_hex(frame_checksum(frame.get())) << "\n";
            const std::string ppm = (kt::golden_out_dir() / (frame_name(scenario, index) + ".ppm")).string();
            IMG_save_ppm(frame.get(), ppm.c_str());
            const std::string command =
                "convert '" + ppm + "' '" + kt::golden_picture(scenario, index).string() + "'";
            EXPECT_EQ(std::system(command.c_str()), 0) << command;
        }
}

TEST(GoldenFrames, MatchTheRecordedChecksums) {
    std::map<std::string, std::map<int64_t, ImgPtr>> all;
    for (const kt::Scenario& s : kt::scenarios()) all[s.name] = golden_frames(s);
    if (updating()) {
        write_golden(all);
        GTEST_SKIP() << "recorded " << kt::golden_path();
    }
    const kt::GoldenFile golden = kt::read_golden();
    ASSERT_FALSE(golden.frames.empty()) << "no checksums in " << kt::golden_path();

    std::string changed;
    for (const auto& [name, sum] : kt::data_checksums()) {
        const auto it = golden.data.find(name);
        if (it == golden.data.end() || it->second != sum) changed += " " + name;
    }
    for (const kt::Scenario& s : kt::scenarios())
        for (const int64_t index : s.golden) {
            SCOPED_TRACE(frame_name(s.name, index));
            const auto want = golden.frames.find({s.name, index});
            ASSERT_NE(want, golden.frames.end()) << "no recorded checksum";
            const auto& frames = all[s.name];
            ASSERT_TRUE(frames.count(index)) << "the run never showed this frame";
            EXPECT_TRUE(kt::frame_matches(frame_name(s.name, index), frames.at(index).get(),
                                          want->second, nullptr, kt::golden_picture(s.name, index)))
                << (changed.empty() ? ""
                                    : "\nthe data folder differs from the one the checksums were "
                                      "recorded from:" + changed);
        }
}

TEST(GoldenFrames, OneChangedPixelFailsTheComparison) {
    const kt::Scenario s = kt::plain_scenario();
    const auto frames = golden_frames({s.name, 1, {}, {0}});
    ASSERT_TRUE(frames.count(0));
    const IMG* frame = frames.at(0).get();
    const uint64_t recorded = frame_checksum(frame);
    EXPECT_TRUE(kt::frame_matches("altered-000000", frame, recorded, frame));

    ImgPtr altered(IMG_clone(frame));
    altered->pixels[123 * altered->width + 45] ^= 0x000001;
    const ::testing::AssertionResult result =
        kt::frame_matches("altered-000000", altered.get(), recorded, frame);
    EXPECT_FALSE(result);
    const std::string message = result.message();
    EXPECT_NE(message.find("frame altered-000000"), std::string::npos) << message;
    EXPECT_NE(message.find("pixel (45, 123)"), std::string::npos) << message;
    const std::filesystem::path dir = kt::golden_out_dir();
    kt::ImgPtr actual(IMG_load_pnm((dir / "altered-000000-actual.ppm").c_str()));
    kt::ImgPtr expected(IMG_load_pnm((dir / "altered-000000-expected.ppm").c_str()));
    ASSERT_TRUE(actual && expected);
    EXPECT_TRUE(IMG_equal(actual.get(), altered.get()));
    EXPECT_TRUE(IMG_equal(expected.get(), frame));
}

TEST(GoldenFrames, ChecksumSeesEveryPixelAndTheShape) {
    kt::ImgPtr a = kt::make_img(4, 2, 0x102030);
    const uint64_t base = frame_checksum(a.get());
    for (int32_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        kt::ImgPtr b(IMG_clone(a.get()));
        b->pixels[i] = 0x102031;
        EXPECT_NE(frame_checksum(b.get()), base);
    }
    kt::ImgPtr c = kt::make_img(2, 4, 0x102030);
    EXPECT_NE(frame_checksum(c.get()), base);
}

TEST(GoldenFrames, ScenariosRunTheirFrameCounts) {
    struct Case {
        kt::Scenario scenario;
        int64_t      frames;
        int64_t      fades;
    };
    const std::vector<Case> cases = {
        {kt::plain_scenario(), 4001, 0},
        {kt::keys_scenario(), 1601 + 256, 256},
        {{"esc at 0", 4001, {{0, 27, 1}}, {}}, 1 + 256, 256},
        {{"q at 10, capped at 100", 100, {{10, 'q', 1}}, {}}, 100, 89},
        {{"keys during the fade do nothing", 4001, {{5, 'Q', 1}, {6, ' ', 300}}, {}}, 6 + 256, 256},
        {{"space held 5 frames", 4001, {{0, ' ', 5}}, {}}, 4001, 0},
        {{"two cycles", 8002, {}, {}}, 8002, 0},
        {{"no frames", 0, {}, {}}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario.name);
        int64_t shown = 0, fades = 0;
        const kt::InProcessRun run = kt::run_in_process(c.scenario, [&](int64_t i, DemoStage k, const IMG*) {
            EXPECT_EQ(i, shown);
            ++shown;
            fades += k == DemoStage::fade;
        });
        EXPECT_EQ(run.result.frames, c.frames);
        EXPECT_EQ(shown, c.frames);
        EXPECT_EQ(fades, c.fades);
    }
}

// A run stepped a few frames at a time (as the web page composes a still) shows the frames of a
// whole run, the fade-out included, and ends as it does.
TEST(GoldenFrames, ARunSteppedInSlicesShowsTheSameFrames) {
    const kt::Scenario s = kt::keys_scenario();
    std::vector<uint64_t> whole, sliced;
    const kt::InProcessRun a = kt::run_in_process(s, [&](int64_t, DemoStage, const IMG* f) { whole.push_back(frame_checksum(f)); });
    const kt::InProcessRun b = kt::run_in_process(
        s, [&](int64_t, DemoStage, const IMG* f) { sliced.push_back(frame_checksum(f)); }, 7);
    EXPECT_EQ(b.result.frames, a.result.frames);
    EXPECT_EQ(b.result.quit, a.result.quit);
    EXPECT_EQ(sliced, whole);
}

// Which part each frame belongs to: 1001, 2000 and 1000 frames, and Space ends a part after
// the frame in which it is held.
TEST(GoldenFrames, SpaceSkipsOnePartPerFrameHeld) {
    const kt::Scenario s{"space", 1010, {{3, ' ', 1}, {1004, ' ', 3}}, {}};
    std::vector<DemoStage> kinds;
    kt::run_in_process(s, [&](int64_t, DemoStage k, const IMG*) { kinds.push_back(k); });
    ASSERT_EQ(kinds.size(), 1010u);
    EXPECT_EQ(kinds[3], DemoStage::part1);
    EXPECT_EQ(kinds[4], DemoStage::part2);      // part 1 left after frame 3
    EXPECT_EQ(kinds[1004], DemoStage::part2);
    EXPECT_EQ(kinds[1005], DemoStage::part3);   // Space still held: part 3 lasts a frame
    EXPECT_EQ(kinds[1006], DemoStage::part1);   // and part 1 too
    EXPECT_EQ(kinds[1007], DemoStage::part2);
}

// --- Pixels that the effects' formulas fix, computed here on their own ---

// Red bar profile 7, top row first.
constexpr std::array<uint32_t, 16> bar_ramp = {0x200000, 0x400000, 0x600000, 0x800000,
                                               0xA00000, 0xC00000, 0xE00000, 0xF00000,
                                               0xF00000, 0xE00000, 0xC00000, 0xA00000,
                                               0x800000, 0x600000, 0x400000, 0x200000};

std::array<uint32_t, 240> raster_rows(int32_t phase) {
    std::array<uint32_t, 240> rows{};
    for (int32_t i = 0; i < 8; ++i) {
        const int32_t p = (i * 96 + phase) % 1024;
        const int32_t base = 120 + ((sine_table[static_cast<size_t>(p)] * 32) >> 15);
        for (int32_t j = 16; j >= 1; --j)
            rows[static_cast<size_t>(base + j)] = bar_ramp[static_cast<size_t>(j - 1)] + 8u * static_cast<uint32_t>(i);
    }
    return rows;
}

// Which canvas pixels the pictures of part 1 or part 3 cover in the frame just shown: the
// picture layers are drawn again, with the motion phases of that frame, over a canvas of a
// value no picture pixel has (the top byte is never set).
constexpr uint32_t uncovered = 0xFF000000u;

ImgPtr coverage(int part) {
    ImgPtr mask = kt::make_img(canvas->width, canvas->height, uncovered);
    IMG* shown = canvas;
    canvas = mask.get();
    if (part == 1) {
        const int32_t phase = wobble_phase;
        wobble_phase = (wobble_phase + wobble_len - 1) % wobble_len;
        IMG_blit_keyed(badge_image, canvas, 0, 0, (canvas->width - badge_image->width) / 2, 0,
                       badge_image->width, badge_image->height);
        IMG_blit_keyed(banner_image, canvas, 0, 0, (canvas->width - banner_image->width) / 2,
                       canvas->height - banner_image->height, banner_image->width, banner_image->height);
        fx_logo_wobble();
        wobble_phase = phase;
    } else {
        const int32_t phase = logo_bounce_phase, y = logo_y;
        logo_bounce_phase = (logo_bounce_phase + 1024 - 4) % 1024;
        fx_logo_bounce();
        logo_bounce_phase = phase;
        logo_y = y;
    }
    canvas = shown;
    return mask;
}

TEST(GoldenFrames, RasterBarsShowWhereNoPictureCoversThem) {
    const std::set<int64_t> checked = {0, 1, 64, 500, 1000};
    int32_t frames = 0;
    kt::run_in_process({"part 1", 1001, {}, {}}, [&](int64_t i, DemoStage, const IMG* f) {
        if (!checked.count(i)) return;
        SCOPED_TRACE("frame " + std::to_string(i));
        ++frames;
        // The bars have moved 4 entries per frame, the frame drawn before this frame's step.
        const auto rows = raster_rows(static_cast<int32_t>((i * 4) % 1024));
        const ImgPtr mask = coverage(1);
        int64_t seen = 0, seen_bars = 0;
        for (int32_t y = 0; y < f->height; ++y)
            for (int32_t x = 0; x < f->width; ++x) {
                if (mask->pixels[y * f->width + x] != uncovered) continue;
                ++seen;
                seen_bars += rows[static_cast<size_t>(y)] != 0;
                ASSERT_EQ(f->pixels[y * f->width + x], rows[static_cast<size_t>(y)])
                    << "pixel (" << x << ", " << y << ")";
            }
        EXPECT_GT(seen_bars, 320) << "too few bar pixels outside the pictures to check";
        EXPECT_GT(seen, 10000);
    });
    EXPECT_EQ(frames, 5);
}

TEST(GoldenFrames, Part3PlasmaShowsWhereTheLogotypeDoesNot) {
    constexpr std::array<int32_t, 6> steps = {4, 5, 6, -7, -8, -9};
    struct Case {
        kt::Scenario scenario;
        int64_t      frame;
        int64_t      plasma_steps;  // plasma frames drawn before this one
    };
    const std::vector<Case> cases = {
        // Part 2 runs the plasma in all its 2000 frames.
        {{"plain", 3501, {}, {}}, 3001, 2000},
        {{"plain", 3501, {}, {}}, 3500, 2499},
        // '1' in part 2's first tail: that frame drew the plasma, then Space.
        {{"scroller off in part 2", 1010, {{1001, '1', 1}, {1002, ' ', 1}}, {}}, 1003, 1},
        // '1' in part 1's last tail: part 2 never draws the plasma, phases still 0.
        {{"scroller off before part 2", 1010, {{1000, '1', 1}, {1001, ' ', 1}}, {}}, 1002, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario.name + ", frame " + std::to_string(c.frame));
        bool seen_frame = false;
        kt::run_in_process(c.scenario, [&](int64_t i, DemoStage kind, const IMG* f) {
            if (i != c.frame) return;
            seen_frame = true;
            ASSERT_EQ(kind, DemoStage::part3);
            // The phases the frame was drawn with: those before its own step.
            std::array<int32_t, 6> phases{};
            for (size_t w = 0; w < 6; ++w) {
                phases[w] = static_cast<int32_t>(((steps[w] * c.plasma_steps) % 1024 + 1024) % 1024);
                EXPECT_EQ(plasma_phases[w], ((phases[w] + steps[w]) % 1024 + 1024) % 1024) << "wave " << w;
            }
            const ImgPtr mask = coverage(3);
            int64_t seen = 0;
            for (int32_t y = 0; y < f->height; ++y)
                for (int32_t x = 0; x < f->width; ++x) {
                    if (mask->pixels[y * f->width + x] != uncovered) continue;
                    ++seen;
                    ASSERT_EQ(f->pixels[y * f->width + x],
                              kt::plasma_reference(plasma_palette, phases, f->width, f->height, x, y))
                        << "pixel (" << x << ", " << y << ")";
                }
            EXPECT_GT(seen, 320 * 240 / 2);
        });
        EXPECT_TRUE(seen_frame);
    }
}

// The bars reference itself against the written rows for phase 0: bar 7 over rows 94..109,
// black above and below.
TEST(GoldenFrames, RasterRowsAtPhaseZeroAreTheWrittenOnes) {
    const auto rows = raster_rows(0);
    EXPECT_EQ(rows[93], 0u);
    EXPECT_EQ(rows[94], 0x200038u);
    EXPECT_EQ(rows[124], 0x800000u);
    EXPECT_EQ(rows[159], 0xF00018u);
    EXPECT_EQ(rows[167], 0x200018u);
    EXPECT_EQ(rows[168], 0u);
}

}  // namespace
