// tests/support/support.h: RAII holders, image literals and output capture shared by the tests.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "img/img.h"
#include "img/rows.h"

namespace kt {

struct ImgDeleter {
    void operator()(IMG* img) const { IMG_free(&img); }
};
using ImgPtr = std::unique_ptr<IMG, ImgDeleter>;

using Rows = std::vector<std::vector<uint32_t>>;

// An image holding the given rows (all of the same length).
inline ImgPtr make_img(const Rows& rows) {
    ImgPtr img(IMG_new());
    const auto h = static_cast<int32_t>(rows.size());
    const auto w = h ? static_cast<int32_t>(rows[0].size()) : 0;
    IMG_resize(img.get(), w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            img->pixels[y * w + x] = rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
    return img;
}

inline ImgPtr make_img(int32_t w, int32_t h, uint32_t fill = 0) {
    ImgPtr img(IMG_new());
    IMG_resize(img.get(), w, h);
    for (int32_t i = 0; i < w * h; ++i) img->pixels[i] = fill;
    return img;
}

inline Rows rows(const IMG* img) {
    Rows out(static_cast<size_t>(img->height), std::vector<uint32_t>(static_cast<size_t>(img->width)));
    for (int32_t y = 0; y < img->height; ++y)
        for (int32_t x = 0; x < img->width; ++x)
            out[static_cast<size_t>(y)][static_cast<size_t>(x)] = img->pixels[y * img->width + x];
    return out;
}

// Captures what is written to a file descriptor while it lives.
class FdCapture {
public:
    explicit FdCapture(int fd) : fd_(fd) {
        std::fflush(nullptr);
        file_ = std::tmpfile();
        saved_ = dup(fd_);
        dup2(fileno(file_), fd_);
    }
    ~FdCapture() { restore(); if (file_) std::fclose(file_); }
    FdCapture(const FdCapture&) = delete;
    FdCapture& operator=(const FdCapture&) = delete;

    // Everything written so far; stops the capture.
    std::string text() {
        restore();
        std::string out;
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;) out.push_back(static_cast<char>(c));
        return out;
    }

private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(nullptr);
        dup2(saved_, fd_);
        close(saved_);
        saved_ = -1;
    }
    int fd_;
    std::FILE* file_ = nullptr;
    int saved_ = -1;
};

struct StdoutCapture : FdCapture {
    StdoutCapture() : FdCapture(1) {}
};

struct StderrCapture : FdCapture {
    StderrCapture() : FdCapture(2) {}
};

// "" when both images have the same size and pixels; otherwise says where they first differ,
// e.g. "pixel (3, 1): want 0x00ff00 got 0x000000".
inline std::string first_difference(const IMG* want, const IMG* got) {
    std::ostringstream out;
    if (want->width != got->width || want->height != got->height) {
        out << "size: want " << want->width << "x" << want->height << " got " << got->width << "x"
            << got->height;
        return out.str();
    }
    for (int32_t y = 0; y < want->height; ++y)
        for (int32_t x = 0; x < want->width; ++x) {
            const uint32_t a = want->pixels[y * want->width + x];
            const uint32_t b = got->pixels[y * got->width + x];
            if (a != b) {
                out << "pixel (" << x << ", " << y << "): want 0x" << std::hex << a << " got 0x" << b;
                return out.str();
            }
        }
    return "";
}

// A file in a fresh temporary folder, removed with the folder.
class TempDir {
public:
    TempDir() {
        std::string templ = (std::filesystem::temp_directory_path() / "kapu-XXXXXX").string();
        path_ = mkdtemp(templ.data());
    }
    ~TempDir() { std::error_code ec; std::filesystem::remove_all(path_, ec); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
        return file(name);
    }

private:
    std::filesystem::path path_;
};

// Works in another folder while it lives (the demo reads its files from the working directory).
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() {
        std::error_code ec;
        std::filesystem::current_path(saved_, ec);
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    std::filesystem::path saved_;
};

// Runs body once for each kernel level this processor has (scalar, SSE2, AVX2), with every
// pixel operation switched to it, and gives the widest back afterwards. body takes the level's
// name, for the failure messages.
template <typename Body>
void for_each_level(Body body) {
    constexpr std::pair<img_rows::Level, const char*> levels[] = {
        {img_rows::Level::scalar, "scalar"}, {img_rows::Level::sse2, "SSE2"}, {img_rows::Level::avx2, "AVX2"}};
    for (const auto& [level, name] : levels) {
        if (!img_rows::use(level)) continue;
        body(name);
    }
    img_rows::use(img_rows::best());
}

}  // namespace kt
