// Scroller: the built-in text's form, the glyph slots drawn into the strip, the move with its
// echo to standard output, the restart at the end of the text, and missing strip or font.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/demo_fixture.h"

namespace {

using kt::make_img;

std::string text() { return scroll_text; }

std::vector<std::string> text_lines() {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text()) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty()) lines.push_back(line);  // an unterminated last line, caught below
    return lines;
}

uint32_t cell_colour(int32_t c) { return 0x100u + static_cast<uint32_t>(c); }

class Scroller : public kt::DemoState {
protected:
    void SetUp() override {
        DemoState::SetUp();
        font = kt::make_test_font(cell_colour);
        font_sheet = font->sheet;
        scroll_strip = make_img(320, 26).release();
    }
    static uint32_t strip_at(int32_t x, int32_t y) { return scroll_strip->pixels[y * 320 + x]; }
    static int32_t length() { return static_cast<int32_t>(std::strlen(scroll_text)); }
};

TEST(ScrollText, StartsWithTwoNewlinesAndEndsWithALineOfTwentyTwoSpaces) {
    const std::string t = text();
    ASSERT_GE(t.size(), 23u);
    EXPECT_EQ(t.substr(0, 2), "\n\n");
    EXPECT_NE(t[2], '\n');
    EXPECT_EQ(t.substr(t.size() - 24), "\n" + std::string(22, ' ') + "\n");
}

TEST(ScrollText, EveryLineIsShortPrintableAndEnded) {
    const std::string t = text();
    EXPECT_EQ(t.back(), '\n');
    for (size_t i = 0; i < t.size(); ++i)
        EXPECT_TRUE(t[i] == '\n' || (t[i] >= 32 && t[i] <= 122))
            << "character " << i << " has code " << static_cast<int>(static_cast<unsigned char>(t[i]));
    const std::vector<std::string> lines = text_lines();
    for (size_t k = 0; k < lines.size(); ++k)
        EXPECT_LE(lines[k].size(), 36u) << "line " << k << ": \"" << lines[k] << "\"";
}

TEST(ScrollText, AboutSeventeenHundredCharactersInAboutSeventyEightLines) {
    const std::string t = text();
    EXPECT_GE(t.size(), 1500u);
    EXPECT_LE(t.size(), 1900u);
    const auto newlines = std::count(t.begin(), t.end(), '\n');
    EXPECT_GE(newlines, 70);
    EXPECT_LE(newlines, 86);
}

// The help on the keys is one short paragraph, read in a few seconds, with no leader dots; the
// credits follow it.
TEST(ScrollText, CarriesAShortHelpOnTheKeysAndTheCredits) {
    const std::string t = text();
    const size_t help = t.find("Keys:");
    ASSERT_NE(help, std::string::npos);
    const std::string paragraph = t.substr(help, t.find("\n\n", help) - help + 1);
    EXPECT_LE(paragraph.size(), 120u) << paragraph;
    for (const char* words : {"Esc or Q", "Space", "1 ", "2 ", "3 and 6", "7 8 9 0"})
        EXPECT_NE(paragraph.find(words), std::string::npos) << words;
    EXPECT_EQ(paragraph.find(".."), std::string::npos);
    for (const char* role : {"Code: ", "Graphics: ", "Music: "})
        EXPECT_GT(t.find(role), help) << role;
}

TEST_F(Scroller, FirstFrameIsEmptyAndTheNextShowsTheFirstGlyphAtColumn318) {
    fx_scroller();
    EXPECT_EQ(kt::rows(scroll_strip), kt::Rows(26, std::vector<uint32_t>(320, 0)));
    fx_scroller_step();
    EXPECT_EQ(scroll_x, 318);
    fx_scroller();
    EXPECT_EQ(strip_at(317, 0), 0u);
    EXPECT_EQ(strip_at(318, 0), cell_colour('\n'));  // the newline is drawn as glyph 10
    EXPECT_EQ(strip_at(319, 25), cell_colour('\n'));
}

// Slot i holds character scroll_pos + i at column glyph_w x i + scroll_x; 22 slots cover 320.
TEST_F(Scroller, SlotsHoldConsecutiveCharactersFifteenColumnsApart) {
    scroll_pos = 2;  // "Hello and welcome ..."
    scroll_x = -7;
    fx_scroller();
    for (int32_t i = 0; i < 22; ++i) {
        const int32_t x = 15 * i - 7 + 8;  // a column inside slot i on the strip
        EXPECT_EQ(strip_at(x, 13), cell_colour(scroll_text[2 + i])) << "slot " << i;
    }
    EXPECT_EQ(strip_at(0, 0), cell_colour('H'));
    EXPECT_EQ(strip_at(319, 0), cell_colour(scroll_text[2 + 21]));
}

TEST_F(Scroller, EachDrawClearsTheStrip) {
    for (int32_t i = 0; i < 320 * 26; ++i) scroll_strip->pixels[i] = 0xABCDEF;
    fx_scroller();  // scroll_x 320: nothing to draw
    EXPECT_EQ(strip_at(5, 5), 0u);
    EXPECT_EQ(strip_at(319, 25), 0u);
}

TEST_F(Scroller, FirstCharacterIsEchoedAfter168MovesAtSpeedTwo) {
    kt::StdoutCapture out;
    for (int32_t k = 0; k < 167; ++k) fx_scroller_step();
    EXPECT_EQ(scroll_x, 320 - 2 * 167);
    EXPECT_EQ(scroll_pos, 0);
    fx_scroller_step();  // 320 - 336 = -16 <= -15
    EXPECT_EQ(out.text(), "\n");
    EXPECT_EQ(scroll_x, 0);
    EXPECT_EQ(scroll_pos, 1);
}

// The offset is set to 0 when a character leaves, so the excess of that frame is dropped.
TEST_F(Scroller, MovesPerCharacterAtEachSpeed) {
    struct Case {
        int32_t speed;
        int32_t moves_to_echo;
    };
    for (const Case& c : {Case{1, 15}, Case{2, 8}, Case{4, 4}}) {
        scroll_pos = 2;
        scroll_x = 0;
        scroll_speed = c.speed;
        kt::StdoutCapture out;
        for (int32_t k = 1; k < c.moves_to_echo; ++k) fx_scroller_step();
        EXPECT_EQ(scroll_pos, 2) << "speed " << c.speed;
        fx_scroller_step();
        EXPECT_EQ(out.text(), "H") << "speed " << c.speed;
        EXPECT_EQ(scroll_x, 0) << "speed " << c.speed;
        EXPECT_EQ(scroll_pos, 3) << "speed " << c.speed;
    }
}

// Standard output on a pipe of the test's own, non-blocking as a live program makes it, for the
// life of the object; `drain` reads what it holds.
class StdoutPipe {
public:
    StdoutPipe() {
        std::fflush(nullptr);
        saved_ = dup(1);
        if (pipe(fds_.data()) != 0) return;
        fcntl(fds_[0], F_SETFL, O_NONBLOCK);
        fcntl(fds_[1], F_SETFL, O_NONBLOCK);
        dup2(fds_[1], 1);
    }
    ~StdoutPipe() {
        std::fflush(stdout);
        std::clearerr(stdout);
        dup2(saved_, 1);
        close(saved_);
        for (const int fd : fds_)
            if (fd >= 0) close(fd);
    }
    StdoutPipe(const StdoutPipe&) = delete;
    StdoutPipe& operator=(const StdoutPipe&) = delete;

    void fill() {
        const std::array<char, 4096> block{};
        while (write(fds_[1], block.data(), block.size()) > 0) {
        }
        while (write(fds_[1], block.data(), 1) > 0) {
        }
    }
    std::string drain() {
        std::string text;
        std::array<char, 4096> block{};
        for (ssize_t n; (n = read(fds_[0], block.data(), block.size())) > 0;)
            text.append(block.data(), static_cast<size_t>(n));
        return text;
    }
    void reader_leaves() {
        close(fds_[0]);
        fds_[0] = -1;
    }

private:
    int                saved_ = -1;
    std::array<int, 2> fds_{-1, -1};
};

// At speed 4 a character leaves every fourth move.
void echo_one() {
    for (int32_t k = 0; k < 4; ++k) fx_scroller_step();
}

TEST_F(Scroller, EchoDropsWhatAFullOutputCannotTakeAndGoesOn) {
    scroll_pos = 2;
    scroll_x = 0;
    scroll_speed = 4;
    StdoutPipe out;
    out.fill();
    echo_one();  // 'H' cannot go out: dropped, no failure
    EXPECT_EQ(scroll_pos, 3);
    EXPECT_EQ(scroll_echo_error, 0);
    EXPECT_EQ(std::ferror(stdout), 0);
    out.drain();
    echo_one();
    EXPECT_EQ(out.drain(), std::string(1, scroll_text[3]));
}

TEST_F(Scroller, EchoKeepsTheErrorOfAnOutputThatFailsAndGoesOn) {
    struct sigaction ignore {}, old {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &old);  // as the front ends have it
    {
        scroll_pos = 2;
        scroll_x = 0;
        scroll_speed = 4;
        StdoutPipe out;
        out.reader_leaves();
        echo_one();
        echo_one();
        EXPECT_EQ(scroll_pos, 4);
        EXPECT_EQ(scroll_echo_error, EPIPE);
    }
    sigaction(SIGPIPE, &old, nullptr);
    fx_reset();
    EXPECT_EQ(scroll_echo_error, 0);
}

TEST_F(Scroller, SpeedZeroStandsStill) {
    scroll_speed = 0;
    scroll_x = 3;
    kt::StdoutCapture out;
    for (int32_t k = 0; k < 1000; ++k) fx_scroller_step();
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(scroll_x, 3);
}

TEST_F(Scroller, RestartsWhenTheLastCharacterReachesTheLastSlot) {
    canvas = make_img(300, 10).release();  // the restart column is the canvas's width
    scroll_pos = length() - 23;
    scroll_x = -14;
    kt::StdoutCapture out;
    fx_scroller_step();
    EXPECT_EQ(out.text(), std::string(1, scroll_text[length() - 23]));
    EXPECT_EQ(scroll_pos, 0);
    EXPECT_EQ(scroll_x, 300);
    fx_scroller();  // the text enters again at the canvas's right edge
    EXPECT_EQ(strip_at(0, 0), 0u);
    EXPECT_EQ(strip_at(299, 25), 0u);
    EXPECT_EQ(strip_at(300, 0), cell_colour('\n'));
}

TEST_F(Scroller, WholeTextIsEchoedButItsLastTwentyTwoCharacters) {
    scroll_speed = 4;
    kt::StdoutCapture out;
    int32_t moves = 0;
    do {
        fx_scroller_step();
        ++moves;
    } while (!(scroll_pos == 0 && scroll_x == 320) && moves < 100000);
    EXPECT_EQ(out.text(), text().substr(0, text().size() - 22));
    EXPECT_EQ(moves, 80 + 4 * (length() - 22));  // 80 moves to the edge, then 4 per character
}

TEST_F(Scroller, WithoutStripNothingIsDrawnMovedOrEchoed) {
    IMG_free(&scroll_strip);
    scroll_x = -14;
    kt::StdoutCapture out;
    fx_scroller();
    fx_scroller_step();
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(scroll_x, -14);
}

TEST_F(Scroller, WithoutFontTheStripIsEmptyAndTheTextStandsStill) {
    FONT_free(&font);
    font_sheet = nullptr;
    for (int32_t i = 0; i < 320 * 26; ++i) scroll_strip->pixels[i] = 7;
    scroll_x = -14;
    kt::StdoutCapture out;
    fx_scroller();
    fx_scroller_step();
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(scroll_x, -14);
    EXPECT_EQ(kt::rows(scroll_strip), kt::Rows(26, std::vector<uint32_t>(320, 0)));
}

// A font whose sheet failed to load leaves the strip empty but the text still moves and is
// still echoed.
TEST_F(Scroller, FontWithoutSheetStillMovesAndEchoes) {
    IMG_free(&font->sheet);
    font_sheet = nullptr;
    scroll_pos = 2;
    scroll_x = 0;
    kt::StdoutCapture out;
    for (int32_t k = 0; k < 8 * 5; ++k) {
        fx_scroller();
        fx_scroller_step();
    }
    EXPECT_EQ(out.text(), "Hello");
    EXPECT_EQ(kt::rows(scroll_strip), kt::Rows(26, std::vector<uint32_t>(320, 0)));
}

}  // namespace
