// Image record: life cycle, pixel access and the error hook.
#include <gtest/gtest.h>

#include "support/support.h"

using kt::ImgPtr;
using kt::make_img;
using kt::Rows;

TEST(ImgLifeCycle, NewImageIsSixteenBySixteenZeros) {
    ImgPtr img(IMG_new());
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->width, 16);
    EXPECT_EQ(img->height, 16);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(img->pixels[i], 0u);
}

TEST(ImgLifeCycle, FreeNullsThePointerAndASecondFreeReports) {
    IMG* img = IMG_new();
    kt::StdoutCapture out;
    IMG_free(&img);
    EXPECT_EQ(img, nullptr);
    IMG_free(&img);
    EXPECT_EQ(out.text(), "IMG error\n");
}

TEST(ImgLifeCycle, ResizeDropsTheContentAndRefusesNegativeOrOverflowingSizes) {
    ImgPtr img = make_img(3, 3, 0xABCDEF);
    IMG_resize(img.get(), 40, 10);
    EXPECT_EQ(img->width, 40);
    EXPECT_EQ(img->height, 10);
    for (int i = 0; i < 400; ++i) ASSERT_EQ(img->pixels[i], 0u);
    kt::StdoutCapture out;
    IMG_resize(img.get(), -1, 5);
    IMG_resize(img.get(), 65536, 65536);
    EXPECT_EQ(out.text(), "IMG error\nIMG error\n");
    EXPECT_EQ(img->width, 40);
    EXPECT_EQ(img->height, 10);
}

TEST(ImgPixels, ReadOutsideReportsWriteOutsideIsSilent) {
    ImgPtr img = make_img({{1, 2}, {3, 4}});
    kt::StdoutCapture out;
    EXPECT_EQ(IMG_get_pixel(img.get(), 1, 1), 4u);
    EXPECT_EQ(IMG_get_pixel(img.get(), 2, 0), 0u);
    EXPECT_EQ(IMG_get_pixel(img.get(), 0, -1), 0u);
    IMG_set_pixel(img.get(), 2, 0, 9);
    IMG_set_pixel(img.get(), -1, 0, 9);
    IMG_set_pixel(img.get(), 0, 1, 0xFF000007);
    EXPECT_EQ(out.text(), "IMG error\nIMG error\n");
    EXPECT_EQ(kt::rows(img.get()), (Rows{{1, 2}, {0xFF000007, 4}}));
}

TEST(ImgEqual, SameSizeAndPixelsOnlyAndSilentOnSizeMismatch) {
    ImgPtr a = make_img(4, 6);
    ImgPtr b = make_img(6, 4);
    ImgPtr c(IMG_clone(a.get()));
    kt::StdoutCapture out;
    EXPECT_EQ(IMG_equal(a.get(), a.get()), 1);
    EXPECT_EQ(IMG_equal(a.get(), c.get()), 1);
    EXPECT_EQ(IMG_equal(a.get(), b.get()), 0);
    c->pixels[23] = 1;
    EXPECT_EQ(IMG_equal(a.get(), c.get()), 0);
    EXPECT_EQ(out.text(), "");
}

TEST(ImgLifeCycle, ClearTouchesExactlyWidthTimesHeightPixels) {
    ImgPtr img = make_img(4, 4, 0x123456);
    img->width = 3;  // the array still holds 16 pixels; only the first 6 belong to a 3 x 2 image
    img->height = 2;
    IMG_clear(img.get());
    for (int i = 0; i < 16; ++i) EXPECT_EQ(img->pixels[i], i < 6 ? 0u : 0x123456u) << "pixel " << i;
}

TEST(ImgLifeCycle, CloneCopiesSizeAndEveryPixelIntoItsOwnArray) {
    ImgPtr src = make_img({{1, 2, 3}, {4, 5, 0xFF000006}});
    ImgPtr copy(IMG_clone(src.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->pixels, src->pixels);
    EXPECT_EQ(kt::rows(copy.get()), kt::rows(src.get()));
    ImgPtr empty = make_img(0, 7);
    ImgPtr empty_copy(IMG_clone(empty.get()));
    ASSERT_NE(empty_copy, nullptr);
    EXPECT_EQ(empty_copy->width, 0);
    EXPECT_EQ(empty_copy->height, 7);
}

TEST(ImgLifeCycle, MisuseReportsOnceAndChangesNothing) {
    ImgPtr img = make_img({{1, 2}});
    ImgPtr bare = make_img({{1, 2}});
    std::free(bare->pixels);
    bare->pixels = nullptr;
    IMG* null_img = nullptr;
    struct Case {
        const char* what;
        void (*call)(IMG* img, IMG* bare, IMG** null_img);
        const char* said;
    };
    const Case cases[] = {
        {"free of a null address", [](IMG*, IMG*, IMG**) { IMG_free(nullptr); }, "IMG error\n"},
        {"free of a null pointer", [](IMG*, IMG*, IMG** n) { IMG_free(n); }, "IMG error\n"},
        {"resize of null", [](IMG*, IMG*, IMG**) { IMG_resize(nullptr, 2, 2); }, "IMG error\n"},
        {"clear of null", [](IMG*, IMG*, IMG**) { IMG_clear(nullptr); }, "IMG error\n"},
        {"clear without pixels", [](IMG*, IMG* b, IMG**) { IMG_clear(b); }, "IMG error\n"},
        {"get from null", [](IMG*, IMG*, IMG**) { EXPECT_EQ(IMG_get_pixel(nullptr, 0, 0), 0u); },
         "IMG error\n"},
        {"get without pixels is silent", [](IMG*, IMG* b, IMG**) { EXPECT_EQ(IMG_get_pixel(b, 0, 0), 0u); },
         ""},
        {"set on null", [](IMG*, IMG*, IMG**) { IMG_set_pixel(nullptr, 0, 0, 1); }, "IMG error\n"},
        {"set without pixels", [](IMG*, IMG* b, IMG**) { IMG_set_pixel(b, 0, 0, 1); }, "IMG error\n"},
        {"set without pixels, even outside", [](IMG*, IMG* b, IMG**) { IMG_set_pixel(b, 9, 9, 1); },
         "IMG error\n"},
        {"equal with null", [](IMG* i, IMG*, IMG**) { EXPECT_EQ(IMG_equal(i, nullptr), 0); },
         "IMG error\n"},
        {"clone of null", [](IMG*, IMG*, IMG**) { EXPECT_EQ(IMG_clone(nullptr), nullptr); },
         "IMG error\n"},
    };
    for (const Case& c : cases) {
        kt::StdoutCapture out;
        c.call(img.get(), bare.get(), &null_img);
        EXPECT_EQ(out.text(), c.said) << c.what;
    }
    EXPECT_EQ(kt::rows(img.get()), (Rows{{1, 2}}));
    EXPECT_EQ(bare->width, 2);
    EXPECT_EQ(bare->pixels, nullptr);
}
