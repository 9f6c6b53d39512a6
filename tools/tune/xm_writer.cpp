// Serialises an XmModule into the bytes of an XM 1.04 file.
#include "tools/tune/xm.h"

#include <algorithm>

namespace {

class Bytes {
public:
    explicit Bytes(std::vector<uint8_t>& out) : out_(out) {}
    void u8(uint32_t v) { out_.push_back(static_cast<uint8_t>(v & 0xFFu)); }
    void u16(uint32_t v) { u8(v); u8(v >> 8); }
    void u32(uint32_t v) { u16(v & 0xFFFFu); u16(v >> 16); }
    void s8(int32_t v) { u8(static_cast<uint32_t>(v) & 0xFFu); }
    // Text cut or padded with `pad` to exactly `size` bytes.
    void text(const std::string& s, size_t size, uint8_t pad) {
        for (size_t i = 0; i < size; ++i)
            u8(i < s.size() ? static_cast<uint8_t>(s[i]) : pad);
    }
    void zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    size_t size() const { return out_.size(); }
    void put_u16_at(size_t at, uint32_t v) {
        out_[at] = static_cast<uint8_t>(v & 0xFFu);
        out_[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFFu);
    }

private:
    std::vector<uint8_t>& out_;
};

std::string check(const XmModule& m) {
    if (m.channels < 1 || m.channels > 32) return "channels must be 1..32";
    if (m.speed < 1 || m.speed > 31) return "speed must be 1..31";
    if (m.bpm < 32 || m.bpm > 255) return "bpm must be 32..255";
    if (m.orders.empty() || m.orders.size() > 256) return "order list must have 1..256 entries";
    if (m.patterns.empty() || m.patterns.size() > 256) return "pattern count must be 1..256";
    if (m.instruments.empty() || m.instruments.size() > 128) return "instrument count must be 1..128";
    for (uint8_t o : m.orders)
        if (o >= m.patterns.size()) return "order entry " + std::to_string(o) + " names no pattern";
    for (size_t p = 0; p < m.patterns.size(); ++p) {
        const XmPattern& pat = m.patterns[p];
        if (pat.rows < 1 || pat.rows > 256) return "pattern " + std::to_string(p) + " must have 1..256 rows";
        if (pat.cells.size() != size_t{pat.rows} * m.channels)
            return "pattern " + std::to_string(p) + " must hold rows x channels cells";
        std::vector<uint8_t> packed;
        for (const XmCell& c : pat.cells) {
            if (c.note > XM_KEY_OFF || c.instrument > m.instruments.size())
                return "pattern " + std::to_string(p) + " has a bad note or instrument";
            xm_pack_cell(c, packed);
        }
        // Readers hold the packed size in a signed 16-bit field.
        if (packed.size() > 0x7FFF) return "pattern " + std::to_string(p) + " packs to more than 32767 bytes";
    }
    for (size_t i = 0; i < m.instruments.size(); ++i) {
        const XmInstrument& ins = m.instruments[i];
        const std::string which = "instrument " + std::to_string(i + 1);
        const auto& env = ins.volume_envelope;
        if (env.size() == 1 || env.size() > 12) return which + ": envelope needs 0 or 2..12 points";
        for (size_t k = 1; k < env.size(); ++k)
            if (env[k].tick <= env[k - 1].tick) return which + ": envelope ticks must rise";
        for (const XmEnvelopePoint& pt : env)
            if (pt.value > 64) return which + ": envelope values are 0..64";
        if (!env.empty() && (env[0].tick != 0)) return which + ": envelope must start at tick 0";
        if (ins.sustain && ins.sustain_point >= env.size()) return which + ": sustain point outside the envelope";
        if (ins.fadeout > 0xFFF) return which + ": fadeout is 0..0xFFF";
        const XmSample& s = ins.sample;
        if (s.volume > 64) return which + ": sample volume is 0..64";
        if (!s.sixteen_bit)
            for (int16_t v : s.frames)
                if (v < -128 || v > 127) return which + ": 8-bit sample value out of range";
        if (s.loop_length && (s.loop_start + uint64_t{s.loop_length} > s.frames.size()))
            return which + ": loop runs past the sample end";
    }
    return "";
}

void write_header(Bytes& b, const XmModule& m) {
    b.text("Extended Module: ", 17, ' ');
    b.text(m.name, 20, ' ');
    b.u8(0x1A);
    b.text(m.tracker, 20, ' ');
    b.u16(0x0104);
    b.u32(XM_HEADER_SIZE);
    b.u16(static_cast<uint32_t>(m.orders.size()));
    b.u16(0);  // restart position: the tune is not meant to wrap
    b.u16(m.channels);
    b.u16(static_cast<uint32_t>(m.patterns.size()));
    b.u16(static_cast<uint32_t>(m.instruments.size()));
    b.u16(1);  // linear frequency table
    b.u16(m.speed);
    b.u16(m.bpm);
    for (size_t i = 0; i < 256; ++i) b.u8(i < m.orders.size() ? m.orders[i] : 0);
}

void write_pattern(Bytes& b, std::vector<uint8_t>& out, const XmPattern& p) {
    b.u32(XM_PATTERN_HEADER_SIZE);
    b.u8(0);
    b.u16(p.rows);
    const size_t size_at = b.size();
    b.u16(0);  // packed size, filled in below
    size_t packed = 0;
    for (const XmCell& c : p.cells) packed += xm_pack_cell(c, out);
    b.put_u16_at(size_at, static_cast<uint32_t>(packed));
}

void write_instrument(Bytes& b, const XmInstrument& ins) {
    const XmSample& s = ins.sample;
    b.u32(XM_INSTRUMENT_HEADER_SIZE);
    b.text(ins.name, 22, 0);
    b.u8(0);
    b.u16(1);
    b.u32(XM_SAMPLE_HEADER_SIZE);
    b.zeros(96);  // keymap: every note plays sample 0
    for (size_t k = 0; k < 12; ++k) {
        const bool used = k < ins.volume_envelope.size();
        b.u16(used ? ins.volume_envelope[k].tick : 0);
        b.u16(used ? ins.volume_envelope[k].value : 0);
    }
    b.zeros(48);  // panning envelope, unused
    b.u8(static_cast<uint32_t>(ins.volume_envelope.size()));
    b.u8(0);
    b.u8(ins.sustain_point);
    b.u8(0);  // volume loop start and end: no loop
    b.u8(0);
    b.zeros(3);
    const uint32_t env_on = ins.volume_envelope.empty() ? 0u : 1u;
    b.u8(env_on | (env_on && ins.sustain ? 2u : 0u));
    b.u8(0);
    b.zeros(4);  // no auto-vibrato
    b.u16(ins.fadeout);
    b.zeros(22);

    const uint32_t width = s.sixteen_bit ? 2 : 1;
    b.u32(static_cast<uint32_t>(s.frames.size()) * width);
    b.u32(s.loop_length ? s.loop_start * width : 0);
    b.u32(s.loop_length * width);
    b.u8(s.volume);
    b.s8(s.finetune);
    b.u8((s.loop_length ? 1u : 0u) | (s.sixteen_bit ? 0x10u : 0u));
    b.u8(s.panning);
    b.s8(s.relative_note);
    b.u8(0);
    b.text(s.name, 22, 0);
}

}  // namespace

size_t xm_pack_cell(const XmCell& cell, std::vector<uint8_t>& out) {
    const uint8_t fields[5] = {cell.note, cell.instrument, cell.volume, cell.effect, cell.param};
    uint8_t flags = 0x80;
    size_t present = 0;
    for (size_t i = 0; i < 5; ++i)
        if (fields[i]) {
            flags = static_cast<uint8_t>(flags | (1u << i));
            ++present;
        }
    if (present == 5) {  // the plain form is a byte shorter
        out.insert(out.end(), fields, fields + 5);
        return 5;
    }
    out.push_back(flags);
    for (uint8_t f : fields)
        if (f) out.push_back(f);
    return present + 1;
}

std::vector<uint8_t> xm_delta8(std::span<const int16_t> frames) {
    std::vector<uint8_t> out;
    out.reserve(frames.size());
    int32_t prev = 0;
    for (int16_t v : frames) {
        out.push_back(static_cast<uint8_t>((v - prev) & 0xFF));
        prev = v;
    }
    return out;
}

std::vector<uint8_t> xm_delta16(std::span<const int16_t> frames) {
    std::vector<uint8_t> out;
    out.reserve(frames.size() * 2);
    int32_t prev = 0;
    for (int16_t v : frames) {
        const auto d = static_cast<uint32_t>(v - prev) & 0xFFFFu;
        out.push_back(static_cast<uint8_t>(d & 0xFFu));
        out.push_back(static_cast<uint8_t>(d >> 8));
        prev = v;
    }
    return out;
}

std::vector<int16_t> xm_undelta8(std::span<const uint8_t> bytes) {
    std::vector<int16_t> out;
    out.reserve(bytes.size());
    uint8_t acc = 0;
    for (uint8_t d : bytes) {
        acc = static_cast<uint8_t>(acc + d);
        out.push_back(static_cast<int8_t>(acc));
    }
    return out;
}

std::vector<int16_t> xm_undelta16(std::span<const uint8_t> bytes) {
    std::vector<int16_t> out;
    out.reserve(bytes.size() / 2);
    uint16_t acc = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        acc = static_cast<uint16_t>(acc + (bytes[i] | (bytes[i + 1] << 8)));
        out.push_back(static_cast<int16_t>(acc));
    }
    return out;
}

std::vector<uint8_t> xm_write(const XmModule& module, std::string* error) {
    std::vector<uint8_t> out;
    const std::string problem = check(module);
    if (!problem.empty()) {
        if (error) *error = problem;
        return out;
    }
    Bytes b(out);
    write_header(b, module);
    for (const XmPattern& p : module.patterns) write_pattern(b, out, p);
    for (const XmInstrument& ins : module.instruments) {
        write_instrument(b, ins);
        const XmSample& s = ins.sample;
        const std::vector<uint8_t> data = s.sixteen_bit ? xm_delta16(s.frames) : xm_delta8(s.frames);
        out.insert(out.end(), data.begin(), data.end());
    }
    return out;
}
