// The XM writer: byte layout of headers, packed cells, delta-coded samples, refused modules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/tune/xm_scan.h"
#include "tools/tune/xm.h"

namespace {

uint32_t u16_at(const std::vector<uint8_t>& f, size_t at) { return f.at(at) | (f.at(at + 1) << 8); }
uint32_t u32_at(const std::vector<uint8_t>& f, size_t at) { return u16_at(f, at) | (u16_at(f, at + 2) << 16); }
std::string text_at(const std::vector<uint8_t>& f, size_t at, size_t n) {
    return std::string(f.begin() + static_cast<long>(at), f.begin() + static_cast<long>(at + n));
}

XmInstrument looped_instrument(std::vector<int16_t> frames, bool sixteen_bit) {
    XmInstrument ins;
    ins.name = "tone";
    ins.volume_envelope = {{0, 32}, {2, 64}, {10, 40}};
    ins.sustain_point = 2;
    ins.sustain = true;
    ins.fadeout = 0x300;
    ins.sample.name = "tone";
    ins.sample.frames = std::move(frames);
    ins.sample.sixteen_bit = sixteen_bit;
    ins.sample.loop_length = static_cast<uint32_t>(ins.sample.frames.size());
    ins.sample.volume = 48;
    ins.sample.finetune = -3;
    ins.sample.panning = 96;
    ins.sample.relative_note = 12;
    return ins;
}

// Two channels, two 2-row patterns played 1, 0, 1, and one 16-bit and one 8-bit instrument.
XmModule small_module() {
    XmModule m;
    m.name = "small";
    m.tracker = "writer test";
    m.channels = 2;
    m.speed = 5;
    m.bpm = 140;
    m.orders = {1, 0, 1};
    XmPattern empty;
    empty.rows = 2;
    empty.cells.assign(4, XmCell{});
    XmPattern notes = empty;
    notes.cells[0] = {49, 1, 0x50, 0, 0};   // C-4, instrument 1, volume 64: 4 fields
    notes.cells[3] = {XM_KEY_OFF, 0, 0, 0xE, 0xC0};
    m.patterns = {empty, notes};
    m.instruments = {looped_instrument({0, 1000, -1000, 30000}, true),
                     looped_instrument({0, 100, -100}, false)};
    return m;
}

}  // namespace

TEST(XmWriter, FileHeaderFieldsSitAtTheirOffsets) {
    std::string error;
    const auto f = xm_write(small_module(), &error);
    ASSERT_FALSE(f.empty()) << error;
    EXPECT_EQ(text_at(f, 0, 17), "Extended Module: ");
    EXPECT_EQ(text_at(f, 17, 20), "small               ");
    EXPECT_EQ(f[37], 0x1A);
    EXPECT_EQ(text_at(f, 38, 20), "writer test         ");
    EXPECT_EQ(u16_at(f, 58), 0x0104u);
    EXPECT_EQ(u32_at(f, 60), 276u);
    for (auto [offset, want] : {std::pair{64, 3u}, {66, 0u}, {68, 2u}, {70, 2u}, {72, 2u}, {74, 1u},
                                {76, 5u}, {78, 140u}})
        EXPECT_EQ(u16_at(f, static_cast<size_t>(offset)), want) << "offset " << offset;
    EXPECT_EQ(f[80], 1);
    EXPECT_EQ(f[81], 0);
    EXPECT_EQ(f[82], 1);
    for (size_t i = 83; i < 336; ++i) ASSERT_EQ(f[i], 0) << "unused order entry at " << i;
}

TEST(XmWriter, PatternHeadersCountTheBytesTheirCellsTake) {
    const auto f = xm_write(small_module(), nullptr);
    // Pattern 0: four empty cells, one byte each.
    EXPECT_EQ(u32_at(f, 336), 9u);
    EXPECT_EQ(f[340], 0);
    EXPECT_EQ(u16_at(f, 341), 2u);
    EXPECT_EQ(u16_at(f, 343), 4u);
    EXPECT_EQ(text_at(f, 345, 4), std::string(4, '\x80'));
    // Pattern 1 follows at once: three fields (4 bytes), two empties, key off + effect (4 bytes).
    const size_t p1 = 349;
    EXPECT_EQ(u32_at(f, p1), 9u);
    EXPECT_EQ(u16_at(f, p1 + 5), 2u);
    EXPECT_EQ(u16_at(f, p1 + 7), 10u);
    const std::vector<uint8_t> cells(f.begin() + p1 + 9, f.begin() + p1 + 19);
    EXPECT_EQ(cells, (std::vector<uint8_t>{0x87, 49, 1, 0x50, 0x80, 0x80, 0x99, 97, 0xE, 0xC0}));
    EXPECT_EQ(u32_at(f, p1 + 19), 263u) << "the first instrument starts right after the cells";
}

TEST(XmWriter, InstrumentAndSampleHeadersAndDataFollowThePatterns) {
    const auto f = xm_write(small_module(), nullptr);
    const size_t ins = 368;
    EXPECT_EQ(u32_at(f, ins), 263u);
    EXPECT_EQ(text_at(f, ins + 4, 22), std::string("tone") + std::string(18, '\0'));
    EXPECT_EQ(f[ins + 26], 0);
    EXPECT_EQ(u16_at(f, ins + 27), 1u);
    EXPECT_EQ(u32_at(f, ins + 29), 40u);
    for (size_t k = 0; k < 96; ++k) ASSERT_EQ(f[ins + 33 + k], 0) << "keymap entry " << k;
    // Volume envelope points (tick, value), then the unused ones as zeros.
    for (auto [offset, want] : {std::pair{129, 0u}, {131, 32u}, {133, 2u}, {135, 64u}, {137, 10u}, {139, 40u},
                                {141, 0u}, {143, 0u}})
        EXPECT_EQ(u16_at(f, ins + static_cast<size_t>(offset)), want) << "envelope offset " << offset;
    EXPECT_EQ(f[ins + 225], 3) << "volume points";
    EXPECT_EQ(f[ins + 226], 0) << "panning points";
    EXPECT_EQ(f[ins + 227], 2) << "sustain point";
    EXPECT_EQ(f[ins + 233], 3) << "envelope on, with sustain";
    EXPECT_EQ(f[ins + 234], 0) << "panning envelope off";
    EXPECT_EQ(u16_at(f, ins + 239), 0x300u) << "fadeout";

    const size_t smp = ins + 263;
    EXPECT_EQ(u32_at(f, smp), 8u) << "16-bit length counts bytes";
    EXPECT_EQ(u32_at(f, smp + 4), 0u);
    EXPECT_EQ(u32_at(f, smp + 8), 8u) << "loop length counts bytes";
    EXPECT_EQ(f[smp + 12], 48);
    EXPECT_EQ(static_cast<int8_t>(f[smp + 13]), -3);
    EXPECT_EQ(f[smp + 14], 0x11) << "forward loop, 16-bit";
    EXPECT_EQ(f[smp + 15], 96);
    EXPECT_EQ(f[smp + 16], 12);
    EXPECT_EQ(f[smp + 17], 0);
    EXPECT_EQ(text_at(f, smp + 18, 4), "tone");
    const std::vector<uint8_t> data(f.begin() + static_cast<long>(smp + 40), f.begin() + static_cast<long>(smp + 48));
    EXPECT_EQ(xm_undelta16(data), (std::vector<int16_t>{0, 1000, -1000, 30000}));

    const size_t ins2 = smp + 48;
    EXPECT_EQ(u32_at(f, ins2), 263u);
    const size_t smp2 = ins2 + 263;
    EXPECT_EQ(u32_at(f, smp2), 3u) << "8-bit length counts bytes too";
    EXPECT_EQ(u32_at(f, smp2 + 8), 3u);
    EXPECT_EQ(f[smp2 + 14], 0x01) << "forward loop, 8-bit";
    EXPECT_EQ(f.size(), smp2 + 40 + 3) << "the file ends with the last sample's data";
}

TEST(XmWriter, EveryFieldCombinationPacksToItsShortestForm) {
    for (uint32_t mask = 0; mask < 32; ++mask) {
        const XmCell cell{static_cast<uint8_t>(mask & 1 ? 61 : 0), static_cast<uint8_t>(mask & 2 ? 7 : 0),
                          static_cast<uint8_t>(mask & 4 ? 0x30 : 0), static_cast<uint8_t>(mask & 8 ? 0xA : 0),
                          static_cast<uint8_t>(mask & 16 ? 0x0F : 0)};
        std::vector<uint8_t> out;
        const size_t n = xm_pack_cell(cell, out);
        ASSERT_EQ(n, out.size()) << "mask " << mask;
        std::vector<uint8_t> want;
        if (mask == 31) {
            want = {61, 7, 0x30, 0xA, 0x0F};
        } else {
            want.push_back(static_cast<uint8_t>(0x80 | mask));
            for (uint8_t fld : {cell.note, cell.instrument, cell.volume, cell.effect, cell.param})
                if (fld) want.push_back(fld);
        }
        EXPECT_EQ(out, want) << "mask " << mask;
    }
}

TEST(XmWriter, PackedCellsReadBackAsWritten) {
    XmModule m = small_module();
    XmPattern& p = m.patterns[1];
    p.rows = 16;
    p.cells.assign(32, XmCell{});
    for (uint32_t mask = 0; mask < 32; ++mask)
        p.cells[mask] = {static_cast<uint8_t>(mask & 1 ? 1 + mask : 0), static_cast<uint8_t>(mask & 2 ? 2 : 0),
                         static_cast<uint8_t>(mask & 4 ? 0x10 + mask : 0), static_cast<uint8_t>(mask & 8 ? 0xF : 0),
                         static_cast<uint8_t>(mask & 16 ? 0x20 + mask : 0)};
    const ScannedXm x = xm_scan(xm_write(m, nullptr));
    ASSERT_EQ(x.error, "");
    ASSERT_EQ(x.patterns.size(), 2u);
    for (size_t i = 0; i < 32; ++i) {
        const ScannedCell& c = x.patterns[1].cells[i];
        EXPECT_EQ((XmCell{c.note, c.instrument, c.volume, c.effect, c.param}), p.cells[i]) << "cell " << i;
    }
}

TEST(XmWriter, DeltaCodingWrapsAndRoundTrips) {
    const std::vector<int16_t> eight = {-128, 127, 0, 5, 5, -1};
    EXPECT_EQ(xm_delta8(eight), (std::vector<uint8_t>{0x80, 0xFF, 0x81, 0x05, 0x00, 0xFA}));
    EXPECT_EQ(xm_undelta8(xm_delta8(eight)), eight);

    const std::vector<int16_t> sixteen = {1, -1, 32767, -32768, 0, 256};
    EXPECT_EQ(xm_delta16(sixteen),
              (std::vector<uint8_t>{0x01, 0x00, 0xFE, 0xFF, 0x00, 0x80, 0x01, 0x00, 0x00, 0x80, 0x00, 0x01}));
    EXPECT_EQ(xm_undelta16(xm_delta16(sixteen)), sixteen);

    std::vector<int16_t> ramp;
    for (int32_t v = -32768; v <= 32767; v += 97) ramp.push_back(static_cast<int16_t>(v));
    EXPECT_EQ(xm_undelta16(xm_delta16(ramp)), ramp);
}

TEST(XmWriter, RefusesModulesThatReadersWouldMisread) {
    struct Case {
        const char* name;
        void (*spoil)(XmModule&);
    };
    const Case cases[] = {
        {"order past the patterns", [](XmModule& m) { m.orders.push_back(2); }},
        {"no orders", [](XmModule& m) { m.orders.clear(); }},
        {"no instruments", [](XmModule& m) { m.instruments.clear(); }},
        {"zero-row pattern", [](XmModule& m) { m.patterns[0].rows = 0; m.patterns[0].cells.clear(); }},
        {"cell count off", [](XmModule& m) { m.patterns[0].cells.pop_back(); }},
        {"note past key off", [](XmModule& m) { m.patterns[0].cells[0].note = 98; }},
        {"undefined instrument", [](XmModule& m) { m.patterns[0].cells[0].instrument = 3; }},
        {"speed 0", [](XmModule& m) { m.speed = 0; }},
        {"bpm 31", [](XmModule& m) { m.bpm = 31; }},
        {"bpm 256", [](XmModule& m) { m.bpm = 256; }},
        {"one-point envelope", [](XmModule& m) { m.instruments[0].volume_envelope.resize(1); }},
        {"falling envelope ticks", [](XmModule& m) { m.instruments[0].volume_envelope[2].tick = 2; }},
        {"envelope value 65", [](XmModule& m) { m.instruments[0].volume_envelope[1].value = 65; }},
        {"sustain outside", [](XmModule& m) { m.instruments[0].sustain_point = 3; }},
        {"fadeout 0x1000", [](XmModule& m) { m.instruments[0].fadeout = 0x1000; }},
        {"8-bit value 128", [](XmModule& m) { m.instruments[1].sample.frames[1] = 128; }},
        {"loop past the end", [](XmModule& m) { m.instruments[0].sample.loop_start = 1; }},
        {"pattern over 32767 bytes", [](XmModule& m) {
             m.channels = 32;
             for (XmPattern& p : m.patterns) { p.rows = 256; p.cells.assign(256 * 32, XmCell{1, 1, 0x50, 1, 1}); }
         }},
    };
    ASSERT_FALSE(xm_write(small_module(), nullptr).empty());
    for (const Case& c : cases) {
        XmModule m = small_module();
        c.spoil(m);
        std::string error;
        EXPECT_TRUE(xm_write(m, &error).empty()) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}
