// Netpbm readers (file and memory) and the raw pixmap writer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "support/support.h"

using kt::ImgPtr;
using kt::make_img;
using kt::Rows;

namespace {

using namespace std::string_literals;

constexpr uint32_t W = 0xFFFFFF;

std::string fixture(const char* name) { return std::string(KAPU_TEST_DATA_DIR) + "/" + name; }

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each reader sees exactly the given bytes.
ImgPtr load_bytes(const std::string& bytes) {
    kt::TempDir dir;
    return ImgPtr(IMG_load_pnm(dir.write("in.pnm", bytes).c_str()));
}

// A heap block of exactly bytes.size() bytes, so a sanitizer build catches any read beyond it.
ImgPtr parse_bytes(const std::string& bytes) {
    std::vector<uint8_t> block(bytes.begin(), bytes.end());
    block.shrink_to_fit();
    return ImgPtr(IMG_parse_pnm_bounded(block.empty() ? reinterpret_cast<const uint8_t*>("")
                                                      : block.data(),
                                        block.size()));
}

ImgPtr parse_unbounded(const std::string& bytes) {
    return ImgPtr(IMG_parse_pnm(reinterpret_cast<const uint8_t*>(bytes.c_str())));
}

struct Reader {
    const char* name;
    ImgPtr (*read)(const std::string&);
};
const Reader kReaders[] = {{"file", load_bytes}, {"memory", parse_bytes},
                           {"memory unbounded", parse_unbounded}};
const Reader kBoundedReaders[] = {{"file", load_bytes}, {"memory", parse_bytes}};

// Reads bytes with one reader and expects exactly one "IMG error" and no image.
void expect_refused(const Reader& reader, const std::string& bytes, const std::string& what) {
    kt::StdoutCapture out;
    ImgPtr img = reader.read(bytes);
    EXPECT_EQ(img, nullptr) << reader.name << ": " << what;
    EXPECT_EQ(out.text(), "IMG error\n") << reader.name << ": " << what;
}

// A text and its terminating zero placed so that the zero is the last byte before a page the
// process may not touch: a reader that looks one byte further faults at once.
class TextBeforeGuardPage {
public:
    explicit TextBeforeGuardPage(const std::string& text) {
        const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        if (text.size() >= page) return;
        void* map =
            mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED) return;
        map_ = static_cast<uint8_t*>(map);
        map_size_ = 2 * page;
        if (mprotect(map_ + page, page, PROT_NONE) != 0) return;
        text_ = map_ + page - (text.size() + 1);
        std::memcpy(text_, text.c_str(), text.size() + 1);
    }
    ~TextBeforeGuardPage() {
        if (map_) munmap(map_, map_size_);
    }
    TextBeforeGuardPage(const TextBeforeGuardPage&) = delete;
    TextBeforeGuardPage& operator=(const TextBeforeGuardPage&) = delete;

    const uint8_t* data() const { return text_; }  // null when the pages could not be set up

private:
    uint8_t* map_ = nullptr;
    size_t map_size_ = 0;
    uint8_t* text_ = nullptr;
};

// Parses the text in a child process first: a read beyond it faults there, and the case fails
// by name instead of ending the whole test program.
bool parses_without_fault(const uint8_t* text) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        kt::StdoutCapture quiet;
        IMG* img = IMG_parse_pnm(text);
        IMG_free(&img);
        std::_Exit(0);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// Loads path in a child process that an alarm ends should the load not return (a FIFO's open
// waits for a writer, /dev/zero never ends), so a reader that hangs fails its case by name
// instead of stalling the test program. The alarm guards against hangs only; it measures
// nothing. Returns the child, whose exit status says what the load gave (see load_outcome).
pid_t start_load(const std::string& path) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(60);
        kt::StdoutCapture out;
        IMG* img = IMG_load_pnm(path.c_str());
        const std::string said = out.text();
        const bool loaded = img != nullptr;
        IMG_free(&img);
        std::_Exit(loaded ? 1 : said == "IMG error\n" ? 0 : 2);
    }
    return pid;
}

std::string load_outcome(pid_t pid) {
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return "could not be run";
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) return "hung (ended by its alarm)";
    if (WIFSIGNALED(status)) return "crashed with signal " + std::to_string(WTERMSIG(status));
    switch (WEXITSTATUS(status)) {
    case 0: return "refused";
    case 1: return "loaded an image";
    default: return "refused without exactly one \"IMG error\" line";
    }
}

// A Unix socket bound at path; the socket file stays when the descriptor is closed.
bool make_socket_file(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    const bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return bound;
}

// The longest header every reader accepts, counted up to and including the one character after
// its last number (as img/img.h says).
constexpr size_t kHeaderLimit = 65536;

// Comment lines of at most 80 bytes, n >= 2 bytes in all.
std::string comment_lines(size_t n) {
    std::string out;
    while (n > 0) {
        size_t len = std::min<size_t>(80, n);
        if (n - len == 1) --len;  // no line shorter than "#\n"
        out += '#' + std::string(len - 2, '-') + '\n';
        n -= len;
    }
    return out;
}

}  // namespace

TEST(ImgPnm, FixturesReadFromFiles) {
    struct Case {
        const char* file;
        Rows want;
    };
    const Case cases[] = {
        {"p3_3x2.ppm", {{0xFF0000, 0x00FF00, 0x0000FF}, {0, 0x808080, W}}},
        {"p6_comment.ppm", {{0xFF0000, 0x0000FF}}},
        {"p5_one_line.pgm", {{0, 0x808080, W}}},
        {"p1_3x1.pbm", {{W, 0, W}}},
        {"p4_10x2.pbm", {{W, 0, W, W, 0, 0, W, W, W, W}, {0, W, 0, 0, W, W, 0, 0, 0, W}}},
    };
    for (const Case& c : cases) {
        kt::StdoutCapture out;
        ImgPtr img(IMG_load_pnm(fixture(c.file).c_str()));
        ASSERT_NE(img, nullptr) << c.file;
        EXPECT_EQ(kt::rows(img.get()), c.want) << c.file;
        EXPECT_EQ(out.text(), "") << c.file;
    }
}

// Inputs on which the two readers agree.
TEST(ImgPnm, BothReadersDecodeEveryKind) {
    struct Case {
        const char* what;
        std::string bytes;
        Rows want;
        bool needs_length = false;  // the reader without a length ends at the first zero byte
    };
    const Case cases[] = {
        {"P6 with a comment line", "P6\n# note\n2 1\n255\n\xFF\0\0\0\0\xFF"s,
         {{0xFF0000, 0x0000FF}}},
        {"P5 on one line, one space before the data", "P5 3 1 255 \0\x80\xFF"s,
         {{0, 0x808080, W}}},
        {"P2 maxval does not scale", "P2\n2 1\n15\n15 0\n", {{0x0F0F0F, 0}}},
        {"P3 one pixel", "P3\n1 1\n255\n255 128 0\n", {{0xFF8000}}},
        {"P3 plain sample above 255 overlaps", "P3\n1 1\n255\n1 256 2\n", {{0x010000 | 0x010000 | 2}}},
        {"P2 sample 256 spills into the top byte", "P2 1 1 255 256\n", {{0x01010100}}},
        {"plain samples wrap as unsigned 32-bit", "P2 1 1 255 4294967297\n", {{0x010101}}},
        {"plain samples skip any non-digit", "P3 1 1 255 -1,x2;3", {{0x010203}}},
        {"last sample ends the input", "P2 2 1 9 4 5", {{0x040404, 0x050505}}},
        {"header bytes 0..32 and 127..255 skipped", "\x01P5\x7F\xFF" "1\t1\r255\x80" "A"s,
         {{0x414141}}},
        {"NUL bytes in the header are skipped", "P5\0 1\0 1\0 255\0\x07"s, {{0x070707}}, true},
        {"maxval other than 255 is ignored", "P5 1 1 1 \xC8", {{0xC8C8C8}}},
        {"a second P is a number field of value 0", "P5 1 1 P\x09"s, {{0x090909}}},
        {"the one character after maxval may be any", "P5 1 1 255x\x01", {{0x010101}}},
        {"numbers may come before the kind", "2 1 P2 7 1 2\n", {{0x010101, 0x020202}}},
        {"bitmap header ends at the height", "P4 8 1\n\x81", {{W, 0, 0, 0, 0, 0, 0, W}}},
        {"P6 raw bytes include NUL and whitespace", "P6 1 2 255\n\0\n \x7F\xFF\x80"s,
         {{0x000A20}, {0x7FFF80}}},
    };
    for (const Reader& reader : kReaders) {
        for (const Case& c : cases) {
            if (c.needs_length && reader.read == parse_unbounded) continue;
            kt::StdoutCapture out;
            ImgPtr img = reader.read(c.bytes);
            ASSERT_NE(img, nullptr) << reader.name << ": " << c.what;
            EXPECT_EQ(kt::rows(img.get()), c.want) << reader.name << ": " << c.what;
            EXPECT_EQ(out.text(), "") << reader.name << ": " << c.what;
        }
    }
}

// Where the file reader and the memory reader part ways, on the same bytes.
TEST(ImgPnm, FileAndMemoryReadersDifferAsDocumented) {
    struct Case {
        const char* what;
        std::string bytes;
        Rows file;    // empty: refused
        Rows memory;  // empty: refused
    };
    const Case cases[] = {
        {"P1 sample: a number in the file, a single digit in memory",
         "P1\n3 1\n011 1 0 00000\n", {{W, W, 0}}, {{0, W, W, W, 0, 0, 0, 0}}},
        {"P1 width rounded up to 8 in memory", "P1\n3 1\n1 0 1 0 0 0 0 1\n", {{W, 0, W}},
         {{W, 0, W, 0, 0, 0, 0, W}}},
        {"P1 memory needs the rounded row", "P1\n3 1\n1 0 1\n", {{W, 0, W}}, {}},
        {"P4 rows: byte-aligned in the file, trailing bits are columns in memory",
         "P4\n10 2\n\xB3\xC5\x4C\x40", {{W, 0, W, W, 0, 0, W, W, W, W}, {0, W, 0, 0, W, W, 0, 0, 0, W}},
         {{W, 0, W, W, 0, 0, W, W, W, W, 0, 0, 0, W, 0, W},
          {0, W, 0, 0, W, W, 0, 0, 0, W, 0, 0, 0, 0, 0, 0}}},
        {"P4 width 4: a byte per row in the file, 8 columns per byte in memory",
         "P4 4 2\n\xA5\x0F", {{W, 0, W, 0}, {0, 0, 0, 0}},
         {{W, 0, W, 0, 0, W, 0, W}, {0, 0, 0, 0, W, W, W, W}}},
        {"'#' right after a number: eaten by the file reader, a comment in memory",
         "P2 2# 1\n3 255 7 9 1 2 3 4\n", {{W, 0x070707}},
         {{0x070707, 0x090909}, {0x010101, 0x020202}, {0x030303, 0x040404}}},
        {"a non-blank after a number: eaten by the file reader, a zero field in memory",
         "P5 2x1 255 AB", {{0x414141, 0x424242}}, {}},
    };
    for (const Case& c : cases) {
        for (const Reader& reader : kReaders) {
            const bool from_file = reader.read == load_bytes;
            const Rows& want = from_file ? c.file : c.memory;
            kt::StdoutCapture out;
            ImgPtr img = reader.read(c.bytes);
            const std::string said = out.text();
            if (want.empty()) {
                EXPECT_EQ(img, nullptr) << reader.name << ": " << c.what;
                EXPECT_EQ(said, "IMG error\n") << reader.name << ": " << c.what;
                continue;
            }
            ASSERT_NE(img, nullptr) << reader.name << ": " << c.what;
            EXPECT_EQ(kt::rows(img.get()), want) << reader.name << ": " << c.what;
            EXPECT_EQ(said, "") << reader.name << ": " << c.what;
        }
    }
}

TEST(ImgPnm, MalformedHeadersAreRefused) {
    const std::pair<const char*, std::string> cases[] = {
        {"kind digit 7", "P7 1 1 255 \0\0\0"s},
        {"kind digit 0", "P0 1 1 255 \0\0\0"s},
        {"space between P and the digit", "P 6 1 1 255 \0\0\0"s},
        {"P at the very end", "P"},
        {"width 0", "P6 0 1 255 \0\0\0"s},
        {"height 0", "P6 1 0 255 \0\0\0"s},
        {"width field starting with a non-digit is 0", "P5 x 1 255 \0"s},
        {"no kind: the header never completes", "hello world 1 2 3 4 5 6 7 8 9"},
        {"empty input", ""},
        {"comment never ends", "P5 1 1 # and so on"},
        {"header cut before the maxval", "P5 1 1"},
        {"width times height above the read limit", "P5 4097 4097 255 \0"s},
        {"width alone above the read limit", "P5 16777217 1 255 \0"s},
        {"width overflowing 32 bits", "P5 4294967297 1 255 \0"s},
        {"width overflowing 64 bits", "P5 99999999999999999999999999 1 255 \0"s},
        {"height overflowing 64 bits", "P5 1 99999999999999999999999999 255 \0"s},
        {"product overflowing 32 bits", "P5 65536 65536 255 \0"s},
        {"bitmap width rounded above the read limit", "P4 16777217 1\n"},
    };
    for (const Reader& reader : kReaders)
        for (const auto& [what, bytes] : cases) expect_refused(reader, bytes, what);
}

// The reader without a length on zero-terminated texts that end against an unreadable page:
// a text that ends inside the header or the plain samples fails like input cut short, a
// complete one is read, and neither is read beyond its terminating zero.
TEST(ImgPnm, ReaderWithoutLengthStopsAtTheTextsZero) {
    struct Case {
        const char* what;
        std::string text;
        Rows want;  // empty: refused
    };
    const Case cases[] = {
        {"empty text", "", {}},
        {"only the P", "P", {}},
        {"header cut after the width", "P6 12", {}},
        {"no kind", "hello world 12 34\n", {}},
        {"comment cut", "P2 1 1 255 # and so", {}},
        {"a zero byte in the header ends it", "P5\0 1\0 1\0 255\0\x07"s, {}},
        {"P5 header ending with the text", "P5 2 1 255", {}},
        {"P4 header ending with the text", "P4 8 1", {}},
        {"P1 cut before the rounded row ends", "P1\n3 1\n1 0 1\n", {}},
        {"P2 cut after its first row", "P2\n3 3\n255\n1 2 3\n", {}},
        {"P3 cut inside the last pixel", "P3\n2 2\n255\n9 8 7", {}},
        {"P1 rounded row", "P1\n3 1\n1 0 1 0 0 0 0 1", {{W, 0, W, 0, 0, 0, 0, W}}},
        {"P2 last sample ending at the zero", "P2\n3 1\n255\n1 2 30",
         {{0x010101, 0x020202, 0x1E1E1E}}},
        {"P3", "P3\n1 2\n255\n1 2 3\n4 5 6\n", {{0x010203}, {0x040506}}},
        {"P5 raw samples read as announced, the terminating zero included", "P5 3 1 255\n\0\x07"s,
         {{0, 0x070707, 0}}},
    };
    for (const Case& c : cases) {
        const TextBeforeGuardPage text(c.text);
        ASSERT_NE(text.data(), nullptr) << c.what;
        if (!parses_without_fault(text.data())) {
            ADD_FAILURE() << c.what << ": the reader faulted, reading beyond the text";
            continue;
        }
        kt::StdoutCapture out;
        ImgPtr img(IMG_parse_pnm(text.data()));
        const std::string said = out.text();
        if (c.want.empty()) {
            EXPECT_EQ(img, nullptr) << c.what;
            EXPECT_EQ(said, "IMG error\n") << c.what;
            continue;
        }
        ASSERT_NE(img, nullptr) << c.what;
        EXPECT_EQ(kt::rows(img.get()), c.want) << c.what;
        EXPECT_EQ(said, "") << c.what;
    }
}

// Rounding the bitmap width can push the pixel count over the limit in memory only.
TEST(ImgPnm, RoundedBitmapWidthCountsAgainstTheReadLimit) {
    const std::string bytes = "P4 4097 4095\n" + std::string(size_t{513} * 4095, '\xFF');
    expect_refused(kReaders[1], bytes, "memory");
    ImgPtr img = load_bytes(bytes);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->width, 4097);
    EXPECT_EQ(img->pixels[int64_t{4097} * 4095 - 1], W);
}

TEST(ImgPnm, MissingPathBufferOrFileIsRefused) {
    kt::TempDir dir;
    kt::StdoutCapture out;
    EXPECT_EQ(IMG_load_pnm(nullptr), nullptr);
    EXPECT_EQ(IMG_load_pnm(dir.file("absent.ppm").c_str()), nullptr);
    EXPECT_EQ(IMG_load_pnm(dir.path().c_str()), nullptr);  // a folder is not a regular file
    EXPECT_EQ(IMG_parse_pnm(nullptr), nullptr);
    EXPECT_EQ(IMG_parse_pnm_bounded(nullptr, 10), nullptr);
    EXPECT_EQ(out.text(), "IMG error\nIMG error\nIMG error\nIMG error\nIMG error\n");
}

// Only regular files are read: whatever else stands at the path is refused at once like a
// missing file, never waited on or read without end.
TEST(ImgPnm, FileReaderRefusesWhatIsNotARegularFile) {
    kt::TempDir dir;
    const std::string fifo = dir.file("fifo.ppm");
    const std::string fed_fifo = dir.file("fed.ppm");
    const std::string silent_fifo = dir.file("silent.ppm");
    const std::string zero_link = dir.file("zero.ppm");
    const std::string folder = dir.file("folder.ppm");
    const std::string sock = dir.file("socket.ppm");
    for (const std::string& f : {fifo, fed_fifo, silent_fifo})
        ASSERT_EQ(mkfifo(f.c_str(), 0600), 0) << f;
    ASSERT_EQ(symlink("/dev/zero", zero_link.c_str()), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_TRUE(make_socket_file(sock));
    // Writers held open by the test (opening a FIFO for reading and writing does not wait on
    // Linux): one has sent a whole picture, the other sends nothing, so a reader that took
    // FIFOs would load the first and wait for ever on the second.
    const std::string picture = "P5 1 1 255\n\x07";
    const int fed = open(fed_fifo.c_str(), O_RDWR | O_NONBLOCK);
    const int silent = open(silent_fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fed, 0);
    ASSERT_GE(silent, 0);
    ASSERT_EQ(write(fed, picture.data(), picture.size()), static_cast<ssize_t>(picture.size()));
    const std::pair<const char*, std::string> cases[] = {
        {"a FIFO without a writer", fifo},
        {"a FIFO holding a whole picture", fed_fifo},
        {"a FIFO whose writer sends nothing", silent_fifo},
        {"a symbolic link to /dev/zero", zero_link},
        {"/dev/null", "/dev/null"},
        {"a directory", folder},
        {"a Unix socket", sock},
    };
    // All at once: each child's alarm then bounds the whole test, not each case in turn.
    std::vector<pid_t> children;
    for (const auto& c : cases) children.push_back(start_load(c.second));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(load_outcome(children[i]), "refused") << cases[i].first;
    close(fed);
    close(silent);
}

TEST(ImgPnm, FileReaderFollowsSymbolicLinksToRegularFiles) {
    kt::TempDir dir;
    const std::string link = dir.file("link.ppm");
    const std::string link_to_link = dir.file("link2.ppm");
    ASSERT_EQ(symlink(fixture("p3_3x2.ppm").c_str(), link.c_str()), 0);
    ASSERT_EQ(symlink(link.c_str(), link_to_link.c_str()), 0);
    for (const std::string& path : {link, link_to_link}) {
        kt::StdoutCapture out;
        ImgPtr img(IMG_load_pnm(path.c_str()));
        ASSERT_NE(img, nullptr) << path;
        EXPECT_EQ(kt::rows(img.get()), (Rows{{0xFF0000, 0x00FF00, 0x0000FF}, {0, 0x808080, W}}))
            << path;
        EXPECT_EQ(out.text(), "") << path;
    }
}

// Whatever fills a header, every reader reads one of exactly kHeaderLimit bytes as before and
// refuses one a byte longer or far longer. The digit run ends at the limit in the file
// reader's number terminator, which must not be taken from beyond it.
TEST(ImgPnm, EveryReaderRefusesAHeaderLongerThanTheLimit) {
    struct Case {
        const char* what;
        std::string (*header)(size_t length);  // a P5 1 x 1 header of exactly length bytes
        bool has_zero = false;                 // the reader without a length stops at a zero
    };
    const Case cases[] = {
        {"blanks before the kind",
         [](size_t n) { return std::string(n - 11, ' ') + "P5 1 1 255\n"; }},
        {"zero bytes before the kind",
         [](size_t n) { return std::string(n - 11, '\0') + "P5 1 1 255\n"; }, true},
        {"bytes 1..32 and 127..255 before the kind",
         [](size_t n) {
             std::string junk;
             for (size_t i = 0; i < n - 11; ++i) {
                 const size_t k = i % 161;  // 32 low bytes, then 129 high ones
                 junk += static_cast<char>(k < 32 ? k + 1 : k - 32 + 127);
             }
             return junk + "P5 1 1 255\n";
         }},
        {"one long comment line", [](size_t n) {
             return "P5 1 1 #" + std::string(n - 13, 'c') + "\n255\n"; }},
        {"a block of comment lines", [](size_t n) { return "P5\n" + comment_lines(n - 11) + "1 1 255\n"; }},
        {"leading zeros of the maxval",
         [](size_t n) { return "P5 1 1 " + std::string(n - 11, '0') + "255\n"; }},
    };
    for (const Reader& reader : kReaders) {
        for (const Case& c : cases) {
            if (c.has_zero && reader.read == parse_unbounded) continue;
            const std::string at_limit = c.header(kHeaderLimit);
            ASSERT_EQ(at_limit.size(), kHeaderLimit) << c.what;
            kt::StdoutCapture out;
            ImgPtr img = reader.read(at_limit + "\x07");
            const std::string said = out.text();
            ASSERT_NE(img, nullptr) << reader.name << ": " << c.what << ", at the limit";
            EXPECT_EQ(kt::rows(img.get()), (Rows{{0x070707}})) << reader.name << ": " << c.what;
            EXPECT_EQ(said, "") << reader.name << ": " << c.what;
            for (const size_t length : {kHeaderLimit + 1, 16 * kHeaderLimit})
                expect_refused(reader, c.header(length) + "\x07",
                               std::string(c.what) + ", " + std::to_string(length) + " bytes");
        }
    }
}

TEST(ImgPnm, LargestAllowedHeaderIsAcceptedByPixelCount) {
    // Exactly IMG_MAX_READ_PIXELS pixels: accepted.
    std::string header = "P5 4096 4096 255\n";
    std::string bytes = header + std::string(size_t{4096} * 4096, '\x01');
    for (const Reader& reader : kBoundedReaders) {
        kt::StdoutCapture out;
        ImgPtr img = reader.read(bytes);
        ASSERT_NE(img, nullptr) << reader.name;
        EXPECT_EQ(int64_t{img->width} * img->height, IMG_MAX_READ_PIXELS) << reader.name;
        EXPECT_EQ(img->pixels[IMG_MAX_READ_PIXELS - 1], 0x010101u) << reader.name;
        EXPECT_EQ(out.text(), "") << reader.name;
    }
}

// Every proper prefix of a raw file misses a header part or a sample byte: each must fail
// cleanly, never read beyond its end and never yield an image.
TEST(ImgPnm, EveryPrefixOfARawFileFails) {
    const char* files[] = {"p6_comment.ppm", "p5_one_line.pgm", "p4_10x2.pbm"};
    for (const char* name : files) {
        const std::string whole = read_file(fixture(name));
        ASSERT_FALSE(whole.empty()) << name;
        for (size_t len = 0; len < whole.size(); ++len)
            for (const Reader& reader : kBoundedReaders)
                expect_refused(reader, whole.substr(0, len),
                               std::string(name) + " cut to " + std::to_string(len) + " bytes");
    }
    for (const Reader& reader : kBoundedReaders)
        expect_refused(reader, read_file(fixture("p6_truncated.ppm")), "p6_truncated.ppm");
}

// A plain file cut anywhere before the digits of its last sample fails; from the first digit
// of the last sample on the prefix is complete (a shortened last number is still a number).
TEST(ImgPnm, EveryPrefixOfAPlainFileBeforeItsLastSampleFails) {
    struct Case {
        const char* file;
        const Reader& reader;
    };
    const Case cases[] = {{"p3_3x2.ppm", kReaders[0]}, {"p3_3x2.ppm", kReaders[1]},
                          {"p3_3x2.ppm", kReaders[2]}, {"p1_3x1.pbm", kReaders[0]}};
    const char* digits = "0123456789";
    for (const Case& c : cases) {
        const std::string whole = read_file(fixture(c.file));
        const size_t last_start = whole.find_last_not_of(digits, whole.find_last_of(digits)) + 1;
        for (size_t len = 0; len <= last_start; ++len)
            expect_refused(c.reader, whole.substr(0, len),
                           std::string(c.file) + " cut to " + std::to_string(len) + " bytes");
        ImgPtr img = c.reader.read(whole.substr(0, last_start + 1));
        EXPECT_NE(img, nullptr) << c.reader.name << ": " << c.file;
    }
}

// The bounded reader faces arbitrary bytes: random mutations of valid files must either give
// an image or fail with one report, and never read beyond the block (sanitizer builds).
TEST(ImgPnm, BoundedReaderSurvivesMutatedInput) {
    std::mt19937 rng(4417);
    const std::string seeds[] = {read_file(fixture("p3_3x2.ppm")), read_file(fixture("p6_comment.ppm")),
                                 read_file(fixture("p4_10x2.pbm")), "P1 9 2\n101010101 0 1 0 1 0 1 0 1 0"};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = seeds[static_cast<size_t>(round) % std::size(seeds)];
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !bytes.empty(); ++e) {
            const size_t at = rng() % bytes.size();
            switch (rng() % 3) {
            case 0: bytes[at] = static_cast<char>(rng()); break;
            case 1: bytes.erase(at, 1); break;
            default: bytes.resize(at); break;
            }
        }
        kt::StdoutCapture out;
        ImgPtr img = parse_bytes(bytes);
        const std::string said = out.text();
        if (img) {
            EXPECT_EQ(said, "") << "round " << round;
            EXPECT_GT(img->width, 0) << "round " << round;
            EXPECT_LE(int64_t{img->width} * img->height, IMG_MAX_READ_PIXELS) << "round " << round;
        } else {
            EXPECT_EQ(said, "IMG error\n") << "round " << round;
        }
    }
}

TEST(ImgSavePpm, WritesElevenHeaderBytesThenRedGreenBluePerPixel) {
    kt::TempDir dir;
    ImgPtr img = make_img({{0xFF112233, 0x00445566}, {0x00778899, 0x00AABBCC}});
    kt::StdoutCapture out;
    EXPECT_EQ(IMG_save_ppm(img.get(), dir.file("out.ppm").c_str()), 1);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(read_file(dir.file("out.ppm")),
              "P6\n2 2\n255\n\x11\x22\x33\x44\x55\x66\x77\x88\x99\xAA\xBB\xCC");
}

TEST(ImgSavePpm, TruncatesAnExistingFile) {
    kt::TempDir dir;
    const std::string path = dir.write("out.ppm", std::string(1000, 'x'));
    ImgPtr img = make_img(1, 1, 0x010203);
    EXPECT_EQ(IMG_save_ppm(img.get(), path.c_str()), 1);
    EXPECT_EQ(read_file(path), "P6\n1 1\n255\n\x01\x02\x03");
}

TEST(ImgSavePpm, RefusesBadArgumentsAndUnwritableFiles) {
    kt::TempDir dir;
    const std::string path = dir.file("out.ppm");
    ImgPtr good = make_img(2, 2, 7);
    ImgPtr zero_w = make_img(0, 3);
    ImgPtr zero_h = make_img(3, 0);
    ImgPtr no_pixels = make_img(2, 2);
    std::free(no_pixels->pixels);
    no_pixels->pixels = nullptr;
    struct Case {
        const char* what;
        const IMG* img;
        const char* path;
    };
    const std::string missing_dir = dir.file("no/such/dir.ppm");
    const std::string folder = dir.path().string();
    const Case cases[] = {
        {"null image", nullptr, path.c_str()},
        {"no pixel array", no_pixels.get(), path.c_str()},
        {"width 0", zero_w.get(), path.c_str()},
        {"height 0", zero_h.get(), path.c_str()},
        {"null path", good.get(), nullptr},
        {"folder does not exist", good.get(), missing_dir.c_str()},
        {"a folder as the path", good.get(), folder.c_str()},
        {"device out of space", good.get(), "/dev/full"},
    };
    for (const Case& c : cases) {
        kt::StdoutCapture out;
        EXPECT_EQ(IMG_save_ppm(c.img, c.path), 0) << c.what;
        EXPECT_EQ(out.text(), "IMG error\n") << c.what;
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(ImgSavePpm, RoundTripsThroughTheFileReader) {
    kt::TempDir dir;
    ImgPtr src(IMG_load_pnm(fixture("p3_3x2.ppm").c_str()));
    ASSERT_NE(src, nullptr);
    ImgPtr wide = make_img(300, 7);
    for (int32_t i = 0; i < 300 * 7; ++i)
        wide->pixels[i] = static_cast<uint32_t>(i) * 2654435761u & 0xFFFFFF;
    for (const IMG* img : {src.get(), wide.get()}) {
        const std::string path = dir.file("round.ppm");
        ASSERT_EQ(IMG_save_ppm(img, path.c_str()), 1);
        ImgPtr back(IMG_load_pnm(path.c_str()));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(IMG_equal(img, back.get()), 1) << img->width << "x" << img->height;
        const std::string bytes = read_file(path);
        ImgPtr parsed = parse_bytes(bytes);
        ASSERT_NE(parsed, nullptr);
        EXPECT_EQ(IMG_equal(img, parsed.get()), 1) << img->width << "x" << img->height;
    }
}
