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
