// The tune check: the shipped tune passes, every damaged module ends as its case says, the rule
// and place are named, and only regular files of a sane size are read, never waiting on one.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "music/tune_check.h"
#include "tests/tune/xm_cases.h"

namespace {

const std::string shipped_path = std::string(KAPU_DATA_DIR) + "/quenFalox.xm";

xmc::Bytes read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder of the test's own, removed with everything in it.
class Folder {
public:
    Folder() {
        char name[] = "/tmp/kapu-tune-check-XXXXXX";
        path_ = mkdtemp(name);
    }
    ~Folder() { std::filesystem::remove_all(path_); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

constexpr TuneRule first_rule = TuneRule::not_a_file, last_rule = TuneRule::amiga_finetune;

}  // namespace

TEST(TuneCheck, AcceptsTheShippedTuneAsReadFromItsFile) {
    std::vector<uint8_t> bytes;
    const TuneCheck check = tune_load(shipped_path.c_str(), &bytes);
    EXPECT_TRUE(check.ok()) << tune_check_text(check);
    EXPECT_EQ(bytes, read_bytes(shipped_path));
    // Its loops are of 64 frames or more: longer than the mixer's longest step.
    EXPECT_TRUE(tune_check(xmc::with_short_samples(bytes, 128)).ok());
    // libmikmod loads the tune without its last byte (the last sample's last frame reads as 0).
    EXPECT_TRUE(tune_check(std::span(bytes).first(bytes.size() - 1)).ok());
    EXPECT_TRUE(tune_check(xmc::old_layout(bytes, 0x0103)).ok());
}

TEST(TuneCheck, RefusesTheShippedTuneWithSustainPoint255) {
    const xmc::Bytes shipped = read_bytes(shipped_path);
    const xmc::Bytes damaged = xmc::with_sustain_255(shipped);
    ASSERT_EQ(damaged.size(), shipped.size());
    const TuneCheck check = tune_check(damaged);
    EXPECT_EQ(check.rule, TuneRule::envelope_sustain);
    EXPECT_EQ(check.instrument, 8);
    EXPECT_FALSE(check.panning);
    EXPECT_EQ(check.offset, xmc::layout(shipped).instruments[7] + 227);
    EXPECT_EQ(damaged[check.offset], 255);
    EXPECT_EQ(tune_check_text(check), "instrument 8: volume envelope sustain point outside its points");
    EXPECT_EQ(tune_check(xmc::with_sustain_255(xmc::with_short_samples(shipped, 64))).rule,
              TuneRule::envelope_sustain);
}

TEST(TuneCheck, EachDamageEndsAsItsCaseSays) {
    const xmc::Bytes small = xmc::small_xm();
    ASSERT_TRUE(tune_check(small).ok()) << tune_check_text(tune_check(small));
    for (const xmc::Case& c : xmc::cases()) {
        xmc::Bytes f = small;
        c.spoil(f);
        const TuneCheck check = tune_check(f);
        EXPECT_EQ(tune_rule_text(check.rule), std::string(tune_rule_text(c.rule)))
            << c.name << ": " << tune_check_text(check);
        if (!check.ok()) {
            EXPECT_LE(check.offset, f.size()) << c.name;
        }
    }
}

TEST(TuneCheck, EveryRuleHasACaseATextAndAnArea) {
    std::set<TuneRule> covered;
    for (const xmc::Case& c : xmc::cases()) covered.insert(c.rule);
    std::set<std::string> texts;
    for (auto r = static_cast<int>(first_rule); r <= static_cast<int>(last_rule); ++r) {
        const auto rule = static_cast<TuneRule>(r);
        EXPECT_NE(tune_rule_area(rule), TuneArea::none) << tune_rule_text(rule);
        EXPECT_TRUE(texts.insert(tune_rule_text(rule)).second) << "text used twice: " << tune_rule_text(rule);
        if (tune_rule_area(rule) != TuneArea::file) {
            EXPECT_TRUE(covered.count(rule)) << "no damaged module breaks: " << tune_rule_text(rule);
        }
    }
    EXPECT_EQ(tune_rule_area(TuneRule::none), TuneArea::none);
}

TEST(TuneCheck, TextNamesThePlaceOfTheFault) {
    TuneCheck in_pattern;
    in_pattern.rule = TuneRule::pattern_cells;
    in_pattern.pattern = 3;
    TuneCheck in_sample;
    in_sample.rule = TuneRule::sample_past_end;
    in_sample.instrument = 2;
    in_sample.sample = 0;
    TuneCheck panning;
    panning.rule = TuneRule::envelope_loop_start;
    panning.instrument = 1;
    panning.panning = true;
    TuneCheck both;
    both.rule = TuneRule::unmapped_note;
    both.pattern = 1;
    both.instrument = 2;
    TuneCheck header;
    header.rule = TuneRule::bpm;
    for (const auto& [check, want] : {std::pair{in_pattern, "pattern 3: packed cells run past the pattern's data size"},
                                      {in_sample, "instrument 2, sample 0: sample data runs past the end of the file"},
                                      {panning, "instrument 1: panning envelope loop start outside its points"},
                                      {both, "pattern 1, instrument 2: instrument without a sample for a note "
                                             "the song plays"},
                                      {header, "BPM outside 32 to 255"}})
        EXPECT_EQ(tune_check_text(check), want);
}

TEST(TuneRead, RefusesWhatIsNotARegularFileAtOnce) {
    Folder dir;
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);  // no writer: a blocking open would wait
    std::filesystem::create_directory(dir.file("folder"));
    std::filesystem::create_symlink("/dev/zero", dir.file("zeros"));
    for (const char* name : {"missing", "fifo", "folder", "zeros"}) {
        std::vector<uint8_t> bytes = {1, 2, 3};
        const TuneCheck check = tune_load(dir.file(name).c_str(), &bytes);
        EXPECT_EQ(check.rule, TuneRule::not_a_file) << name;
        EXPECT_TRUE(bytes.empty()) << name;
    }
    std::vector<uint8_t> bytes;
    EXPECT_EQ(tune_read(nullptr, &bytes).rule, TuneRule::not_a_file);
    EXPECT_EQ(tune_read(shipped_path.c_str(), nullptr).rule, TuneRule::not_a_file);
}

TEST(TuneRead, ReadsUpToTheLimitAndRefusesMore) {
    Folder dir;
    for (const auto& [size, want] : {std::pair{tune_max_bytes, TuneRule::none}, {tune_max_bytes + 1, TuneRule::too_large}}) {
        const std::string path = dir.file("sparse");
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
        close(fd);
        std::vector<uint8_t> bytes;
        EXPECT_EQ(tune_read(path.c_str(), &bytes).rule, want) << size;
        EXPECT_EQ(bytes.size(), want == TuneRule::none ? size : 0) << size;
    }
}

TEST(TuneRead, AnEmptyFileIsReadAndThenRefusedAsNoModule) {
    Folder dir;
    std::ofstream(dir.file("empty")).close();
    std::vector<uint8_t> bytes = {7};
    EXPECT_TRUE(tune_read(dir.file("empty").c_str(), &bytes).ok());
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(tune_load(dir.file("empty").c_str(), &bytes).rule, TuneRule::id_text);
}
