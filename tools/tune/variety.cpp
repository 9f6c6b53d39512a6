// Variety of the tune, read from its module (see variety.h).
#include "tools/tune/variety.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace {

const XmCell& cell_at(const XmModule& m, size_t order, size_t row, size_t channel) {
    const XmPattern& p = m.patterns.at(m.orders.at(order));
    return p.cells.at(row * m.channels + channel);
}

bool starts_note(const XmCell& c) { return c.note > 0 && c.note < XM_KEY_OFF; }

// One bar's rhythm on a channel: for each row, 0 when nothing starts, else the instrument
// (or 1 for any note when `any_note`).
std::vector<int> rhythm(const XmModule& m, size_t order, size_t channel, bool any_note) {
    const XmPattern& p = m.patterns.at(m.orders.at(order));
    std::vector<int> r(p.rows, 0);
    for (size_t row = 0; row < p.rows; ++row) {
        const XmCell& c = cell_at(m, order, row, channel);
        if (starts_note(c)) r[row] = any_note ? 1 : std::max<int>(1, c.instrument);
    }
    return r;
}

// The rhythm heard most often in the orders [from, to) on a channel.
std::vector<int> usual_rhythm(const XmModule& m, size_t from, size_t to, size_t channel, bool any_note) {
    std::map<std::vector<int>, size_t> count;
    for (size_t o = from; o < to; ++o) ++count[rhythm(m, o, channel, any_note)];
    return std::max_element(count.begin(), count.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

// Brightness of a stretch of a sample: RMS of its first difference against its RMS.
double brightness(const std::vector<int16_t>& s, size_t from, size_t to) {
    double level = 0.0, edge = 0.0;
    for (size_t i = from + 1; i < to; ++i) {
        const double x = s[i], step = x - s[i - 1];
        level += x * x;
        edge += step * step;
    }
    return level > 0.0 ? std::sqrt(edge / level) : 0.0;
}

// A loop of 1024 frames or more whose eighths differ in brightness by more than a quarter.
bool swept(const XmSample& s) {
    if (s.loop_length < 1024 || s.loop_start + s.loop_length > s.frames.size()) return false;
    double lo = 1e9, hi = 0.0;
    for (size_t k = 0; k < 8; ++k) {
        const size_t from = s.loop_start + s.loop_length * k / 8, to = s.loop_start + s.loop_length * (k + 1) / 8;
        const double b = brightness(s.frames, from, to);
        lo = std::min(lo, b);
        hi = std::max(hi, b);
    }
    return lo > 0.0 && hi > 1.25 * lo;
}

}  // namespace

Variety tune_variety(const XmModule& m, const std::array<size_t, 3>& first_bars, size_t drum_channel,
                     size_t bass_channel) {
    Variety v;
    const size_t orders = m.orders.size();
    std::array<size_t, 4> bounds = {first_bars[0], first_bars[1], first_bars[2], orders};

    // Progressions: four-bar phrases from each part's start, by the first bass note of each bar.
    std::set<std::vector<int>> progressions;
    for (size_t part = 0; part < 3; ++part)
        for (size_t o = bounds[part]; o + 4 <= bounds[part + 1]; o += 4) {
            std::vector<int> roots;
            for (size_t b = o; b < o + 4; ++b) {
                int root = -1;
                for (size_t row = 0; row < m.patterns.at(m.orders.at(b)).rows && root < 0; ++row)
                    if (const XmCell& c = cell_at(m, b, row, bass_channel); starts_note(c)) root = (c.note - 1) % 12;
                roots.push_back(root);
            }
            for (size_t i = roots.size(); i-- > 0;)  // as steps from the first root: a key change is no new progression
                if (roots[i] >= 0 && roots[0] >= 0) roots[i] = (roots[i] - roots[0] + 12) % 12;
            progressions.insert(roots);
        }
    v.progressions = progressions.size();

    std::array<std::vector<int>, 3> drums, bass;
    for (size_t part = 0; part < 3; ++part) {
        drums[part] = usual_rhythm(m, bounds[part], bounds[part + 1], drum_channel, false);
        bass[part] = usual_rhythm(m, bounds[part], bounds[part + 1], bass_channel, true);
    }
    v.drums_change = drums[0] != drums[1] && drums[1] != drums[2] && drums[0] != drums[2];
    v.bass_change = bass[0] != bass[1] && bass[1] != bass[2] && bass[0] != bass[2];

    // Vibrato: an instrument whose note is followed on its channel, before the next note, by 4xy.
    std::set<size_t> vibrato;
    for (size_t ch = 0; ch < m.channels; ++ch) {
        int playing = 0;
        for (size_t o = 0; o < orders; ++o)
            for (size_t row = 0; row < m.patterns.at(m.orders.at(o)).rows; ++row) {
                const XmCell& c = cell_at(m, o, row, ch);
                if (starts_note(c) && c.instrument > 0) playing = c.instrument;
                if (c.effect == 0x4 && (c.param & 0xF) > 0 && playing > 0) vibrato.insert(static_cast<size_t>(playing));
            }
    }
    for (size_t i = 0; i < m.instruments.size(); ++i)
        if (swept(m.instruments[i].sample) || vibrato.count(i + 1)) v.moving_tone.push_back(m.instruments[i].name);
    return v;
}
