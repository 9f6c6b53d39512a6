// Parser of the tune's score text: song settings, instruments (synthesised here), patterns.
#include "tools/tune/score.h"

#include <charconv>
#include <optional>
#include <sstream>
#include <vector>

#include "tools/tune/synth.h"

namespace {

std::vector<std::string_view> split(std::string_view s, char sep) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i)
        if (i == s.size() || s[i] == sep) {
            out.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    return out;
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        const size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

std::string_view strip_comment(std::string_view line) {
    for (size_t i = 0; i < line.size(); ++i)
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) return line.substr(0, i);
    return line;
}

// Decimal, or hex with a 0x prefix; the whole text must be the number.
std::optional<long> number(std::string_view s, int base = 10) {
    if (base == 10 && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

std::optional<long> number_in(std::string_view s, long lo, long hi, int base = 10) {
    const auto v = number(s, base);
    if (!v || *v < lo || *v > hi) return std::nullopt;
    return v;
}

// Hex byte field of a cell ("..", or exactly two hex digits); nullopt if malformed.
std::optional<uint8_t> hex_field(std::string_view s, long hi) {
    if (s == "..") return uint8_t{0};
    if (s.size() != 2) return std::nullopt;
    const auto v = number_in(s, 0, hi, 16);
    if (!v) return std::nullopt;
    return static_cast<uint8_t>(*v);
}

struct Failure {
    std::string reason;
};

class Parser {
public:
    explicit Parser(XmModule& m) : m_(m) {}

    void line(std::string_view text) {
        const std::string_view body = strip_comment(text);
        const auto w = words(body);
        if (w.empty()) return;
        if (w[0] == "title") return title(w);
        if (w[0] == "channels") return setting(w, m_.channels, 1, 32);
        if (w[0] == "speed") return setting(w, m_.speed, 1, 31);
        if (w[0] == "bpm") return setting(w, m_.bpm, 32, 255);
        if (w[0] == "order") return order(w);
        if (w[0] == "instrument") return instrument(w);
        if (w[0] == "pattern") return pattern(w);
        if (number(w[0])) return row(body);
        throw Failure{"unknown line \"" + std::string(w[0]) + "\""};
    }

    void finish() {
        if (m_.orders.empty()) throw Failure{"no order list"};
        for (uint8_t o : m_.orders)
            if (o >= m_.patterns.size()) throw Failure{"order names pattern " + std::to_string(o) + ", which is not written"};
        if (m_.instruments.empty()) throw Failure{"no instrument"};
    }

private:
    void title(const std::vector<std::string_view>& w) {
        if (w.size() != 2 || w[1].size() > 20) throw Failure{"title takes one word of up to 20 characters"};
        m_.name = std::string(w[1]);
    }

    void setting(const std::vector<std::string_view>& w, uint16_t& field, long lo, long hi) {
        const auto v = w.size() == 2 ? number_in(w[1], lo, hi) : std::nullopt;
        if (!v) throw Failure{std::string(w[0]) + " takes one number " + std::to_string(lo) + ".." + std::to_string(hi)};
        if (w[0] == "channels" && !m_.patterns.empty()) throw Failure{"channels must come before the patterns"};
        field = static_cast<uint16_t>(*v);
    }

    void order(const std::vector<std::string_view>& w) {
        for (size_t i = 1; i < w.size(); ++i) {
            const auto v = number_in(w[i], 0, 255);
            if (!v) throw Failure{"bad order entry \"" + std::string(w[i]) + "\""};
            if (m_.orders.size() == 256) throw Failure{"more than 256 order entries"};
            m_.orders.push_back(static_cast<uint8_t>(*v));
        }
    }

    void instrument(const std::vector<std::string_view>& w) {
        if (w.size() < 3) throw Failure{"instrument needs a number and a name"};
        const auto num = number(w[1]);
        if (!num || *num != static_cast<long>(m_.instruments.size()) + 1)
            throw Failure{"instruments must be numbered 1, 2, ... in turn"};
        XmInstrument ins;
        ins.name = std::string(w[2].substr(0, 22));
        ins.sample.name = ins.name;
        std::optional<Wave> wave;
        std::optional<Drum> drum;
        long harmonics = 8, cycle = 64, peak = 85, bits = 16, sweep = 1;
        for (size_t i = 3; i < w.size(); ++i) {
            const auto eq = w[i].find('=');
            if (eq == std::string_view::npos) throw Failure{"instrument settings are key=value"};
            const std::string_view key = w[i].substr(0, eq), val = w[i].substr(eq + 1);
            auto need = [&](long lo, long hi) {
                const auto v = number_in(val, lo, hi);
                if (!v) throw Failure{"bad value for " + std::string(key)};
                return *v;
            };
            if (key == "wave") {
                Wave v;
                if (!wave_from_name(val, v)) throw Failure{"unknown wave \"" + std::string(val) + "\""};
                wave = v;
            } else if (key == "drum") {
                Drum d;
                if (!drum_from_name(val, d)) throw Failure{"unknown drum \"" + std::string(val) + "\""};
                drum = d;
            } else if (key == "harmonics") harmonics = need(1, 64);
            else if (key == "cycle") cycle = need(16, 4096);
            else if (key == "peak") peak = need(1, 100);
            else if (key == "sweep") sweep = need(1, 256);
            else if (key == "bits") bits = need(8, 16);
            else if (key == "volume") ins.sample.volume = static_cast<uint8_t>(need(0, 64));
            else if (key == "pan") ins.sample.panning = static_cast<uint8_t>(need(0, 255));
            else if (key == "fadeout") ins.fadeout = static_cast<uint16_t>(need(0, 0xFFF));
            else if (key == "sustain") {
                ins.sustain_point = static_cast<uint8_t>(need(0, 11));
                ins.sustain = true;
            } else if (key == "envelope") envelope(val, ins);
            else throw Failure{"unknown instrument setting \"" + std::string(key) + "\""};
        }
        if (bits != 8 && bits != 16) throw Failure{"bits is 8 or 16"};
        if (wave.has_value() == drum.has_value()) throw Failure{"an instrument is either a wave or a drum"};
        if (ins.sustain && ins.sustain_point >= ins.volume_envelope.size()) throw Failure{"sustain point outside the envelope"};
        XmSample& s = ins.sample;
        s.sixteen_bit = bits == 16;
        if (wave) {
            if (!s.sixteen_bit) throw Failure{"waves are 16-bit"};
            if (cycle * sweep > 65536) throw Failure{"cycle x sweep is at most 65536 frames"};
            s.frames = synth_cycle(*wave, static_cast<int>(harmonics), static_cast<int>(cycle),
                                   static_cast<double>(peak) / 100.0, static_cast<int>(sweep));
            s.loop_start = 0;
            s.loop_length = static_cast<uint32_t>(s.frames.size());
            const Tuning t = tuning_for_cycle(static_cast<int>(cycle));
            s.relative_note = t.relative_note;
            s.finetune = t.finetune;
        } else {
            s.frames = synth_drum(*drum, static_cast<double>(peak) / 100.0, !s.sixteen_bit);
            s.relative_note = DRUM_RELATIVE_NOTE;
        }
        m_.instruments.push_back(std::move(ins));
    }

    static void envelope(std::string_view val, XmInstrument& ins) {
        for (std::string_view point : split(val, ',')) {
            const auto parts = split(point, ':');
            const auto tick = parts.size() == 2 ? number_in(parts[0], 0, 65535) : std::nullopt;
            const auto level = parts.size() == 2 ? number_in(parts[1], 0, 64) : std::nullopt;
            if (!tick || !level) throw Failure{"envelope points are tick:value with value 0..64"};
            const auto& env = ins.volume_envelope;
            if (env.empty() ? *tick != 0 : *tick <= env.back().tick)
                throw Failure{"envelope ticks start at 0 and rise"};
            if (env.size() == 12) throw Failure{"an envelope has at most 12 points"};
            ins.volume_envelope.push_back({static_cast<uint16_t>(*tick), static_cast<uint16_t>(*level)});
        }
        if (ins.volume_envelope.size() < 2) throw Failure{"an envelope has at least 2 points"};
    }

    void pattern(const std::vector<std::string_view>& w) {
        const auto num = w.size() == 4 ? number(w[1]) : std::nullopt;
        const auto rows = w.size() == 4 && w[2] == "rows" ? number_in(w[3], 1, 256) : std::nullopt;
        if (!num || !rows) throw Failure{"pattern lines read \"pattern NN rows R\" with R 1..256"};
        if (*num != static_cast<long>(m_.patterns.size())) throw Failure{"patterns must be numbered 0, 1, ... in turn"};
        if (m_.patterns.size() == 256) throw Failure{"more than 256 patterns"};
        XmPattern p;
        p.rows = static_cast<uint16_t>(*rows);
        p.cells.assign(size_t{p.rows} * m_.channels, XmCell{});
        m_.patterns.push_back(std::move(p));
        last_row_ = -1;
    }

    void row(std::string_view body) {
        if (m_.patterns.empty()) throw Failure{"a row before any pattern"};
        XmPattern& p = m_.patterns.back();
        const auto fields = split(body, '|');
        const auto index = number_in(words(fields[0]).at(0), 0, p.rows - 1);
        if (!index) throw Failure{"row number outside the pattern"};
        if (*index <= last_row_) throw Failure{"rows must rise"};
        last_row_ = *index;
        if (fields.size() != size_t{m_.channels} + 1)
            throw Failure{"a row needs " + std::to_string(m_.channels) + " cells separated by |"};
        for (size_t ch = 0; ch < m_.channels; ++ch)
            p.cells[static_cast<size_t>(*index) * m_.channels + ch] = cell(fields[ch + 1]);
    }

    XmCell cell(std::string_view text) const {
        const auto w = words(text);
        if (w.size() != 4) throw Failure{"a cell has 4 fields: note, instrument, volume, effect"};
        XmCell c;
        const int note = score_note(w[0]);
        if (note < 0) throw Failure{"bad note \"" + std::string(w[0]) + "\""};
        c.note = static_cast<uint8_t>(note);
        const auto ins = hex_field(w[1], static_cast<long>(m_.instruments.size()));
        if (!ins) throw Failure{"bad or undefined instrument \"" + std::string(w[1]) + "\""};
        c.instrument = *ins;
        const auto vol = hex_field(w[2], 0x40);
        if (!vol) throw Failure{"bad volume \"" + std::string(w[2]) + "\" (hex 00..40)"};
        c.volume = w[2] == ".." ? 0 : static_cast<uint8_t>(0x10 + *vol);
        if (w[3] != "...") {
            const char t = w[3][0];
            const auto param = w[3].size() == 3 ? hex_field(w[3].substr(1), 0xFF) : std::nullopt;
            const bool digit = t >= '0' && t <= '9', letter = t >= 'A' && t <= 'Z';
            if (!param || !(digit || letter)) throw Failure{"bad effect \"" + std::string(w[3]) + "\""};
            c.effect = static_cast<uint8_t>(digit ? t - '0' : t - 'A' + 10);
            c.param = *param;
        }
        return c;
    }

    XmModule& m_;
    long last_row_ = -1;
};

}  // namespace

int score_note(std::string_view name) {
    if (name == "...") return 0;
    if (name == "===") return XM_KEY_OFF;
    if (name.size() != 3) return -1;
    constexpr std::string_view letters = "C-C#D-D#E-F-F#G-G#A-A#B-";
    const std::string_view head = name.substr(0, 2);
    size_t semitone = 12;
    for (size_t i = 0; i < 12; ++i)
        if (letters.substr(i * 2, 2) == head) semitone = i;
    if (semitone == 12 || name[2] < '0' || name[2] > '7') return -1;
    return static_cast<int>((name[2] - '0') * 12 + static_cast<int>(semitone) + 1);
}

bool score_parse(std::string_view text, XmModule& module, std::string& error) {
    module = XmModule{};
    module.tracker = "kapu make_tune";
    Parser parser(module);
    size_t line_number = 0;
    try {
        for (std::string_view line : split(text, '\n')) {
            ++line_number;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            parser.line(line);
        }
        line_number = 0;
        parser.finish();
    } catch (const Failure& f) {
        error = line_number ? "line " + std::to_string(line_number) + ": " + f.reason : f.reason;
        return false;
    }
    return true;
}
