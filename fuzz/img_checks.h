// fuzz/img_checks.h: properties every image read from untrusted input must have, shared by the
// image fuzz targets.
#pragma once
#include "img/img.h"

// Whether a reader may return an image without pixels: the Netpbm readers refuse a zero size,
// the text reader takes it.
enum class ReadSize { kPositive, kMayBeEmpty };

// A readable size within IMG_MAX_READ_PIXELS and a pixel array.
void fuzz_check_read_image(const IMG* img, ReadSize size);
// For a small image: the text form reads back to the same pixels without their top byte.
void fuzz_check_text_round_trip(const IMG* img);
// For a small image: a raw pixmap file written to path reads back the same way.
void fuzz_check_file_round_trip(const IMG* img, const char* path);
