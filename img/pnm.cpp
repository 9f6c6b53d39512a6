// img/pnm.cpp: the Netpbm readers (P1..P6 from a file or from memory) and the raw pixmap writer.
//
// Both readers are one character scanner over two sources. They differ where callers can see it:
//   - a header number's terminating character: the file reader consumes it (so a '#' written
//     right after the digits is eaten and the rest of that comment line is scanned as header
//     tokens); the memory reader leaves it to be scanned again (so such a '#' starts a comment);
//   - P1 samples: a whole decimal number in the file reader, a single digit in the memory reader;
//   - P1/P4 width: the memory reader rounds it up to a multiple of 8 and reads the bits (P4) or
//     digits (P1) of the rounded rows contiguously; the file reader starts each P4 row on a
//     fresh byte and skips the unused low bits of a row's last byte.
// Input that ends before the header is complete or before the last sample fails with
// "IMG error" and no image, as does a header announcing more than IMG_MAX_READ_PIXELS pixels or
// one that has not ended within its first max_header_bytes bytes. The file reader reads regular
// files only: a FIFO, a device, a directory or a socket is refused like a missing file.
// The memory reader without a length takes a zero byte for the end of its input while it reads
// the header and plain samples, so a zero-terminated text is never read beyond its zero.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "img/img.h"

namespace {

constexpr int end_of_input = -1;

// Reads one character at a time through the C library's buffered input, with one character
// of look-ahead so that both readers share the scanner. The stream is this reader's alone, so
// the unlocked getc spares the lock the C library would take for every byte.
class FileSource {
public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    int peek() {
        if (!has_look_) {
            look_ = getc_unlocked(file_);
            has_look_ = true;
        }
        return look_;
    }
    void advance() {
        if (!has_look_) getc_unlocked(file_);
        has_look_ = false;
    }

private:
    std::FILE* file_;
    int look_ = end_of_input;
    bool has_look_ = false;
};

// Reads data[0 .. size-1] by index and never touches data[size]. With zero_ends, a zero byte
// is the end of the input as well, until raw_samples_follow() lets raw bytes be zero.
class MemorySource {
public:
    MemorySource(const uint8_t* data, size_t size, bool zero_ends)
        : data_(data), size_(size), zero_ends_(zero_ends) {}
    int peek() const {
        if (pos_ >= size_ || (zero_ends_ && data_[pos_] == 0)) return end_of_input;
        return data_[pos_];
    }
    size_t remaining() const { return size_ - pos_; }
    void advance() {
        if (peek() != end_of_input) ++pos_;
    }
    void raw_samples_follow() { zero_ends_ = false; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool zero_ends_;
};

// The header, through the one character after its last number, must end within this many
// bytes. Real headers are a dozen bytes and perhaps a few comment lines; 64 KiB still takes
// some 800 comment lines of 80 characters, yet a run of blanks, junk or comment from a huge or
// damaged file is given up after a fraction of a millisecond of scanning instead of being
// followed to its end (or, from a stream that never ends, for ever).
constexpr size_t max_header_bytes = size_t{64} * 1024;

// Shows the scanner at most limit bytes of a source: beyond them the input looks ended, and a
// character the scanner takes past them without looking first (the file reader's number
// terminator) is left in the source and recorded as an overrun. Below the limit it is
// transparent, so the header semantics do not change.
template <class Source>
class HeaderWindow {
public:
    HeaderWindow(Source& src, size_t limit) : src_(src), limit_(limit) {}
    int peek() { return consumed_ < limit_ ? src_.peek() : end_of_input; }
    void advance() {
        if (consumed_ >= limit_) {
            overrun_ = true;
            return;
        }
        ++consumed_;
        src_.advance();
    }
    bool overrun() const { return overrun_; }

private:
    Source& src_;
    size_t limit_;
    size_t consumed_ = 0;
    bool overrun_ = false;
};

bool is_digit(int c) { return c >= '0' && c <= '9'; }

// Header numbers saturate here, far above any size the readers accept, so no digit run can
// overflow the accumulator.
constexpr uint64_t header_cap = uint64_t{1} << 40;

struct Header {
    int kind = 0;         // 1..6
    uint64_t width = 0;
    uint64_t height = 0;
    uint64_t maxval = 0;  // read but never used: samples are taken as 8-bit values
};

enum HeaderFlags : unsigned { kind_seen = 1, width_seen = 2, height_seen = 4, maxval_seen = 8,
                              header_done = 15 };

// Scans the header up to and including the one character after its last number. Fails on a
// kind digit outside '1'..'6' and on input that ends before the header is complete.
template <bool FromFile, class Source>
std::optional<Header> scan_header(Source& src) {
    Header h;
    unsigned flags = 0;
    while (flags != header_done) {
        const int c = src.peek();
        if (c == end_of_input) return std::nullopt;
        if (c <= 32 || c >= 127) {
            src.advance();
            continue;
        }
        if (c == 'P' && !(flags & kind_seen)) {
            src.advance();
            const int k = src.peek();
            if (k < '1' || k > '6') return std::nullopt;
            src.advance();
            h.kind = k - '0';
            flags |= kind_seen;
            if (h.kind == 1 || h.kind == 4) flags |= maxval_seen;  // bitmaps carry no maxval
            continue;
        }
        if (c == '#') {
            int skipped;
            do {
                src.advance();
                skipped = src.peek();
                if (skipped == end_of_input) return std::nullopt;
            } while (skipped != '\n');
            src.advance();
            continue;
        }
        // A number field; one that starts with a non-digit is that character alone, value 0,
        // and serves as its own terminator in both readers.
        uint64_t value = 0;
        src.advance();
        bool terminated = !is_digit(c);
        if (!terminated) {
            value = static_cast<uint64_t>(c - '0');
            while (is_digit(src.peek())) {
                value = std::min(value * 10 + static_cast<uint64_t>(src.peek() - '0'), header_cap);
                src.advance();
            }
            // The file reader reads the terminator with the number, whatever it is; the
            // memory reader leaves it to be scanned again as a header token.
            if constexpr (FromFile) {
                src.advance();
                terminated = true;
            }
        }
        if (!(flags & width_seen)) {
            h.width = value;
            flags |= width_seen;
        } else if (!(flags & height_seen)) {
            h.height = value;
            flags |= height_seen;
        } else {
            h.maxval = value;
            flags |= maxval_seen;
        }
        // Exactly one character after the header's last number is consumed. Where the input ends
        // instead, no sample can follow; failing here also keeps the reader without a length
        // from taking raw samples from beyond its text's terminating zero.
        if (flags == header_done && !terminated) {
            if (src.peek() == end_of_input) return std::nullopt;
            src.advance();
        }
    }
    return h;
}

// A plain sample: everything up to the next decimal digit is skipped, then the digit run is
// read. No range check: the value wraps as an unsigned 32-bit number, and whatever lies above
// its lowest 8 bits overlaps the neighbouring channel when it is packed.
template <class Source>
std::optional<uint32_t> read_plain(Source& src) {
    while (!is_digit(src.peek())) {
        if (src.peek() == end_of_input) return std::nullopt;
        src.advance();
    }
    uint32_t value = 0;
    while (is_digit(src.peek())) {
        value = value * 10u + static_cast<uint32_t>(src.peek() - '0');
        src.advance();
    }
    return value;
}

// The memory reader's P1 sample: one digit character, found by skipping non-digits.
std::optional<uint32_t> read_digit(MemorySource& src) {
    while (!is_digit(src.peek())) {
        if (src.peek() == end_of_input) return std::nullopt;
        src.advance();
    }
    const auto value = static_cast<uint32_t>(src.peek() - '0');
    src.advance();
    return value;
}

template <class Source>
std::optional<uint32_t> read_byte(Source& src) {
    const int c = src.peek();
    if (c == end_of_input) return std::nullopt;
    src.advance();
    return static_cast<uint32_t>(c);
}

constexpr uint32_t white = 0xFFFFFF;
constexpr uint32_t grey_step = 0x010101;

std::span<uint32_t> row(IMG* img, int32_t y) {
    return {img->pixels + int64_t{y} * img->width, static_cast<size_t>(img->width)};
}

// One pixel of a kind other than the raw bitmap, or nothing when the input ends first.
template <int Kind, bool FromFile, class Source>
std::optional<uint32_t> read_pixel(Source& src) {
    if constexpr (Kind == 1) {
        std::optional<uint32_t> v;
        if constexpr (FromFile) v = read_plain(src);
        else v = read_digit(src);
        if (!v) return std::nullopt;
        return *v != 0 ? white : 0;
    } else if constexpr (Kind == 2 || Kind == 5) {
        const std::optional<uint32_t> v = Kind == 2 ? read_plain(src) : read_byte(src);
        if (!v) return std::nullopt;
        return *v * grey_step;
    } else {
        static_assert(Kind == 3 || Kind == 6);
        auto channel = [&src] { return Kind == 3 ? read_plain(src) : read_byte(src); };
        const std::optional<uint32_t> r = channel();
        const std::optional<uint32_t> g = r ? channel() : std::nullopt;
        const std::optional<uint32_t> b = g ? channel() : std::nullopt;
        if (!b) return std::nullopt;
        return *r << 16 | *g << 8 | *b;
    }
}

// Fills img, which has its final size, in row-major order; false when the input ends first.
template <int Kind, bool FromFile, class Source>
bool read_pixels(Source& src, IMG* img) {
    for (int32_t y = 0; y < img->height; ++y) {
        for (uint32_t& px : row(img, y)) {
            const std::optional<uint32_t> p = read_pixel<Kind, FromFile>(src);
            if (!p) return false;
            px = *p;
        }
    }
    return true;
}

// The file reader's raw bitmap: every row starts on a fresh byte, most significant bit first.
bool read_bits_by_row(FileSource& src, IMG* img) {
    for (int32_t y = 0; y < img->height; ++y) {
        uint32_t byte = 0;
        int32_t x = 0;
        for (uint32_t& px : row(img, y)) {
            if (x % 8 == 0) {
                const auto b = read_byte(src);
                if (!b) return false;
                byte = *b;
            }
            px = (byte >> (7 - x % 8)) & 1u ? white : 0;
            ++x;
        }
    }
    return true;
}

// The memory reader's raw bitmap: the image width is a multiple of 8, so the bits run on
// across rows; pixel i takes bit 7 - i % 8 of byte i / 8.
bool read_bits_contiguous(MemorySource& src, IMG* img) {
    const int64_t count = int64_t{img->width} * img->height;
    uint32_t byte = 0;
    for (int64_t i = 0; i < count; ++i) {
        if (i % 8 == 0) {
            const auto b = read_byte(src);
            if (!b) return false;
            byte = *b;
        }
        img->pixels[i] = (byte >> (7 - i % 8)) & 1u ? white : 0;
    }
    return true;
}

// Header, size checks, image, samples; null after one report on any failure.
template <bool FromFile, class Source>
IMG* read_pnm(Source& src) {
    HeaderWindow<Source> window(src, max_header_bytes);
    const std::optional<Header> h = scan_header<FromFile>(window);
    if (!h || window.overrun() || h->width == 0 || h->height == 0) {
        IMG_error();
        return nullptr;
    }
    uint64_t width = h->width;
    const bool bitmap = h->kind == 1 || h->kind == 4;
    if (!FromFile && bitmap) width = (width + 7) / 8 * 8;
    // The product is formed only once both factors are within the limit: no overflow.
    if (width > static_cast<uint64_t>(IMG_MAX_READ_PIXELS) ||
        h->height > static_cast<uint64_t>(IMG_MAX_READ_PIXELS) ||
        width * h->height > static_cast<uint64_t>(IMG_MAX_READ_PIXELS)) {
        IMG_error();
        return nullptr;
    }
    // A buffer too short for the samples fails before the image is allocated: a few header
    // bytes cannot make the reader claim 64 MiB. Every sample takes at least one byte (P1 digit,
    // P2/P3 digit run, P5/P6 byte), a bitmap one bit.
    if constexpr (!FromFile) {
        const uint64_t pixels = width * h->height;
        const bool rgb = h->kind == 3 || h->kind == 6;
        const uint64_t least = h->kind == 4 ? pixels / 8 : rgb ? pixels * 3 : pixels;
        if (src.remaining() < least) {
            IMG_error();
            return nullptr;
        }
    }
    IMG* img = IMG_new();
    if (!img) return nullptr;
    const auto w = static_cast<int32_t>(width);
    const auto ht = static_cast<int32_t>(h->height);
    IMG_resize(img, w, ht);
    if (img->width != w || img->height != ht) {  // the pixel array could not be allocated
        IMG_free(&img);
        IMG_error();
        return nullptr;
    }
    if constexpr (!FromFile) {
        if (h->kind >= 4) src.raw_samples_follow();
    }
    bool complete = false;
    switch (h->kind) {
    case 1: complete = read_pixels<1, FromFile>(src, img); break;
    case 2: complete = read_pixels<2, FromFile>(src, img); break;
    case 3: complete = read_pixels<3, FromFile>(src, img); break;
    case 4:
        if constexpr (FromFile) complete = read_bits_by_row(src, img);
        else complete = read_bits_contiguous(src, img);
        break;
    case 5: complete = read_pixels<5, FromFile>(src, img); break;
    default: complete = read_pixels<6, FromFile>(src, img); break;
    }
    if (!complete) {
        IMG_free(&img);
        IMG_error();
        return nullptr;
    }
    return img;
}

// The file at path for reading, or null when it cannot be opened or is not a regular file. A
// FIFO would block the open until a writer came and a device such as /dev/zero never ends, so
// only regular files (also through symbolic links) are read. The open does not wait (O_NONBLOCK),
// a terminal does not become the controlling one (O_NOCTTY), and the type is asked of the open
// descriptor, so the file checked is the file read.
std::FILE* open_regular(const char* path) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    // Blocking mode is restored for the reads: should a file system honour O_NONBLOCK on a
    // regular file, a read reporting EAGAIN would look like the end of the file.
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    return file;
}

}  // namespace

IMG* IMG_load_pnm(const char* path) {
    if (!path) {
        IMG_error();
        return nullptr;
    }
    std::FILE* file = open_regular(path);
    if (!file) {
        IMG_error();
        return nullptr;
    }
    FileSource src(file);
    IMG* img = read_pnm<true>(src);
    std::fclose(file);
    return img;
}

IMG* IMG_parse_pnm_bounded(const uint8_t* data, size_t size) {
    if (!data) {
        IMG_error();
        return nullptr;
    }
    MemorySource src(data, size, false);
    return read_pnm<false>(src);
}

// No length is known: a zero byte ends the header and plain samples, and the buffer must hold
// every raw sample the header announces.
IMG* IMG_parse_pnm(const uint8_t* data) {
    if (!data) {
        IMG_error();
        return nullptr;
    }
    MemorySource src(data, SIZE_MAX, true);
    return read_pnm<false>(src);
}

// Mode "w" as the file has always been opened; on this platform it writes the bytes unchanged.
// A failed write or close is reported and returns 0: the caller must not take a truncated file
// for a saved picture.
int32_t IMG_save_ppm(const IMG* img, const char* path) {
    if (!img || !img->pixels || img->width <= 0 || img->height <= 0 || !path) {
        IMG_error();
        return 0;
    }
    std::FILE* file = std::fopen(path, "w");
    if (!file) {
        IMG_error();
        return 0;
    }
    bool ok = std::fprintf(file, "P6\n%d %d\n255\n", img->width, img->height) > 0;
    std::vector<uint8_t> bytes(static_cast<size_t>(img->width) * 3);
    for (int32_t y = 0; ok && y < img->height; ++y) {
        const uint32_t* src = img->pixels + int64_t{y} * img->width;
        for (size_t x = 0; x < static_cast<size_t>(img->width); ++x) {
            bytes[3 * x] = static_cast<uint8_t>(src[x] >> 16 & 0xFF);
            bytes[3 * x + 1] = static_cast<uint8_t>(src[x] >> 8 & 0xFF);
            bytes[3 * x + 2] = static_cast<uint8_t>(src[x] & 0xFF);
        }
        ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    if (std::fclose(file) != 0) ok = false;
    if (!ok) {
        IMG_error();
        return 0;
    }
    return 1;
}
