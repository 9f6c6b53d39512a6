// Colour lists: life cycle, row painting and blending, and the two span fills.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <tuple>

#include "fx/raster.h"
#include "support/support.h"

using kt::ImgPtr;
using kt::make_img;
using kt::rows;
using kt::Rows;

namespace {

struct RasterDeleter {
    void operator()(RASTER* list) const { RASTER_free(&list); }
};
using RasterPtr = std::unique_ptr<RASTER, RasterDeleter>;

RasterPtr make_raster(std::initializer_list<uint32_t> colours, int32_t offset = 0) {
    RasterPtr list(RASTER_new());
    RASTER_resize(list.get(), static_cast<int32_t>(colours.size()));
    int32_t i = 0;
    for (uint32_t c : colours) list->colors[i++] = c;
    list->offset = offset;
    return list;
}

// Stands for a list whose resize could not allocate: count kept, no colours.
RasterPtr make_colourless_raster(int32_t count) {
    RasterPtr list(RASTER_new());
    std::free(list->colors);
    list->colors = nullptr;
    list->count = count;
    return list;
}

// The blend of one pixel computed channel by channel on the 8-bit values.
uint32_t reference_blend(uint32_t d, uint32_t s, int32_t a) {
    uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
        const int64_t dc = (d >> shift) & 0xFF;
        const int64_t sc = (s >> shift) & 0xFF;
        out |= static_cast<uint32_t>((dc * (256 - a) + sc * a) / 256) << shift;
    }
    return out;
}

}  // namespace

TEST(RasterLifeCycle, NewListHas256BlackColoursAndOffsetZero) {
    RasterPtr list(RASTER_new());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count, 256);
    EXPECT_EQ(list->offset, 0);
    for (int32_t i = 0; i < 256; ++i) ASSERT_EQ(list->colors[i], 0u) << "colour " << i;
}

TEST(RasterLifeCycle, FreeNullsThePointerAndASecondFreeReports) {
    RASTER* list = RASTER_new();
    kt::StdoutCapture out;
    RASTER_free(&list);
    EXPECT_EQ(list, nullptr);
    RASTER_free(&list);
    RASTER_free(nullptr);
    EXPECT_EQ(out.text(), "RASTER error\nRASTER error\n");
}

TEST(RasterLifeCycle, ResizeGivesBlackColoursAndResetsTheOffset) {
    RasterPtr list = make_raster({1, 2, 3, 4, 5, 6, 7}, 5);
    RASTER_resize(list.get(), 240);
    EXPECT_EQ(list->count, 240);
    EXPECT_EQ(list->offset, 0);
    for (int32_t i = 0; i < 240; ++i) ASSERT_EQ(list->colors[i], 0u) << "colour " << i;
}

TEST(RasterLifeCycle, ResizeRefusesANegativeCountAndKeepsTheList) {
    RasterPtr list = make_raster({1, 2, 3}, 2);
    kt::StdoutCapture out;
    RASTER_resize(list.get(), -1);
    RASTER_resize(nullptr, 4);
    EXPECT_EQ(out.text(), "RASTER error\nRASTER error\n");
    EXPECT_EQ(list->count, 3);
    EXPECT_EQ(list->offset, 2);
    EXPECT_EQ(list->colors[2], 3u);
}

TEST(RasterLifeCycle, ClearTouchesExactlyTheListsColours) {
    RasterPtr list(RASTER_new());
    // A longer array than the count, with sentinels past its end.
    std::free(list->colors);
    list->colors = static_cast<uint32_t*>(std::calloc(8, sizeof(uint32_t)));
    list->count = 5;
    list->offset = 3;
    for (int32_t i = 0; i < 8; ++i) list->colors[i] = 0xABC000u + static_cast<uint32_t>(i);
    RASTER_clear(list.get());
    for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(list->colors[i], 0u) << "colour " << i;
    for (int32_t i = 5; i < 8; ++i)
        EXPECT_EQ(list->colors[i], 0xABC000u + static_cast<uint32_t>(i)) << "sentinel " << i;
    EXPECT_EQ(list->count, 5);
    EXPECT_EQ(list->offset, 3);
}

TEST(RasterLifeCycle, EqualComparesColoursOnlyAndReportsOnlyNull) {
    RasterPtr a = make_raster({1, 2, 3}, 0);
    RasterPtr same_other_offset = make_raster({1, 2, 3}, 2);
    RasterPtr shorter = make_raster({1, 2}, 0);
    RasterPtr last_differs = make_raster({1, 2, 4}, 0);
    kt::StdoutCapture out;
    EXPECT_EQ(RASTER_equal(a.get(), same_other_offset.get()), 1);
    EXPECT_EQ(RASTER_equal(a.get(), a.get()), 1);
    EXPECT_EQ(RASTER_equal(a.get(), shorter.get()), 0);
    EXPECT_EQ(RASTER_equal(a.get(), last_differs.get()), 0);
    EXPECT_EQ(out.text(), "");
    kt::StdoutCapture out_null;
    EXPECT_EQ(RASTER_equal(a.get(), nullptr), 0);
    EXPECT_EQ(RASTER_equal(nullptr, a.get()), 0);
    EXPECT_EQ(out_null.text(), "RASTER error\nRASTER error\n");
}

TEST(RasterLifeCycle, CloneCopiesTheColoursWithOffsetZero) {
    RasterPtr src = make_raster({0x112233, 0x445566, 0x778899, 0xAABBCC}, 7);
    RasterPtr copy(RASTER_clone(src.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->count, 4);
    EXPECT_EQ(copy->offset, 0);
    EXPECT_NE(copy->colors, src->colors);
    EXPECT_EQ(RASTER_equal(src.get(), copy.get()), 1);
    RasterPtr empty = make_raster({});
    RasterPtr empty_copy(RASTER_clone(empty.get()));
    ASSERT_NE(empty_copy, nullptr);
    EXPECT_EQ(empty_copy->count, 0);
    kt::StdoutCapture out;
    EXPECT_EQ(RASTER_clone(nullptr), nullptr);
    EXPECT_EQ(out.text(), "RASTER error\n");
}

TEST(RasterLifeCycle, AdvanceWrapsAtTheCount) {
    RasterPtr list = make_raster({1, 2, 3});
    for (int32_t want : {1, 2, 0, 1}) {
        RASTER_advance(list.get());
        EXPECT_EQ(list->offset, want);
    }
}

TEST(RasterFiles, LoadGivesAnEmptyListOrReportsAMissingFile) {
    kt::TempDir dir;
    const std::string existing = dir.write("colours.txt", "anything at all");
    RasterPtr list(RASTER_load(existing.c_str()));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count, 0);
    EXPECT_EQ(list->offset, 0);
    kt::StdoutCapture out;
    EXPECT_EQ(RASTER_load(dir.file("missing.txt").c_str()), nullptr);
    EXPECT_EQ(RASTER_load(nullptr), nullptr);
    EXPECT_EQ(out.text(), "RASTER error\nRASTER error\n");
}

TEST(RasterFiles, SaveCreatesAnEmptyFileAndRefusesAnEmptyList) {
    kt::TempDir dir;
    RasterPtr list = make_raster({1, 2, 3});
    const std::string path = dir.file("saved.txt");
    EXPECT_EQ(RASTER_save(list.get(), path.c_str()), 1);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);

    const std::string truncated = dir.write("old.txt", "old content");
    EXPECT_EQ(RASTER_save(list.get(), truncated.c_str()), 1);
    EXPECT_EQ(std::filesystem::file_size(truncated), 0u);

    RasterPtr empty = make_raster({});
    const std::string not_made = dir.file("empty.txt");
    kt::StdoutCapture out;
    EXPECT_EQ(RASTER_save(empty.get(), not_made.c_str()), 0);
    EXPECT_EQ(RASTER_save(list.get(), nullptr), 0);
    EXPECT_EQ(RASTER_save(list.get(), dir.file("no/such/folder.txt").c_str()), 0);
    EXPECT_EQ(out.text(), "RASTER error\nRASTER error\nRASTER error\n");
    EXPECT_FALSE(std::filesystem::exists(not_made));
}

TEST(RasterDraw, RowsTakeTheColourAtOffsetPlusRow) {
    const uint32_t A = 0xAA0000, B = 0x00BB00, C = 0x0000CC;
    for (auto [offset, want] : {std::tuple{1, std::vector<uint32_t>{B, C, A, B}},
                                {0, {A, B, C, A}},
                                {2, {C, A, B, C}},
                                {-1, {C, A, B, C}},  // a negative offset still wraps into the list
                                {INT32_MAX, {B, C, A, B}}}) {  // no overflow past the last row
        RasterPtr list = make_raster({A, B, C}, offset);
        ImgPtr img = make_img(3, 4, 0x123456);
        RASTER_draw_rows(list.get(), img.get());
        Rows expected;
        for (uint32_t c : want) expected.push_back({c, c, c});
        EXPECT_EQ(rows(img.get()), expected) << "offset " << offset;
        EXPECT_EQ(list->offset, offset) << "offset " << offset;
    }
}

TEST(RasterDraw, AScreenSizedListPaintsRowYInColourY) {
    RasterPtr list(RASTER_new());
    RASTER_resize(list.get(), 240);
    for (int32_t i = 0; i < 240; ++i) list->colors[i] = 0x010203u * static_cast<uint32_t>(i) + 1;
    ImgPtr img = make_img(320, 240, 0xFFFFFF);
    RASTER_draw_rows(list.get(), img.get());
    for (int32_t y = 0; y < 240; ++y)
        for (int32_t x = 0; x < 320; ++x)
            ASSERT_EQ(img->pixels[y * 320 + x], list->colors[y]) << "pixel " << x << ", " << y;
}

TEST(RasterDraw, BlendMixesEveryRowTowardsItsColour) {
    RasterPtr list = make_raster({0x0000FF, 0xFFFFFF}, 1);
    ImgPtr img = make_img({{0xFF0000, 0x000000},
                           {0xFF0000, 0x808080},
                           {0x00FF00, 0x00FF00}});
    RASTER_draw_rows_blend(list.get(), img.get(), 128);
    EXPECT_EQ(rows(img.get()), (Rows{{0xFF7F7F, 0x7F7F7F},
                                     {0x7F007F, 0x404040 + 0x7F},
                                     {0x7FFF7F, 0x7FFF7F}}));
}

TEST(RasterDraw, BadArgumentsReportAndDrawNothing) {
    RasterPtr good = make_raster({1, 2, 3});
    RasterPtr empty = make_raster({});
    RasterPtr colourless = make_colourless_raster(3);
    ImgPtr pixelless = make_img(2, 2);
    std::free(pixelless->pixels);
    pixelless->pixels = nullptr;
    const std::tuple<const char*, const RASTER*, bool> cases[] = {
        {"null list", nullptr, false},
        {"null image", good.get(), true},
        {"list without colours", colourless.get(), false},
        {"image without pixels", good.get(), false},
        {"empty list", empty.get(), false},
    };
    for (const auto& [name, list, null_image] : cases) {
        for (bool blend : {false, true}) {
            ImgPtr img = make_img(2, 2, 0x777777);
            IMG* target = null_image ? nullptr : img.get();
            if (std::string(name) == "image without pixels") target = pixelless.get();
            kt::StdoutCapture out;
            if (blend)
                RASTER_draw_rows_blend(list, target, 128);
            else
                RASTER_draw_rows(list, target);
            EXPECT_EQ(out.text(), "RASTER error\n") << name << (blend ? " (blend)" : "");
            EXPECT_EQ(rows(img.get()), (Rows{{0x777777, 0x777777}, {0x777777, 0x777777}}))
                << name << (blend ? " (blend)" : "");
        }
    }
    pixelless->pixels = static_cast<uint32_t*>(std::calloc(4, sizeof(uint32_t)));
}

TEST(RasterDraw, AListWhoseResizeFailedIsReportedNeverRead) {
    RasterPtr colourless = make_colourless_raster(4);
    RasterPtr other = make_raster({1, 2, 3, 4});
    kt::StdoutCapture out;
    RASTER_clear(colourless.get());
    RASTER_advance(colourless.get());
    EXPECT_EQ(RASTER_save(colourless.get(), "/nonexistent/never"), 0);
    EXPECT_EQ(RASTER_equal(colourless.get(), other.get()), 0);
    EXPECT_EQ(RASTER_equal(other.get(), colourless.get()), 0);
    EXPECT_EQ(RASTER_clone(colourless.get()), nullptr);
    EXPECT_EQ(out.text(), "RASTER error\nRASTER error\nRASTER error\n"
                          "RASTER error\nRASTER error\nRASTER error\n");
    EXPECT_EQ(colourless->offset, 0);
}

TEST(ImgHline, FillsTheClippedSpanOfOneRow) {
    for (auto [x0, x1, first, last] : {std::tuple{-5, 10000, 0, 319}, {0, 319, 0, 319},
                                       {10, 10, 10, 10}, {300, 400, 300, 319}, {-9, 0, 0, 0},
                                       {INT32_MIN, INT32_MAX, 0, 319}}) {
        ImgPtr img = make_img(320, 3, 0x111111);
        IMG_hline(img.get(), 0xABCDEF, 1, x0, x1);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 320; ++x) {
                const bool inside = y == 1 && x >= first && x <= last;
                ASSERT_EQ(img->pixels[y * 320 + x], inside ? 0xABCDEFu : 0x111111u)
                    << "span " << x0 << ".." << x1 << " pixel " << x << ", " << y;
            }
    }
}

TEST(ImgHline, RowsOutsideAndEmptySpansChangeNothingSilently) {
    for (auto [y, x0, x1] : {std::tuple{-1, 0, 3}, {2, 0, 3}, {INT32_MIN, 0, 3}, {0, 3, 2},
                             {0, 4, 9}, {0, -9, -1}}) {
        ImgPtr img = make_img(4, 2, 0x5);
        kt::StdoutCapture out;
        IMG_hline(img.get(), 0xFF, y, x0, x1);
        IMG_hline_blend(img.get(), 0xFF, y, x0, x1, 200);
        EXPECT_EQ(out.text(), "") << "row " << y << " span " << x0 << ".." << x1;
        EXPECT_EQ(rows(img.get()), (Rows{{5, 5, 5, 5}, {5, 5, 5, 5}}))
            << "row " << y << " span " << x0 << ".." << x1;
    }
}

TEST(ImgHline, NullImageReportsAsAnImageError) {
    kt::StdoutCapture out;
    IMG_hline(nullptr, 1, 0, 0, 3);
    IMG_hline_blend(nullptr, 1, 0, 0, 3, 128);
    EXPECT_EQ(out.text(), "IMG error\nIMG error\n");
}

TEST(ImgHline, BlendLandmarks) {
    for (auto [old_pixel, colour, alpha, want] :
         {std::tuple{0xFF0000u, 0x0000FFu, 128, 0x7F007Fu}, {0xFF0000u, 0x0000FFu, 0, 0xFF0000u},
          {0xFF0000u, 0x0000FFu, 256, 0x0000FFu}, {0xFFFFFFFFu, 0x000000u, 0, 0xFFFFFFu},
          {0xFFFFFFu, 0xFFFFFFu, 255, 0xFFFFFFu}, {0xFFFFFFu, 0x000000u, 1, 0xFEFEFEu},
          {0x123456u, 0xABCDEFu, -5, 0x123456u}, {0x123456u, 0xABCDEFu, 1000, 0xABCDEFu}}) {
        ImgPtr img = make_img(1, 1, old_pixel);
        IMG_hline_blend(img.get(), colour, 0, 0, 0, alpha);
        EXPECT_EQ(img->pixels[0], want) << std::hex << "old 0x" << old_pixel << " colour 0x"
                                        << colour << std::dec << " alpha " << alpha;
    }
}

TEST(ImgHline, BlendIsExactPerChannelOverRandomPixels) {
    std::mt19937 gen(4417);
    ImgPtr img = make_img(64, 1);
    for (int round = 0; round < 2000; ++round) {
        const auto alpha = static_cast<int32_t>(gen() % 257);
        const auto colour = static_cast<uint32_t>(gen() & 0xFFFFFF);
        std::vector<uint32_t> before(64);
        for (int32_t x = 0; x < 64; ++x) before[static_cast<size_t>(x)] = img->pixels[x] = static_cast<uint32_t>(gen());
        const auto x0 = static_cast<int32_t>(gen() % 80) - 8;
        const auto x1 = static_cast<int32_t>(gen() % 80) - 8;
        IMG_hline_blend(img.get(), colour, 0, x0, x1, alpha);
        for (int32_t x = 0; x < 64; ++x) {
            const uint32_t old_pixel = before[static_cast<size_t>(x)];
            const uint32_t want =
                (x >= x0 && x <= x1) ? reference_blend(old_pixel, colour, alpha) : old_pixel;
            ASSERT_EQ(img->pixels[x], want) << "round " << round << " pixel " << x;
        }
    }
}

TEST(ImgHline, AnImageWithoutPixelsReportsEachWrite) {
    ImgPtr img = make_img(3, 1);
    std::free(img->pixels);
    img->pixels = nullptr;
    kt::StdoutCapture out;
    IMG_hline(img.get(), 1, 0, -4, 10);
    EXPECT_EQ(out.text(), "IMG error\nIMG error\nIMG error\n");
    img->pixels = static_cast<uint32_t*>(std::calloc(3, sizeof(uint32_t)));
}
